// What the result window's die grid shows, without a widget: the fifteen controls of a die panel
// (names, template places, first texts), the look of a drawn die (status, colours, count texts),
// the program-time check of the Tprogram list, the bad-block lights, which CEs the LUN redraw draws
// and how many LUN radios a flash shows. The window (sort_main_form.h) only copies these onto its
// controls.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "sorting/result_rows.h"
#include "sorting/sort_result_view.h"
#include "tables/sort_result_pages.h"

namespace sorting {

// TColor values (0x00BBGGRR) of the die shapes and the total panel besides red and green.
inline constexpr std::uint32_t kShapeSilver = 0xC0C0C0;
inline constexpr std::uint32_t kShapeYellow = 0x00FFFF;

// The die grid: 8 channels (columns) by 4 banks (rows, shown as CE).
inline constexpr unsigned kGridChannels = 8, kGridBanks = 4;
inline constexpr int kDieColumnStep = 124, kDieRowStep = 116;

// The fifteen controls of a die panel, in the order they are made.
enum class DieControl { Panel, Shape, CH, CE, Lun, TB, EF, PF, ECCF, FB, P0, P1, P2, P3, Info };
inline constexpr std::size_t kDieControlCount = 15;

struct DieRect {
    int left = 0, top = 0, width = 0, height = 0;
    friend bool operator==(const DieRect&, const DieRect&) = default;
};

struct DieControlTemplate {
    DieControl kind;
    const char* nameFormat;    // "SR_Die_Panel_C%dB%d" (channel, bank)
    const char* templateName;  // the hidden template control: "Result_Panel" …
    DieRect place;             // the template's place (the panel's within GroupBox2, the others' within it)
    const char* firstText;     // "CH:%d" with the channel, "CE:%d" with the bank, "TB:%d" … with 0; "" none
};
extern const std::array<DieControlTemplate, kDieControlCount> kDieControls;

const DieControlTemplate& DieTemplate(DieControl kind);
std::string DieControlName(DieControl kind, unsigned channel, unsigned bank);
// The template's place; the panel moved by 124 x channel and 116 x bank.
DieRect DieControlRect(DieControl kind, unsigned channel, unsigned bank);
std::string DieFirstText(DieControl kind, unsigned channel, unsigned bank);
// The die of an Info button's name ("SR_Die_info_btn_C%dB%d"), channel 0..7 and bank 0..3.
std::optional<std::array<unsigned, 2>> DieOfInfoButton(std::string_view name);

// How a drawn die looks, from its record: TestResult 0 passes (status empty, green, Info shown),
// 0xFF has no result ("NR", red, no Info button), anything else fails (red, Info shown). The nine
// count texts in the order TB, EF, PF, ECC ("EF:%d" too), FB, P0 … P3.
struct DieLook {
    std::string status;
    std::uint32_t shapeColour = 0;
    bool infoVisible = false;
    bool pass = false;
    std::array<std::string, 9> counts{};
};
DieLook LookOfDie(const tables::DieTestInfo& die);

// The program-time check on the echoed settings: pass only when every one of tProg_SLC, tProg, tRead
// and tRead_SLC lies strictly between its lower and upper bound (unsigned 16-bit); erase times are
// not checked.
bool TprogramPass(const tables::DieTestInfo& die, std::span<const std::uint8_t> echo);
// The Tprogram_ListView row: caption the die number, then channel, bank, LUN, the six times and
// "Pass" or "Fail".
ListRow TprogramRow(unsigned dieNumber, unsigned channel, unsigned bank, unsigned lun, const tables::DieTestInfo& die,
                    std::span<const std::uint8_t> echo);

// The light of a die by its total bad blocks: red from YellowUnderValue up, else yellow from
// GreenUnderValue up, else green (unsigned 16-bit compares).
std::uint32_t LightColour(std::uint16_t totalBad, std::uint16_t yellowUnder, std::uint16_t greenUnder);

// How many LUN radios a flash shows: 1, 2 or 4 for that many LUNs per CE, none for any other count.
unsigned ShownLunRadios(std::uint8_t diePerCE);

// The die maps the LUN redraw consults (0xFF = no die).
struct DieMaps {
    std::uint8_t diePerCE = 1;
    std::uint8_t maxPhyBank = 0;
    const std::uint8_t (*dieMap)[4] = nullptr;       // [8 channels][4 banks]
    const std::uint8_t (*multiLunMap)[8] = nullptr;  // [8 channels][LUN x maxPhyBank + bank]
};
// Whether the LUN redraw draws CE (channel, bank) for `lun`: one LUN per CE, when the die map lists
// the CE; more, when the multi-LUN map lists that LUN of the CE itself (a LUN it does not list would
// show as a passing die of zero counts). Places outside the maps are not listed.
bool CeListed(const DieMaps& maps, unsigned channel, unsigned bank, unsigned lun);

// A light threshold typed by the operator: the form library's integer conversion (throws
// forms::ConvertError), kept as its low 16 bits (70000 is 4464).
std::uint16_t ThresholdOf(std::string_view text);

}  // namespace sorting
