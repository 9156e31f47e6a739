// The form library's text-to-integer conversion: optional blanks, an optional sign, then decimal
// digits, or hexadecimal digits after "0x", "0X" or "$". Hexadecimal values take all 32 bits (0xFFFFFFFF
// is -1); decimal values must fit a signed 32-bit integer. Anything else is not a number.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace forms {

// What the form library throws when a control's text is not a number. what() is the message the
// operator is shown: "'<text>' is not a valid integer value" or "... floating point value".
class ConvertError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
    static ConvertError NotAnInteger(std::string_view text) {
        return ConvertError("'" + std::string(text) + "' is not a valid integer value");
    }
    static ConvertError NotAFloat(std::string_view text) {
        return ConvertError("'" + std::string(text) + "' is not a valid floating point value");
    }
};

std::optional<std::int32_t> StrToInt(std::string_view text);
std::int32_t StrToIntDef(std::string_view text, std::int32_t fallback);
// StrToInt, throwing ConvertError::NotAnInteger for a text that is not a number (what the form
// library's conversion does).
std::int32_t StrToIntOrThrow(std::string_view text);

// The form library's text-to-float conversion: blanks at either end, an optional sign, digits with
// at most one "." (the decimal separator whatever the user's locale), an optional exponent "E" or
// "e" with its own sign. Nothing else is a number; neither are values beyond the double range.
std::optional<double> StrToFloat(std::string_view text);
// StrToFloat, throwing ConvertError::NotAFloat.
double StrToFloatOrThrow(std::string_view text);
// The general float format: at most 15 significant digits, no trailing zeros, "." as separator;
// exponent form ("1.5E20", "1E-5") when the exponent is below -5 or not below 15.
std::string FloatToStr(double value);

}  // namespace forms
