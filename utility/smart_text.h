// The "SMART Info" page: the SMART / Health Information log (its first 256 bytes) as 23 grid rows and
// the hidden memo's lines; the vendor SMART log (19 entries of 12 bytes from byte 2) as grid rows of
// the known attribute IDs and their hidden memo lines.
#pragma once

#include <cstddef>
#include <cstdint>

#include "utility/page_text.h"

namespace vellumin {

inline constexpr std::size_t kSmartKeptBytes = 256;
inline constexpr int kVendorEntries = 19;
inline constexpr std::size_t kVendorPageBytes = 2 + 12 * kVendorEntries;
// Rows of the report sections: the standard grid's 0-22, the vendor grid's 0-15.
inline constexpr std::size_t kStandardReportRows = 23, kVendorReportRows = 16;

struct SmartPage {
    Grid rows;  // header and rows 1-22, three columns
    Lines memo;
};
SmartPage StandardSmart(const std::uint8_t* page);

struct VendorSmartPage {
    Grid rows;  // header and one row per known entry, five columns
    Lines memo;
};
VendorSmartPage VendorSmart(const std::uint8_t* page);

// The report text of the first `rows` rows.
std::string SmartReportText(const Grid& grid, std::size_t rows);

}  // namespace vellumin
