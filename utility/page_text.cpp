#include "utility/page_text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace vellumin {

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (n > 0) {
        text.resize(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(text.data(), text.size(), format, again);
        text.resize(static_cast<std::size_t>(n));
    }
    va_end(again);
    return text;
}

std::string MemoText(const Lines& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::string GridReportText(const Grid& rows) {
    std::string text;
    for (const GridRow& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            text += row[c];
            if (c == 1 && row[c].size() <= 27) text.append(28 - row[c].size(), ' ');
            text += '\t';
        }
        text += "\r\n";
    }
    return text;
}

std::string BoundedText(const void* bytes, std::size_t limit) {
    const auto* p = static_cast<const char*>(bytes);
    return std::string(p, ::strnlen(p, limit));
}

std::string Trimmed(const std::string& text) {
    const char* ws = " \t\r\n\v\f";
    const std::size_t first = text.find_first_not_of(ws);
    if (first == std::string::npos) return {};
    const std::size_t last = text.find_last_not_of(ws);
    return text.substr(first, last - first + 1);
}

}  // namespace vellumin
