#include "emu/format_disk.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "emu/bay.h"
#include "emu/nvme_controller.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/linux/spawn.h"
#include "platform/trace_sink.h"
#include "platform/volumes.h"

namespace {

namespace fs = std::filesystem;

// Three drives of 64 MiB on one hub; `keys` go into every drive's section, `keys2` into the second's.
struct FormatBay {
    explicit FormatBay(const std::string& keys2 = "")
        : folder(fs::temp_directory_path() / ("qv-bay-format-" + std::to_string(::getpid()))) {
        std::string ini = "[RootHub1]\nBus=1\nPorts=1\n[Hub1]\nId=1-1\nPorts=4\n";
        for (int i = 1; i <= 3; ++i) {
            ini += "[Drive" + std::to_string(i) + "]\nId=1-1." + std::to_string(i) + "\nSectors=131072\nSerial=SN" +
                   std::to_string(i) + "\n" + (i == 2 ? keys2 : "");
        }
        std::string error;
        auto config = emu::ParseBayConfig(ini, &error);
        EXPECT_TRUE(config.has_value()) << error;
        bay = emu::Bay::Create(std::move(*config));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    ~FormatBay() { fs::remove_all(folder); }

    // The three files for disk 1 (the second drive), as the check writes them.
    void Script(const std::string& owner = "instance=1-1.2\r\nserial=SN2\r\n", bool exitOnly = false) {
        platform::WriteWholeFile(folder / "diskpart1.txt",
                                 exitOnly
                                     ? "exit\r\r\n"
                                     : "select disk 1\r\r\nclean\r\r\nconvert gpt\r\r\ncreate partition primary\r\r\n"
                                       "format fs=ntfs quick\r\r\nassign\r\r\nexit\r\r\n");
        platform::WriteWholeFile(
            folder / "format1.bat",
            "@echo off\r\r\ndiskpart /s diskpart1.txt \r\r\ndel diskpart1.txt\r\r\ndel format1.bat\r\r\n");
        platform::WriteWholeFile(folder / "format1.own", owner);
    }
    bool Pending() const {
        return fs::exists(folder / "format1.bat") || fs::exists(folder / "diskpart1.txt") ||
               fs::exists(folder / "format1.own");
    }
    emu::NamespaceStore& Namespace(int index) {
        auto* c = dynamic_cast<emu::NvmeController*>(bay->DriveAt(index)->GetBridge().GetController());
        return c->Namespace();
    }
    std::vector<std::uint8_t> Sector(int index, std::uint64_t lba) {
        std::vector<std::uint8_t> s(512);
        Namespace(index).Read(lba, s);
        return s;
    }

    std::shared_ptr<emu::Bay> bay;
    fs::path folder;
    platform::VirtualClock clock{0};
    platform::ScopedClock useClock{clock};
};

TEST(BayFormat, TheScriptPartitionsAndFormatsTheDriveAndEndsAfterFormatMs) {
    FormatBay b;
    b.Script();
    std::vector<std::uint8_t> old(512, 0xC3);
    b.Namespace(1).Write(131072 - 1, old);  // an old backup table at the end
    // Through the platform's calls, as the check makes them: the bay is the listing backend.
    platform::ScopedBackends keep;
    platform::InstallBackend("emu:", b.bay, true);
    EXPECT_EQ(platform::DiskOwnerOf("emu:drive2"), (platform::DiskOwner{"1-1.2", "SN2"}));
    EXPECT_FALSE(platform::IsSystemDisk(1, b.folder));
    EXPECT_EQ(platform::FormatRefusal(1, b.folder), std::nullopt);
    EXPECT_EQ(platform::StartElevated("qv-format", "/c format1.bat\r\n", b.folder), platform::kStarted);
    platform::Sleep(1999);
    EXPECT_TRUE(b.Pending()) << "the format program is still at work";
    platform::Sleep(1);
    EXPECT_FALSE(b.Pending());

    EXPECT_EQ(b.Sector(1, 0)[450], 0xEE) << "protective MBR";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.Sector(1, 2048).data()) + 3, 8), "NTFS    ");
    EXPECT_EQ(b.Sector(0, 0), std::vector<std::uint8_t>(512, 0)) << "the other drives are untouched";
    const auto volumes = platform::ListVolumes();
    ASSERT_EQ(volumes.size(), 1u);
    EXPECT_EQ(volumes[0].mountPoint, (b.folder / "mnt" / "disk1").string());
    EXPECT_EQ(volumes[0].disk, 1u);
    EXPECT_EQ(volumes[0].partition, 1u);

    // A decoder of its own reads the tables: the whole namespace into a sparse file for sfdisk.
    if (!platform::linuxos::FindTool("sfdisk")) GTEST_SKIP() << "sfdisk is not installed";
    const fs::path image = b.folder / "ns.img";
    {
        std::ofstream out(image, std::ios::binary);
        std::vector<std::uint8_t> all(131072 * 512);
        b.Namespace(1).Read(0, all);
        out.write(reinterpret_cast<const char*>(all.data()), static_cast<std::streamsize>(all.size()));
    }
    const auto verify = platform::linuxos::RunTool({"sfdisk", "--verify", image.string()});
    EXPECT_EQ(verify.status, 0) << verify.output;
    const auto dump = platform::linuxos::RunTool({"sfdisk", "--dump", image.string()});
    EXPECT_NE(dump.output.find("start=        2048, size=      128991, type=EBD0A0A2-B9E5-4433-87C0-68B6B72699C7"),
              std::string::npos)
        << dump.output;
}

TEST(BayFormat, SystemDiskFormatFailAndAnotherDriveStopTheScript) {
    struct Case {
        const char* name;
        std::string keys, owner;
        bool gpt, ntfs;
        const char* trace;
    } cases[] = {
        {"system disk", "SystemDisk=1\n", "instance=1-1.2\r\nserial=SN2\r\n", false, false,
         "format: disk 1 refused: emu:drive2 is the system disk\n"},
        {"format fails", "FormatFail=1\n", "instance=1-1.2\r\nserial=SN2\r\n", true, false,
         "format: disk 1: format fs=ntfs quick failed: the format failed (FormatFail)\n"},
        {"another drive", "", "instance=1-1.3\r\nserial=SN3\r\n", false, false, "format: disk 1 refused: it is 1-1.2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FormatBay b(c.keys);
        const std::vector<std::uint8_t> marker(512, 0x77);
        b.Namespace(1).Write(0, marker);
        b.Script(c.owner);
        platform::TraceCapture trace;
        EXPECT_EQ(b.bay->StartElevated("qv-format", "/c format1.bat\r\n", b.folder), platform::kStarted);
        EXPECT_TRUE(trace.Contains(c.trace)) << trace.Text();
        EXPECT_EQ(b.Sector(1, 0) == marker, !c.gpt);
        EXPECT_EQ(b.Sector(1, 2048)[3] == 'N', c.ntfs);
        EXPECT_TRUE(b.bay->ListVolumes().empty());
        platform::Sleep(2000);
        EXPECT_FALSE(b.Pending()) << "the batch disappears after a failure too";
    }
    FormatBay system("SystemDisk=1\n");
    EXPECT_TRUE(system.bay->IsSystemDisk(1, system.folder));
    EXPECT_FALSE(system.bay->IsSystemDisk(0, system.folder));
    EXPECT_EQ(system.bay->FormatRefusal(1, system.folder), "emu:drive2 is the system disk");
    EXPECT_EQ(system.bay->FormatRefusal(0, system.folder), std::nullopt);
    EXPECT_EQ(system.bay->FormatRefusal(7, system.folder), "no disk 7");
    EXPECT_EQ(system.bay->StartElevated("cmd", "/c format1.bat\r\n", system.folder), platform::kStartNotFound);
}

TEST(BayFormat, FormatMsDecidesWhenTheBatchDisappears) {
    FormatBay b("FormatMs=70000\n");
    b.Script();
    b.bay->StartElevated("qv-format", "/c format1.bat\r\n", b.folder);
    for (int poll = 0; poll < 60; ++poll) platform::Sleep(1000);
    EXPECT_TRUE(b.Pending()) << "still there at the 60th poll";
    platform::Sleep(10000);
    EXPECT_FALSE(b.Pending());

    const std::pair<const char*, const char*> bad[] = {{"FormatMs=soon\n", "FormatMs=soon"},
                                                       {"SystemDisk=yes\n", "SystemDisk=yes"},
                                                       {"FormatFail=2\n", "FormatFail=2"}};
    for (const auto& [keys, message] : bad) {
        emu::DriveConfig d;
        d.name = "Drive2";
        d.section = emu::ParseIni(std::string("[Drive2]\n") + keys).sections.at(0);
        std::string error;
        EXPECT_FALSE(emu::ReadFormatSetup(d, &error).has_value());
        EXPECT_NE(error.find(message), std::string::npos) << error;
    }
}

}  // namespace
