// Saves of the settings file that must survive a kill, keep a shared (linked) file shared and keep
// the file's permissions.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <random>
#include <string>

#include "platform/files.h"
#include "settings/ini_engine.h"

namespace fs = std::filesystem;

namespace {

class IniSave : public ::testing::Test {
  protected:
    void SetUp() override {
        IniResetState();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() / ("qv_save_" + std::string(info->name()) + "_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        IniResetState();
        fs::remove_all(dir_);
    }
    // Every name in the folder other than `keep`.
    std::vector<std::string> Others(const fs::path& folder, const std::string& keep) const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder)) {
            if (e.path().filename() != keep) names.push_back(e.path().filename().string());
        }
        return names;
    }
    fs::path dir_;
};

// A settings text of 400 keys in 8 sections; `variant` changes every value.
std::string SettingsText(int variant) {
    std::string text;
    for (int s = 0; s < 8; ++s) {
        text += "[Section" + std::to_string(s) + "]\n";
        for (int k = 0; k < 50; ++k) {
            text += "Key" + std::to_string(k) + "=" + std::to_string(variant * 100000 + s * 1000 + k) + "\n";
        }
        text += "\n";
    }
    return text;
}

std::string OnDisk(std::string text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

TEST_F(IniSave, AKilledSaveLeavesTheOldOrTheNewFileAndTheNextSaveNoTemporary) {
    const fs::path file = dir_ / "RIVIDO.ini";
    const std::string texts[2] = {SettingsText(1), SettingsText(2)};
    const std::string onDisk[2] = {OnDisk(texts[0]), OnDisk(texts[1])};
    IniUseMainText(texts[0]);
    ASSERT_EQ(IniSaveFile(file.c_str()), 1);

    std::mt19937 random(17);
    std::uniform_int_distribution<int> delayUs(0, 4000);
    for (int kill = 0; kill < 200; ++kill) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (unsigned i = 0;; ++i) {
                IniUseMainText(texts[i % 2]);
                IniSaveFile(file.c_str());
            }
        }
        ::usleep(static_cast<useconds_t>(delayUs(random)));
        ASSERT_EQ(::kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));

        const auto contents = platform::ReadWholeFile(file);
        ASSERT_TRUE(contents.has_value()) << "kill " << kill;
        ASSERT_TRUE(*contents == onDisk[0] || *contents == onDisk[1]) << "kill " << kill;
        IniUseMainText(texts[kill % 2]);
        ASSERT_EQ(IniSaveFile(file.c_str()), 1);
        ASSERT_EQ(Others(dir_, "RIVIDO.ini"), std::vector<std::string>{}) << "kill " << kill;
    }
}

TEST_F(IniSave, ALinkedFileStaysALinkAndItsTargetTakesTheSave) {
    fs::create_directories(dir_ / "shared");
    fs::create_directories(dir_ / "station");
    const fs::path target = dir_ / "shared" / "RIVIDO.ini";
    ASSERT_TRUE(platform::WriteWholeFile(target, "[Setting]\r\nToolMode=0\r\n"));
    // A relative link, and a link to that link.
    const fs::path link = dir_ / "station" / "RIVIDO.ini";
    fs::create_symlink("../shared/RIVIDO.ini", link);
    const fs::path second = dir_ / "RIVIDO.ini";
    fs::create_symlink(link, second);

    for (const fs::path& through : {link, second}) {
        IniLoadFile(through.c_str());
        ASSERT_EQ(IniSetInt("Setting", "ToolMode", through == link ? 1 : 2, through.c_str()), 1);
        ASSERT_EQ(IniSaveFile(through.c_str()), 1);
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_TRUE(fs::is_symlink(second));
        EXPECT_EQ(platform::ReadWholeFile(target).value(),
                  "[Setting]\r\nToolMode=" + std::string(through == link ? "1" : "2") + "\r\n");
        EXPECT_EQ(Others(dir_ / "shared", "RIVIDO.ini"), std::vector<std::string>{});
        EXPECT_EQ(Others(dir_ / "station", "RIVIDO.ini"), std::vector<std::string>{});
    }
}

TEST_F(IniSave, TheFileKeepsItsPermissionBits) {
    const fs::path file = dir_ / "RIVIDO.ini";
    for (const mode_t mode : {0600, 0640, 0664, 0444}) {
        ASSERT_TRUE(platform::WriteWholeFile(file, "[Setting]\r\n"));
        ASSERT_EQ(::chmod(file.c_str(), mode), 0);
        IniLoadFile(file.c_str());
        IniSetInt("Setting", "ToolMode", 1, file.c_str());
        ASSERT_EQ(IniSaveFile(file.c_str()), 1);
        struct stat st {};
        ASSERT_EQ(::stat(file.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode) << std::oct << mode;
        EXPECT_EQ(st.st_uid, ::geteuid());
        EXPECT_EQ(platform::ReadWholeFile(file).value(), "[Setting]\r\nToolMode=1\r\n");
        fs::remove(file);
    }
}

}  // namespace
