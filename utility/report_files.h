// The saved reports: the folder of one drive's save ("<disk>_<serial>(n)" in the program folder, n
// the first number not taken), the file names from the date and time texts, and the report section
// ("\r\n", a rule of 90 "-", the title, the rule, the page text) appended in text mode as the reports
// have always been written: every LF becomes CR LF, so a "\r\n" of a page ends up CR CR LF.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace vellumin {

// The serial text of a folder name: up to the first zero byte (at most 20 bytes), blanks trimmed,
// every character but letters, digits, "-", "_" and blanks turned into "_".
std::string FolderSerialText(const char* serial);
// The first folder "<disk>_<serial>(n)" under `base` that does not exist.
std::filesystem::path FreeSaveFolder(const std::filesystem::path& base, std::uint32_t diskNumber,
                                     const std::string& serialText);
// "<date>_<time>": "/" and ":" and every other character a file name cannot safely hold become "_".
std::string ReportBaseName(std::string_view dateText, std::string_view timeText);

// The text as a text-mode write stores it.
std::string TextModeBytes(std::string_view text);
std::string ReportSection(std::string_view title, std::string_view pageText);
// Creates (or empties) the file: opened "w+" and closed. False when it cannot be opened.
bool CreateReportFile(const std::string& path);
// Appends the section to the report at `path` ("a+"); false (and nothing written) for a null path or
// a file that cannot be opened.
bool AppendReportSection(const char* path, std::string_view title, std::string_view pageText);

}  // namespace vellumin
