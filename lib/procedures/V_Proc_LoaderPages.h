// The loader blocks of a drive running the diagnostic firmware: the writer that puts one page into
// every loader block of the port, the pages from index 0 to 87 (info, certificate, LDPC, firmware
// slot, table, system, erase-count, later-bad, OPAL, NAND memory and UEFI pages) and the gathering
// of the table pages that a download writes. Page buffers are caller-owned and at least
// kLoaderPageBufBytes long; every builder writes nothing outside them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "settings/firmware_bins.h"

inline constexpr std::size_t kLoaderPageBufBytes = 262144;

// One page into every loader block of the port (interleaved on channel 0, bank 0 under [RDSetting]
// EnWritePageToAllDie, else per present die). On a failed write the page buffer is left as built.
bool VP_WriteDataToLoaderBlock(int bInstance, std::uint16_t wPageNo, std::uint8_t ucLdpcRate,
                               std::uint8_t ucScrambleMode, std::uint8_t* buffer, std::uint32_t dwSectorCnt);
// Fills the tables buffer (kTablesPages pages of bPageSector x 512 bytes) with the pages of
// indexes 5 to 63. A failed header check leaves code, channel and the page in the work buffer.
bool VP_GetTables(int bInstance, std::uint8_t* work, std::uint8_t* tables, std::size_t tablesBytes);
bool VP_FillInfoPage(int bInstance, std::uint8_t* page);
bool VP_WriteCertPage(int bInstance, std::uint8_t* page);
bool VP_WriteLdpcPage(int bInstance, std::uint8_t* page);
bool VP_WriteSlotPage(int bInstance, std::uint8_t* page);
bool VP_WriteTablePage(int bInstance, std::uint8_t* page, const std::uint8_t* tables, std::size_t tablesBytes);
bool VP_WriteOpalPage(int bInstance, std::uint8_t* page);
bool VP_WriteNandMemPage(int bInstance, std::uint8_t* page);
bool VP_WriteUefiPage(int bInstance, std::uint8_t* page);

namespace loader {

inline constexpr int kMaxParts = 14;  // the two parameter parts must still fit the 16 entries
inline constexpr int kMinParts = 4;   // the second parameter part takes part 3's file offset
inline constexpr std::size_t kNopsMax = 256;
inline constexpr std::size_t kNifcMax = 640;
inline constexpr int kOpalPieces = 16;
inline constexpr int kUefiPieces = 22;

// Builds the info page (4,096 bytes at `page`) and the port's code-page layout in `layout` (a copy
// of AP_Bins, laid out). False, with the reason and nothing built, for a layout the loader blocks
// cannot hold. Reads the NOPS and NIFC files.
bool BuildInfoPage(int port, std::uint8_t* page, AP_Bins_t& layout, std::string& reason);
// The firmware-slot page over a laid-out AP_Bins copy; `size` at least 4,096.
void BuildSlotPage(const AP_Bins_t& layout, std::uint8_t* page, std::size_t size);
// The system page (index 37) into the first `size` bytes of `buffer` (at least 7,168), the
// bitmap taken from `ownBitmap` (2,048 bytes) when it is not null, else from pTablePageBuf.
void BuildSystemPage(int port, std::uint8_t* buffer, std::size_t size, const std::uint8_t* ownBitmap);
// Erase-count page `which` (0 or 1) of `size` bytes.
void BuildEraseCountPage(int port, int which, std::uint8_t* page, std::size_t size);
// The later-bad page of a pre-format: the header, the rest zero.
void BuildLaterBadPage(std::uint8_t* page, std::size_t size);

}  // namespace loader
