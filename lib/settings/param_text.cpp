#include "settings/param_text.h"

#include <sys/types.h>

#include <cstdio>

std::size_t LineLength(const char* text) {
    if (text == nullptr) return 0;
    std::size_t n = 0;
    while (text[n] != '\0' && text[n] != '\n') ++n;
    return n;
}

void IncDecString(char* text) {
    for (std::size_t i = LineLength(text); i > 0; --i) {
        char& c = text[i - 1];
        if (c == '9') {
            c = '0';
            continue;
        }
        c = (c >= '0' && c <= '8') ? static_cast<char>(c + 1) : '0';
        return;
    }
}

void IncHexString(char* text) {
    for (std::size_t i = LineLength(text); i > 0; --i) {
        char& c = text[i - 1];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c == 'F') {
            c = '0';
            continue;
        }
        if ((c >= '0' && c <= '8') || (c >= 'A' && c <= 'E')) {
            c = static_cast<char>(c + 1);
        } else if (c == '9') {
            c = 'A';
        } else {
            c = '0';
        }
        return;
    }
}

std::uint64_t HexToU64(const char* text, std::size_t n) {
    std::uint64_t value = 0;
    bool ended = text == nullptr;
    for (std::size_t i = 0; i < n; ++i) {
        std::uint64_t digit = 0;
        if (!ended) {
            const char c = text[i];
            if (c == '\0') {
                ended = true;  // the rest of the n positions count 0 without being read
            } else if (c >= '0' && c <= '9') {
                digit = static_cast<std::uint64_t>(c - '0');
            } else if (c >= 'A' && c <= 'F') {
                digit = static_cast<std::uint64_t>(c - 'A' + 10);
            }
        }
        value = value * 16U + digit;  // the weighted sum, kept modulo 2^64
    }
    return value;
}

bool ReadFileAt(const char* path, std::uint64_t offset, std::size_t length, std::uint8_t* buffer) {
    if (path == nullptr || buffer == nullptr) return false;
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return false;
    bool atEnd = offset > static_cast<std::uint64_t>(0x7FFFFFFFFFFFFFFFLL) ||
                 ::fseeko(f, static_cast<off_t>(offset), SEEK_SET) != 0;
    for (std::size_t i = 0; i < length; ++i) {
        const int c = atEnd ? EOF : std::fgetc(f);
        if (c == EOF) atEnd = true;
        buffer[i] = c == EOF ? 0xFF : static_cast<std::uint8_t>(c);
    }
    buffer[length] = 0;
    std::fclose(f);
    return true;
}
