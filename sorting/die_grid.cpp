#include "sorting/die_grid.h"

#include <cstdio>

#include "forms/str_to_int.h"

namespace sorting {

const std::array<DieControlTemplate, kDieControlCount> kDieControls = {{
    {DieControl::Panel, "SR_Die_Panel_C%dB%d", "Result_Panel", {3, 3, 120, 115}, ""},
    {DieControl::Shape, "SR_Die_Shape_C%dB%d", "Result_Shape", {0, 3, 120, 16}, ""},
    {DieControl::CH, "SR_Die_CH_Label_C%dB%d", "Result_CH", {5, 4, 32, 16}, "CH:%d"},
    {DieControl::CE, "SR_Die_CE_Label_C%dB%d", "Result_CE", {45, 4, 31, 16}, "CE:%d"},
    {DieControl::Lun, "SR_Die_Lun_Label_C%dB%d", "Result_Lun", {83, 4, 22, 16}, ""},
    {DieControl::TB, "SR_Die_TB_Label_C%dB%d", "Result_TB", {5, 25, 52, 16}, "TB:%d"},
    {DieControl::EF, "SR_Die_EF_Label_C%dB%d", "Result_EF", {5, 40, 51, 16}, "EF:%d"},
    {DieControl::PF, "SR_Die_PF_Label_C%dB%d", "Result_PF", {5, 55, 51, 16}, "PF:%d"},
    {DieControl::ECCF, "SR_Die_ECCF_Label_C%dB%d", "Result_ECCF", {5, 70, 51, 16}, "EF:%d"},
    {DieControl::FB, "SR_Die_FB_Label_C%dB%d", "Result_FB", {5, 85, 51, 16}, "FB:%d"},
    {DieControl::P0, "SR_Die_P0_Label_C%dB%d", "Result_P0", {70, 25, 48, 16}, "P0:%d"},
    {DieControl::P1, "SR_Die_P1_Label_C%dB%d", "Result_P1", {70, 40, 48, 16}, "P1:%d"},
    {DieControl::P2, "SR_Die_P2_Label_C%dB%d", "Result_P2", {70, 55, 48, 16}, "P2:%d"},
    {DieControl::P3, "SR_Die_P3_Label_C%dB%d", "Result_P3", {70, 70, 48, 16}, "P3:%d"},
    {DieControl::Info, "SR_Die_info_btn_C%dB%d", "Result_Info", {70, 90, 49, 20}, "Info"},
}};

namespace {

std::string Printf(const char* format, int value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Printf2(const char* format, int a, int b) {
    char text[64];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

}  // namespace

const DieControlTemplate& DieTemplate(DieControl kind) {
    return kDieControls[static_cast<std::size_t>(kind)];
}

std::string DieControlName(DieControl kind, unsigned channel, unsigned bank) {
    return Printf2(DieTemplate(kind).nameFormat, static_cast<int>(channel), static_cast<int>(bank));
}

DieRect DieControlRect(DieControl kind, unsigned channel, unsigned bank) {
    DieRect r = DieTemplate(kind).place;
    if (kind == DieControl::Panel) {
        r.left += kDieColumnStep * static_cast<int>(channel);
        r.top += kDieRowStep * static_cast<int>(bank);
    }
    return r;
}

std::string DieFirstText(DieControl kind, unsigned channel, unsigned bank) {
    const char* text = DieTemplate(kind).firstText;
    switch (kind) {
        case DieControl::CH:
            return Printf(text, static_cast<int>(channel));
        case DieControl::CE:
            return Printf(text, static_cast<int>(bank));
        case DieControl::Panel:
        case DieControl::Shape:
        case DieControl::Lun:
        case DieControl::Info:
            return text;
        default:
            return Printf(text, 0);
    }
}

std::optional<std::array<unsigned, 2>> DieOfInfoButton(std::string_view name) {
    for (unsigned ch = 0; ch < kGridChannels; ++ch) {
        for (unsigned bank = 0; bank < kGridBanks; ++bank) {
            if (name == DieControlName(DieControl::Info, ch, bank)) return std::array<unsigned, 2>{ch, bank};
        }
    }
    return std::nullopt;
}

DieLook LookOfDie(const tables::DieTestInfo& die) {
    DieLook look;
    if (die.TestResult == 0) {
        look.shapeColour = kResultGreen;
        look.infoVisible = true;
        look.pass = true;
    } else {
        look.status = die.TestResult == 0xFF ? "NR" : "";
        look.shapeColour = kResultRed;
        look.infoVisible = die.TestResult != 0xFF;
    }
    const unsigned values[9] = {die.TotalBadNum, die.EraseFailNum,  die.ProgramFailNum,
                                die.ECCFailNum,  die.FactoryBadNum, die.Plane0Num,
                                die.Plane1Num,   die.Plane2Num,     die.Plane3Num};
    static constexpr const char* kFormats[9] = {"TB:%d", "EF:%d", "PF:%d", "EF:%d", "FB:%d",
                                                "P0:%d", "P1:%d", "P2:%d", "P3:%d"};
    for (std::size_t i = 0; i < 9; ++i) look.counts[i] = Printf(kFormats[i], static_cast<int>(values[i]));
    return look;
}

bool TprogramPass(const tables::DieTestInfo& die, std::span<const std::uint8_t> echo) {
    const auto within = [&](std::uint16_t value, const char* lowerKey, const char* upperKey) {
        const auto lower = static_cast<std::uint16_t>(tables::SortEchoValue(echo, lowerKey));
        const auto upper = static_cast<std::uint16_t>(tables::SortEchoValue(echo, upperKey));
        return lower < value && value < upper;
    };
    return within(die.tProg_SLC, "tProgThresholdLower", "tProgThreshold") &&
           within(die.tProg, "TLCtProgThresholdLower", "TLCtProgThreshold") &&
           within(die.tRead, "TLCtReadThresholdLower", "TLCtReadThreshold") &&
           within(die.tRead_SLC, "tReadThresholdLower", "tReadThreshold");
}

ListRow TprogramRow(unsigned dieNumber, unsigned channel, unsigned bank, unsigned lun, const tables::DieTestInfo& die,
                    std::span<const std::uint8_t> echo) {
    return {std::to_string(dieNumber),
            std::to_string(channel),
            std::to_string(bank),
            std::to_string(lun),
            std::to_string(die.tErase_SLC),
            std::to_string(die.tErase),
            std::to_string(die.tProg_SLC),
            std::to_string(die.tProg),
            std::to_string(die.tRead_SLC),
            std::to_string(die.tRead),
            TprogramPass(die, echo) ? "Pass" : "Fail"};
}

std::uint32_t LightColour(std::uint16_t totalBad, std::uint16_t yellowUnder, std::uint16_t greenUnder) {
    if (totalBad >= yellowUnder) return kResultRed;
    if (totalBad >= greenUnder) return kShapeYellow;
    return kResultGreen;
}

unsigned ShownLunRadios(std::uint8_t diePerCE) {
    return diePerCE == 1 || diePerCE == 2 || diePerCE == 4 ? diePerCE : 0;
}

bool CeListed(const DieMaps& maps, unsigned channel, unsigned bank, unsigned lun) {
    if (channel >= kGridChannels) return false;
    if (maps.diePerCE < 2) {
        return maps.dieMap != nullptr && bank < kGridBanks && maps.dieMap[channel][bank] != 0xFF;
    }
    const unsigned fwBank = lun * maps.maxPhyBank + bank;
    return maps.multiLunMap != nullptr && lun < maps.diePerCE && bank < maps.maxPhyBank && fwBank < 8 &&
           maps.multiLunMap[channel][fwBank] != 0xFF;
}

std::uint16_t ThresholdOf(std::string_view text) {
    return static_cast<std::uint16_t>(static_cast<std::uint32_t>(forms::StrToIntOrThrow(text)) & 0xFFFFu);
}

}  // namespace sorting
