#include "utility/report_files.h"

#include <cstdio>
#include <cstring>
#include <system_error>

#include "utility/page_text.h"

namespace vellumin {

namespace {

bool IsFolderSafe(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == ' ';
}

bool IsFileUnsafe(unsigned char c) {
    return c < 0x20 || c == 0x7F || std::strchr("/\\:*?\"<>|", c) != nullptr;
}

}  // namespace

std::string FolderSerialText(const char* serial) {
    std::string text = Trimmed(BoundedText(serial, 20));
    for (char& c : text) {
        if (!IsFolderSafe(c)) c = '_';
    }
    return text;
}

std::filesystem::path FreeSaveFolder(const std::filesystem::path& base, std::uint32_t diskNumber,
                                     const std::string& serialText) {
    for (unsigned n = 0;; ++n) {
        const std::filesystem::path folder = base / Format("%u_%s(%u)", diskNumber, serialText.c_str(), n);
        std::error_code ec;
        if (!std::filesystem::exists(folder, ec)) return folder;
    }
}

std::string ReportBaseName(std::string_view dateText, std::string_view timeText) {
    std::string name(dateText);
    name += '_';
    name += timeText;
    for (char& c : name) {
        if (IsFileUnsafe(static_cast<unsigned char>(c))) c = '_';
    }
    return name;
}

std::string TextModeBytes(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') bytes += '\r';
        bytes += c;
    }
    return bytes;
}

std::string ReportSection(std::string_view title, std::string_view pageText) {
    const std::string rule = std::string(90, '-') + "\n";
    std::string section = "\r\n" + rule;
    section += title;
    section += "\n";
    section += rule;
    section += pageText;
    return section;
}

bool CreateReportFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "w+");
    if (f == nullptr) return false;
    std::fclose(f);
    return true;
}

bool AppendReportSection(const char* path, std::string_view title, std::string_view pageText) {
    if (path == nullptr) return false;
    std::FILE* f = std::fopen(path, "a+");
    if (f == nullptr) return false;
    const std::string bytes = TextModeBytes(ReportSection(title, pageText));
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace vellumin
