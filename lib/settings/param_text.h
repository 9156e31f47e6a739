// Small text helpers of the global parameters: serial-number increments, hexadecimal values, line
// lengths and a positioned file read.
#pragma once

#include <cstddef>
#include <cstdint>

// Adds one to the decimal / hexadecimal number text in place, working from the last character
// before a NUL or line feed; a text of nines (F's) becomes zeros of the same length.
void IncDecString(char* text);
void IncHexString(char* text);

// The value of the first `n` characters of `text` read as upper-case hexadecimal; any other
// character, and every position at or after the text's end, counts 0. Kept to 64 bits.
std::uint64_t HexToU64(const char* text, std::size_t n);

// Characters before the first NUL or line feed.
std::size_t LineLength(const char* text);

// Reads `length` bytes at `offset` of `path` into `buffer` and terminates them with a NUL (so
// `buffer` holds length + 1 bytes); bytes beyond the end of the file read as 0xFF. False only when
// the file cannot be opened.
bool ReadFileAt(const char* path, std::uint64_t offset, std::size_t length, std::uint8_t* buffer);
