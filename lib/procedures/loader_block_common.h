// Small helpers shared by the loader-block writers, the download and the steps that read loader
// blocks back: page size, the present-die walk, the "no block" mark of the loader-block table,
// the page kinds' index ranges and the tags looked for in pages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace loader {

// What a loader-block search leaves in an entry of aLoaderBlockNo for a die without that block.
inline constexpr std::uint16_t kNoBlock = 0xFFFF;
inline constexpr int kChannels = 8;  // aLoaderBlockNo[8][4][2]
inline constexpr int kBanks = 4;
inline constexpr int kCopies = 2;

// Loader-block page indexes.
inline constexpr int kInfoIndex = 0;
inline constexpr int kCertIndex = 1;
inline constexpr int kSlotIndex = 4;
inline constexpr int kTableFirst = 5;
inline constexpr int kSystemIndex = 37;
inline constexpr int kEraseCountIndex = 38;
inline constexpr int kLaterBadFirst = 40;
inline constexpr int kTableLast = 47;
inline constexpr int kOpalFirst = 48;
inline constexpr int kOpalLast = 63;
inline constexpr int kNandMemIndex = 64;
inline constexpr int kUefiFirst = 66;
inline constexpr int kUefiLast = 87;
inline constexpr int kCodeFirst = 88;
inline constexpr int kTablesPages = 87;                             // pages of the download's tables buffer
inline constexpr int kGatheredPages = kOpalLast - kTableFirst + 1;  // 59: indexes 5 to 63

inline constexpr std::size_t kPieceBytes = 16384;
inline constexpr std::size_t kInfoBytes = 4096;  // info, certificate and LDPC pages: 8 sectors
inline constexpr std::size_t kTagOffset = 448;
inline constexpr char kSysTag[] = "RAVEZ";
inline constexpr char kSortTag[] = "QVRDT";
inline constexpr char kInfoMark[] = "LDBK BLOCKS V00";
inline constexpr char kConfigMark[] = "LDBK CONFIG V00";
inline constexpr char kSlotMark[] = "LDBK FWSLOT MARK";

// bPageSector x 512.
std::size_t PageBytes();
// wPageMap[index], or 0xFFFF for an index outside the map.
std::uint16_t PhysicalPage(int index);
// A die takes part when its entry of the original die map is not 0xFF (bOriDieMapMultiLun when a
// CE holds several dies).
bool DiePresent(int channel, int bank);
// Channels and banks walked: MaxPhyChannel and MaxPhyBank, bounded by the loader-block table.
int ChannelCount();
int BankCount();
// The copies recorded for the port (ucLoaderBlockNum, at most 2).
int CopyCount(int port);
// True when `port` is 0..127.
bool PortValid(int port);

// Reads a whole small file into `out` (at most `limit` bytes kept); false when it cannot be opened.
bool ReadFileBounded(const char* path, std::string& out, std::size_t limit, std::size_t* fullSize = nullptr);

// A path field of AP_Param as a string, bounded by the field.
std::string PathField(const char* field, std::size_t size);

}  // namespace loader
