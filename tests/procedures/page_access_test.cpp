// Page access details: bank folding, the all-channel forms' bounds, a failed status fetch, and the
// system firmware's page read, on a recording backend where the bytes on the wire matter.
#include <gtest/gtest.h>

#include "platform/trace_sink.h"
#include "procedures/V_Proc_PageAccess.h"
#include "settings/records.h"
#include "support/recording_backend.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using test_support::Decode;
using test_support::RecordedPort;

constexpr int kPort = 3;

class PageAccess : public ::testing::Test {
  protected:
    void SetUp() override {
        AP_INIState.MaxPhyBank = 4;
        AP_INIState.MaxPhyChannel = 8;
        AP_INIState.EnUnbalance = 0;
        AP_FlashSet.ucChannel = 4;
        AP_FlashSet.bPageSector = 16;
    }
    void TearDown() override {
        AP_INIState = saved_;
        AP_FlashSet = savedFlash_;
    }

    AP_INIState_t saved_ = AP_INIState;
    AP_FlashSet_t savedFlash_ = AP_FlashSet;
    platform::TraceCapture trace_;
};

TEST_F(PageAccess, BankFolding) {
    struct Case {
        std::uint8_t banks, bank, sent;
    };
    for (const Case& c :
         {Case{4, 3, 3}, Case{4, 4, 0x10}, Case{4, 5, 0x11}, Case{4, 15, 0x33}, Case{2, 5, 0x21}, Case{0, 9, 9}}) {
        SCOPED_TRACE(testing::Message() << int(c.banks) << " banks, bank " << int(c.bank));
        AP_INIState.MaxPhyBank = c.banks;
        EXPECT_EQ(procedures::FoldBank(c.bank), c.sent);
    }
}

TEST_F(PageAccess, TheReadTracesTheFoldedBankAndTheWireCarriesIt) {
    RecordedPort port(kPort, 1);
    port.backend->SetFiller([](std::size_t, std::span<std::uint8_t> d) {
        std::fill(d.begin(), d.end(), 0);
        if (d.size() == 512) d[1] = 1;  // the status reply: success
    });
    Bytes page(8192);
    ASSERT_TRUE(VP_ReadPage(kPort, 2, 5, 0x0102, 0x0304, 2, 1, 2, page.data(), 16));
    const auto lines = trace_.Lines();
    EXPECT_EQ(lines[0], "######### - VP_ReadPage - AP_INIState.MaxPhyBank is 4\n");
    EXPECT_EQ(lines[1], "######### - VP_ReadPage - ucBank is 17\n");
    EXPECT_EQ(lines.back(), "######### - [3]Read C:2 B:17 Block:258 Page:772 Success!\n");
    const auto sent = Decode(port.backend->Calls());
    const Bytes packet(sent[0].dataCall.out.begin(), sent[0].dataCall.out.begin() + 12);
    EXPECT_EQ(packet, Bytes({0xFF, 0xE5, 0x89, 2, 0x11, 0x01, 0x02, 0x03, 0x04, 2, 1, 2}));

    struct Case {
        std::uint8_t banks, bank;
        const char* line;  // the second line, or nullptr when the bank is not folded
    };
    for (const Case& c : {Case{4, 3, nullptr}, Case{4, 4, "######### - VP_ReadPage - ucBank is 16\n"},
                          Case{16, 16, "######### - VP_ReadPage - ucBank is 16\n"}, Case{0, 9, nullptr}}) {
        SCOPED_TRACE(testing::Message() << int(c.banks) << " banks, bank " << int(c.bank));
        AP_INIState.MaxPhyBank = c.banks;
        trace_.Clear();
        ASSERT_TRUE(VP_ReadPage(kPort, 2, c.bank, 1, 1, 2, 1, 2, page.data(), 16));
        const auto read = trace_.Lines();
        ASSERT_GE(read.size(), 2u);
        EXPECT_EQ(read[1].find("ucBank is") != std::string::npos, c.line != nullptr);
        if (c.line != nullptr) {
            EXPECT_EQ(read[1], c.line);
        }
    }
}

TEST_F(PageAccess, EraseSendsChannelAndBank255Unchanged) {
    RecordedPort port(kPort, 2);
    port.backend->SetFiller([](std::size_t, std::span<std::uint8_t> d) {
        std::fill(d.begin(), d.end(), 0);
        if (d.size() == 512) d[1] = 1;
    });
    ASSERT_TRUE(VP_EraseBlock(kPort, 0xFF, 0xFF, 0x0A0B, 1, 0, nullptr));
    EXPECT_EQ(trace_.Lines().back(), "######### - [3]Erase C:255 B:255 Block:2571 Success!\n");
}

TEST_F(PageAccess, AFailedStatusFetchLeavesTheBufferAlone) {
    RecordedPort port(kPort, 1);
    port.backend->SetFiller([](std::size_t, std::span<std::uint8_t> d) { std::fill(d.begin(), d.end(), 0x5A); });
    port.backend->FailCall(4);  // the status fetch's packet phase (the read took calls 0 to 3)
    Bytes page(8192, 0);
    EXPECT_FALSE(VP_ReadPage(kPort, 1, 1, 7, 9, 2, 1, 2, page.data(), 16));
    EXPECT_EQ(trace_.Lines().back(), "######### - [3]Read C:1 B:1 Block:7 Page:9 - VC_GDP_CmdGetReturn Fail!\n");
    EXPECT_EQ(page[0], 0x5A) << "what the read brought stays";
}

TEST_F(PageAccess, AllChannelFormsMoveOnePagePerChannelAndNoMore) {
    RecordedPort port(kPort, 1);
    port.backend->SetFiller([](std::size_t call, std::span<std::uint8_t> d) {
        std::fill(d.begin(), d.end(), static_cast<std::uint8_t>(call));
    });
    Bytes pages(8 * 8192, 0xEE);
    ASSERT_TRUE(VP_ReadPage(kPort, 8, 1, 7, 9, 2, 1, 2, pages.data(), 16));
    const auto sent = Decode(port.backend->Calls());
    ASSERT_EQ(sent.size(), 16u) << "eight reads, no status fetch";
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(sent[2 * c].dataCall.out[3], c);
        EXPECT_EQ(pages[static_cast<std::size_t>(c) * 8192], static_cast<std::uint8_t>(4 * c + 3));
    }

    port.backend->Clear();
    EXPECT_FALSE(VP_ReadPage(kPort, 8, 1, 7, 9, 2, 1, 2, pages.data(), 17)) << "a page and a sector per channel";
    EXPECT_FALSE(VP_WritePage(kPort, 8, 1, 7, 9, 2, 1, 2, pages.data(), 32));
    EXPECT_TRUE(port.backend->Calls().empty());

    AP_INIState.EnUnbalance = 1;  // one command for "channel 8", with its status
    port.backend->SetFiller([](std::size_t, std::span<std::uint8_t> d) {
        std::fill(d.begin(), d.end(), 0);
        if (d.size() == 512) d[1] = 33;
    });
    EXPECT_FALSE(VP_ReadPage(kPort, 8, 1, 7, 9, 2, 1, 2, pages.data(), 16));
    EXPECT_EQ(Decode(port.backend->Calls()).size(), 4u);
    EXPECT_EQ(pages[0], 0);
    EXPECT_EQ(pages[1], 33);
}

TEST_F(PageAccess, SystemPageReadOfEveryChannel) {
    RecordedPort port(kPort, 2);
    port.backend->SetFiller([](std::size_t call, std::span<std::uint8_t> d) {
        std::fill(d.begin(), d.end(), static_cast<std::uint8_t>(0x40 + call));
    });
    Bytes buffer(kSysReadPageBufBytes, 0xEE);
    ASSERT_EQ(VA_SysReadPage(kPort, 8, 1, 0x10, 0x20, 5, 2, 1, buffer.data(), 16), 1);
    EXPECT_EQ(trace_.Lines().front(),
              "######### - VA_SysReadPage - ucChMap = 8, ucBank = 1, wBlockUnit = 0x10, wBlock = 0x20, wPageNo = 0x5, "
              "bLDPCmode = 2, bScramble = 1 \n");
    const auto sent = Decode(port.backend->Calls());
    ASSERT_EQ(sent.size(), 8u) << "channels 0 to 3";
    for (int c = 0; c < 4; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(sent[2 * c].dataCall.out[3], c);
        const std::uint8_t mark = buffer[static_cast<std::size_t>(c) * 8192];
        EXPECT_TRUE(std::all_of(buffer.begin() + c * 8192, buffer.begin() + (c + 1) * 8192,
                                [&](std::uint8_t b) { return b == mark; }));
        if (c > 0) {
            EXPECT_NE(mark, buffer[static_cast<std::size_t>(c - 1) * 8192]);
        }
    }
    EXPECT_TRUE(std::all_of(buffer.begin() + 4 * 8192, buffer.end(), [](std::uint8_t b) { return b == 0; }));

    // A smaller buffer is zeroed only as far as it goes, and a layout past it is refused.
    Bytes small(3 * 8192, 0xEE);
    port.backend->Clear();
    EXPECT_EQ(VA_SysReadPage(kPort, 8, 1, 0x10, 0x20, 5, 2, 1, small.data(), 16, small.size()), 0);
    EXPECT_TRUE(port.backend->Calls().empty());
}

TEST_F(PageAccess, SystemPageReadOfOneChannelFailsWhenItsReadFails) {
    RecordedPort port(kPort, 1);
    port.backend->FailCall(0);
    Bytes buffer(kSysReadPageBufBytes);
    EXPECT_EQ(VA_SysReadPage(kPort, 2, 1, 0x10, 0x20, 5, 2, 1, buffer.data(), 16), 0);
    port.backend->Clear();
    EXPECT_EQ(VA_SysReadPage(kPort, 2, 1, 0x10, 0x20, 5, 2, 1, buffer.data(), 16), 1);
}

}  // namespace
