// The pieces every page of the window shares: printf-style formatting into a std::string, a memo's
// whole text (each line ended by CR LF, as the memo gives it), grid rows written as report lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vellumin {

using Lines = std::vector<std::string>;
using GridRow = std::vector<std::string>;
using Grid = std::vector<GridRow>;

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The lines, each followed by "\r\n".
std::string MemoText(const Lines& lines);
// The rows as report lines: each cell and a tab, a column-1 text of at most 27 characters first
// padded with blanks to 28; each line ends with "\r\n".
std::string GridReportText(const Grid& rows);
// The bytes up to the first zero byte, at most `limit`.
std::string BoundedText(const void* bytes, std::size_t limit);
// Blanks (and other white space) cut from both ends.
std::string Trimmed(const std::string& text);

}  // namespace vellumin
