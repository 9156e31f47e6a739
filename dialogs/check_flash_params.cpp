#include "dialogs/check_flash_params.h"

#include <cstdio>

#include "forms/str_to_int.h"
#include "settings/records.h"

namespace dialogs {

namespace {

std::int32_t ToInt(const std::string& text) {
    const std::optional<std::int32_t> value = forms::StrToInt(text);
    if (!value) throw forms::ConvertError::NotAnInteger(text);
    return *value;
}

std::optional<std::string> OutOfRange(const char* name, std::int32_t value, std::int32_t high) {
    if (value >= 0 && value <= high) return std::nullopt;
    char text[96];
    std::snprintf(text, sizeof text, "Refused: %s = %d is not 0 to %d, nothing sent.", name, value, high);
    return std::string(text);
}

}  // namespace

PageParams GatherPageParams(const PageControls& c) {
    PageParams p;
    p.channel = ToInt(c.channel);
    p.bank = ToInt(c.bank);
    p.block = ToInt(c.block);
    p.page = ToInt(c.page);
    if (c.ldpcIndex == 1) {
        p.ldpcRate = AP_FlashSet.ucLdpcMode;
        p.sectors = AP_FlashSet.bPageSector;
    } else {
        p.ldpcRate = 1;
        p.sectors = 8;
    }
    p.scramble = c.scramble ? 1 : 0;
    p.blockType = c.blockTypeIndex >= 0 && c.blockTypeIndex <= 2 ? static_cast<std::uint8_t>(c.blockTypeIndex) : 1;
    return p;
}

std::int32_t ParsePattern(const std::string& text) {
    return ToInt(text);
}

EraseParams GatherEraseParams(const EraseControls& c) {
    EraseParams p;
    p.channel = ToInt(c.channel);
    p.bank = ToInt(c.bank);
    p.block = ToInt(c.block);
    p.isSlc = c.nonSlc ? 0 : 1;
    p.isSinglePlane = c.nonSinglePlane ? 0 : 1;
    return p;
}

std::optional<std::string> RefusePage(const PageParams& p) {
    if (auto line = OutOfRange("Channel", p.channel, 7)) return line;
    if (auto line = OutOfRange("Bank", p.bank, 255)) return line;
    if (auto line = OutOfRange("Block", p.block, 65535)) return line;
    return OutOfRange("Page", p.page, 65535);
}

std::optional<std::string> RefuseErase(const EraseParams& p) {
    if (auto line = OutOfRange("Channel", p.channel, 7)) return line;
    // Bank 255 would erase the block in every bank.
    if (auto line = OutOfRange("Bank", p.bank, 254)) return line;
    return OutOfRange("Block", p.block, 65535);
}

}  // namespace dialogs
