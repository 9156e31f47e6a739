// The sorting steps: erasing a sorted drive before a SORT download (only its sorting-result blocks,
// or every block unit), and checking one die's sorting-result block after the run.
#pragma once

#include <cstdint>

// Item ids a sorting check gives.
inline constexpr int kSortCheckPass = 1;
inline constexpr int kOpRdtResult = 67;  // the result block could not be read
inline constexpr int kOpRdtBadBlock = 69;
inline constexpr int kOpRdtEccFail = 70;
inline constexpr int kOpRdtProgramFail = 83;
inline constexpr int kOpRdtEraseFail = 84;
inline constexpr int kOpRdtFactoryBadFail = 90;

// Page indexes of a sorting-result block that the check reads.
inline constexpr int kSortMarkPageIndex = 2;
inline constexpr int kSortWholeInfoPageIndex = 15;
inline constexpr int kSortResultByte = 6;  // bResult on the whole-info page

// Block types a result page is read with: 1 (SLC) by the readers, 3 by the save of the raw pages.
inline constexpr std::uint8_t kSortBlockTypeSlc = 1;

// Reads page `index` (an entry of AP_FlashSet.wPageMap) of the result block `block` of die (channel,
// FW bank) into `buffer` (one page of AP_FlashSet.bPageSector sectors, zeroed first): the flash's
// LDPC mode, scrambler on, `blockType`. False when the page was not read or the index is outside
// the page map.
bool VP_PROC_ReadSortResultPage(int port, void* buffer, std::uint8_t channel, std::uint8_t fwBank,
                                std::uint16_t block, int index, std::uint8_t blockType = kSortBlockTypeSlc);

// The table of the sorting-result blocks (u16 [8 channels][8 FW banks], the first 128 bytes of the
// one-sector `buffer`), through the diagnostic firmware's result-block scan.
bool VP_PROC_GetSortingResultBlock(int port, void* buffer);
// The sorting firmware's status page (one sector into `buffer`: "SORT" and the status at byte 4).
bool VP_PROC_GetRDTStatus(int port, void* buffer);

// With AP_INIState.EraseAllType on, erases the non-zero blocks of wRsltBlk[port] (8 channels by
// 8 FW banks at most; others are not read), whatever each erase gives; otherwise sends one erase
// of every block unit of a die to every channel and die at once, without a status fetch. Failures
// are only traced. Always true.
bool VP_PROC_EraseAllBlock(int port);

// One die's sorting verdict from its result block `block` on channel `channel`, FW bank `bank`:
// 1 when it passed, else the failing item id (67 when the block cannot be read). `pageBuffer`
// holds max(1, AP_INIState.MaxPhyChannel) pages of AP_FlashSet.bPageSector sectors; it is cleared
// before each read. A pass sets the port's wRdtRsltBlk and bRsltBlkFound.
int VP_PROC_CheckSortingResult(int port, void* pageBuffer, std::uint8_t channel, std::uint8_t bank,
                               std::uint16_t block);
