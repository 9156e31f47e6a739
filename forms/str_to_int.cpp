#include "forms/str_to_int.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace forms {

namespace {

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

}  // namespace

std::optional<std::int32_t> StrToInt(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    } else if (text.size() > 1 && text[0] == '$') {
        base = 16;
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        const int d = DigitValue(c);
        if (d >= static_cast<int>(base)) return std::nullopt;
        value = value * base + static_cast<unsigned>(d);
        if (value > 0xFFFFFFFFull) return std::nullopt;
    }
    if (base == 16) {
        const auto bits = static_cast<std::uint32_t>(negative ? 0u - value : value);
        return static_cast<std::int32_t>(bits);
    }
    if (negative) {
        if (value > 0x80000000ull) return std::nullopt;
        return static_cast<std::int32_t>(-static_cast<std::int64_t>(value));
    }
    if (value > 0x7FFFFFFFull) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::int32_t StrToIntDef(std::string_view text, std::int32_t fallback) {
    return StrToInt(text).value_or(fallback);
}

std::int32_t StrToIntOrThrow(std::string_view text) {
    const auto value = StrToInt(text);
    if (!value) throw ConvertError::NotAnInteger(text);
    return *value;
}

std::optional<double> StrToFloat(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    std::string_view body = text;
    bool negative = false;
    if (!body.empty() && (body.front() == '+' || body.front() == '-')) {
        negative = body.front() == '-';
        body.remove_prefix(1);
    }
    // The shape first: digits, at most one point, at least one digit, then an optional exponent.
    std::size_t i = 0, digits = 0;
    bool point = false;
    for (; i < body.size(); ++i) {
        const char c = body[i];
        if (std::isdigit(static_cast<unsigned char>(c)) != 0) {
            ++digits;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0) return std::nullopt;
    if (i < body.size()) {
        if (body[i] != 'e' && body[i] != 'E') return std::nullopt;
        std::size_t j = i + 1;
        if (j < body.size() && (body[j] == '+' || body[j] == '-')) ++j;
        if (j == body.size()) return std::nullopt;
        for (; j < body.size(); ++j) {
            if (std::isdigit(static_cast<unsigned char>(body[j])) == 0) return std::nullopt;
        }
    }
    std::string plain(body);
    if (!plain.empty() && plain.front() == '.') plain.insert(plain.begin(), '0');
    double value = 0;
    const auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (ec != std::errc() || end != plain.data() + plain.size() || !std::isfinite(value)) return std::nullopt;
    return negative ? -value : value;
}

double StrToFloatOrThrow(std::string_view text) {
    const auto value = StrToFloat(text);
    if (!value) throw ConvertError::NotAFloat(text);
    return *value;
}

std::string FloatToStr(double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    if (value == 0) return "0";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);  // LC_NUMERIC is "C": the point is "."
    std::string text(buffer);
    const std::size_t e = text.find('e');
    int exponent = 0;
    std::string mantissa = text;
    if (e != std::string::npos) {
        exponent = std::stoi(text.substr(e + 1));
        mantissa = text.substr(0, e);
    } else {
        exponent = static_cast<int>(std::floor(std::log10(std::fabs(value))));
    }
    // %g switches to the exponent form below 1E-4; the general format keeps 1E-5 in plain form.
    if (e != std::string::npos && exponent >= -5 && exponent < 15) {
        std::snprintf(buffer, sizeof buffer, "%.*f", 15 - 1 - exponent, value);
        text = buffer;
        if (text.find('.') != std::string::npos) {
            while (text.back() == '0') text.pop_back();
            if (text.back() == '.') text.pop_back();
        }
        return text;
    }
    if (e == std::string::npos) return text;
    return mantissa + "E" + std::to_string(exponent);
}

}  // namespace forms
