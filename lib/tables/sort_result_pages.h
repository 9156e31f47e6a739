// The pages of a die's sorting-result block, the block the sorting firmware leaves on every tested
// die: pure decoders over a page (or the pages of a kind laid end to end), the flash geometry
// passed in, no device access. Nothing in a page is trusted: every field is read inside the bytes
// given, a field past their end reads as zero, counts are bounded by what the bytes hold and by the
// format's limits.
//
// Page indexes (entries of wPageMap) and what each page holds:
//    0 bad-block page   "BB", u16 count N, then N entries of u16 block unit, byte plane mask, byte
//    2 mark page        "SORT", 6 drive verdict, 8..17 drive totals, 2578 the 40-byte page index
//                       (u16 error-page count at 2580, u16 factory-page count at 2584), 2618 bank
//                       tag, 2619 channel tag, 2620 the die's number on the drive (TagDie)
//    3.. error pages    16-byte error records, the list ends at 0xAA in byte 0 or byte 7
//    7.. factory pages  one bitmap of every die's factory-bad blocks, 750 bytes a die
//   15 whole-info page  the drive's results and limits, the settings echo at 1540, versions at 4608
//   16 die-info page    48-byte entries by die number, ended by 0xEE in byte 0, 1 or 2
//   17 ECC page         "SORT_ECC", 8 bank, 9 channel, from 16 one byte of error bits per block
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tables {

// A die's bank and LUN from its FW bank, the flat number of the die within its channel (LUN x banks
// per channel + bank): bank = FW bank mod `banks`, LUN = FW bank div `banks`, where `banks` is
// AP_INIState.MaxPhyBank (0 counts as 1). The bank tags of the mark page and of the error records
// are FW banks; every Bank/LUN column and report text made of one goes through this split.
struct DieBankLun {
    unsigned bank = 0, lun = 0;
    friend bool operator==(const DieBankLun&, const DieBankLun&) = default;
};
constexpr DieBankLun SplitFwBank(unsigned fwBank, unsigned banks) {
    const unsigned b = banks == 0 ? 1 : banks;
    return {fwBank % b, fwBank / b};
}

// Page-map indexes of the pages of a result block.
inline constexpr int SORTING_BB_PAGE_NO = 0;
inline constexpr int SORTING_MARK_PAGE_NO = 2;
inline constexpr int SORTING_ERROR_PAGE_NO = 3;
inline constexpr int SORTING_FACTORY_BB_PAGE_NO = 7;
inline constexpr int SORTING_WHOLE_INFO_PAGE_NO = 15;
inline constexpr int SORTING_DIE_INFO_PAGE_NO = 16;
inline constexpr int SORTING_ECC_INFO_PAGE_NO = 17;
inline constexpr int MAX_BLKNUM = 8192;

// The format's limits.
inline constexpr unsigned kSortListPagesMax = 4;  // error pages, factory-bad pages
inline constexpr std::size_t kSortErrorRecordBytes = 16;
inline constexpr std::size_t kSortDieEntryBytes = 48;
inline constexpr std::size_t kSortDieEntriesMax = 128;
inline constexpr std::size_t kSortDieFlagsMax = 64;  // result bytes on the whole-info page
inline constexpr std::size_t kSortFactoryRegionBytes = 750;
inline constexpr std::size_t kSortFactoryChannelBytes = 6000;
inline constexpr unsigned kSortTagChannels = 8;  // channel tags 0..7
inline constexpr unsigned kSortTagBanks = 8;     // bank tags 0..7
inline constexpr std::size_t kSortWholeHeadBytes = 1054;
inline constexpr std::size_t kSortEchoOffset = 1540;
inline constexpr std::size_t kSortEchoBytes = 1020;
inline constexpr std::size_t kSortVersionOffset = 4608;
inline constexpr std::size_t kSortVersionBytes = 112;
inline constexpr unsigned kSortTicksPerSecond = 400;

// Result codes: R00 for 0, then R01..R08 for bits 0..7 of a die's result flags.
inline constexpr const char* kSortResultTexts[9] = {
    "[R00] Pass",     "[R01] EccFail",           "[R02] BadBlock",    "[R03] ProgramFail", "[R04] EraseFail",
    "[R05] NandCheckTimeFail", "[R06] DataPathFail", "[R07] SLC2TLC", "[R08] FactoryBad"};

// ErrorType codes of an error record.
enum SortErrorType : std::uint8_t {
    kSortErrEccOverThreshold = 0,
    kSortErrEccUncorrectable = 1,
    kSortErrProgram = 2,
    kSortErrErase = 3,
    kSortErrEmptyPage = 4,
    kSortErrNotEmptyPage = 5,
    kSortErrDataPath = 6,
    kSortErrProgramDmaTimeout = 7,
    kSortErrReadNandTimeout = 8,
    kSortErrReadDmaTimeout = 9,
    kSortErrTProgram = 0xA,
};
// Action codes of an error record.
enum SortAction : std::uint8_t {
    kSortActPostRead = 0,
    kSortActProgram = 1,
    kSortActErase = 2,
    kSortActEmptyRead = 3,
    kSortActPartialRead = 4,
    kSortActDisturbRead = 5,
    kSortActPageRead = 6,
    kSortActDataPath = 7,
    kSortAct4PProgram = 8,
    kSortAct4PRead = 9,
    kSortAct4PErase = 0xA,
};

// ---- Bad-block page ----
struct SortBadBlockEntry {
    std::uint16_t unit = 0;
    std::uint8_t planeMask = 0;
    friend bool operator==(const SortBadBlockEntry&, const SortBadBlockEntry&) = default;
};
enum class SortBbState { NoSignature, Overflow, Valid };
struct SortBadBlockPage {
    SortBbState state = SortBbState::NoSignature;
    std::uint16_t count = 0;  // as stated
    std::vector<SortBadBlockEntry> entries;  // only when Valid
};
// Valid when "BB" leads, the count is at most `blocksPerDie` and its entries lie inside the page;
// a larger count is Overflow ("BB num overflow") and gives no entries.
SortBadBlockPage DecodeSortBadBlockPage(std::span<const std::uint8_t> page, unsigned blocksPerDie);

// ---- Mark page ----
struct SortMarkPage {
    bool signature = false;  // "SORT" at 0
    bool namesDie = false;   // tags inside the format (channel and bank tag < 8, TagDie < 64)
    std::uint8_t verdict = 0;
    std::uint16_t driveBad = 0, driveEcc = 0, driveProgram = 0, driveErase = 0, driveFactory = 0;
    std::array<std::uint8_t, 40> pageIndex{};  // SORTPageIndex, bytes 2578..2617
    std::uint16_t errorPagesStated = 0, factoryPagesStated = 0;
    unsigned errorPages = 0, factoryPages = 0;  // the stated counts, at most 4
    std::uint8_t tagBK = 0, tagCH = 0, tagDie = 0;
    // A mark page the readers may use: signed and naming a die.
    bool Valid() const { return signature && namesDie; }
};
SortMarkPage DecodeSortMarkPage(std::span<const std::uint8_t> page);

// ---- Whole-info page ----
struct SortWholeInfo {
    std::array<std::uint8_t, kSortWholeHeadBytes> head{};  // bytes 0..1053, zero past the page
    std::array<std::uint8_t, kSortEchoBytes> echo{};       // the settings echo from 1540
    std::array<std::uint8_t, kSortVersionBytes> version{};  // the version block from 4608
    std::uint8_t result = 0;
    std::uint32_t runTicks = 0;
    std::uint16_t badLimit = 0, dieBadLimit = 0, readFailLimit = 0, programLimit = 0, eraseLimit = 0, tsad = 0;
    std::string serial;  // bytes 16..73 up to the first zero
    std::uint8_t eccThreshold = 0, temperature = 0, slcThreshold = 0;
    // The result byte of die `tagDie` (zero for 64 and above).
    std::uint8_t DieResult(unsigned tagDie) const { return tagDie < kSortDieFlagsMax ? head[80 + tagDie] : 0; }
};
SortWholeInfo DecodeSortWholeInfo(std::span<const std::uint8_t> page);

// ---- Die-info page ----
struct SortDieInfoRecord {
    std::uint8_t flags = 0;
    bool Valid() const { return (flags & 0x80) != 0; }
    std::uint16_t TotalBadNum = 0, Plane0Num = 0, Plane1Num = 0, Plane2Num = 0, Plane3Num = 0;
    std::uint16_t ECCFailNum = 0, ProgramFailNum = 0, EraseFailNum = 0;
    std::uint8_t TestResult = 0;
    std::uint16_t FactoryBadNum = 0;
    std::uint8_t tErase_SLC = 0, tErase = 0;
    std::uint16_t tProg_SLC = 0, tRead_SLC = 0, tProg = 0, tRead = 0;
};
struct SortDieInfoList {
    std::vector<SortDieInfoRecord> entries;  // up to the end mark, the page end or 128 entries
    bool endFound = false;
    // The die's own entry: entry `tagDie` when it was taken and is valid.
    std::optional<SortDieInfoRecord> Own(unsigned tagDie) const;
};
SortDieInfoList DecodeSortDieInfoList(std::span<const std::uint8_t> page);

// ---- Error-record pages ----
struct SortErrorRecord {
    std::size_t position = 0;  // index in the list (16-byte steps from the first page's start)
    std::uint8_t bankTag = 0, channel = 0, planeMask = 0, errorType = 0;
    std::uint16_t page = 0, unit = 0;
    std::uint8_t maxErrBit = 0, action = 0, readLoop = 0;
    bool slc = false;
    std::uint16_t tsad = 0, failLoop = 0;
    std::uint32_t ticks = 0;
};
struct SortErrorList {
    std::vector<SortErrorRecord> records;  // every record taken, of every die
    bool endFound = false;
};
// `area` holds the counted pages end to end, `pageBytes` each; `pageRead[i]` says whether page i
// was read (records of a page not read are not taken; the walk goes on with the next page). A
// record is byte 0 low nibble the bank tag, bits 4..6 the channel; byte 1 plane mask and ErrorType;
// u16 page; u16 unit; MaxErrBit; byte 7 Action (bits 0..3, bits 0..1 also TSAD bits 8..9) and the
// SLC flag (bit 7); ReadLoop; TSAD bits 0..7; u16 FailLoop; u32 ticks.
SortErrorList DecodeSortErrorList(std::span<const std::uint8_t> area, std::size_t pageBytes,
                                  std::span<const bool> pageRead);
// The records of the die with these tags.
std::vector<SortErrorRecord> SortErrorsOfDie(const SortErrorList& list, std::uint8_t tagCH, std::uint8_t tagBK);
// Whole seconds of a tick count (1/400 s), kept in 16 bits, as " hh:mm:ss".
std::string SortTimeText(std::uint32_t ticks);

// ---- Factory-bad pages ----
struct SortFactoryBlock {
    std::uint16_t block = 0, unit = 0;
    std::uint8_t plane = 0;
    friend bool operator==(const SortFactoryBlock&, const SortFactoryBlock&) = default;
};
// The die's factory-bad blocks from its 750-byte region at tagCH x 6,000 + tagBK x 750 of `area`
// (the counted pages end to end), bit j of byte k marking block k x 8 + j; nothing for tags of 8 or
// more. Bytes of the region past the area's end are clear.
std::vector<SortFactoryBlock> DecodeSortFactoryBad(std::span<const std::uint8_t> area, std::uint8_t tagCH,
                                                   std::uint8_t tagBK, unsigned planes);

// ---- ECC page ----
struct SortEccInfo {
    bool signature = false;  // "SORT_ECC"; a missing one is only reported
    std::uint8_t bank = 0, channel = 0;
    std::vector<std::uint8_t> bits;  // block b's maximum error bits, b < blocks per die, page and 8,192
};
SortEccInfo DecodeSortEccInfo(std::span<const std::uint8_t> page, unsigned blocksPerDie);

// ---- DieTestInfo: a die's record on the main window and in its analysis file ----
#pragma pack(push, 1)
struct DieTestInfo {
    std::uint8_t Channel;
    std::uint8_t Bank;
    std::uint8_t LUN;
    std::uint16_t TotalBadNum;
    std::uint16_t EraseFailNum;
    std::uint16_t ProgramFailNum;
    std::uint16_t ECCFailNum;
    std::uint16_t FactoryBadNum;
    std::uint16_t Plane0Num;
    std::uint16_t Plane1Num;
    std::uint16_t Plane2Num;
    std::uint16_t Plane3Num;
    std::uint8_t TestResult;
    std::uint8_t tErase_SLC;
    std::uint8_t tErase;
    std::uint16_t tProg_SLC;
    std::uint16_t tRead_SLC;
    std::uint16_t tProg;
    std::uint16_t tRead;
    char SerialNum[48];
};
#pragma pack(pop)
static_assert(sizeof(DieTestInfo) == 80);
static_assert(offsetof(DieTestInfo, TotalBadNum) == 3 && offsetof(DieTestInfo, FactoryBadNum) == 11);
static_assert(offsetof(DieTestInfo, Plane3Num) == 19 && offsetof(DieTestInfo, TestResult) == 21);
static_assert(offsetof(DieTestInfo, tProg_SLC) == 24 && offsetof(DieTestInfo, tRead) == 30);
static_assert(offsetof(DieTestInfo, SerialNum) == 32);
// The record is stored as its bytes (the analysis file); its 16-bit fields are little-endian.
static_assert(std::endian::native == std::endian::little);
inline constexpr std::size_t kDieTestInfoSerialMax = 47;

// Fills fields 0..31 from the die's coordinates and its die-info entry, and copies the serial text
// (at most 47 characters and its zero); the bytes after the zero are left as they are.
void FillDieTestInfo(DieTestInfo& record, std::uint8_t channel, std::uint8_t bank, std::uint8_t lun,
                     const SortDieInfoRecord& entry, const std::string& serial);

// ---- The settings echo (RDT_SETTING as the drive echoes it, offsets from its start) ----
struct SortEchoField {
    const char* label;   // the row label the result window shows
    const char* key;     // the [RDT] key SetRDT writes there ("TSAD": the port's wSysBU; "": none)
    std::uint16_t offset;
    std::uint8_t width;  // 1, 2 or 4 bytes
};
// Every field the readers show, in display order. "Non-SLC Test Loop" is the u32 total at 69; its
// shown value is that total minus "SLC Test Loop". "TLC/QLC LDPC Threshold" reads "MLC LDPC
// Threshold" on MLC flash (flash type 1).
extern const std::array<SortEchoField, 37> kSortEchoFields;
// The field of a key (null for an unknown one).
const SortEchoField* SortEchoFieldByKey(const char* key);
// The field's value in `echo` (zero past its end).
std::uint32_t SortEchoValue(std::span<const std::uint8_t> echo, const SortEchoField& field);
// The value of the field of `key` (zero for an unknown key).
std::uint32_t SortEchoValue(std::span<const std::uint8_t> echo, const char* key);

}  // namespace tables
