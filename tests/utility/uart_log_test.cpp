#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "platform/trace_sink.h"
#include "tables/le_bytes.h"
#include "utility/uart_log.h"

namespace {

using namespace vellumin;

std::vector<std::uint8_t> Chunk(const std::string& text, std::uint32_t size = 0xFFFFFFFF) {
    std::vector<std::uint8_t> r(4 + text.size());
    transport::PutLe32(r.data(), size == 0xFFFFFFFF ? static_cast<std::uint32_t>(text.size()) : size);
    std::memcpy(r.data() + 4, text.data(), text.size());
    return r;
}
std::vector<std::uint8_t> Marker(std::uint8_t notReady) { return {'e', 'M', 'V', 'N', 0, notReady, 0, 0}; }

// A drive answering from a script; past the script, a read fails.
struct ScriptedDrive {
    std::deque<std::vector<std::uint8_t>> replies;
    std::vector<std::uint16_t> indexes;
    std::vector<std::string> messages, chunks;
    std::vector<unsigned> pauses;
    int stopAfterReads = -1;

    UartLogIo Io() {
        UartLogIo io;
        io.read = [this](std::uint8_t* reply, std::uint32_t sectors, std::uint16_t index) {
            indexes.push_back(index);
            if (replies.empty()) return 2;
            const auto& r = replies.front();
            if (!r.empty()) std::memcpy(reply, r.data(), std::min<std::size_t>(r.size(), sectors * 512u));
            replies.pop_front();
            return 1;
        };
        io.stopRequested = [this] { return stopAfterReads >= 0 && static_cast<int>(indexes.size()) >= stopAfterReads; };
        io.show = [this](const char* m) { messages.emplace_back(m); };
        io.chunk = [this](const char* c) { chunks.emplace_back(c); };
        io.sleep = [this](unsigned ms) { pauses.push_back(ms); };
        return io;
    }
};

TEST(UartLogReading, ChunksMarkersAndFaults) {
    platform::TraceCapture trace;
    struct Case {
        const char* name;
        std::vector<std::vector<std::uint8_t>> replies;
        std::string text;
        std::vector<std::string> messages;
        std::vector<std::uint16_t> indexes;
    };
    const Case cases[] = {
        {"end at once", {Marker(0)}, "", {}, {0}},
        {"size 0 adds nothing", {Chunk(""), Chunk("ab"), Marker(0)}, "ab", {}, {0, 1, 2}},
        {"zero byte cuts", {Chunk(std::string("ab\0cd", 5)), Marker(0)}, "ab", {}, {0, 1}},
        {"not ready then data", {Marker(1), Marker(9), Chunk("x\n"), Marker(0)}, "x\n", {}, {0, 0, 0, 1}},
        {"size too large", {Chunk("ok"), Chunk("zz", 65537)}, "ok", {"UART log size is incorrect!"}, {0, 1}},
        {"size past the reply", {Chunk("zz", 1021)}, "", {"UART log size is incorrect!"}, {0}},
        {"failed read keeps what was read", {Chunk("first")}, "first", {"FAIL!!! VC_SYS_GetUartLog Fail!."}, {0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedDrive drive;
        drive.replies.assign(c.replies.begin(), c.replies.end());
        EXPECT_EQ(ReadUartLog(2, drive.Io()), c.text);
        EXPECT_EQ(drive.messages, c.messages);
        EXPECT_EQ(drive.indexes, c.indexes);
    }
}

TEST(UartLogReading, PausesAfterChunksAndNotReadyRepliesAndHandsEachChunkOn) {
    platform::TraceCapture trace;
    ScriptedDrive drive;
    drive.replies = {Marker(1), Chunk("a"), Chunk("b"), Marker(0)};
    EXPECT_EQ(ReadUartLog(2, drive.Io()), "ab");
    EXPECT_EQ(drive.pauses, (std::vector<unsigned>{1, 10, 10}));
    EXPECT_EQ(drive.chunks, (std::vector<std::string>{"a", "b"}));
}

TEST(UartLogReading, AnEndlessLogStopsAfter2049ChunksAndAStopEndsNotReadyRetries) {
    platform::TraceCapture trace;
    ScriptedDrive endless;
    for (int i = 0; i < 2051; ++i) endless.replies.push_back(Chunk("z"));
    EXPECT_EQ(ReadUartLog(2, endless.Io()).size(), 2049u);
    EXPECT_EQ(endless.indexes.back(), 2049);
    EXPECT_NE(trace.Text().find("ParseUARTLog Time Out!\n"), std::string::npos);

    ScriptedDrive busy;
    for (int i = 0; i < 100; ++i) busy.replies.push_back(Marker(1));
    busy.stopAfterReads = 5;
    EXPECT_EQ(ReadUartLog(2, busy.Io()), "");
    EXPECT_EQ(busy.indexes.size(), 5u);

    // A read of no sectors, or of more than any page holds (a garbage geometry), fails without a read.
    for (std::uint32_t sectors : {UartReadSectors(0, 4), UartReadSectors(0xFFFF, 0xFF)}) {
        ScriptedDrive none;
        EXPECT_EQ(ReadUartLog(sectors, none.Io()), "");
        EXPECT_EQ(none.messages, std::vector<std::string>{"FAIL!!! VC_SYS_GetUartLog Fail!."});
        EXPECT_TRUE(none.indexes.empty());
    }
}

TEST(UartLogReading, SeededMangledRepliesStayInsideTheBuffers) {
    platform::TraceCapture trace;
    std::mt19937 rng(3030);
    for (int round = 0; round < 10000; ++round) {
        ScriptedDrive drive;
        const int n = 1 + rng() % 4;
        for (int i = 0; i < n; ++i) {
            std::vector<std::uint8_t> r(rng() % 40);
            for (auto& b : r) b = static_cast<std::uint8_t>(rng() % 4 == 0 ? 0 : rng());
            if (r.size() >= 4 && rng() % 2) transport::PutLe32(r.data(), rng() % 48);
            if (r.size() >= 4 && rng() % 5 == 0) std::memcpy(r.data(), "eMVN", 4);
            drive.replies.push_back(r);
        }
        const std::uint32_t sectors = rng() % 2;  // a 0-sector read and a 512-byte one
        const std::string text = ReadUartLog(sectors, drive.Io());
        ASSERT_LE(text.size(), 512u * n);
        ASSERT_EQ(text.find('\0'), std::string::npos);
    }
}

}  // namespace
