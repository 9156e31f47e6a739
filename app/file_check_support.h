// What the file checks share: paths under the program folder kept in the records' 260-byte
// fields, the missing-file box, and bounded reads of an image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace app::files {

inline constexpr std::size_t kPathBytes = 260;

// The program folder joined with `relative` (backslashes are folder separators).
std::string FullPath(const std::string& relative);
// Stores `path` into `field`; a path of 260 characters or more does not fit: the field is
// cleared and false returned (traced).
bool StorePath(char (&field)[kPathBytes], const std::string& path);
bool Exists(const std::string& path);
// The "Error" box naming a missing file.
void MissingBox(const std::string& path);
// Stores the path, then checks it: false after the missing-file box when it does not exist.
bool StoreAndCheck(char (&field)[kPathBytes], const std::string& relative);

// The file's size, or nullopt when it cannot be opened.
std::optional<std::uint64_t> FileSize(const std::string& path);
// Exactly `length` bytes at `offset`, or nullopt (a short read).
std::optional<std::vector<std::uint8_t>> ReadAt(const std::string& path, std::uint64_t offset, std::size_t length);

inline std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

}  // namespace app::files
