#include "settings/ini_text.h"

#include <cstring>
#include <limits>

namespace settings::ini {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

constexpr std::size_t kNone = std::string_view::npos;

// `needle` in `text` at or after `from`: memchr on its first character, then a compare. Needles are
// short and their first characters sparse enough for this to beat a byte-by-byte search.
std::size_t Find(std::string_view text, std::string_view needle, std::size_t from) {
    if (from > text.size()) return kNone;
    if (needle.empty()) return from;
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* p = begin + from;
    while (static_cast<std::size_t>(end - p) >= needle.size()) {
        p = static_cast<const char*>(
            std::memchr(p, needle.front(), static_cast<std::size_t>(end - p) - needle.size() + 1));
        if (p == nullptr) return kNone;
        if (std::memcmp(p + 1, needle.data() + 1, needle.size() - 1) == 0) return static_cast<std::size_t>(p - begin);
        ++p;
    }
    return kNone;
}

std::size_t Find(std::string_view text, char c, std::size_t from) {
    if (from >= text.size()) return kNone;
    const void* hit = std::memchr(text.data() + from, c, text.size() - from);
    return hit != nullptr ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) : kNone;
}

// Position just after the section's first header line (the text's end when the header is its last
// line), or nothing when the text has no such header. Lookups run hundreds of times per settings load,
// so this searches for the header's characters and checks that the match is a whole line, rather than
// walking the text line by line.
std::optional<std::size_t> FindSectionBody(std::string_view text, std::string_view section) {
    if (section.find('\n') != kNone) return std::nullopt;  // no single line can be its header
    std::string header;
    header.reserve(section.size() + 2);
    header.append(1, '[').append(section).append(1, ']');
    for (std::size_t pos = Find(text, header, 0); pos != kNone; pos = Find(text, header, pos + 1)) {
        const std::size_t end = pos + header.size();
        const bool startsLine = pos == 0 || text[pos - 1] == '\n';
        const bool endsLine = end == text.size() || text[end] == '\n';
        if (startsLine && endsLine) return end == text.size() ? end : end + 1;
    }
    return std::nullopt;
}

// What a walk through a section's lines found: the first key line (its start and its value's start)
// and where the section ends (the start of the line that closes it, or the text's end).
struct SectionScan {
    std::optional<std::size_t> keyLine;
    std::size_t value = 0;
    std::size_t end = 0;
};

bool KeyCanMatch(std::string_view key) {
    // The text before a line's first "=", blanks trimmed, never holds "=" or a line break and never
    // starts or ends with a blank, so a key that does matches no line.
    if (key.find_first_of("=\n") != kNone) return false;
    return key.empty() || (!IsBlank(key.front()) && !IsBlank(key.back()));
}

// Walks the lines from `body` (a line start) until one that begins with "[" or, when `emptyLineEnds`,
// an empty line. The first line whose text before its first "=" is the key (blanks around it
// ignored) is the key line. One pass, no copies.
SectionScan ScanSection(std::string_view text, std::size_t body, std::string_view key, bool emptyLineEnds) {
    SectionScan scan;
    const bool keyCanMatch = KeyCanMatch(key);
    const std::size_t n = text.size();
    std::size_t pos = body;
    while (pos < n) {
        const char first = text[pos];
        if (first == '[' || (emptyLineEnds && first == '\n')) break;
        if (keyCanMatch) {
            std::size_t i = pos;
            while (i < n && IsBlank(text[i])) ++i;
            // The key's last character first: lines of one section often share the key's first ones.
            if (n - i >= key.size() && (key.empty() || text[i + key.size() - 1] == key.back()) &&
                text.compare(i, key.size(), key) == 0) {
                i += key.size();
                while (i < n && IsBlank(text[i])) ++i;
                if (i < n && text[i] == '=') {
                    scan.keyLine = pos;
                    scan.value = i + 1;
                    scan.end = pos;
                    return scan;
                }
            }
        }
        const std::size_t lf = Find(text, '\n', pos);
        pos = lf == kNone ? n : lf + 1;
    }
    scan.end = pos < n ? pos : n;
    return scan;
}

std::string MakeKeyLine(std::string_view key, std::string_view value) {
    std::string out;
    out.reserve(key.size() + value.size() + 2);
    out.append(key).append(1, '=').append(value).append(1, '\n');
    return out;
}

}  // namespace

bool IsUsableKey(std::string_view key) {
    return !key.empty() && key.front() != '[' && key.find('\r') == kNone && KeyCanMatch(key);
}

std::string DropCarriageReturns(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (char c : raw) {
        if (c != '\r') out.push_back(c);
    }
    return out;
}

std::string ToCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16 + 16);
    for (char c : text) {
        if (c == '\n') out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

bool HasSection(std::string_view text, std::string_view section) {
    return FindSectionBody(text, section).has_value();
}

std::optional<std::string_view> FindValue(std::string_view text, std::string_view section, std::string_view key) {
    const auto body = FindSectionBody(text, section);
    if (!body) return std::nullopt;
    const SectionScan scan = ScanSection(text, *body, key, false);
    if (!scan.keyLine) return std::nullopt;
    std::size_t lineEnd = Find(text, '\n', scan.value);
    if (lineEnd == kNone) lineEnd = text.size();
    return text.substr(scan.value, lineEnd - scan.value);
}

void SetValue(std::string& text, std::string_view section, std::string_view key, std::string_view value) {
    if (text.empty()) {
        text.append(1, '[').append(section).append("]\n").append(MakeKeyLine(key, value));
        return;
    }
    // A final line without a line feed is kept as a line of its own.
    if (text.back() != '\n') text.push_back('\n');

    const auto body = FindSectionBody(text, section);
    if (!body) {
        text.append("\n[").append(section).append("]\n").append(MakeKeyLine(key, value));
        return;
    }
    // For the setter the section ends at an empty line or at the next header.
    const SectionScan scan = ScanSection(text, *body, key, true);
    if (!scan.keyLine) {
        // After the section's last non-empty line: before the empty line or header, or at the text's end.
        text.insert(scan.end, MakeKeyLine(key, value));
        return;
    }
    // Replace the line's characters; its line feed stays.
    const std::size_t lineEnd = Find(text, '\n', scan.value);
    std::string replacement;
    replacement.reserve(key.size() + value.size() + 1);
    replacement.append(key).append(1, '=').append(value);
    text.replace(*scan.keyLine, lineEnd - *scan.keyLine, replacement);
}

std::int32_t ParseInt(std::string_view value) {
    // A 32-bit field may hold any value from -2147483648 to 4294967295: an unsigned one written as
    // its number, a signed one written "%d". Both read back as the same 32 bits. Digit runs beyond
    // that range stop at its end: INT32_MIN below, INT32_MAX above.
    constexpr std::uint64_t kUnsignedEnd = std::numeric_limits<std::uint32_t>::max();
    const bool negative = !value.empty() && value.front() == '-';
    const std::uint64_t limit = negative ? std::uint64_t{1} << 31 : kUnsignedEnd + 1;
    std::uint64_t magnitude = 0;
    for (std::size_t i = negative ? 1 : 0; i < value.size() && IsDigit(value[i]); ++i) {
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(value[i] - '0');
        if (magnitude > limit) magnitude = limit;
    }
    if (negative) return static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude));
    if (magnitude > kUnsignedEnd) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(magnitude));
}

std::uint64_t ParseUInt64(std::string_view value) {
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t result = 0;
    for (std::size_t i = 0; i < value.size() && IsDigit(value[i]); ++i) {
        const auto digit = static_cast<std::uint64_t>(value[i] - '0');
        result = result > (kMax - digit) / 10 ? kMax : result * 10 + digit;
    }
    return result;
}

std::optional<std::uint32_t> ParseHex(std::string_view value) {
    if (value.size() < 3 || value[0] != '0' || value[1] != 'x' || HexValue(value[2]) < 0) return std::nullopt;
    std::uint64_t result = 0;
    for (std::size_t i = 2; i < value.size(); ++i) {
        const int digit = HexValue(value[i]);
        if (digit < 0) break;
        result = result * 16 + static_cast<std::uint64_t>(digit);
        if (result > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    }
    return static_cast<std::uint32_t>(result);
}

}  // namespace settings::ini
