// The four LDPC tables that the diagnostic-firmware image carries, one per LDPC mode. Their values
// belong to the controller's LDPC engine and come with it: nothing is built in. Until a set is
// installed the LDPC writer leaves the image's own table in place, so no made-up table ever
// reaches a drive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace procedures {

inline constexpr std::size_t kLdpcTableBytes = 5856;
inline constexpr int kLdpcTableCount = 4;

// Installs the four tables (before any worker patches an image), back to back (kLdpcTableCount x kLdpcTableBytes
// bytes); false, and nothing changes, for any other length.
bool InstallGdpLdpcTables(std::span<const std::uint8_t> tables);
// Removes the installed set.
void ClearGdpLdpcTables();
// Table `index` (0 to 3) of the installed set, or null when none is installed.
const std::uint8_t* GdpLdpcTable(int index);
// The table index of an LDPC mode: modes 2, 3 and 4 choose tables 1, 2 and 3; any other mode table 0.
int GdpLdpcTableIndex(std::uint8_t ldpcMode);

}  // namespace procedures
