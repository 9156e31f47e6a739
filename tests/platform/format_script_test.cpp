#include "platform/format_script.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/files.h"
#include "platform/trace_sink.h"
#include "support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;

// Records the steps it is asked for; can refuse the disk or fail one step.
class RecordingDisks : public platform::DiskOperations {
  public:
    std::optional<platform::DiskOwner> Owner(std::uint32_t disk) override {
        if (disk != 3) return std::nullopt;
        return platform::DiskOwner{"2-1.3", "SN42"};
    }
    std::optional<std::string> Refusal(std::uint32_t disk) override {
        calls.push_back("guard " + std::to_string(disk));
        return refusal;
    }
    bool Clean(std::uint32_t d, std::string& e) override { return Step("clean", d, e); }
    bool ConvertGpt(std::uint32_t d, std::string& e) override { return Step("gpt", d, e); }
    bool CreatePrimaryPartition(std::uint32_t d, std::string& e) override { return Step("partition", d, e); }
    bool FormatNtfsQuick(std::uint32_t d, std::string& e) override { return Step("format", d, e); }
    bool Assign(std::uint32_t d, const fs::path& mountPoint, std::string& e) override {
        mounted = mountPoint;
        return Step("assign", d, e);
    }

    std::vector<std::string> calls;
    std::optional<std::string> refusal;
    std::string failAt;
    fs::path mounted;

  private:
    bool Step(const std::string& name, std::uint32_t disk, std::string& error) {
        calls.push_back(name + " " + std::to_string(disk));
        if (name == failAt) error = "it broke";
        return name != failAt;
    }
};

const char* const kScript3 =
    "select disk 3\r\r\nclean\r\r\nconvert gpt\r\r\ncreate partition primary\r\r\nformat fs=ntfs quick\r\r\n"
    "assign\r\r\nexit\r\r\n";
const char* const kBatch3 =
    "@echo off\r\r\ndiskpart /s diskpart3.txt \r\r\ndel diskpart3.txt\r\r\ndel format3.bat\r\r\n";
const char* const kOwner3 = "instance=2-1.3\r\nserial=SN42\r\n";

using test_support::ScratchFolder;

TEST(FormatScript, CarriesOutTheScriptInOrderAndDeletesItsFilesWhateverHappens) {
    const std::vector<std::string> all = {"guard 3", "clean 3", "gpt 3", "partition 3", "format 3", "assign 3"};
    struct Case {
        const char* name;
        std::string script, owner;
        std::optional<std::string> refusal;
        std::string failAt;
        int result;
        std::vector<std::string> calls;
        std::string trace;
    } cases[] = {
        {"whole script", kScript3, kOwner3, {}, "", 0, all, "format: disk 3: assign done ("},
        {"letter case and blanks", "SELECT DISK 3 \r\nClean\t\r\nexit", kOwner3, {}, "", 0, {"guard 3", "clean 3"}, ""},
        {"system disk: exit only", "exit\r\r\n", kOwner3, {}, "", 0, {}, "format: script done\n"},
        {"guard refuses",
         kScript3,
         kOwner3,
         "sdd is the system disk",
         "",
         1,
         {"guard 3"},
         "format: disk 3 refused: sdd is the system disk\n"},
        {"another drive",
         kScript3,
         "instance=2-1.4\r\nserial=SN42\r\n",
         {},
         "",
         1,
         {},
         "format: disk 3 refused: it is 2-1.3 serial \"SN42\", the run linked 2-1.4 serial \"SN42\"\n"},
        {"another serial", kScript3, "instance=2-1.3\r\nserial=SN43\r\n", {}, "", 1, {}, "refused"},
        {"no such disk", "select disk 4\r\nclean\r\n", kOwner3, {}, "", 1, {}, "it is no USB disk"},
        {"no owner file", kScript3, "", {}, "", 1, {}, "format: disk 3 refused: no owner file format3.own\n"},
        {"a step fails",
         kScript3,
         kOwner3,
         {},
         "format",
         1,
         {"guard 3", "clean 3", "gpt 3", "partition 3", "format 3"},
         "format: disk 3: format fs=ntfs quick failed: it broke\n"},
        {"no disk selected", "clean\r\n", kOwner3, {}, "", 1, {}, "\"clean\" with no disk selected"},
        {"unknown line ends",
         "select disk 3\r\nclean\r\nformat fs=fat32\r\nassign\r\n",
         kOwner3,
         {},
         "",
         1,
         {"guard 3", "clean 3"},
         "script line not understood, script ended: format fs=fat32\n"},
        {"empty line ends", "select disk 3\r\n\r\nclean\r\n", kOwner3, {}, "", 1, {}, "script line not understood"},
        {"bad number", "select disk 3x\r\nclean\r\n", kOwner3, {}, "", 1, {}, "no disk number"},
        {"huge number", "select disk 99999999999\r\nclean\r\n", kOwner3, {}, "", 1, {}, "no disk number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ScratchFolder f("qv-format-script");
        f.Write("diskpart3.txt", c.script);
        f.Write("format3.bat", kBatch3);
        if (!c.owner.empty()) f.Write("format3.own", c.owner);
        RecordingDisks disks;
        disks.refusal = c.refusal;
        disks.failAt = c.failAt;
        platform::TraceCapture trace;
        EXPECT_EQ(platform::RunFormatBatch(disks, f.Path(), "/c format3.bat\r\n"), c.result);
        EXPECT_EQ(disks.calls, c.calls);
        EXPECT_TRUE(trace.Contains(c.trace)) << trace.Text();
        EXPECT_FALSE(fs::exists(f / "diskpart3.txt") || fs::exists(f / "format3.bat") || fs::exists(f / "format3.own"));
        if (c.result == 0 && !c.calls.empty() && c.calls.back() == "assign 3") {
            EXPECT_EQ(disks.mounted, f.Path() / "mnt" / "disk3");
        }
    }
}

TEST(FormatScript, BadParametersAndBatchesRunNothingAndTouchNoOtherFile) {
    struct Case {
        const char* parameters;
        std::string batch;
        bool batchDeleted;
        std::string trace;
    } cases[] = {
        {"format3.bat", kBatch3, false, "the parameters name no batch"},
        {"/c ../format3.bat\r\n", kBatch3, false, "not a batch of the program folder: ../format3.bat"},
        {"/c settings.ini\r\n", kBatch3, false, "not a batch of the program folder"},
        {"/c format3.bat\r\n", "@echo off\r\ndiskpart /s diskpart3.txt\r\ndel settings.ini\r\n", true,
         "batch line not understood: del settings.ini"},
        {"/c format3.bat\r\n", "@echo off\r\ndiskpart /s ../diskpart3.txt\r\n", true, "names no script"},
        {"/c format3.bat\r\n", std::string(70000, 'x'), true, "cannot be read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.parameters + c.batch.substr(0, 60));
        const ScratchFolder f("qv-format-script");
        f.Write("diskpart3.txt", kScript3);
        f.Write("format3.bat", c.batch);
        f.Write("format3.own", kOwner3);
        f.Write("settings.ini", "keep");
        RecordingDisks disks;
        platform::TraceCapture trace;
        EXPECT_EQ(platform::RunFormatBatch(disks, f.Path(), c.parameters), 1);
        EXPECT_TRUE(disks.calls.empty());
        EXPECT_TRUE(trace.Contains(c.trace)) << trace.Text();
        EXPECT_TRUE(fs::exists(f / "settings.ini"));
        EXPECT_EQ(fs::exists(f / "format3.bat"), !c.batchDeleted);
    }
}

TEST(FormatScript, OwnerFileRoundTripsAndRefusesWhatIsNotItsForm) {
    const platform::DiskOwner owner{"2-1.3", "S N=1"};
    EXPECT_EQ(platform::OwnerFileText(owner), "instance=2-1.3\r\nserial=S N=1\r\n");
    EXPECT_EQ(platform::ParseOwnerFile(platform::OwnerFileText(owner)), owner);
    EXPECT_EQ(platform::ParseOwnerFile("instance=1-1\nserial=\n"), (platform::DiskOwner{"1-1", ""}));
    for (const char* bad : {"", "instance=1-1\r\n", "serial=x\r\n", "instance=\r\nserial=x\r\n",
                            "instance=1-1\r\nserial=x\r\nmore\r\n"}) {
        EXPECT_FALSE(platform::ParseOwnerFile(bad).has_value()) << bad;
    }
}

}  // namespace
