// The settings echo of a die's whole-info page as the result window shows it: 41 rows of label and
// value text (four version rows, then one row per echo field), and the same fields' labels and
// values for the sorting-error report's setting lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "tables/sort_result_pages.h"

namespace sorting {

inline constexpr std::size_t kEchoRowCount = 41;

// A version text of the version block: `count` bytes from `offset`, each as one character, up to the
// first zero byte.
std::string EchoVersionText(std::span<const std::uint8_t> version, std::size_t offset, std::size_t count);

// The label of an echo field: the LDPC threshold reads "MLC LDPC Threshold" on flash type 1.
const char* EchoFieldLabel(const tables::SortEchoField& field, std::uint8_t flashType);
// The shown value of an echo field: unsigned, but "Non-SLC Test Loop" is the 32-bit total minus the
// SLC test loops, a signed difference.
long long EchoFieldValue(std::span<const std::uint8_t> echo, const tables::SortEchoField& field);

// The 41 rows (label, value text) of the settings list.
std::vector<std::pair<std::string, std::string>> EchoRows(std::span<const std::uint8_t> echo,
                                                          std::span<const std::uint8_t> version,
                                                          std::uint8_t flashType);

}  // namespace sorting
