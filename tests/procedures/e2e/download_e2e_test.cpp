// The loader-block download end to end on an emulated drive running the diagnostic firmware: every
// page kind where it belongs, the all-die form's command count, download-only without tables, the
// failure detail of each writer, the code writer's padding and dummy pages, the SORT download, the
// erase counts and serial number read back, and the read/write test under the booted firmware.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "../loader_fixture.h"
#include "emu/controller_core.h"
#include "emu/gdp_firmware.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/trace_sink.h"
#include "procedures/V_Proc_Download.h"
#include "procedures/V_Proc_Erase.h"
#include "procedures/V_Proc_GdpLoad.h"
#include "procedures/V_Proc_GdpParam.h"
#include "procedures/V_Proc_LoaderPages.h"
#include "procedures/V_Proc_Modes.h"
#include "procedures/V_Proc_PageAccess.h"
#include "procedures/V_Proc_Steps.h"
#include "procedures/V_Proc_SysSteps.h"
#include "settings/die_remap.h"
#include "settings/param_files.h"
#include "support/emulated_drives.h"
#include "support/gdp_image_file.h"
#include "tables/page_format.h"

namespace {

using loader_test::Bytes;
using test_support::EmulatedDrives;

constexpr std::size_t kPage = 16384;
constexpr char kSerial[] = "SN-E2E-0001";

std::string Text(const std::optional<Bytes>& page, std::size_t at, std::size_t n) {
    if (!page) return "<unwritten>";
    return std::string(reinterpret_cast<const char*>(page->data() + at), n);
}

class DownloadE2e : public ::testing::Test {
  protected:
    void SetUp() override { Start(""); }
    void TearDown() override {
        drives_.reset();
        platform::SetProgramFolder(savedFolder_);
    }

    // A fresh drive of the sample geometry with the diagnostic firmware running.
    void Start(const std::string& keys) {
        drives_.reset();
        trace_.Clear();
        test_support::WriteGdpImage((folder_.Path() / "GDP.bin").string(), emu::images::DemoGdpPlan());
        drives_ = std::make_unique<EmulatedDrives>(std::vector<std::string>{keys});
        ASSERT_EQ(drives_->Error(), "");
        AP_INIState = AP_INIState_t{};
        AP_FlashSet = AP_FlashSet_t{};
        ASSERT_TRUE(VP_EnableVendorCmd(0, 1));
        ASSERT_TRUE(VP_LoadGDPFromFile(0, 1, 0));
        ASSERT_TRUE(VP_EnableVendorCmd(0, 1));
        ASSERT_EQ(VP_GetCurrentMode(0), kModeGdp);
        Configure();
    }

    void Configure() {
        loader_test::PrepareDownload(folder_, remap_, bitmap_, counts_);
    }

    emu::NandModel& Nand() { return drives_->Nand(0); }
    emu::GdpFirmware& Gdp() { return *drives_->Drive(0).programs.gdp; }
    std::optional<Bytes> Peek(int ch, int ce, int block, int page) { return Nand().Peek({ch, ce, 0, block, page}); }

    loader_test::LoaderGuard guard_;
    loader_test::TempFolder folder_{"download-e2e"};
    platform::VirtualClock clock_;
    platform::ScopedClock useClock_{clock_};
    platform::TraceCapture trace_;
    std::filesystem::path savedFolder_ = platform::ProgramFolder();
    Bytes remap_, bitmap_, counts_;
    Bytes work_ = Bytes(kLoaderPageBufBytes);
    std::unique_ptr<EmulatedDrives> drives_;
};

TEST_F(DownloadE2e, MpDownloadWritesEveryPageOnEveryLoaderBlock) {
    AP_Instance[0].aLoaderBlockNo[2][1][1] = 0xFFFF;  // a die with one loader block
    ASSERT_TRUE(VP_PROC_DownloadProgram(0, work_.data(), kSerial, ""));
    EXPECT_FALSE(Peek(2, 1, 1, 0));
    const auto& lines = trace_.Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "######### - Skip Ch 2, Bank 1, Block 65535\n"), lines.end());
    AP_Instance[0].aLoaderBlockNo[2][1][1] = 1;
    const Bytes image = emu::images::BuildFirmwareImage(loader_test::SystemPlan());
    const std::size_t part2 = emu::images::FirmwarePartOffset(loader_test::SystemPlan(), 2);
    for (int ch = 0; ch < 4; ++ch) {
        for (int ce = 0; ce < 2; ++ce) {
            for (int block : {0, 1}) {
                if (ch == 2 && ce == 1 && block == 1) continue;
                SCOPED_TRACE(testing::Message() << ch << "/" << ce << "/" << block);
                EXPECT_EQ(Text(Peek(ch, ce, block, 0), 0, 15), "LDBK BLOCKS V00");
                EXPECT_EQ(Text(Peek(ch, ce, block, 2), 0, 16), "LDBK LDPC TABLE1");
                EXPECT_EQ(Text(Peek(ch, ce, block, 4), 0, 16), "LDBK FWSLOT MARK");
                EXPECT_TRUE(RM_MatchTableHeader(Peek(ch, ce, block, 5)->data(), kPage, RM_TBL_DEFECT));
                EXPECT_TRUE(RM_MatchTableHeader(Peek(ch, ce, block, 40)->data(), kPage, RM_HDR_LATER_BAD));
                EXPECT_EQ(Text(Peek(ch, ce, block, 88), 448, 5), "RAVEZ");
            }
        }
    }
    EXPECT_FALSE(Peek(0, 0, 2, 0)) << "only the loader blocks";
    // The system page: the port's bitmap at 5120 after a pre-format; every erase count 1.
    EXPECT_EQ((*Peek(1, 1, 1, 37))[5120], 0x3C);
    EXPECT_EQ(transport::GetLe32(Peek(1, 1, 1, 38)->data() + 400), 1u);
    // OPAL: three pieces, the last 7,232 bytes long, then dummies that repeat the page.
    const Bytes opal = emu::images::DataFile("OPAL", 40000);
    const Bytes piece2 = *Peek(0, 0, 0, 50);
    EXPECT_TRUE(std::equal(opal.begin() + 32768, opal.end(), piece2.begin()));
    EXPECT_TRUE(loader_test::AllBytes(&piece2[7232], kPage - 7232, 0));
    EXPECT_EQ(*Peek(0, 0, 0, 51), piece2);
    EXPECT_EQ(*Peek(0, 0, 0, 63), piece2);
    // Code: the 40,000-byte part on pages 92 to 94, its last page padded with 0x11.
    const Bytes last = *Peek(2, 1, 0, 94);
    EXPECT_TRUE(std::equal(last.begin(), last.begin() + 7232, image.begin() + static_cast<long>(part2 + 32768)));
    EXPECT_TRUE(loader_test::AllBytes(&last[7232], kPage - 7232, 0x11));
    // Five copies end at 137; dummies of 0xAA up to 143.
    EXPECT_EQ(Text(Peek(0, 0, 0, 128), 448, 5), "RAVEZ") << "copy 4";
    EXPECT_TRUE(loader_test::AllBytes(Peek(0, 0, 0, 138)->data(), kPage, 0xAA));
    EXPECT_TRUE(loader_test::AllBytes(Peek(0, 0, 0, 143)->data(), kPage, 0xAA));
    EXPECT_FALSE(Peek(0, 0, 0, 144));
    EXPECT_EQ(Gdp().CommandCount(emu::gdp_code::kPageWriteInterleave), 0);

    // Read back through the diagnostic firmware: serial number and erase counts.
    ASSERT_TRUE(VP_PROC_GetSerialNumber(0, work_.data(), 0));
    EXPECT_EQ(std::string(AP_Instance[0].sInheritSerialNum), "SN-E2E-0001         ");
    ASSERT_EQ(VP_PROC_GetEraseCount(0, work_.data(), 0), 1);
    EXPECT_EQ(transport::GetLe32(&counts_[0]), 1u);
}

TEST_F(DownloadE2e, AllDieFormCostsOneInterleavedWritePerCopy) {
    AP_INIState.EnWritePageToAllDie = 1;
    AP_Instance[0].aLoaderBlockNo[0][0][1] = 0xFFFF;  // die (0, 0) has no second block: (0, 1)'s goes
    ASSERT_TRUE(VP_PROC_DownloadProgram(0, work_.data(), kSerial, ""));
    EXPECT_EQ(Text(Peek(3, 1, 1, 0), 0, 15), "LDBK BLOCKS V00");
    EXPECT_EQ(Gdp().CommandCount(emu::gdp_code::kSetLoaderBlock), 1);
    EXPECT_EQ(Gdp().CommandCount(emu::gdp_code::kPageWriteInterleave), 2 * 144) << "pages 0 to 143, two copies";
    EXPECT_EQ(Gdp().CommandCount(emu::gdp_code::kPageWrite), 0);
}

TEST_F(DownloadE2e, DownloadOnlyWithoutAValidBlock) {
    AP_INIState.dwItemEnable[7] = 0;
    EXPECT_FALSE(VP_PROC_DownloadProgram(0, work_.data(), kSerial, ""));
    EXPECT_EQ(work_[0], 208);
    EXPECT_EQ(work_[1], 0);
    EXPECT_FALSE(Peek(0, 0, 0, 0)) << "nothing written";

    AP_RDSetting.NoCheckTablesBeforeDownloadCode = 1;
    ASSERT_TRUE(VP_PROC_DownloadProgram(0, work_.data(), kSerial, ""));
    EXPECT_EQ(Text(Peek(0, 0, 0, 0), 0, 15), "LDBK BLOCKS V00");
    // The bitmap of the system page is the drive's own (none here), not the port buffer.
    EXPECT_TRUE(loader_test::AllBytes(Peek(0, 0, 0, 37)->data() + 5120, 2048, 0));
}

TEST_F(DownloadE2e, AFailedFirstPageOfEachWriterGivesItsCode) {
    struct Case {
        int index;
        int code;  // 0: no page code
        int at;    // where the page as built shows in the detail
        const char* text;
    };
    const Case cases[] = {{0, 160, 2, "LDBK BLOCKS V00"},
                          {1, 0, 0, nullptr},
                          {2, 161, 2, "LDBK LDPC TABLE1"},
                          {4, 0, 0, nullptr},
                          {5, 162, 2, nullptr},
                          {48, 163, 2, "OPAL"},
                          {64, 164, 2, "SDR"},
                          {66, 165, 2, "UEFI"},
                          {88, 166, 2 + 448, "RAVEZ"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        Start("ProgramFail=0:0:0:0:" + std::to_string(c.index));
        std::fill(work_.begin(), work_.end(), 0);
        EXPECT_FALSE(VP_PROC_DownloadProgram(0, work_.data(), kSerial, ""));
        EXPECT_EQ(work_[0], 217);
        if (c.code == 0) {
            EXPECT_TRUE(work_[1] < 160 || work_[1] > 166) << int(work_[1]);
            continue;
        }
        EXPECT_EQ(work_[1], c.code);
        if (c.text != nullptr) {
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(&work_[c.at]), std::strlen(c.text)), c.text);
        } else {
            EXPECT_TRUE(RM_MatchTableHeader(&work_[2], kPage, RM_TBL_DEFECT));
        }
    }
}

TEST_F(DownloadE2e, ImagesPastTheirAreaAreRefusedBeforeAnyPiece) {
    struct Case {
        char (&field)[kParamPathBytes];
        std::size_t bytes;
        int code, first;
    };
    for (const Case& c :
         {Case{AP_Param.sOPALBin, 16 * kPage + 1, 163, 48}, Case{AP_Param.sUEFIBin, 22 * kPage + 1, 165, 66}}) {
        SCOPED_TRACE(c.code);
        Start("");
        std::snprintf(c.field, kParamPathBytes, "%s", folder_.File("big.bin", Bytes(c.bytes, 0x42)).c_str());
        EXPECT_FALSE(VP_PROC_DownloadProgram(0, work_.data(), kSerial, ""));
        EXPECT_EQ(work_[0], 217);
        EXPECT_EQ(work_[1], c.code);
        EXPECT_FALSE(Peek(0, 0, 0, c.first));
        EXPECT_TRUE(Peek(0, 0, 0, c.first - 1));
    }
}

TEST_F(DownloadE2e, CodeWriterDummyPagesAndTheFileAsItIs) {
    // One copy of one plain part from page 88: ending at 175 writes no dummy, at 170 dummies 171-175.
    for (int lastPage : {175, 170}) {
        SCOPED_TRACE(lastPage);
        Start("");
        AP_Bins_t& layout = AP_Bins_Instance[0];
        layout = AP_Bins;
        layout.ucCodeCnt = 1;
        layout.ucPartCnt[0] = 1;
        layout.wEnable[0][0] = 0;
        layout.wStartPageNo[0][0] = 88;
        layout.wPageLength[0][0] = static_cast<std::uint16_t>(lastPage - 87);
        ASSERT_TRUE(VP_WriteCodePage(0, work_.data(), kSerial, ""));
        for (int p = lastPage + 1; p <= 175; ++p)
            EXPECT_TRUE(loader_test::AllBytes(Peek(0, 0, 0, p)->data(), kPage, 0xAA));
        EXPECT_FALSE(Peek(0, 0, 0, 176));
    }
    // With EnBinEraseBuild the parameter code page goes as in the file.
    Start("");
    AP_INIState.EnBinEraseBuild = 1;
    ASSERT_TRUE(VP_PROC_DownloadProgram(0, work_.data(), kSerial, ""));
    const Bytes image = emu::images::BuildFirmwareImage(loader_test::SystemPlan());
    const std::size_t part0 = emu::images::FirmwarePartOffset(loader_test::SystemPlan(), 0);
    EXPECT_EQ(*Peek(0, 0, 0, 88),
              Bytes(image.begin() + static_cast<long>(part0), image.begin() + static_cast<long>(part0 + kPage)));
}

TEST_F(DownloadE2e, ClearCodeBlockErasesTheUnitsOfBlocksZeroToThree) {
    for (auto [planes, erases] : {std::pair{2, 2}, std::pair{4, 1}, std::pair{0, 0}}) {
        SCOPED_TRACE(planes);
        AP_FlashSet.ucPlanes = static_cast<std::uint8_t>(planes);
        const int before = Gdp().CommandCount(emu::gdp_code::kBlockErase);
        EXPECT_EQ(VP_PROC_ClearCodeBlock(0, work_.data()), planes != 0);
        EXPECT_EQ(Gdp().CommandCount(emu::gdp_code::kBlockErase) - before, erases);
    }
}

}  // namespace

namespace {

// A SORT download: pattern pages, the sorting parameter page patched, and the second page of a
// two-page parameter part patched through the scratch image only on 16 KB pages.
TEST_F(DownloadE2e, SortDownloadPatchesTheParameterPages) {
    for (int sectors : {32, 16}) {
        SCOPED_TRACE(sectors);
        Start("FlashPageSectors=" + std::to_string(sectors));
        AP_FlashSet.bPageSector = static_cast<std::uint8_t>(sectors);
        AP_FlashSet.wPageSize = static_cast<std::uint16_t>(sectors / 2);
        AP_INIState.ToolMode = 1;
        const std::size_t page = static_cast<std::size_t>(sectors) * 512;
        auto plan = loader_test::SortPlan();
        plan.parts[0].length = static_cast<std::uint32_t>(2 * page);
        const std::string path = (folder_.Path() / "SORT.bin").string();
        loader_test::DescribeImage(plan, path, 1);
        const Bytes image = emu::images::BuildFirmwareImage(plan);
        const auto part0 = static_cast<long>(emu::images::FirmwarePartOffset(plan, 0));
        ASSERT_TRUE(VP_PROC_DownloadProgram(0, work_.data(), kSerial, ""));
        EXPECT_EQ(Text(Peek(1, 0, 1, 4), 0, 4), "SORT");
        EXPECT_EQ(Text(Peek(1, 0, 1, 8), 19, 11), kSerial);
        EXPECT_TRUE(loader_test::AllBytes(Peek(1, 0, 1, 9)->data(), page, 0x5A));
        EXPECT_TRUE(loader_test::AllBytes(Peek(1, 0, 1, 87)->data(), page, 0x5A));
        const Bytes first = *Peek(1, 0, 1, 88);
        EXPECT_EQ(Text(first, 448, 5), "QVRDT");
        EXPECT_NE(first, Bytes(image.begin() + part0, image.begin() + part0 + static_cast<long>(page)));
        const Bytes second = *Peek(1, 0, 1, 89);
        const Bytes fileSecond(image.begin() + part0 + static_cast<long>(page),
                               image.begin() + part0 + static_cast<long>(2 * page));
        if (sectors == 32) {
            EXPECT_NE(second, fileSecond) << "patched through the scratch image";
        } else {
            EXPECT_EQ(second, fileSecond);
        }
        const auto& lines = trace_.Lines();
        const bool scratch = std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
            return l.find("Find SORT FW_Second\tpage!") != std::string::npos;
        });
        EXPECT_EQ(scratch, sectors == 32);
        // The ROM boots the sorting firmware with its patched variable block.
        ASSERT_TRUE(VP_JumpToSorting(0, work_.data()));
        EXPECT_EQ(VP_GetCurrentMode(0), kModeRdt);
        char text[kIdentifyTextBytes + 1];
        procedures::IdentifyText(work_.data(), text);
        EXPECT_NE(std::string(text).find("RDT"), std::string::npos) << text;
        EXPECT_EQ(drives_->LastBoot(0).program, emu::Program::Sorting);
        // Its variable block (RAM from 0, where part 0 is loaded) carries the sorting-parameter patch:
        // the timing and parameter blocks on the first page, and on 16 KB pages the command maps and
        // files of the second page; an 8 KB second page is the file's own.
        Bytes want(image.begin() + part0, image.begin() + part0 + static_cast<long>(2 * page));
        Bytes patched = want;
        patched.resize(std::max(patched.size(), gdp::kSortImageMinBytes), 0x11);
        ASSERT_TRUE(Write_SORT_FW_PARAM(0, patched.data(), patched.size()));
        const std::size_t patchedBytes = sectors == 32 ? 2 * page : page;
        std::copy_n(patched.begin(), patchedBytes, want.begin());
        Bytes ram(2 * page);
        ASSERT_TRUE(drives_->Core(0).Ram().Read(emu::kFwVariableBlockAddress, ram));
        EXPECT_EQ(ram, want);
        for (const auto& [at, n] :
             {std::pair{gdp::kTmcOffset, gdp::kTimingBytes}, std::pair{gdp::kDpdOffset, gdp::kInitBlockBytes}}) {
            EXPECT_NE(
                Bytes(ram.begin() + static_cast<long>(at), ram.begin() + static_cast<long>(at + n)),
                Bytes(image.begin() + part0 + static_cast<long>(at), image.begin() + part0 + static_cast<long>(at + n)))
                << "patched at " << at;
        }
        int codePages = 0;
        for (int p = 0; p < AP_Bins_Instance[0].ucPartCnt[0]; ++p) codePages += AP_Bins_Instance[0].wPageLength[0][p];
        EXPECT_EQ(codePages, sectors == 32 ? 9 : 12);
        EXPECT_EQ(Gdp().CommandCount(emu::gdp_code::kPageWrite), 8 * 2 * (88 + codePages))
            << "pages 0 to 87, the code of one copy and no dummy code pages";
    }
}

class RwTestE2e : public DownloadE2e {
  protected:
    void SetUp() override {}
    // A drive running its system firmware, with `keys`.
    void StartSystem(const std::string& keys) {
        drives_.reset();
        drives_ = std::make_unique<EmulatedDrives>(std::vector<std::string>{"Program=system\n" + keys});
        ASSERT_EQ(drives_->Error(), "");
        trace_.Clear();
    }
    std::vector<std::string> Samples() const {
        std::vector<std::string> out;
        for (const auto& l : trace_.Lines()) {
            if (l.rfind("######### - VP_PROC_RWTest - wGB_No", 0) == 0) out.push_back(l);
        }
        return out;
    }
};

TEST_F(RwTestE2e, SamplesOneBlockPerIntervalThenSanitizes) {
    struct Case {
        std::uint32_t mb;
        std::vector<int> gibs;
    };
    for (const Case& c : {Case{16383, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}},
                          Case{16384, {0, 2, 4, 6, 8, 10, 12, 14}}, Case{2048, {0, 1}}}) {
        SCOPED_TRACE(c.mb);
        StartSystem("CapacityMB=" + std::to_string(c.mb));
        int sub = -1;
        ASSERT_TRUE(VP_PROC_RWTest(0, work_.data(), &sub));
        std::vector<std::string> expected;
        for (int g : c.gibs) {
            expected.push_back("######### - VP_PROC_RWTest - wGB_No is " + std::to_string(g) + ", dwStartLBA is " +
                               std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(g) * 2097152U)) +
                               "\n");
        }
        EXPECT_EQ(Samples(), expected);
        EXPECT_EQ(trace_.Lines().back(), "######### - Sanitize erase Pass\n");
        EXPECT_EQ(sub, -1);
    }
}

}  // namespace

namespace {

// Between the host and drive 1 of the bay: fails the NVMe command of one opcode, or changes one
// word of what a read of 64 KB brings (the JMicron-type tunnel carries the opcode at payload byte 8).
class IoFault : public platform::DeviceBackend {
  public:
    IoFault(platform::DeviceBackend& inner, int failOpcode, std::size_t corruptWord)
        : inner_(inner), failOpcode_(failOpcode), corruptWord_(corruptWord) {}

    platform::PassThroughResult PassThrough(std::string_view path, std::span<const std::uint8_t> cdb,
                                            platform::DataDirection direction, std::span<std::uint8_t> data,
                                            unsigned timeout) override {
        const bool payload =
            direction == platform::DataDirection::Out && data.size() >= 72 && std::memcmp(data.data(), "NVME", 4) == 0;
        if (payload) {
            opcode_ = data[8];
            if (opcode_ == failOpcode_) {
                platform::PassThroughResult r;
                r.stage = platform::PassThroughResult::Stage::Done;
                r.scsiStatus = platform::kScsiCheckCondition;
                r.senseLength = 18;
                r.sense[0] = 0x70;
                r.sense[2] = 0x03;
                return r;
            }
        }
        auto r = inner_.PassThrough(path, cdb, direction, data, timeout);
        if (direction == platform::DataDirection::In && opcode_ == 0x02 && data.size() == 65536 &&
            corruptWord_ != SIZE_MAX) {
            data[2 * corruptWord_] ^= 0x5A;
        }
        return r;
    }

  private:
    platform::DeviceBackend& inner_;
    int failOpcode_;
    std::size_t corruptWord_;
    int opcode_ = -1;
};

TEST_F(RwTestE2e, FailuresLeaveTheirCodeAndPlace) {
    struct Case {
        const char* name;
        std::string keys;
        int failOpcode;
        std::size_t corruptWord;
        std::vector<std::uint32_t> words;
    };
    const Case cases[] = {
        {"no capacity", "Sectors=0", -1, SIZE_MAX, {2, 0, 0}},
        {"flush", "", 0x00, SIZE_MAX, {5, 0, 0}},
        {"write", "", 0x01, SIZE_MAX, {1, 0, 0}},
        {"corrupted word", "", -1, 100, {3, 0, 0, 100, 100 ^ 0x5A, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StartSystem(c.keys);
        IoFault fault(drives_->Boot(), c.failOpcode, c.corruptWord);
        platform::ScopedBackends keep;
        platform::InstallBackend("emu:drive1", std::shared_ptr<platform::DeviceBackend>(&fault, [](auto*) {}), false);
        int sub = -1;
        EXPECT_FALSE(VP_PROC_RWTest(0, work_.data(), &sub));
        EXPECT_EQ(sub, static_cast<int>(c.words[0]));
        for (std::size_t i = 0; i < c.words.size(); ++i) EXPECT_EQ(transport::GetLe32(&work_[4 * i]), c.words[i]) << i;
    }
}

TEST_F(RwTestE2e, DrivesOfTwoTebibytesAndMoreAreSampledAcrossTheirSize) {
    StartSystem("CapacityMB=4194304");  // 4 TiB: an interval of 257 GiB, positions past 32 bits
    int sub = -1;
    ASSERT_TRUE(VP_PROC_RWTest(0, work_.data(), &sub));
    const auto samples = Samples();
    ASSERT_EQ(samples.size(), 16u);
    EXPECT_EQ(samples[1], "######### - VP_PROC_RWTest - wGB_No is 257, dwStartLBA is 538968064\n");
    EXPECT_EQ(samples[15], "######### - VP_PROC_RWTest - wGB_No is 3855, dwStartLBA is -505413632\n");
}

}  // namespace

namespace {

// A second download without pre-format takes the tables, the later-bad pages and the system page's
// bitmap from the drive's own loader block; with debug dumps on, the code pages are read back.
TEST_F(DownloadE2e, DownloadOnlyCarriesTheDrivesOwnTables) {
    ASSERT_TRUE(VP_PROC_DownloadProgram(0, work_.data(), kSerial, ""));
    const Bytes defect = *Peek(3, 1, 0, 8);
    const Bytes laterBad = *Peek(3, 1, 0, 44);
    AP_INIState.dwItemEnable[7] = 0;
    std::fill(bitmap_.begin(), bitmap_.end(), 0x77);  // left by a pre-format of another drive
    std::fill(remap_.begin(), remap_.end(), 0);
    platform::SetProgramFolder(folder_.Path());
    AP_RDSetting.DumpDebugFile = 1;
    ASSERT_TRUE(VP_PROC_DownloadProgram(0, work_.data(), "SN-SECOND", ""));
    AP_RDSetting.DumpDebugFile = 0;
    EXPECT_EQ(*Peek(3, 1, 0, 8), defect);
    EXPECT_EQ(*Peek(3, 1, 1, 44), laterBad);
    EXPECT_EQ((*Peek(0, 0, 1, 37))[5120], 0x3C);
    ASSERT_TRUE(VP_PROC_GetSerialNumber(0, work_.data(), 0));
    EXPECT_EQ(std::string(AP_Instance[0].sInheritSerialNum), "SN-SECOND           ");
    // One raw file per die, block, copy and part, each of the part's pages.
    const auto upload = folder_.Path() / "raw" / "[0]UP_3_1_1_4_2.raw";
    ASSERT_TRUE(std::filesystem::exists(upload));
    EXPECT_EQ(std::filesystem::file_size(upload), 3 * kPage);
}

// A second run of download without pre-format: the loader blocks come from the search of the
// previous MP code block (its info page and parameter page) on the drive the first run downloaded,
// not from the settings; the download carries the old tables and bitmap and the drive boots.
TEST_F(DownloadE2e, SecondRunFindsThePreviousLoaderBlocksAndBootsWithTheOldTables) {
    Start("Sectors=4194304");
    ASSERT_TRUE(VP_PROC_DownloadProgram(0, work_.data(), kSerial, ""));
    ASSERT_TRUE(VP_JumpToSystem(0, work_.data()));
    ASSERT_TRUE(drives_->LastBoot(0).booted);
    const Bytes defect = *Peek(3, 1, 0, 8);
    const Bytes laterBad = *Peek(3, 1, 0, 44);

    // The second run: the diagnostic firmware again, nothing left of the first run's loader blocks.
    ASSERT_TRUE(VP_EnableVendorCmd(0, 1));
    ASSERT_TRUE(VP_LoadGDPFromFile(0, 1, 0));
    ASSERT_TRUE(VP_EnableVendorCmd(0, 1));
    AP_INIState.ToolMode = 0;
    AP_INIState.EnInheritFW = 0;
    AP_INIState.dwItemEnable[7] = 0;
    AP_INIState.dwItemEnable[8] = 1;
    std::fill(bitmap_.begin(), bitmap_.end(), 0x77);  // left by a pre-format of another drive
    std::fill(remap_.begin(), remap_.end(), 0);
    for (auto& ch : AP_Instance[0].aLoaderBlockNo) {
        for (auto& bank : ch) bank[0] = bank[1] = 7;
    }
    AP_Instance[0].ucLoaderBlockNum = 0;
    trace_.Clear();
    ASSERT_TRUE(VP_PROC_GetLoaderBlock(0, work_.data(), 0));
    EXPECT_TRUE(trace_.Contains("######### - Try to find last MP code block\n"));
    EXPECT_EQ(AP_Instance[0].ucLoaderBlockNum, 2);
    for (int ch = 0; ch < 8; ++ch) {
        for (int bank = 0; bank < 4; ++bank) {
            for (int k = 0; k < 2; ++k) {
                const int expect = ch < 4 && bank < 2 ? k : 0xFFFF;
                EXPECT_EQ(AP_Instance[0].aLoaderBlockNo[ch][bank][k], expect) << ch << "," << bank << "," << k;
            }
        }
    }

    ASSERT_TRUE(VP_PROC_DownloadProgram(0, work_.data(), "SN-SECOND", ""));
    EXPECT_EQ(*Peek(3, 1, 0, 8), defect);
    EXPECT_EQ(*Peek(3, 1, 1, 44), laterBad);
    EXPECT_EQ((*Peek(0, 0, 1, 37))[5120], 0x3C) << "the drive's own bitmap";
    ASSERT_TRUE(VP_JumpToSystem(0, work_.data()));
    EXPECT_EQ(VP_GetCurrentMode(0), kModeSystem);
    const emu::BootReport boot = drives_->LastBoot(0);
    EXPECT_TRUE(boot.booted);
    EXPECT_EQ(boot.program, emu::Program::System);
    EXPECT_EQ(boot.copy, 0);
    EXPECT_EQ(boot.system.defectPages, 4);
    EXPECT_EQ(boot.system.earlyPages, 4);
    EXPECT_EQ(boot.system.remapPages, 4);
    Bytes identify(kIdentifyBytes);
    ASSERT_TRUE(VP_Identify(0, identify.data(), 1));
    EXPECT_EQ(Text(identify, 4, 20), "SN-SECOND           ");
    std::int32_t sub = -1;
    EXPECT_TRUE(VP_PROC_CheckTables(0, work_.data(), &sub));
}

}  // namespace

namespace {

// After a download the ROM boots copy 0 of the system firmware from the first die; the firmware
// shows the identity written and the page's capacity; the read/write test and the table check
// pass; an unreadable code page of copy 0 boots copy 1, broken loader blocks of the first die the
// next die. Then the second run reads the same counts and serial in both modes.
TEST_F(DownloadE2e, TheWrittenLoaderBlockBoots) {
    struct Case {
        int allDie, planes, luns;
    };
    for (const Case& c : {Case{0, 4, 1}, Case{1, 4, 1}, Case{1, 2, 1}, Case{0, 4, 2}}) {
        const int allDie = c.allDie;
        SCOPED_TRACE(testing::Message() << "all-die " << allDie << ", planes " << c.planes << ", LUNs " << c.luns);
        Start("Sectors=4194304\nFlashPlanes=" + std::to_string(c.planes) + "\nFlashLuns=" + std::to_string(c.luns));
        AP_FlashSet.ucPlanes = static_cast<std::uint8_t>(c.planes);
        if (c.luns == 2) {
            // Two LUNs per CE: the dies of LUN 0 carry the loader blocks.
            AP_FlashSet.ucDiePerCE = 2;
            AP_FlashSet.wBlocks = 4032;
            for (int ch = 0; ch < 4; ++ch) {
                for (int ce = 0; ce < 2; ++ce) {
                    for (int lun = 0; lun < 2; ++lun) AP_INIState.bDieStatusMultiLun[ch][ce][lun] = 1;
                }
            }
            fn_ProcessDieRemap();
        }
        AP_INIState.EnWritePageToAllDie = static_cast<std::uint8_t>(allDie);
        ASSERT_TRUE(VP_PROC_DownloadProgram(0, work_.data(), kSerial, ""));
        ASSERT_TRUE(VP_JumpToSystem(0, work_.data()));
        EXPECT_EQ(VP_GetCurrentMode(0), kModeSystem);
        emu::BootReport boot = drives_->LastBoot(0);
        EXPECT_TRUE(boot.booted);
        EXPECT_EQ(boot.program, emu::Program::System);
        EXPECT_EQ(boot.channel, 0);
        EXPECT_EQ(boot.ce, 0);
        EXPECT_EQ(boot.block, 0);
        EXPECT_EQ(boot.copy, 0);
        EXPECT_EQ(boot.partsLoaded, 6);
        Bytes identify(kIdentifyBytes);
        ASSERT_TRUE(VP_Identify(0, identify.data(), 1));
        EXPECT_EQ(Text(identify, 4, 20), "SN-E2E-0001         ");
        EXPECT_EQ(Text(identify, 24, 17), "QV NVMe SSD 512GB");
        EXPECT_EQ(Text(identify, 64, 8), "QVF10001");
        EXPECT_EQ(VP_GetCapacityMB(0), 1000215216U / 2048U);
        EXPECT_EQ(boot.system.defectPages, 4);
        EXPECT_EQ(boot.system.earlyPages, 4);
        EXPECT_EQ(boot.system.remapPages, 4);

        std::int32_t sub = -1;
        EXPECT_TRUE(VP_PROC_CheckTables(0, work_.data(), &sub));
        EXPECT_EQ(trace_.Lines().back(), "######### - [0]VP_PROC_CheckTables pass!\n");
        EXPECT_TRUE(VP_PROC_RWTest(0, work_.data(), &sub));

        // Second run: the same counts and serial number from the system firmware and from the flash.
        ASSERT_EQ(VP_PROC_GetEraseCount(0, work_.data(), 1), 1);
        // The 504 block units of a die (the firmware reports 0xFFFFFFFF past them).
        const Bytes systemCounts(counts_.begin(), counts_.begin() + 4 * 504);
        ASSERT_TRUE(VP_PROC_GetSerialNumber(0, work_.data(), 1));
        const std::string systemSerial = AP_Instance[0].sInheritSerialNum;
        ASSERT_TRUE(VP_EnableVendorCmd(0, 1));
        ASSERT_TRUE(VP_LoadGDPFromFile(0, 1, 0));
        ASSERT_TRUE(VP_EnableVendorCmd(0, 1));
        std::fill(counts_.begin(), counts_.end(), 0);
        ASSERT_EQ(VP_PROC_GetEraseCount(0, work_.data(), 0), 1);
        EXPECT_EQ(Bytes(counts_.begin(), counts_.begin() + 4 * 504), systemCounts);
        ASSERT_TRUE(VP_PROC_GetSerialNumber(0, work_.data(), 0));
        EXPECT_EQ(std::string(AP_Instance[0].sInheritSerialNum), systemSerial);

        // A broken code page of copy 0 boots copy 1; both blocks of the first die broken, the next die.
        Nand().InjectUncorrectable({0, 0, 0, 0, 88});
        ASSERT_TRUE(VP_JumpToSystem(0, work_.data()));
        boot = drives_->LastBoot(0);
        EXPECT_EQ(boot.copy, 1);
        EXPECT_EQ(boot.block, 0);
        Nand().InjectUncorrectable({0, 0, 0, 0, 0});
        Nand().InjectUncorrectable({0, 0, 0, 1, 0});
        ASSERT_TRUE(VP_EnableVendorCmd(0, 1));
        ASSERT_TRUE(VP_LoadGDPFromFile(0, 1, 0));
        ASSERT_TRUE(VP_EnableVendorCmd(0, 1));
        ASSERT_TRUE(VP_JumpToSystem(0, work_.data()));
        boot = drives_->LastBoot(0);
        EXPECT_TRUE(boot.booted);
        EXPECT_EQ(boot.channel, 0);
        EXPECT_EQ(boot.ce, 1) << "the next die in channel, CE order";
        EXPECT_EQ(boot.copy, 0);
    }
}

}  // namespace

namespace {

// The table check reads the loader block the system firmware finds first: an unreadable page is
// passed over, a page without its header fails with its index, remap pages only with RemapEnable.
TEST_F(DownloadE2e, CheckTablesPassesOverUnreadablePagesAndNamesAWrongOne) {
    struct Case {
        const char* name;
        int wrongPage;   // pre-format image page given no header (-1: none)
        int unreadable;  // loader-block index made unreadable on the examined block (-1: none)
        std::uint8_t remap;
        bool pass;
        int failIndex;
    };
    const Case cases[] = {{"all headers", -1, 13, 1, true, 0},
                          {"defect page of channel 1", 6, -1, 1, false, 6},
                          {"remap pages of 0x5A, not read", -1, -1, 0, true, 0},
                          {"remap pages of 0x5A, read", -1, -1, 2, false, 21}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start("");
        AP_RDSetting.NoCheckTablesBeforeDownloadCode = 1;
        AP_INIState.RemapEnable = c.remap == 1 ? 1 : 0;
        if (c.wrongPage >= 0) remap_[static_cast<std::size_t>(c.wrongPage - 5) * kPage] ^= 0xFF;
        ASSERT_TRUE(VP_PROC_DownloadProgram(0, work_.data(), kSerial, ""));
        if (c.unreadable >= 0) Nand().InjectUncorrectable({0, 0, 0, 0, c.unreadable});
        if (c.remap == 2) AP_INIState.RemapEnable = 1;
        std::int32_t sub = -1;
        trace_.Clear();
        EXPECT_EQ(VP_PROC_CheckTables(0, work_.data(), &sub), c.pass);
        if (c.pass) {
            EXPECT_EQ(sub, -1);
            EXPECT_EQ(trace_.Lines().back(), "######### - [0]VP_PROC_CheckTables pass!\n");
        } else {
            EXPECT_EQ(sub, 1);
            EXPECT_EQ(work_[0], c.failIndex);
            EXPECT_EQ(trace_.Lines().back(),
                      "######### - [0]VP_PROC_CheckTables fail! - Page " + std::to_string(c.failIndex) + "\n");
        }
    }
    // No loader block at all (the ROM boots the firmware the drive was set up with).
    Start("FlashFirmware=system");
    ASSERT_TRUE(VP_JumpToSystem(0, work_.data()));
    std::int32_t sub = -1;
    trace_.Clear();
    EXPECT_FALSE(VP_PROC_CheckTables(0, work_.data(), &sub));
    EXPECT_EQ(sub, -1);
    EXPECT_EQ(trace_.Lines().back(), "######### - [0]VP_PROC_CheckTables fail! - Can't find valid loader block!\n");
}

}  // namespace

namespace {

// Four drives downloaded at once, one worker thread each, every one booting with its own serial.
TEST_F(DownloadE2e, FourDrivesAtOnceBootWithTheirOwnSerials) {
    drives_.reset();
    drives_ = std::make_unique<EmulatedDrives>(std::vector<std::string>(4, "Sectors=4194304"));
    ASSERT_EQ(drives_->Error(), "");
    AP_INIState = AP_INIState_t{};
    AP_FlashSet = AP_FlashSet_t{};
    for (int port = 0; port < 4; ++port) {
        ASSERT_TRUE(VP_EnableVendorCmd(port, 1));
        ASSERT_TRUE(VP_LoadGDPFromFile(port, 1, 0));
        ASSERT_TRUE(VP_EnableVendorCmd(port, 1));
    }
    Configure();
    struct PortBuffers {
        Bytes remap, bitmap, counts, work;
    };
    std::vector<PortBuffers> buffers(4);
    for (int port = 0; port < 4; ++port) {
        loader_test::LoadLoaderDrive(port);
        auto& b = buffers[static_cast<std::size_t>(port)];
        b.remap = remap_;
        b.bitmap.assign(kTablePageBufSize, static_cast<std::uint8_t>(port));
        b.counts.assign(kEraseCountBufSize, 0);
        b.work.assign(kLoaderPageBufBytes, 0);
        AP_Instance[port].pRemapTableBuf = b.remap.data();
        AP_Instance[port].pTablePageBuf = b.bitmap.data();
        AP_Instance[port].pEraseCountBuf = b.counts.data();
    }
    AP_INIState.RemapEnable = 1;
    AP_INIState.dwItemEnable[7] = 1;
    std::vector<std::string> serials = {"SN-PORT-0", "SN-PORT-1", "SN-PORT-2", "SN-PORT-3"};
    std::vector<int> results(4, -1);
    std::vector<std::thread> workers;
    for (int port = 0; port < 4; ++port) {
        workers.emplace_back([&, port] {
            auto& b = buffers[static_cast<std::size_t>(port)];
            results[static_cast<std::size_t>(port)] =
                VP_PROC_DownloadProgram(port, b.work.data(), serials[static_cast<std::size_t>(port)].c_str(), "") &&
                VP_JumpToSystem(port, b.work.data());
        });
    }
    for (auto& w : workers) w.join();
    for (int port = 0; port < 4; ++port) {
        SCOPED_TRACE(port);
        EXPECT_EQ(results[static_cast<std::size_t>(port)], 1);
        EXPECT_EQ(drives_->LastBoot(port).copy, 0);
        Bytes identify(kIdentifyBytes);
        ASSERT_TRUE(VP_Identify(port, identify.data(), 1));
        EXPECT_EQ(Text(identify, 4, 9), serials[static_cast<std::size_t>(port)]);
        EXPECT_EQ(AP_Bins_Instance[port].ucCodeCnt, 5);
    }
    EXPECT_EQ(AP_Bins.ucCodeCnt, 5);
    for (int port = 0; port < 4; ++port) AP_Instance[port] = AP_Instance_t{};
}

}  // namespace

namespace {

// With the erase counts and the SMART log kept, a second download carries them and the rebooted
// firmware reports those counts and continues the SMART counters (power cycles one more).
TEST_F(DownloadE2e, KeptEraseCountsAndSmartLogSurviveTheNextDownload) {
    ASSERT_TRUE(VP_PROC_DownloadProgram(0, work_.data(), kSerial, ""));
    ASSERT_TRUE(VP_JumpToSystem(0, work_.data()));
    ASSERT_EQ(VP_PROC_GetEraseCount(0, work_.data(), 1), 1);
    transport::PutLe32(&counts_[4 * 7], 42);  // as a drive that had worked would report
    const Bytes kept(counts_.begin(), counts_.begin() + 4 * 504);
    Bytes smart(kIdentifyBytes);
    ASSERT_TRUE(VP_GetSmartLog(0, smart.data()));
    Bytes smartLog(smart.begin(), smart.begin() + kSmartLogBufSize);
    AP_Instance[0].pSmartLogBuf = smartLog.data();
    const std::uint64_t cycles = transport::GetLe64(&smart[112]);

    AP_INIState.EnKeepEraseCount = 1;
    AP_INIState.EnKeepSmartInfo = 1;
    AP_INIState.dwItemEnable[7] = 0;
    ASSERT_TRUE(VP_EnableVendorCmd(0, 1));
    ASSERT_TRUE(VP_LoadGDPFromFile(0, 1, 0));
    ASSERT_TRUE(VP_EnableVendorCmd(0, 1));
    ASSERT_TRUE(VP_PROC_DownloadProgram(0, work_.data(), kSerial, ""));
    ASSERT_TRUE(VP_JumpToSystem(0, work_.data()));
    EXPECT_TRUE(drives_->LastBoot(0).system.smartKept);
    ASSERT_EQ(VP_PROC_GetEraseCount(0, work_.data(), 1), 1);
    EXPECT_EQ(Bytes(counts_.begin(), counts_.begin() + 4 * 504), kept);
    ASSERT_TRUE(VP_GetSmartLog(0, smart.data()));
    EXPECT_EQ(transport::GetLe64(&smart[112]), cycles + 1);
    AP_Instance[0].pSmartLogBuf = nullptr;
}

}  // namespace

namespace {

// Grown bad blocks the firmware recorded in its later-bad pages are inherited by a pre-format in
// mode 4 and avoided by the firmware booted from the next download.
TEST_F(DownloadE2e, GrownBadBlocksReachTheNextTables) {
    Start("BadBlocks=2:1:0:81\n");
    Bytes aux(kRemapAuxBufSize);
    AP_Instance[0].pRemapAuxBuf = aux.data();
    AP_INIState.DefPercentage = 100;
    AP_INIState.bDieNumCount = 8;
    AP_INIState.bVirCntPerDie = 1;
    AP_FlashSet.wDieUnit = 504;
    ASSERT_TRUE(VP_InitGDP(0, work_.data()));
    ASSERT_TRUE(VP_PROC_Preformat(0, work_.data(), 0));
    ASSERT_TRUE(VP_PROC_DownloadProgram(0, work_.data(), kSerial, ""));
    ASSERT_TRUE(VP_JumpToSystem(0, work_.data()));
    const auto first = drives_->LastBoot(0).system.badUnits;
    EXPECT_NE(std::find(first.begin(), first.end(), emu::BadUnit{2, 1, 0, 20}), first.end()) << "factory bad";
    std::string why;
    ASSERT_TRUE(drives_->System(0).RecordGrownBad({{1, 0, 0, 161, 3}}, &why)) << why;

    ASSERT_TRUE(VP_EnableVendorCmd(0, 1));
    ASSERT_TRUE(VP_LoadGDPFromFile(0, 1, 0));
    ASSERT_TRUE(VP_EnableVendorCmd(0, 1));
    ASSERT_TRUE(VP_InitGDP(0, work_.data()));
    ASSERT_TRUE(VP_PROC_Preformat(0, work_.data(), 4));
    ASSERT_TRUE(VP_PROC_DownloadProgram(0, work_.data(), kSerial, ""));
    ASSERT_TRUE(VP_JumpToSystem(0, work_.data()));
    const auto next = drives_->LastBoot(0).system.badUnits;
    EXPECT_NE(std::find(next.begin(), next.end(), emu::BadUnit{1, 0, 0, 40}), next.end()) << "grown";
    EXPECT_NE(std::find(next.begin(), next.end(), emu::BadUnit{2, 1, 0, 20}), next.end()) << "factory bad";
    AP_Instance[0].pRemapAuxBuf = nullptr;
}

}  // namespace

namespace {

// A serial number of spaces is still inherited from the system firmware; erasing every valid code
// block leaves no loader block to boot or read.
TEST_F(DownloadE2e, SpacesSerialAndErasingTheValidCodeBlocks) {
    ASSERT_TRUE(VP_PROC_DownloadProgram(0, work_.data(), "", ""));
    ASSERT_TRUE(VP_JumpToSystem(0, work_.data()));
    ASSERT_TRUE(VP_PROC_GetSerialNumber(0, work_.data(), 1));
    EXPECT_EQ(std::string(AP_Instance[0].sInheritSerialNum), std::string(20, ' '));
    EXPECT_EQ(trace_.Lines().back(), "######### - SN_INPUT_MODE_INHERIT_SN - SYS - " + std::string(20, ' ') + "\n");

    ASSERT_TRUE(VP_EnableVendorCmd(0, 1));
    ASSERT_TRUE(VP_LoadGDPFromFile(0, 1, 0));
    ASSERT_TRUE(VP_EnableVendorCmd(0, 1));
    ASSERT_TRUE(VP_PROC_EraseValidLoaderBlock(0, work_.data()));
    for (int ch = 0; ch < 4; ++ch) {
        for (int ce = 0; ce < 2; ++ce) {
            EXPECT_FALSE(Peek(ch, ce, 0, 88));
            EXPECT_FALSE(Peek(ch, ce, 1, 88));
        }
    }
    EXPECT_FALSE(VP_PROC_GetSerialNumber(0, work_.data(), 0));
    EXPECT_EQ(AP_Instance[0].sInheritSerialNum[0], '\0');
    EXPECT_EQ(VP_PROC_GetEraseCount(0, work_.data(), 0), 0);
}

}  // namespace
