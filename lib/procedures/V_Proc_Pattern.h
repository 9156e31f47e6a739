// The sorting pattern page of a SORT download: the sorting firmware's settings from [RDT], the
// flash's read-retry table from its data file under DAT, and the tag block with the flash name
// and the tool versions; written to loader-block indexes 4 to 8, dummy pages 9 to 87.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

inline constexpr std::size_t kPatternPageBytes = 3209;  // RDT_PATTERN_PAGE
inline constexpr std::size_t kRdtSettingBytes = 1020;   // RDT_SETTING
inline constexpr std::size_t kRetryAreaOffset = 1024;
inline constexpr std::size_t kRetryAreaBytes = 2048;
inline constexpr std::size_t kTagAreaOffset = 3072;

// `page` holds at least bPageSector x 512 bytes (at least 4,096).
bool VP_WritePatternPage(int bInstance, const char* serialNumber, std::uint8_t* page);
void SetRDT(std::uint8_t* page, int bInstance, const char* serialNumber);
// Fills the 2,048-byte retry area and the two shift-read counts; always true.
bool GetRetry(std::uint8_t* area);
// 1 when the retry file exists (its first 2,041 bytes then fill the area after 7 zero bytes), else 0.
int GetRetryTable(std::uint8_t* area, std::uint8_t retryType);
void GetMPTSet(std::uint8_t* area);

namespace procedures {

// Where the procedures' message boxes go: text and title of an error box. The program entry routes
// it to the UiPort; with none installed (or after SetErrorBox({})) the text goes to the trace.
using ErrorBoxHook = std::function<void(const std::string& text, const std::string& title)>;
void SetErrorBox(ErrorBoxHook hook);
void ShowErrorBox(const std::string& text, const std::string& title);

}  // namespace procedures
