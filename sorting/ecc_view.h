// What the "ECC Info" page shows, without a widget: the die slot of the selectors, the blocks per
// LUN, the two summary values, the grid texts, the counting lines of the three counting buttons and
// the colour rule of a grid cell. The page (ecc_page.h) copies these onto its controls.
//
// Bounds kept here: a zero LUN count gives 0 blocks per LUN; a slot that would pass 255 is 255 (no
// wrap onto a real die); the values read are at most the 8,192 blocks of a table row; counts and
// percentages are 32-bit and a zero block count gives 0 %.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sorting {

inline constexpr std::uint8_t kEccEmptyMarker = 250;  // an EccGridBlocks entry past the die's blocks
inline constexpr unsigned kEccBins = 256;
inline constexpr unsigned kEccGridColumns = 17;
inline constexpr int kEccGridInitialRows = 100;

// B: blocks per LUN (wBlocks ÷ ucDiePerCE); 0 when the LUN count is 0.
std::uint16_t EccBlocksPerLun(std::uint16_t wBlocks, std::uint8_t diePerCE);
// FW bank × MaxPhyChannel + channel, 255 when larger (a slot of 64 or more shows an empty die).
std::uint8_t EccDieSlot(std::uint8_t channel, std::uint8_t fwBank, std::uint8_t maxPhyChannel);

// The largest value other than 255 (0 when there is none).
std::uint8_t EccMaxErrorBit(std::span<const std::uint8_t> values);
// The value of the first bin with the largest count (ties to the lower value; 0 when all are 0).
std::uint8_t EccMostFrequentValue(std::span<const std::uint16_t, kEccBins> counts);
// The grid's block buffer: the die's first B values (at most 8,192), the empty marker after them.
void FillEccGridBlocks(std::span<std::uint8_t> grid, std::span<const std::uint8_t> dieValues, std::uint16_t blocks);

enum class EccCompare { Greater, Less, Equal };
struct EccCount {
    std::uint32_t blocks = 0;
    std::uint32_t percent = 0;  // blocks × 100 ÷ B, truncated
    bool operator==(const EccCount&) const = default;
};
// Greater: bins value+1 … 255; Less: bins 0 … value−1; Equal: bin value.
EccCount EccCountBlocks(std::span<const std::uint16_t, kEccBins> counts, EccCompare compare, std::uint8_t value,
                        std::uint16_t blocksPerLun);
// The counting button's memo line (without its closing line feed).
std::string EccCountLine(EccCompare compare, int channel, int bank, int lun, std::uint8_t value, const EccCount& count);

// Grid texts. Rows and columns as the string grid counts them (row 0 and column 0 are the headers).
int EccBlockGridRows(std::uint16_t blocksPerLun);  // (B + 16) ÷ 16 + 1
std::string EccBlockRowLabel(int row);             // "0x%06X" of (row − 1) × 16
std::string EccCountRowLabel(int row);             // "%02X" of (row − 1) × 16
std::string EccColumnHeader(int column);           // "%X" of column − 1

// How a data cell is painted: text and background as 0x00BBGGRR; no background means the one the
// grid chose for the cell (its base, or the selection). The text starts `textLeft` pixels right of
// the cell's left edge, at its top.
enum class EccGridKind { Blocks, Counts };
struct EccCellLook {
    std::uint32_t text = 0;
    std::optional<std::uint32_t> background;
    int textLeft = 0;
    bool operator==(const EccCellLook&) const = default;
};
inline constexpr std::uint32_t kEccBlack = 0x000000, kEccWhite = 0xFFFFFF, kEccRed = 0x0000FF, kEccYellow = 0x00FFFF,
                               kEccSilver = 0xC0C0C0;
// Blocks: the value (low byte of the text's number) above `threshold` white on red, 250 black on
// yellow, else black. Counts: 0 silver on silver, else black. A text that is not a number is black.
EccCellLook EccCellColours(EccGridKind grid, std::string_view text, std::uint8_t threshold);

}  // namespace sorting
