// Test helpers for the derivation and timing tests: the global records zeroed for a test and
// restored afterwards, and a scratch folder for the files a test writes.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "settings/flash_record.h"
#include "settings/ini_engine.h"
#include "settings/records.h"
#include "support/settings_records.h"

namespace settings_test {

// Saves every settings record and the flash list, clears them and the INI engine's texts, and
// restores them.
class RecordsGuard {
  public:
    RecordsGuard() {
        std::copy(std::begin(g_FlashRecord), std::end(g_FlashRecord), records_);
        std::fill(std::begin(g_FlashRecord), std::end(g_FlashRecord), FlashRecord_t{});
        IniResetState();
    }
    ~RecordsGuard() {
        std::copy(std::begin(records_), std::end(records_), g_FlashRecord);
        IniResetState();
    }
    RecordsGuard(const RecordsGuard&) = delete;
    RecordsGuard& operator=(const RecordsGuard&) = delete;

  private:
    test_support::SettingsRecordsGuard settings_;
    FlashRecord_t records_[kFlashRecordMax];
};

// A folder under the system's temporary folder, removed when the object goes.
class ScratchDir {
  public:
    explicit ScratchDir(const std::string& tag)
        : path_(std::filesystem::temp_directory_path() / ("qv_settings_" + tag + "_" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() { std::filesystem::remove_all(path_); }

    std::string Write(const std::string& name, std::string_view contents) const {
        const std::filesystem::path p = path_ / name;
        std::filesystem::create_directories(p.parent_path());
        platform::WriteWholeFile(p, contents);
        return p.string();
    }
    std::string Path(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

}  // namespace settings_test
