// The state a drive keeps between program runs: the file's codec, and the bay that writes it at
// its release and reads it at its load.
#include "emu/drive_state.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "emu/bay.h"
#include "emu/nvme_controller.h"
#include "platform/files.h"
#include "platform/trace_sink.h"

namespace {

namespace fs = std::filesystem;
using emu::Program;
using Bytes = std::vector<std::uint8_t>;

emu::FlashGeometry Small() {
    return {.channels = 2, .ces = 2, .luns = 1, .blocks = 16, .pages = 8, .pageSectors = 1, .planes = 2};
}

std::shared_ptr<const Bytes> Content(std::uint8_t fill, std::size_t n = 512) {
    return std::make_shared<const Bytes>(n, fill);
}

emu::DriveState Sample() {
    emu::DriveState s;
    s.geometry = Small();
    s.flashProgram = Program::System;
    s.smart.sectorsWritten = 1234;
    s.smart.powerCycles = 7;
    s.failureCounts = {1, 2, 3};
    s.uartLog = "[SYS] boot\n";
    s.namespaceChunks.emplace_back(5, Bytes(4096, 0x11));
    const auto shared = Content(0xA5);
    s.blocks.push_back({0, 1, 0, 3, 4, {{0, shared, 2, 1}, {6, Content(0x3C, 100), 1, 0}}});
    s.blocks.push_back({1, 0, 0, 15, 1, {{2, shared, 2, 1}}});
    s.failures.push_back({1, 1, 0, 9, emu::NandModel::Failure::Erase});
    return s;
}

TEST(DriveState, RoundTripsWithEachPageContentOnce) {
    const emu::DriveState s = Sample();
    const std::string bytes = emu::EncodeDriveState(s);
    std::string why;
    const auto back = emu::DecodeDriveState(bytes, &why);
    ASSERT_TRUE(back) << why;
    EXPECT_EQ(back->flashProgram, Program::System);
    EXPECT_EQ(back->smart.sectorsWritten, 1234u);
    EXPECT_EQ(back->smart.powerCycles, 7u);
    EXPECT_EQ(back->failureCounts, (emu::NandModel::FailureCounts{1, 2, 3}));
    EXPECT_EQ(back->uartLog, s.uartLog);
    EXPECT_EQ(back->namespaceChunks, s.namespaceChunks);
    ASSERT_EQ(back->blocks.size(), 2u);
    EXPECT_EQ(back->blocks[0].eraseCount, 4u);
    EXPECT_EQ(*back->blocks[0].pages[1].data, Bytes(100, 0x3C));
    EXPECT_EQ(back->blocks[0].pages[0].data, back->blocks[1].pages[0].data) << "one content, shared";
    EXPECT_EQ(back->blocks[1].pages[0].ldpcRate, 2);
    EXPECT_EQ(back->failures, s.failures);
    // Two pages of one content: the second costs its 12-byte page entry only.
    emu::DriveState distinct = s;
    distinct.blocks[1].pages[0].data = Content(0xA5);
    EXPECT_EQ(emu::EncodeDriveState(distinct).size(), bytes.size() + 4 + 512);
}

TEST(DriveState, MangledFilesDoNotLoad) {
    const std::string good = emu::EncodeDriveState(Sample());
    for (std::size_t n = 0; n < good.size(); n += 7) {
        EXPECT_FALSE(emu::DecodeDriveState(good.substr(0, n), nullptr)) << "cut at " << n;
    }
    struct Case {
        const char* name;
        void (*mangle)(emu::DriveState&);
        const char* why;
    };
    const Case cases[] = {
        {"geometry", [](emu::DriveState& s) { s.geometry.planes = 0; }, "geometry"},
        {"block outside", [](emu::DriveState& s) { s.blocks[0].block = 16; }, "outside"},
        {"page outside", [](emu::DriveState& s) { s.blocks[0].pages[1].page = 8; }, "outside"},
        {"page twice", [](emu::DriveState& s) { s.blocks[0].pages[1].page = 0; }, "twice"},
        {"block twice", [](emu::DriveState& s) { s.blocks[1] = s.blocks[0]; }, "twice"},
        {"page content too long", [](emu::DriveState& s) { s.blocks[0].pages[1].data = Content(1, 513); }, "longer"},
        {"failure type", [](emu::DriveState& s) { s.failures[0].type = emu::NandModel::Failure{3}; }, "type"},
        {"failure outside", [](emu::DriveState& s) { s.failures[0].lun = 1; }, "outside"},
        {"flash program", [](emu::DriveState& s) { s.flashProgram = Program{0}; }, "program"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        emu::DriveState s = Sample();
        c.mangle(s);
        std::string why;
        EXPECT_FALSE(emu::DecodeDriveState(emu::EncodeDriveState(s), &why));
        EXPECT_NE(why.find(c.why), std::string::npos) << why;
    }
    std::string why;
    EXPECT_FALSE(emu::DecodeDriveState(good + '\0', &why));
    EXPECT_EQ(why, "bytes follow the state");
    std::string version = good;
    version[8] = 2;
    EXPECT_FALSE(emu::DecodeDriveState(version, &why));
    EXPECT_EQ(why, "the file's version is not 1");
    std::string counted = good;
    counted[counted.size() - 9] = 0x7F;  // the failure count's high byte
    EXPECT_FALSE(emu::DecodeDriveState(counted, &why));
}

class KeptBay : public ::testing::Test {
  protected:
    KeptBay() : folder_(fs::temp_directory_path() / ("qv_kept_bay_" + std::to_string(::getpid()))) {
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        Write("bay.ini", Ini("KeepState=1", "FlashBlocks=16"));
    }
    ~KeptBay() override { fs::remove_all(folder_); }

    static std::string Ini(const std::string& keep, const std::string& blocks, const std::string& more = "") {
        return "[Bay]\n" + keep +
               "\n[RootHub1]\nBus=1\nPorts=2\n[Drive1]\nId=1-1\nFlashChannels=2\nFlashCEs=2\nFlashLuns=1\n" + blocks +
               "\nFlashPages=8\nFlashPageSectors=1\nFlashPlanes=2\nFlashFirmware=system\n" + more;
    }
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(folder_ / name, std::ios::binary) << text;
    }
    std::shared_ptr<emu::Bay> Load() {
        std::string error;
        auto bay = emu::Bay::Load(folder_, &error);
        EXPECT_TRUE(bay) << error;
        return bay;
    }
    static emu::NvmeController& Controller(emu::Bay& bay) {
        return dynamic_cast<emu::NvmeController&>(*bay.FindDrive("Drive1")->GetBridge().GetController());
    }
    fs::path StateFile() const { return folder_ / "state" / "drive1.bin"; }

    fs::path folder_;
};

TEST_F(KeptBay, ADriveFindsWhatTheLastProgramLeftAndStartsAsAfterAPowerCycle) {
    Bytes page(512, 0x6D), sector(512, 0x42);
    std::uint64_t cycles = 0;
    {
        auto bay = Load();
        ASSERT_TRUE(bay->KeepsState());
        emu::NvmeController& c = Controller(*bay);
        EXPECT_EQ(c.Core().Running(), Program::Loader) << "no state yet";
        emu::NandModel& nand = *c.KeptNand();
        ASSERT_EQ(nand.Program({1, 0, 0, 5, 2}, page, 2, 1), emu::NandResult::Ok);
        ASSERT_EQ(nand.Erase(0, 1, 0, 7), emu::NandResult::Ok);
        ASSERT_EQ(nand.Erase(0, 1, 0, 7), emu::NandResult::Ok);
        nand.InjectEraseFailure(1, 1, 0, 9);
        ASSERT_EQ(nand.Erase(1, 1, 0, 9), emu::NandResult::EraseFailed);
        bay->PowerOn("Drive1", false);
        c.Namespace().Write(16, sector);
        c.Smart().sectorsWritten = 77;
        cycles = c.Smart().powerCycles;
        bay->Release();
    }
    ASSERT_TRUE(fs::exists(StateFile()));

    auto bay = Load();
    emu::NvmeController& c = Controller(*bay);
    EXPECT_EQ(c.Core().Running(), Program::System) << "its flash program, started by the power-on";
    emu::NandModel& nand = *c.KeptNand();
    EXPECT_EQ(nand.Peek({1, 0, 0, 5, 2}), page);
    Bytes out(512);
    EXPECT_EQ(nand.Read({1, 0, 0, 5, 2}, out, 2, 1), emu::NandResult::Ok) << "rate and scrambler kept";
    EXPECT_EQ(nand.EraseCount(0, 1, 0, 7), 2u);
    EXPECT_EQ(nand.ServedFailures(),
              (std::vector<emu::NandModel::ServedFailure>{{1, 1, 0, 9, emu::NandModel::Failure::Erase}}));
    EXPECT_FALSE(nand.HasWriteFault(1, 1, 0, 9)) << "injected faults come from bay.ini, not the state";
    c.Namespace().Read(16, out);
    EXPECT_EQ(out, sector);
    EXPECT_EQ(c.Smart().sectorsWritten, 77u);
    EXPECT_EQ(c.Smart().powerCycles, cycles + 1);
    const std::string log = c.KeptSystem()->Uart().Text();
    const std::string start = "[SYS] start without a loader block\n";
    ASSERT_NE(log.find(start), std::string::npos);
    EXPECT_NE(log.find(start, log.find(start) + 1), std::string::npos) << "the old start's lines and the new one's";
}

TEST_F(KeptBay, AStateThatDoesNotLoadIsTracedAndTheDriveStartsFresh) {
    {
        auto bay = Load();
        ASSERT_EQ(Controller(*bay).KeptNand()->Erase(0, 0, 0, 1), emu::NandResult::Ok);
        ASSERT_TRUE(bay->SaveState());
    }
    const auto good = platform::ReadWholeFile(StateFile());
    ASSERT_TRUE(good);
    struct Case {
        const char* name;
        std::string file, ini, why;
    };
    const Case cases[] = {
        {"mangled", good->substr(0, good->size() - 3), Ini("KeepState=1", "FlashBlocks=16"), "cut short"},
        {"another flash", *good, Ini("KeepState=1", "FlashBlocks=32"), "geometry is not the drive's"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Write("state/drive1.bin", c.file);
        Write("bay.ini", c.ini);
        platform::TraceCapture trace;
        auto bay = Load();
        EXPECT_TRUE(trace.Contains("drive1.bin does not load")) << trace.Text();
        EXPECT_TRUE(trace.Contains(c.why)) << trace.Text();
        EXPECT_TRUE(trace.Contains("Drive1 starts fresh"));
        EXPECT_EQ(Controller(*bay).KeptNand()->EraseCount(0, 0, 0, 1), 0u);
        EXPECT_EQ(Controller(*bay).Core().Running(), Program::Loader);
    }
}

TEST_F(KeptBay, WithoutKeepStateNothingIsReadOrWritten) {
    {
        auto bay = Load();
        Controller(*bay).KeptNand()->Erase(0, 0, 0, 1);
        ASSERT_TRUE(bay->SaveState());
    }
    Write("bay.ini", Ini("KeepState=0", "FlashBlocks=16"));
    fs::remove(StateFile());
    {
        auto bay = Load();
        EXPECT_FALSE(bay->KeepsState());
        bay->Release();
    }
    EXPECT_FALSE(fs::exists(StateFile()));
}

TEST_F(KeptBay, BayKeysAndTheUartLogFile) {
    Write("bay.ini", Ini("KeepState=yes", "FlashBlocks=16"));
    std::string error;
    EXPECT_FALSE(emu::Bay::Load(folder_, &error));
    EXPECT_EQ(error, "[Bay] KeepState=yes is not 0 or 1");

    Write("bay.ini", Ini("KeepState=0", "FlashBlocks=16", "UartLogFile=boot.txt\n"));
    EXPECT_FALSE(emu::Bay::Load(folder_, &error));
    EXPECT_NE(error.find("boot.txt cannot be read"), std::string::npos) << error;
    Write("boot.txt", "ROM 1.0\n");
    auto bay = Load();
    emu::NvmeController& c = Controller(*bay);
    EXPECT_EQ(c.KeptSystem()->Uart().Text(), "ROM 1.0\n");
    c.PowerOn(false);
    EXPECT_EQ(c.KeptSystem()->Uart().Text().rfind("ROM 1.0\n[SYS] start", 0), 0u);
}

}  // namespace
