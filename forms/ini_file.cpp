#include "forms/ini_file.h"

#include <system_error>
#include <utility>

#include "forms/str_to_int.h"
#include "platform/files.h"

namespace forms {

IniFile::IniFile(std::filesystem::path path) : path_(std::move(path)) {}

const IniText* IniFile::Load() const {
    std::error_code ec;
    const auto status = std::filesystem::status(path_, ec);
    std::optional<std::string> bytes;
    if (status.type() == std::filesystem::file_type::not_found) {
        bytes.emplace();
    } else {
        if (!std::filesystem::is_regular_file(status)) return nullptr;
        const std::uintmax_t size = std::filesystem::file_size(path_, ec);
        if (ec || size > kMaxFileBytes) return nullptr;
        bytes = platform::ReadWholeFile(path_);
        if (!bytes || bytes->size() > kMaxFileBytes) return nullptr;
    }
    if (!cachedBytes_ || *cachedBytes_ != *bytes) {
        cachedText_ = IniText::Parse(*bytes);
        cachedBytes_ = std::move(bytes);
    }
    return &cachedText_;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view fallback) const {
    if (const IniText* text = Load()) {
        if (auto value = text->Get(section, key)) return *value;
    }
    return std::string(fallback);
}

std::int32_t IniFile::ReadInteger(std::string_view section, std::string_view key, std::int32_t fallback) const {
    if (const IniText* text = Load()) {
        if (const auto value = text->Get(section, key)) return StrToIntDef(*value, fallback);
    }
    return fallback;
}

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    const IniText* current = Load();
    if (current == nullptr) return false;
    IniText text = *current;
    if (!text.Set(section, key, value)) return false;
    std::string bytes = text.Serialize();
    if (bytes == *cachedBytes_) return true;  // the file holds exactly this already
    if (!platform::WriteFileAtomic(path_, bytes)) return false;
    cachedText_ = std::move(text);
    cachedBytes_ = std::move(bytes);
    return true;
}

bool IniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
    return WriteString(section, key, std::to_string(value));
}

bool IniFile::SectionExists(std::string_view section) const {
    const auto text = Load();
    return text && text->HasSection(section);
}

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
    const auto text = Load();
    return text && text->Get(section, key).has_value();
}

std::vector<std::string> IniFile::ReadSections() const {
    const auto text = Load();
    return text ? text->Sections() : std::vector<std::string>{};
}

std::vector<std::string> IniFile::ReadSectionKeys(std::string_view section) const {
    const auto text = Load();
    return text ? text->Keys(section) : std::vector<std::string>{};
}

}  // namespace forms
