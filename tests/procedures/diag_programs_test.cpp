// The diagnostic programs' and the sorting firmware's polls on the virtual clock, against a
// recording backend whose one-sector replies follow a script.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/cancel.h"
#include "platform/clock.h"
#include "platform/trace_sink.h"
#include "procedures/V_Proc_Programs.h"
#include "settings/records.h"
#include "support/recording_backend.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using test_support::RecordedPort;

constexpr int kPort = 5;

// Answers the n-th one-sector read with script[n] (the last one repeated), and keeps the clock
// time of every such read. A hook may run at each read (to cancel the worker's token).
struct Script {
    std::vector<Bytes> replies;
    std::vector<std::uint64_t> times;
    std::function<void(std::size_t)> atRead;
};

Bytes Status(std::uint8_t byte0, std::uint8_t byte1 = 1) {
    Bytes b(512, 0);
    b[0] = byte0;
    b[1] = byte1;
    return b;
}

std::vector<Bytes> Busy(int n, Bytes then) {
    std::vector<Bytes> v(static_cast<std::size_t>(n), Status(0xAA, 0));
    v.push_back(std::move(then));
    return v;
}

void Play(RecordedPort& port, const std::shared_ptr<Script>& script) {
    port.backend->SetFiller([script](std::size_t, std::span<std::uint8_t> d) {
        if (d.size() != 512) return;
        const std::size_t n = script->times.size();
        script->times.push_back(platform::TickCount());
        if (script->atRead) script->atRead(n);
        const Bytes& r = script->replies[std::min(n, script->replies.size() - 1)];
        std::copy(r.begin(), r.end(), d.begin());
    });
}

// The times a poll should see: `first` ms after the start, then every `every` ms.
std::vector<std::uint64_t> Times(std::size_t count, std::uint64_t first, std::uint64_t every) {
    std::vector<std::uint64_t> t;
    for (std::size_t i = 0; i < count; ++i) t.push_back(first + i * every);
    return t;
}

class DiagPolls : public ::testing::Test {
  protected:
    void TearDown() override {
        AP_INIState = saved_;
        AP_RDTSet = savedRdt_;
        procedures::SetMessagePump(nullptr);
    }
    AP_INIState_t saved_ = AP_INIState;
    AP_RDTSet_t savedRdt_ = AP_RDTSet;
    platform::VirtualClock clock_;
    platform::ScopedClock useClock_{clock_};
    platform::TraceCapture trace_;
};

TEST_F(DiagPolls, ExecProgEndsAtTheFirstReplyThatIsNotBusy) {
    for (int busy : {0, 1, 4}) {
        SCOPED_TRACE(busy);
        RecordedPort port(kPort, 1);
        auto script = std::make_shared<Script>();
        script->replies = Busy(busy, Status(0x01, 0x05));  // any result byte counts as the end
        Play(port, script);
        const std::uint64_t start = platform::TickCount();
        std::uint8_t status = 0;
        EXPECT_TRUE(VP_GDP_ExecProg(kPort, GDP_PROG_GATHER, 0x20, &status, true));
        EXPECT_EQ(status, 0x01);
        for (auto& t : script->times) t -= start;
        EXPECT_EQ(script->times, Times(static_cast<std::size_t>(busy) + 1, 30, 3000));
        EXPECT_EQ(platform::TickCount() - start, 30u + 3000u * static_cast<unsigned>(busy));
    }
    EXPECT_EQ(trace_.Lines().front(), "######### - [5]VP_GDP_ExecProg - Prog 1, Mode 32\n");
}

TEST_F(DiagPolls, ExecProgRefusesOtherProgramsAndAClearWaitFlag) {
    {
        RecordedPort port(kPort, 1);
        std::uint8_t status = 0;
        EXPECT_FALSE(VP_GDP_ExecProg(kPort, 3, 0, &status, true));
        EXPECT_TRUE(port.backend->Calls().empty());
        EXPECT_EQ(trace_.Lines(), std::vector<std::string>{"######### - [5]VP_GDP_ExecProg - Prog 3, Mode 0\n"});
    }
    {
        trace_.Clear();
        RecordedPort port(kPort, 2);
        auto script = std::make_shared<Script>();
        script->replies = Busy(1, Status(1));
        Play(port, script);
        std::uint8_t status = 0;
        EXPECT_FALSE(VP_GDP_ExecProg(kPort, GDP_PROG_PRECHECK, 7, &status, false));
        EXPECT_EQ(script->times.size(), 1u);
        EXPECT_EQ(status, 0xAA);
        EXPECT_EQ(trace_.Lines().back(), "FAILED(VA_GDP_ExecProg)\r\n");
    }
}

TEST_F(DiagPolls, ExecProgTracesAFailedFetch) {
    RecordedPort port(kPort, 1);
    auto script = std::make_shared<Script>();
    script->replies = {Status(1)};
    Play(port, script);
    // Calls: the command's packet phase (2 calls), then the fetch's packet phase (2) and data phase (2).
    port.backend->FailCall(5);
    std::uint8_t status = 0;
    EXPECT_FALSE(VP_GDP_ExecProg(kPort, GDP_PROG_GATHER, 0, &status, true));
    const auto lines = trace_.Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.back(), "FAILED(VA_GDP_ExecProg)\r\n");
    EXPECT_TRUE(
        lines[lines.size() - 2].starts_with("FileName = ..\\QVLib\\V_Proc, Function = VP_GDP_ExecProg, Line = "));
    EXPECT_TRUE(lines[lines.size() - 2].ends_with(", nRet = 2\r\n"));
}

TEST_F(DiagPolls, ExecProgPollsABusyDriveUntilTheWorkerIsStopped) {
    RecordedPort port(kPort, 1);
    auto token = std::make_shared<platform::CancelToken>();
    auto script = std::make_shared<Script>();
    script->replies = {Status(0xAA, 0)};
    script->atRead = [token](std::size_t n) {
        if (n == 9) token->Cancel();
    };
    Play(port, script);
    platform::ScopedCancelToken scoped(token);
    const std::uint64_t start = platform::TickCount();
    std::uint8_t status = 0;
    EXPECT_THROW(VP_GDP_ExecProg(kPort, GDP_PROG_GATHER, 0, &status, true), platform::Cancelled);
    for (auto& t : script->times) t -= start;
    EXPECT_EQ(script->times, Times(10, 30, 3000));
    EXPECT_FALSE(trace_.Contains("FAILED"));
}

TEST_F(DiagPolls, ScanResultBlockReadsTheTableOrGivesUpAtThe21stBusyReply) {
    AP_RDTSet.RDTSearchRange = 12;
    AP_INIState.InheritAnt = 1;
    {
        RecordedPort port(kPort, 1);
        auto script = std::make_shared<Script>();
        Bytes table(512, 0);
        table[0] = 0x34;
        table[1] = 0x12;
        script->replies = Busy(3, Status(1));
        script->replies.push_back(table);
        Play(port, script);
        Bytes buffer(512, 0xEE);
        std::uint8_t status = 0;
        EXPECT_TRUE(VP_ScanResultBlock(kPort, buffer.data(), &status));
        EXPECT_EQ(buffer, table);
        const auto calls = port.backend->Calls();
        const Bytes packet(calls[1].out.begin(), calls[1].out.begin() + 5);
        EXPECT_EQ(packet[3], 12) << "the search range";
        EXPECT_EQ(packet[4], 1) << "InheritAnt";
    }
    {
        trace_.Clear();
        RecordedPort port(kPort, 2);
        auto script = std::make_shared<Script>();
        script->replies = {Status(0xAA, 0)};
        Play(port, script);
        const std::uint64_t start = platform::TickCount();
        Bytes buffer(512);
        std::uint8_t status = 0;
        EXPECT_FALSE(VP_ScanResultBlock(kPort, buffer.data(), &status));
        EXPECT_EQ(script->times.size(), 21u);
        EXPECT_EQ(script->times.back() - start, 100u + 20u * 1000u);
        EXPECT_EQ(platform::TickCount() - start, 100u + 20u * 1000u);
        const auto lines = trace_.Lines();
        EXPECT_TRUE(lines[lines.size() - 2].ends_with(", nRet = 1   Counter > wTimeOutThreshold \r\n"));
        EXPECT_EQ(lines.back(), "######## - [5]VP_ScanResultBlock fail!\n");
    }
}

TEST_F(DiagPolls, ScanRdtStatusPumpsBeforeEveryWaitAndGivesUpAtThe21st) {
    AP_INIState.dwItemEnable[13] = 1;
    {
        RecordedPort port(kPort, 1);
        auto script = std::make_shared<Script>();
        script->replies = {Status(0xAA, 0)};
        Play(port, script);
        std::vector<std::uint64_t> pumps;
        procedures::SetMessagePump([&pumps] { pumps.push_back(platform::TickCount()); });
        const std::uint64_t start = platform::TickCount();
        Bytes buffer(512);
        std::uint8_t status = 0;
        EXPECT_FALSE(VP_ScanRDTStatus(kPort, buffer.data(), &status));
        for (auto& t : script->times) t -= start;
        for (auto& t : pumps) t -= start;
        EXPECT_EQ(script->times, Times(21, 0, 200));
        EXPECT_EQ(pumps, Times(20, 0, 200)) << "one pump before each of the 20 waits";
        EXPECT_EQ(trace_.Lines().back(), "######## - [5]VP ScanRDTStatus fail!\n");
    }
    {
        procedures::SetMessagePump(nullptr);
        trace_.Clear();
        RecordedPort port(kPort, 2);
        auto script = std::make_shared<Script>();
        Bytes page(512, 0);
        std::copy_n("SORT", 4, page.begin());
        page[4] = 4;
        script->replies = Busy(2, Status(1));
        script->replies.push_back(page);
        Play(port, script);
        Bytes buffer(512);
        std::uint8_t status = 0;
        EXPECT_TRUE(VP_ScanRDTStatus(kPort, buffer.data(), &status));
        EXPECT_EQ(buffer, page);
        const auto calls = port.backend->Calls();
        const Bytes& last = calls[calls.size() - 3].out;  // the status page's packet phase
        EXPECT_EQ(last[2], 0x3C);
        EXPECT_EQ(last[4], 1) << "EnCheckRDTFW";
    }
}

}  // namespace
