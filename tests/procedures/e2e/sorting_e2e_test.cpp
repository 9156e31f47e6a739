// A SORT run end to end on emulated drives of the sample geometry, over both bridge types: the
// diagnostic firmware loaded, the loader blocks found, the drive erased (every block unit, or only
// an earlier run's result blocks), the sorting firmware downloaded and booted, its status polled
// on the virtual clock, then the diagnostic firmware loaded again to find and check every die's
// result block.
#include "sort_run_fixture.h"

namespace {

using loader_test::Bytes;
using namespace sort_run_test;

TEST_F(SortingE2e, ASortRunLeavesResultBlocksThatTheChecksRead) {
    for (int eraseAllType : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "EraseAllType " << eraseAllType);
        for (int port = 0; port < 2; ++port) {
            SCOPED_TRACE(testing::Message() << "port " << port);
            LoadGdp(port);
            if (eraseAllType == 1) {
                // The earlier run's result blocks are there before the erase and gone after it.
                ASSERT_TRUE(drives_->Nand(port).Peek({0, 0, 0, kResultBlock, 2}).has_value());
            }
            EraseAndDownload(port, eraseAllType);
            EXPECT_LE(drives_->Nand(port).StoredContents(), 300u) << "the run's pattern pages are stored once";
            ASSERT_EQ(Run(port).Problem(), "");
            EXPECT_EQ(Run(port).LastRun()->dies.size(), 8u);
            EXPECT_EQ(Status(port), 0) << "in preparation";
            EXPECT_EQ(Status(port), 1) << "running";
            clock_.Advance(60000);
            EXPECT_EQ(Status(port), port == 1 ? 2 : 4);

            LoadGdp(port);
            Bytes table(512, 0);
            ASSERT_TRUE(VP_PROC_GetSortingResultBlock(port, table.data()));
            const emu::SortResultTable written = Run(port).ResultBlocks();
            Bytes page(4 * 16384);
            for (int ch = 0; ch < 8; ++ch) {
                for (int bank = 0; bank < 8; ++bank) {
                    const std::uint16_t entry =
                        static_cast<std::uint16_t>(table[16 * ch + 2 * bank] | (table[16 * ch + 2 * bank + 1] << 8));
                    ASSERT_EQ(entry, written[ch][bank]) << "channel " << ch << ", bank " << bank;
                    if (ch >= 4 || bank >= 2) {
                        EXPECT_EQ(entry, 0);
                        continue;
                    }
                    EXPECT_EQ(entry, kResultBlock);
                    // The whole-info page carries the drive's flags: every die of the failing drive fails.
                    const int expected = port == 1 ? kOpRdtBadBlock : kSortCheckPass;
                    EXPECT_EQ(VP_PROC_CheckSortingResult(port, page.data(), static_cast<std::uint8_t>(ch),
                                                         static_cast<std::uint8_t>(bank), entry),
                              expected)
                        << "channel " << ch << ", bank " << bank;
                }
            }
        }
    }
}

// Whether a defect-list entry names plane `plane` of `unit` on channel `ch`, CE `ce` as bad.
bool Names(const std::vector<std::uint32_t>& list, int ch, int ce, int unit, int plane) {
    for (std::uint32_t e : list) {
        if ((e >> 29) == static_cast<unsigned>(ch) && ((e >> 24) & 7) == static_cast<unsigned>(ce) &&
            (e & 0xFFFF) == static_cast<unsigned>(unit) && ((e >> (16 + plane)) & 1) == 0) {
            return true;
        }
    }
    return false;
}

TEST_F(SortingE2e, AnMpRunInheritsTheSortingResults) {
    LoadGdp(0);
    EraseAndDownload(0, 0);
    EXPECT_EQ(Status(0), 0);
    clock_.Advance(60000);
    EXPECT_EQ(Status(0), 4);

    // The MP run on the same drive: the pre-format inherits every die's bad blocks and result block.
    AP_INIState.ToolMode = 0;
    AP_FlashSet.wDieUnit = 2016 / 4;
    AP_INIState.RemapEnable = 1;
    AP_INIState.DefPercentage = 100;
    AP_INIState.CheckFlashMask = 63;
    AP_INIState.EnInheritRDT = 1;
    AP_INIState.InheritAnt = 1;
    AP_RDTSet.RDTSearchRange = 4;
    LoadGdp(0);
    Bytes image(kRemapTableBufSize, 0), aux(kRemapAuxBufSize, 0), bitmap(kTablePageBufSize, 0);
    AP_Instance[0].pRemapTableBuf = image.data();
    AP_Instance[0].pRemapAuxBuf = aux.data();
    AP_Instance[0].pTablePageBuf = bitmap.data();
    ASSERT_TRUE(VP_PROC_GetLoaderBlock(0, work_.data(), 0));
    trace_.Clear();
    ASSERT_TRUE(VP_PROC_Preformat(0, work_.data(), 32)) << [&] {
        std::string t;
        for (const auto& l : trace_.Lines()) t += l;
        return t.substr(t.size() > 3000 ? t.size() - 3000 : 0);
    }();
    const auto list = drives_->Drive(0).programs.scan->List();
    EXPECT_TRUE(Names(list, 0, 0, 100 / 4, 0)) << "the factory-bad block";
    EXPECT_TRUE(Names(list, 2, 1, 302 / 4, 2)) << "the block whose erase failed";
    for (int ch = 0; ch < 4; ++ch) {
        for (int ce = 0; ce < 2; ++ce) {
            EXPECT_TRUE(Names(list, ch, ce, kResultBlock / 4, kResultBlock % 4)) << "the result block itself";
        }
    }

    // The MP download, and the system firmware booted from it lists them among its bad units.
    AP_INIState.dwItemEnable[7] = 1;
    loader_test::DescribeImage(loader_test::SystemPlan(), (folder_.Path() / "SYS.bin").string(), 7);
    Bytes counts(kEraseCountBufSize, 0);
    AP_Instance[0].pEraseCountBuf = counts.data();
    ASSERT_TRUE(VP_PROC_DownloadProgram(0, work_.data(), kSerial, ""));
    Bytes identify(4096);
    ASSERT_TRUE(VP_JumpToSystem(0, identify.data()));
    const auto report = drives_->LastBoot(0);
    ASSERT_EQ(report.program, emu::Program::System);
    const auto& bad = report.system.badUnits;
    auto listed = [&](int ch, int ce, int unit) {
        return std::find(bad.begin(), bad.end(), emu::BadUnit{ch, ce, 0, unit}) != bad.end();
    };
    EXPECT_TRUE(listed(0, 0, 100 / 4));
    EXPECT_TRUE(listed(2, 1, 302 / 4));
    for (int ch = 0; ch < 4; ++ch) {
        for (int ce = 0; ce < 2; ++ce) EXPECT_TRUE(listed(ch, ce, kResultBlock / 4)) << ch << ":" << ce;
    }
}

TEST_F(SortingE2e, AnUnreadablePatternPageGivesStatus7AndNoResultBlock) {
    LoadGdp(0);
    ASSERT_TRUE(VP_PROC_GetLoaderBlock(0, work_.data(), 0));
    ASSERT_TRUE(VP_PROC_DownloadProgram(0, work_.data(), kSerial, ""));
    for (int block : {0, 1}) drives_->Nand(0).InjectUncorrectable({0, 0, 0, block, 4});
    Bytes identify(4096);
    ASSERT_TRUE(CheckRDTFW(0, identify.data()));
    EXPECT_EQ(Status(0), 7);
    EXPECT_EQ(Run(0).ResultBlocks()[0][0], 0);
    EXPECT_FALSE(drives_->Nand(0).Peek({0, 0, 0, kResultBlock, 2}).has_value());
}

}  // namespace
