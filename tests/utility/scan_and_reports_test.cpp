// The device scan over a bay of emulated drives, with the bus words of the listing replaced where a
// case needs them, the per-port pool and the saved reports' folders, names and bytes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "emu/bay.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/trace_sink.h"
#include "transport/port_instance.h"
#include "utility/device_scan.h"
#include "utility/device_state.h"
#include "utility/program_setup.h"
#include "utility/report_files.h"
#include "transport/trace.h"

namespace {

using namespace vellumin;
namespace fs = std::filesystem;

// The bay's devices, listed with the bus words a case gives (an empty list keeps the bay's own).
class BusWords : public platform::DeviceBackend {
  public:
    BusWords(std::shared_ptr<emu::Bay> bay, std::vector<std::string> words) : bay_(std::move(bay)), words_(std::move(words)) {}
    platform::PassThroughResult PassThrough(std::string_view path, std::span<const std::uint8_t> cdb,
                                            platform::DataDirection direction, std::span<std::uint8_t> data,
                                            unsigned timeout) override {
        return bay_->PassThrough(path, cdb, direction, data, timeout);
    }
    platform::DiskNumberResult DiskNumber(std::string_view path) override { return bay_->DiskNumber(path); }
    std::vector<platform::DiskEntry> ListDisks() override {
        auto disks = bay_->ListDisks();
        for (std::size_t i = 0; i < disks.size() && i < words_.size(); ++i) disks[i].bus = words_[i];
        return disks;
    }

  private:
    std::shared_ptr<emu::Bay> bay_;
    std::vector<std::string> words_;
};

struct ScanCase {
    const char* name;
    std::vector<std::string> drives;  // extra keys of each drive
    std::vector<std::string> words;   // bus words of the listing (empty: the bay's)
    int rows;
    std::vector<int> listedDrives;  // drive index (0-based) of each row
};

std::vector<DeviceRow> Scan(const ScanCase& c, std::shared_ptr<emu::Bay>* keep = nullptr) {
    std::string ini = "[RootHub1]\nBus=1\nSpeed=usb3\nPorts=2\n[Hub1]\nId=1-1\nPorts=31\n";
    for (std::size_t i = 0; i < c.drives.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        ini += "[Drive" + n + "]\nId=1-1." + n + "\nBridge=jmicron\nProgram=system\nSectors=1953525168\nSerial=S" +
               n + "\n" + c.drives[i] + "\n";
    }
    std::string error;
    auto config = emu::ParseBayConfig(ini, &error);
    EXPECT_TRUE(config) << error;
    if (!config) return {};
    auto bay = emu::Bay::Create(std::move(*config));
    platform::InstallBackend("emu:", std::make_shared<BusWords>(bay, c.words), true);
    if (keep != nullptr) *keep = bay;
    return ScanDevices();
}

TEST(DeviceScan, CaseTable) {
    platform::ScopedBackends backends;
    platform::VirtualClock clock;
    platform::ScopedClock useClock(clock);
    platform::TraceCapture trace;
    const std::vector<ScanCase> cases = {
        {"usb", {"", ""}, {}, 2, {0, 1}},
        {"scsi through uas, then usb", {"Transport=uas", ""}, {}, 2, {0, 1}},
        {"both words: scsi first, still listed", {""}, {"scsi usb"}, 1, {0}},
        {"neither word: probed, not listed", {"", ""}, {"", "usb"}, 1, {1}},
        {"no known bridge", {"Chip=9999", ""}, {}, 1, {1}},
        {"identify controller fails", {"FaultAt=after3:noanswer", ""}, {}, 1, {1}},
        {"seventeen bridged drives give sixteen rows", std::vector<std::string>(17, ""), {}, 16, {}},
    };
    for (const ScanCase& c : cases) {
        SCOPED_TRACE(c.name);
        for (auto& info : g_DeviceInfo) info = DeviceInfoRecord{};
        const auto rows = Scan(c);
        ASSERT_EQ(static_cast<int>(rows.size()), c.rows);
        EXPECT_EQ(g_nDeviceCount, c.rows);
        for (std::size_t r = 0; r < c.listedDrives.size(); ++r) {
            const int drive = c.listedDrives[r];
            EXPECT_EQ(rows[r].diskNumber, std::to_string(drive));
            EXPECT_EQ(rows[r].serial, "S" + std::to_string(drive + 1));
            EXPECT_EQ(std::string(AP_Instance[r].pDevicePath), "emu:drive" + std::to_string(drive + 1));
            EXPECT_EQ(g_InfoPort[r].devicePath, AP_Instance[r].pDevicePath);
            EXPECT_EQ(AP_Instance[r].ucBridgeType, 1);
            EXPECT_EQ(g_DeviceInfo[r].nInterfaceClass, 3);
            EXPECT_EQ(std::string(g_DeviceInfo[r].sSerialNum, 20), "S" + std::to_string(drive + 1) + std::string(20 - 1 - std::to_string(drive + 1).size(), ' '));
        }
        for (const DeviceRow& row : rows) {
            EXPECT_EQ(row.capacity, "931.51");
            EXPECT_EQ(row.interface, " USB ");
        }
        // No record beyond the listed ones points anywhere (the probe's scratch records are cleared).
        for (int port = c.rows; port < kPortCount; ++port) EXPECT_EQ(AP_Instance[port].pDevicePath, nullptr) << port;
    }
    for (int port = 0; port < kMaxDevices; ++port) SetPortPath(port, nullptr);
}

// The drive whose identify namespace fails after its identify controller succeeded (its "IDFY_C.raw"
// written, no "IDFY_N.raw") is not listed, and the next drive takes row 0. The dumps go to "raw" in
// the program folder, never to a "raw" of the folder the program was started in.
TEST(DeviceScan, IdentifyNamespaceFailingLeavesTheDriveOut) {
    platform::ScopedBackends backends;
    platform::VirtualClock clock;
    platform::ScopedClock useClock(clock);
    platform::TraceCapture trace;
    const fs::path cwd = fs::current_path(), savedProgram = platform::ProgramFolder();
    const fs::path work = fs::temp_directory_path() / ("qv_scan_dumps_" + std::to_string(::getpid()));
    const fs::path program = work / "program", raw = program / "raw", started = work / "started";
    fs::remove_all(work);
    fs::create_directories(raw);
    fs::create_directories(started / "raw");
    platform::SetProgramFolder(program);
    fs::current_path(started);
    SetUpLibrary();
    bool seen = false;
    // Only the first drive answers fewer commands; its own command count decides which identify fails.
    for (int after = 4; after <= 12 && !seen; ++after) {
        fs::remove(raw / "IDFY_C.raw");
        fs::remove(raw / "IDFY_N.raw");
        // The second drive is listed after the first, so its dumps would hide the first's: list it alone.
        const auto rows = Scan({"namespace", {"FaultAt=after" + std::to_string(after) + ":noanswer"}, {}, 0, {}});
        if (fs::exists(raw / "IDFY_C.raw") && !fs::exists(raw / "IDFY_N.raw")) {
            seen = true;
            EXPECT_TRUE(rows.empty());
            EXPECT_EQ(g_nDeviceCount, 0);
            EXPECT_EQ(AP_Instance[0].pDevicePath, nullptr);
        }
    }
    EXPECT_TRUE(seen) << "no command count made only identify namespace fail";
    EXPECT_TRUE(fs::is_empty(started / "raw"));
    SetRawDumpFolder("");
    fs::current_path(cwd);
    platform::SetProgramFolder(savedProgram);
    fs::remove_all(work);
}

TEST(DeviceScan, RescanOfTheBaySucceeds) {
    platform::ScopedBackends backends;
    platform::TraceCapture trace;
    std::shared_ptr<emu::Bay> bay;
    Scan({"one", {""}, {}, 1, {0}}, &bay);
    platform::InstallBackend("emu:", bay, true);
    EXPECT_EQ(RescanDeviceTree(), 1);
    for (int port = 0; port < kMaxDevices; ++port) SetPortPath(port, nullptr);
}

TEST(InfoPool, ClearZeroesTheFirstFourBytesAndFreeGivesTheMemoryBack) {
    struct Counting : transport::PortMemory {
        void* Map(std::size_t size) override {
            ++maps;
            mapped = size;
            return transport::PageMappedMemory().Map(size);
        }
        void Unmap(void* block, std::size_t size) override {
            ++unmaps;
            transport::PageMappedMemory().Unmap(block, size);
        }
        int maps = 0, unmaps = 0;
        std::size_t mapped = 0;
    } memory;
    FreeInfoPortBuffers();
    ASSERT_TRUE(AllocInfoPortBuffers(memory));
    ASSERT_TRUE(AllocInfoPortBuffers(memory));
    EXPECT_EQ(memory.maps, 1);
    EXPECT_EQ(memory.mapped, std::size_t{128} * (4 * 256 + 512) * 1024);
    InfoPortRecord& r = g_InfoPort[5];
    std::fill_n(r.pRemapTableBuf, 8, 0x77);
    r.pBadUnitMap[0] = r.pBadUnitMap[1] = r.pBadUnitMap[2] = 1;
    r.pBadUnitMap[(std::size_t{7} * 8 + 7) * 4096 + 4095] = 1;
    ClearInfoPortBuffers();
    EXPECT_EQ(r.pRemapTableBuf[3], 0);
    EXPECT_EQ(r.pRemapTableBuf[4], 0x77);
    EXPECT_EQ(BadUnitMark(r, 0, 0, 1), 0);
    EXPECT_EQ(BadUnitMark(r, 0, 0, 2), 1);
    EXPECT_EQ(BadUnitMark(r, 7, 7, 4095), 1);
    EXPECT_EQ(BadUnitMark(r, 8, 0, 0), 0);  // outside the map: no mark, no read
    EXPECT_EQ(BadUnitMark(r, 0, 0, 4096), 0);
    FreeInfoPortBuffers();
    EXPECT_EQ(memory.unmaps, 1);
    EXPECT_EQ(g_InfoPort[5].pBadUnitMap, nullptr);
}

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(Reports, FoldersNamesAndBytes) {
    const fs::path base = fs::temp_directory_path() / ("qv_reports_" + std::to_string(::getpid()));
    fs::remove_all(base);
    fs::create_directories(base);
    const char serial[21] = "  SN0001            ";
    EXPECT_EQ(FreeSaveFolder(base, 2, FolderSerialText(serial)), base / "2_SN0001(0)");
    fs::create_directories(base / "2_SN0001(0)");
    EXPECT_EQ(FreeSaveFolder(base, 2, FolderSerialText(serial)), base / "2_SN0001(1)");
    EXPECT_EQ(FreeSaveFolder(base, 3, FolderSerialText("")), base / "3_(0)");
    EXPECT_EQ(FolderSerialText("../x"), "___x");
    EXPECT_EQ(FolderSerialText("a/b\\c.d"), "a_b_c_d");
    EXPECT_EQ(ReportBaseName("2019/12/26", "15:04:05"), "2019_12_26_15_04_05");
    EXPECT_EQ(ReportBaseName("26.12.2019", "3:04:05 PM *"), "26.12.2019_3_04_05 PM _");

    const std::string path = (base / "r.txt").string();
    ASSERT_TRUE(CreateReportFile(path));
    ASSERT_TRUE(AppendReportSection(path.c_str(), "Device Info", "Spare : 50%\r\nline\n"));
    ASSERT_TRUE(AppendReportSection(path.c_str(), "SSD Info", "x\r\n"));
    const std::string rule = std::string(90, '-') + "\r\n";
    EXPECT_EQ(ReadBytes(path), "\r\r\n" + rule + "Device Info\r\n" + rule + "Spare : 50%\r\r\nline\r\n" + "\r\r\n" +
                                   rule + "SSD Info\r\n" + rule + "x\r\r\n");
    ASSERT_TRUE(CreateReportFile(path));  // "w+" empties it
    EXPECT_EQ(ReadBytes(path), "");
    EXPECT_FALSE(AppendReportSection(nullptr, "Device Info", "x"));
    EXPECT_FALSE(AppendReportSection((base / "missing" / "r.txt").c_str(), "Device Info", "x"));
    fs::remove_all(base);
}

}  // namespace
