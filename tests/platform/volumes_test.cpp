#include "platform/linux/volumes.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/format_script.h"
#include "platform/linux/disk_operations.h"
#include "platform/linux/spawn.h"
#include "platform/linux/sysfs_usb.h"
#include "platform/trace_sink.h"
#include "support/scratch_folder.h"
#include "sysfs_fixture.h"

namespace {

namespace fs = std::filesystem;
namespace lx = platform::linuxos;

// The fixture tree (sysfs_fixture.h): sda SATA (8:0), sdb USB 1-1 (8:16), sdc USB 1-2.1 (8:32) with sdc1 (8:33).
const char* const kRootOnSda = "22 1 8:0 / / rw,relatime shared:1 - ext4 /dev/sda rw\n";
const char* const kNoSwap = "Filename\tType\tSize\tUsed\tPriority\n";
const fs::path kStation = "/srv/station";

using test_support::ScratchFolder;

// A copy of the fixture tree with dm-0 (253:0) built on sdb, so sdb has a holder.
fs::path TreeWithDmOnSdb(const fs::path& to) {
    const fs::path root = fixture::CopySysfs(to);
    const fs::path dm = root / "devices/virtual/block/dm-0";
    fs::create_directories(dm / "slaves");
    platform::WriteWholeFile(dm / "dev", "253:0\n");
    fs::create_symlink("../../../../block/sdb", dm / "slaves/sdb");
    fs::create_symlink("../devices/virtual/block/dm-0", root / "block/dm-0");
    fs::create_symlink("../../devices/virtual/block/dm-0", root / "dev/block/253:0");
    fs::create_directories(fs::canonical(root / "block/sdb") / "holders");
    fs::create_symlink(dm, fs::canonical(root / "block/sdb") / "holders/dm-0");
    return root;
}

TEST(LinuxVolumes, MountTableLinesGiveTheirDiskAndPartition) {
    ScratchFolder s("qv-volumes-list");
    const std::string table = std::string(kRootOnSda) +
                              "30 22 8:33 / /srv/station/mnt/disk2 rw - ntfs3 /dev/sdc1 rw\n"
                              "31 22 0:45 / /media/with\\040space rw - fuseblk /dev/sdc1 rw\n"
                              "32 22 0:5 / /proc rw - proc proc rw\n"
                              "not a mount line\n";
    const lx::LinuxRoots roots{fixture::SysfsRoot(), "/dev", s.Write("mountinfo", table), s.Write("swaps", kNoSwap)};
    const auto volumes = lx::ListVolumesOf(roots);
    ASSERT_TRUE(volumes.has_value());
    ASSERT_EQ(volumes->size(), 4u);
    struct Expected {
        const char* mountPoint;
        const char* diskName;
        std::optional<std::uint32_t> disk;
        std::uint32_t partition;
    } expected[] = {{"/", "sda", 0, 0},
                    {"/srv/station/mnt/disk2", "sdc", 2, 1},
                    {"/media/with space", "sdc", 2, 1},
                    {"/proc", "", std::nullopt, 0}};
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(expected[i].mountPoint);
        EXPECT_EQ((*volumes)[i].mountPoint, expected[i].mountPoint);
        EXPECT_EQ((*volumes)[i].diskName, expected[i].diskName);
        EXPECT_EQ((*volumes)[i].disk, expected[i].disk);
        EXPECT_EQ((*volumes)[i].partition, expected[i].partition);
    }
    EXPECT_EQ((*volumes)[1].fsType, "ntfs3");
    EXPECT_EQ((*volumes)[1].source, "/dev/sdc1");

    lx::LinuxBackend backend(roots);
    EXPECT_TRUE(backend.IsSystemDisk(0, kStation));
    EXPECT_FALSE(backend.IsSystemDisk(1, kStation));
    EXPECT_EQ(backend.ListVolumes().size(), 4u);
    lx::LinuxBackend noTable({fixture::SysfsRoot(), "/dev", s.Path() / "missing", s.Path() / "missing"});
    EXPECT_TRUE(noTable.IsSystemDisk(1, kStation)) << "an unreadable mount table makes every disk the system disk";
    EXPECT_EQ(lx::SdDiskName(0), "sda");
    EXPECT_EQ(lx::SdDiskName(25), "sdz");
    EXPECT_EQ(lx::SdDiskName(26), "sdaa");
    EXPECT_EQ(lx::SdDiskIndex(lx::SdDiskName(701)), 701u);
}

TEST(LinuxVolumes, GuardsRefuseWhatIsNotAFreeUsbDiskOfOurs) {
    ScratchFolder s("qv-volumes-guards");
    const fs::path dmTree = TreeWithDmOnSdb(s.Path() / "sysfs-dm");
    struct Case {
        const char* name;
        fs::path sysfs;
        std::string disk;
        std::string mounts;
        std::string swaps;
        std::optional<std::string> refusal;
    } cases[] = {
        {"a free USB disk", fixture::SysfsRoot(), "sdb", kRootOnSda, kNoSwap, std::nullopt},
        {"the root disk", fixture::SysfsRoot(), "sdb", "22 1 8:16 / / rw - ext4 /dev/sdb rw\n", kNoSwap,
         "sdb is the system disk"},
        {"/var on it", fixture::SysfsRoot(), "sdc",
         std::string(kRootOnSda) + "23 22 8:33 / /var rw - ext4 /dev/sdc1 rw\n", kNoSwap, "sdc is the system disk"},
        {"root on dm over it", dmTree, "sdb", "22 1 253:0 / / rw - ext4 /dev/mapper/vg-root rw\n", kNoSwap,
         "sdb is the system disk"},
        {"a dm holder", dmTree, "sdb", kRootOnSda, kNoSwap, "sdb is held by dm-0"},
        {"swap on it", fixture::SysfsRoot(), "sdc", kRootOnSda,
         std::string(kNoSwap) + "/dev/sdc1\tpartition\t1024\t0\t-2\n", "sdc is the system disk"},
        {"the program folder on it", fixture::SysfsRoot(), "sdc",
         std::string(kRootOnSda) + "24 22 8:33 / /srv rw - ext4 /dev/sdc1 rw\n", kNoSwap, "sdc is the system disk"},
        {"mounted elsewhere", fixture::SysfsRoot(), "sdc",
         std::string(kRootOnSda) + "25 22 8:33 / /media/op rw - ntfs3 /dev/sdc1 rw\n", kNoSwap,
         "/dev/sdc1 is mounted on /media/op"},
        {"mounted by us", fixture::SysfsRoot(), "sdc",
         std::string(kRootOnSda) + "26 22 8:33 / /srv/station/mnt/disk2 rw - ntfs3 /dev/sdc1 rw\n", kNoSwap,
         std::nullopt},
        {"not on USB", fixture::SysfsRoot(), "sda", "22 1 8:16 / / rw - ext4 /dev/sdb rw\n", kNoSwap,
         "sda is not attached through USB"},
        {"a partition", fixture::SysfsRoot(), "sdc1", kRootOnSda, kNoSwap, "sdc1 is not a whole disk"},
        {"no such disk", fixture::SysfsRoot(), "sdq", kRootOnSda, kNoSwap, "sdq is not a disk of this machine"},
        {"no mount table", fixture::SysfsRoot(), "sdb", "", kNoSwap, "the mount table cannot be read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path mounts = c.mounts.empty() ? s.Path() / "missing" : s.Write("mountinfo", c.mounts);
        const lx::LinuxRoots roots{c.sysfs, "/dev", mounts, s.Write("swaps", c.swaps)};
        EXPECT_EQ(lx::FormatRefusalOf(roots, c.disk, kStation), c.refusal);
    }
    const lx::LinuxRoots plain{fixture::SysfsRoot(), "/dev", s.Write("mountinfo", kRootOnSda),
                               s.Write("swaps", kNoSwap)};
    EXPECT_EQ(lx::OwnerOfBlock(plain, "sdc"), (platform::DiskOwner{"1-2.1", ""}));
    EXPECT_FALSE(lx::OwnerOfBlock(plain, "sda").has_value());
}

// The format program on an image file: the test-only option maps a disk number to the image.
class FormatProgram : public ::testing::Test {
  protected:
    FormatProgram() : s_("qv-volumes-program") {}

    // Writes the three files for disk n as the check writes them, runs the program and returns its status.
    int Run(std::uint32_t n, const std::string& owner, const fs::path& sysfs, const std::string& mounts) {
        const std::string d = std::to_string(n);
        s_.Write("diskpart" + d + ".txt", "select disk " + d +
                                              "\r\r\nclean\r\r\nconvert gpt\r\r\ncreate partition primary\r\r\n"
                                              "format fs=ntfs quick\r\r\nassign\r\r\nexit\r\r\n");
        s_.Write("format" + d + ".bat", "@echo off\r\r\ndiskpart /s diskpart" + d + ".txt \r\r\ndel diskpart" + d +
                                            ".txt\r\r\ndel format" + d + ".bat\r\r\n");
        s_.Write("format" + d + ".own", owner);
        const auto run =
            lx::RunTool({QV_FORMAT_PROGRAM, "--folder", s_.Path().string(), "--test-image", d + "=" + image_.string(),
                         "--test-sysfs", sysfs.string(), "--test-mounts", s_.Write("mountinfo", mounts).string(),
                         "--test-swaps", s_.Write("swaps", kNoSwap).string(), "/c format" + d + ".bat\r\n"});
        EXPECT_TRUE(run.started);
        EXPECT_FALSE(fs::exists(s_.Path() / ("diskpart" + d + ".txt")));
        EXPECT_FALSE(fs::exists(s_.Path() / ("format" + d + ".bat")));
        EXPECT_FALSE(fs::exists(s_.Path() / ("format" + d + ".own")));
        return run.status;
    }
    std::string Log() const { return platform::ReadWholeFile(s_.Path() / "qv-format.log").value_or(""); }
    void MakeImage(std::uint64_t bytes, std::uint8_t fill) {
        fs::remove(image_);
        std::ofstream out(image_, std::ios::binary);
        const std::string mib(1 << 20, static_cast<char>(fill));
        for (std::uint64_t i = 0; i < bytes >> 20; ++i) out.write(mib.data(), static_cast<std::streamsize>(mib.size()));
    }
    bool ImageStill(std::uint8_t fill) const {
        const auto bytes = platform::ReadWholeFile(image_).value_or("");
        return !bytes.empty() &&
               std::all_of(bytes.begin(), bytes.end(), [&](char c) { return static_cast<std::uint8_t>(c) == fill; });
    }

    ScratchFolder s_;
    fs::path image_ = s_.Path() / "disk.img";
};

TEST_F(FormatProgram, GuardsRefuseBeforeAnythingIsWritten) {
    const fs::path dmTree = TreeWithDmOnSdb(s_.Path() / "sysfs-dm");
    const std::string ownSdb = "instance=1-1\r\nserial=\r\n", ownSdc = "instance=1-2.1\r\nserial=\r\n";
    struct Case {
        const char* name;
        std::uint32_t disk;
        std::string owner;
        fs::path sysfs;
        std::string mounts;
        const char* trace;
    } cases[] = {
        {"the root disk", 1, ownSdb, fixture::SysfsRoot(), "22 1 8:16 / / rw - ext4 /dev/sdb rw\n",
         "format: disk 1 refused: sdb is the system disk\n"},
        {"a partition mounted elsewhere", 2, ownSdc, fixture::SysfsRoot(),
         std::string(kRootOnSda) + "25 22 8:33 / /media/op rw - ntfs3 /dev/sdc1 rw\n",
         "format: disk 2 refused: /dev/sdc1 is mounted on /media/op\n"},
        {"a dm holder", 1, ownSdb, dmTree, kRootOnSda, "format: disk 1 refused: sdb is held by dm-0\n"},
        {"not on USB", 0, ownSdb, fixture::SysfsRoot(), "22 1 8:16 / / rw - ext4 /dev/sdb rw\n",
         "format: disk 0 refused: it is no USB disk, the run linked 1-1 serial \"\"\n"},
        {"the owner file names another disk", 1, ownSdc, fixture::SysfsRoot(), kRootOnSda,
         "format: disk 1 refused: it is 1-1 serial \"\", the run linked 1-2.1 serial \"\"\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MakeImage(2 << 20, 0x5A);
        fs::remove(s_.Path() / "qv-format.log");
        EXPECT_EQ(Run(c.disk, c.owner, c.sysfs, c.mounts), 1);
        EXPECT_NE(Log().find(c.trace), std::string::npos) << Log();
        EXPECT_TRUE(ImageStill(0x5A));
    }
    const auto misuse = lx::RunTool({QV_FORMAT_PROGRAM, "--test-sysfs", "/tmp", "/c format1.bat\r\n"});
    EXPECT_EQ(misuse.status, 2) << "the test roots alone would point the guards away from a real device";
}

TEST_F(FormatProgram, ImageEndsWithOneGptBasicDataPartitionHoldingNtfs) {
    if (!lx::FindTool("sfdisk") || !lx::FindTool("mkntfs")) GTEST_SKIP() << "sfdisk or mkntfs is not installed";
    MakeImage(64 << 20, 0xC3);  // old contents everywhere: clean must remove their signatures
    ASSERT_EQ(Run(1, "instance=1-1\r\nserial=\r\n", fixture::SysfsRoot(), kRootOnSda), 0) << Log();
    const auto dump = lx::RunTool({"sfdisk", "--dump", image_.string()});
    ASSERT_EQ(dump.status, 0) << dump.output;
    EXPECT_NE(dump.output.find("label: gpt"), std::string::npos) << dump.output;
    const auto start = dump.output.find("start=");
    ASSERT_NE(start, std::string::npos);
    EXPECT_EQ(dump.output.find("start=", start + 1), std::string::npos) << "one partition: " << dump.output;
    EXPECT_NE(dump.output.find("type=EBD0A0A2-B9E5-4433-87C0-68B6B72699C7"), std::string::npos);
    const std::uint64_t first = std::stoull(dump.output.substr(start + 6));
    const auto bytes = platform::ReadWholeFile(image_).value_or("");
    ASSERT_GT(bytes.size(), first * 512 + 512);
    EXPECT_EQ(bytes.substr(first * 512 + 3, 8), "NTFS    ");
    EXPECT_EQ(bytes.substr(first * 512 + 510, 2), "\x55\xAA");
}

// The whole script on a loop device, mounted and found again by the volume listing (root only).
class LoopDisks : public lx::LinuxDiskOperations {
  public:
    using LinuxDiskOperations::LinuxDiskOperations;
    std::optional<platform::DiskOwner> Owner(std::uint32_t) override { return platform::DiskOwner{"loop", ""}; }
    std::optional<std::string> Refusal(std::uint32_t) override { return std::nullopt; }  // not USB; ours
};

TEST(LinuxFormat, WholeScriptOnALoopDeviceIsMountedAndListed) {
    if (::geteuid() != 0) GTEST_SKIP() << "not root: the loop-device format needs root";
    for (const char* tool : {"sfdisk", "mkntfs", "losetup"}) {
        if (!lx::FindTool(tool)) GTEST_SKIP() << tool << " is not installed";
    }
    if (!fs::exists("/dev/fuse") &&
        platform::ReadWholeFile("/proc/filesystems").value_or("").find("ntfs3") == std::string::npos) {
        GTEST_SKIP() << "neither ntfs3 nor FUSE: an NTFS partition cannot be mounted here";
    }
    ScratchFolder s("qv-volumes-loop");
    const fs::path image = s.Path() / "loop.img";
    { std::ofstream(image, std::ios::binary).close(); }
    fs::resize_file(image, 64 << 20);
    const auto attach = lx::RunTool({"losetup", "--find", "--show", "--partscan", image.string()});
    if (attach.status != 0) GTEST_SKIP() << "no loop device: " << attach.output;
    const std::string device = attach.output.substr(0, attach.output.find('\n'));
    const std::string name = fs::path(device).filename().string();
    s.Write("diskpart7.txt",
            "select disk 7\r\r\nclean\r\r\nconvert gpt\r\r\ncreate partition primary\r\r\nformat fs=ntfs quick\r\r\n"
            "assign\r\r\nexit\r\r\n");
    s.Write("format7.bat",
            "@echo off\r\r\ndiskpart /s diskpart7.txt \r\r\ndel diskpart7.txt\r\r\ndel format7.bat\r\r\n");
    s.Write("format7.own", "instance=loop\r\nserial=\r\n");
    LoopDisks ops(lx::LinuxRoots{}, s.Path());
    ops.MapBlock(7, name);
    platform::TraceCapture trace;
    const int result = platform::RunFormatBatch(ops, s.Path(), "/c format7.bat\r\n");
    const fs::path mountPoint = s.Path() / "mnt" / "disk7";
    const auto volumes = lx::ListVolumesOf(lx::LinuxRoots{});
    ::umount2(mountPoint.c_str(), 0);
    lx::RunTool({"losetup", "--detach", device});
    ASSERT_EQ(result, 0) << trace.Text();
    ASSERT_TRUE(volumes.has_value());
    const auto found = std::find_if(volumes->begin(), volumes->end(),
                                    [&](const platform::Volume& v) { return v.mountPoint == mountPoint.string(); });
    ASSERT_NE(found, volumes->end()) << trace.Text();
    EXPECT_EQ(found->diskName, name);
    EXPECT_EQ(found->partition, 1u);
}

TEST(LinuxFormat, StartElevatedStartsTheProgramInItsFolderWithTheParameterText) {
    ScratchFolder s("qv-volumes-start");
    lx::LinuxBackend backend;
    EXPECT_EQ(backend.StartElevated("qv-format", "/c format3.bat\r\n", s.Path()), platform::kStartNotFound);
    EXPECT_EQ(backend.StartElevated("../bin/sh", "", s.Path()), platform::kStartNotFound);
    if (::geteuid() != 0 && !lx::FindTool("pkexec")) {
        EXPECT_EQ(backend.StartElevated("qv-format", "x", s.Path()), platform::kStartNotFound);
        GTEST_SKIP() << "neither root nor pkexec: nothing can be started elevated here";
    }
    if (::geteuid() != 0) GTEST_SKIP() << "not root: pkexec would ask for a password";
    const fs::path program = s.Write("qv-format",
                                     "#!/bin/sh\nprintf '%s|%s|%s|%s' \"$PWD\" \"$1\" \"$2\" \"$3\" > args.tmp\n"
                                     "mv args.tmp args\n");
    fs::permissions(program, fs::perms::owner_all);
    EXPECT_EQ(backend.StartElevated("qv-format", "/c format3.bat\r\n", s.Path()), platform::kStarted);
    std::optional<std::string> args;
    for (int i = 0; i < 500 && !(args = platform::ReadWholeFile(s.Path() / "args")); ++i) ::usleep(10000);
    ASSERT_TRUE(args.has_value());
    const std::string folder = fs::canonical(s.Path()).string();
    EXPECT_EQ(*args, folder + "|--folder|" + s.Path().string() + "|/c format3.bat\r\n");
}

}  // namespace
