#include "app/flash_list_file.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "forms/ini_file.h"
#include "forms/ini_text.h"
#include "forms/str_to_int.h"
#include "settings/flash_list.h"
#include "transport/trace.h"

namespace {

constexpr std::size_t kLineMax = 255;
constexpr std::size_t kUniNameMax = 9;  // AP_INIState.FlashUniName holds 9 characters and the terminator

std::string g_FlashIniVersion = "N/A";

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}
bool IsAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

void Refuse(const std::string& section, const std::string& key, const char* why) {
    TraceOut("######### - LoadFlashIni - [%s] %s: %s\n", section.c_str(), key.c_str(), why);
}

// One part line into `record`; null when it parsed, else why not.
const char* ParseLine(std::string_view line, FlashRecord_t& record) {
    if (line.size() > kLineMax) return "line over 255 characters";
    char work[kLineMax + 1] = {};
    std::memcpy(work, line.data(), line.size());
    const char* cursor = work;
    int consumed = 0;
    record = FlashRecord_t{};
    if (ReadFlashTextField(cursor, consumed, record.FlashUniName, sizeof record.FlashUniName) == 0 ||
        ReadFlashTextField(cursor, consumed, record.sFlashFullName, sizeof record.sFlashFullName) == 0) {
        return "missing or overlong name";
    }
    if (std::strlen(record.FlashUniName) > kUniNameMax) return "unique name over 9 characters";
    const auto number = [&](auto& field) { return ReadFlashNumberField(cursor, consumed, field) != 0; };
    const bool numbers = number(record.ucFlashVendor) && number(record.ucFlashType) && number(record.ucCE) &&
                         number(record.wBlocks) && number(record.wPages) &&
                         number(record.wPageSize) && number(record.ucDiePerCE) &&
                         number(record.ucLdpcMode) && number(record.aFlashID[0]) &&
                         number(record.aFlashID[1]) && number(record.aFlashID[2]) &&
                         number(record.aFlashID[3]) && number(record.aFlashID[4]) &&
                         number(record.aFlashID[5]) && number(record.wExtendBlocks) &&
                         number(record.wLunBlockOffset) && number(record.ucPageMapType) &&
                         number(record.ucFlashInterface) && number(record.ucPlanes) &&
                         number(record.dwFlashOption) && number(record.bNandMem) &&
                         number(record.wSpareByte) && number(record.wGpioCode);
    return numbers ? nullptr : "missing or malformed number";
}

// "Name" and i in `digits` decimal digits (the vendor keys take 2, the part keys 3; more when i needs them).
std::string KeyName(std::size_t i, int digits) {
    std::string key = "Name" + std::to_string(i);
    const std::size_t width = static_cast<std::size_t>(digits) + 4;
    if (key.size() < width) key.insert(4, width - key.size(), '0');
    return key;
}

}  // namespace

int GetFlashToken(const char* text, char* token, int* consumed) {
    int n = 0;
    while (text[n] != '\0' && IsSpace(text[n])) ++n;
    std::size_t length = 0;
    while (text[n] != '\0' && IsAlnum(text[n])) {
        if (length + 1 < kFlashTokenSize) token[length] = text[n];
        ++length;
        ++n;
    }
    token[length < kFlashTokenSize ? length : kFlashTokenSize - 1] = '\0';
    *consumed = n;
    return length > 0 && length < kFlashTokenSize ? 1 : 0;
}

int ReadFlashTextField(const char*& cursor, int& consumed, char* field, std::size_t size) {
    cursor += consumed;
    char token[kFlashTokenSize];
    if (GetFlashToken(cursor, token, &consumed) == 0) return 0;
    const std::size_t length = std::strlen(token);
    if (length + 1 > size) return 0;
    std::memcpy(field, token, length + 1);
    return 1;
}

int ReadFlashNumberField(const char*& cursor, int& consumed, std::uint32_t& value) {
    cursor += consumed;
    // The token in place (GetFlashToken's rules without the copy).
    int n = 0;
    while (cursor[n] != '\0' && IsSpace(cursor[n])) ++n;
    const int start = n;
    while (cursor[n] != '\0' && IsAlnum(cursor[n])) ++n;
    consumed = n;
    const int length = n - start;
    if (length == 0 || length >= static_cast<int>(kFlashTokenSize)) return 0;
    const auto number = forms::StrToInt(std::string_view(cursor + start, static_cast<std::size_t>(length)));
    if (!number) return 0;
    value = static_cast<std::uint32_t>(*number);
    return 1;
}

const std::string& FlashIniVersion() {
    return g_FlashIniVersion;
}

int LoadFlashIniText(const forms::IniText& text, int* vendorCount, int* recordCount) {
    const forms::IniLookup ini(text);
    g_FlashIniVersion = ini.Read("Version", "FlashIniVer", "N/A");
    std::memset(g_FlashVendorName, 0, sizeof g_FlashVendorName);
    std::size_t vendors = 0;
    bool refused = false;
    for (;; ++vendors) {
        const std::string key = KeyName(vendors, 2);
        const std::string name = ini.Read("Vendor", key, "No");
        if (name == "No") break;
        if (vendors == kFlashVendorMax) {
            Refuse("Vendor", key, "more than 50 vendors");
            refused = true;
            break;
        }
        if (name.size() >= kFlashVendorNameSize) {
            Refuse("Vendor", key, "vendor name over 19 characters");
            refused = true;
            break;
        }
        std::memcpy(g_FlashVendorName[vendors], name.data(), name.size());
    }
    *vendorCount = static_cast<int>(vendors);
    if (vendors == 0) return 0;
    std::memset(g_FlashRecord, 0, sizeof g_FlashRecord);
    std::memset(g_FlashVendorStart, 0, sizeof g_FlashVendorStart);
    std::size_t r = 0;
    for (std::size_t v = 0; v < vendors && !refused; ++v) {
        const std::string section = g_FlashVendorName[v];
        for (std::size_t i = 0;; ++i) {
            const std::string key = KeyName(i, 3);
            const std::string_view line = ini.Get(section, key).value_or("No");
            if (line == "No") break;
            if (r == kFlashRecordMax) {
                Refuse(section, key, "more than 500 parts");
                refused = true;
                break;
            }
            if (const char* why = ParseLine(line, g_FlashRecord[r])) {
                g_FlashRecord[r] = FlashRecord_t{};
                Refuse(section, key, why);
                refused = true;
                break;
            }
            ++r;
        }
        if (!refused) g_FlashVendorStart[v + 1] = static_cast<std::int32_t>(r);
    }
    *recordCount = static_cast<int>(r);
    return refused ? 0 : 1;
}

int LoadFlashIni(const std::filesystem::path& path, int* vendorCount, int* recordCount) {
    const forms::IniFile file(path);
    const forms::IniText* text = file.Load();
    if (text == nullptr) {
        TraceOut("######### - LoadFlashIni - %s cannot be read or is too large\n", path.string().c_str());
        *vendorCount = 0;
        return 0;
    }
    return LoadFlashIniText(*text, vendorCount, recordCount);
}

std::optional<std::filesystem::path> FlashListPath(const std::filesystem::path& programFolder, std::string_view value) {
    const std::size_t start = value.find_first_not_of("/\\");
    if (start == std::string_view::npos) return std::nullopt;
    const std::filesystem::path name = std::filesystem::path(std::string(value.substr(start))).lexically_normal();
    if (name.empty() || name.is_absolute() || *name.begin() == "..") return std::nullopt;
    return programFolder / name;
}
