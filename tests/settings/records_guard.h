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
#include "support/scratch_folder.h"
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

// A scratch folder (qv_settings_<tag>) whose files the settings readers take by name.
class ScratchDir : public test_support::ScratchFolder {
  public:
    explicit ScratchDir(const std::string& tag) : ScratchFolder("qv_settings_" + tag) {}

    std::string Write(const std::string& name, std::string_view contents) const {
        return ScratchFolder::Write(name, contents).string();
    }
    std::string Path(const std::string& name) const { return (*this / name).string(); }
};

}  // namespace settings_test
