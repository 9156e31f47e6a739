// The form library's text-to-integer conversion: optional blanks, an optional sign, then decimal
// digits, or hexadecimal digits after "0x", "0X" or "$". Hexadecimal values take all 32 bits (0xFFFFFFFF
// is -1); decimal values must fit a signed 32-bit integer. Anything else is not a number.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace forms {

std::optional<std::int32_t> StrToInt(std::string_view text);
std::int32_t StrToIntDef(std::string_view text, std::int32_t fallback);

}  // namespace forms
