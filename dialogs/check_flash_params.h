// The parameters of the check-flash window's page and block operations, gathered from the texts and
// choices of a tab's controls, and the refusals that keep a typed value from reaching the drive in
// another form (a channel without a grid, a block number that would wrap to another block).
// Plain code; the window reads its controls into these records.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace dialogs {

// The largest transfer a page operation can make: the all-channel form moves one page of up to 255
// sectors for each of 8 channels.
inline constexpr std::size_t kCheckFlashBufferBytes = 8u * 255u * 512u;

// A read or write tab's controls.
struct PageControls {
    std::string channel, bank, block, page;
    int ldpcIndex = 0;  // 0 "Loader", 1 "Normal", -1 none chosen
    bool scramble = true;
    int blockTypeIndex = 0;  // 0 "Loader", 1 "SLC", 2 "TLC", -1 none chosen
};

// The typed values as the form library converts them, and the derived parameters.
struct PageParams {
    std::int32_t channel = 0, bank = 0, block = 0, page = 0;
    std::uint8_t ldpcRate = 1;
    std::uint32_t sectors = 8;
    std::uint8_t scramble = 1;
    std::uint8_t blockType = 0;
};

// Throws forms::ConvertError for a text that is not an integer. "Normal" takes the flash type's LDPC
// mode and page sectors; "Loader" (or nothing chosen) rate 1 and 8 sectors.
PageParams GatherPageParams(const PageControls& controls);
// The pattern text (decimal, or hexadecimal after "0x" or "$"); throws forms::ConvertError.
std::int32_t ParsePattern(const std::string& text);

struct EraseControls {
    std::string channel, bank, block;
    bool nonSlc = false;          // "Non-SLC" chosen
    bool nonSinglePlane = false;  // "Non-Single Plane" chosen
};
struct EraseParams {
    std::int32_t channel = 0, bank = 0, block = 0;
    std::uint8_t isSlc = 1, isSinglePlane = 1;
};
EraseParams GatherEraseParams(const EraseControls& controls);

// The memo line of a refusal, or nothing when the values may be sent: a channel outside 0 to 7, a
// bank outside 0 to 255, a block or page outside 0 to 65,535.
std::optional<std::string> RefusePage(const PageParams& params);
std::optional<std::string> RefuseErase(const EraseParams& params);

}  // namespace dialogs
