// The descriptions of the two firmware images of a run, filled by the main window's file checks:
// AP_Bins (the system firmware in MP mode, "SORT.bin" in SORT mode) and AP_GDPBins ("GDP.bin").
// A "code" is one copy of the image's part list; a "part" is one contiguous piece of the file with
// its own RAM load address. The procedures read only these records, never the folders.
#pragma once

#include <cstdint>
#include <type_traits>

inline constexpr int kBinPathBytes = 260;
inline constexpr int kBinCodeMax = 7;   // codes 0 to 6
inline constexpr int kBinPartMax = 16;  // parts 0 to 15
inline constexpr int kGdpPartMax = 8;   // the GDP header has room for 8 part entries
inline constexpr int kBinCertMax = 2048;
inline constexpr int kTagTextBytes = 64;

struct AP_Bins_t {
    char sBinFile[kBinPathBytes];
    std::uint8_t ucCodeCnt;
    std::uint8_t ucImgInfo[2];
    std::uint8_t ucImgInfo2[2];
    std::uint16_t wCertLen;
    std::uint16_t wImgInfo;
    std::uint32_t dwImgInfo;
    std::uint8_t ucPartCnt[8];
    std::uint32_t dwBinOffset[kBinCodeMax][kBinPartMax];  // file offset of each part
    std::uint32_t dwOffset[kBinCodeMax][kBinPartMax];     // RAM load address of each part
    std::uint32_t dwLength[kBinCodeMax][kBinPartMax];
    std::uint16_t wStartPageNo[kBinCodeMax][kBinPartMax];  // per port, in AP_Bins_Instance
    std::uint16_t wPageLength[kBinCodeMax][kBinPartMax];   // per port, in AP_Bins_Instance
    std::uint16_t wEnable[kBinCodeMax][kBinPartMax];
    std::uint16_t wCheckSum[kBinCodeMax][kBinPartMax];
    std::uint8_t aCertData[kBinCertMax];
    std::uint8_t aRsaBlock[256];
    std::uint8_t aImgInfo1[32];
    std::uint8_t aImgInfo2[32];
};

static_assert(std::is_trivially_copyable_v<AP_Bins_t>);

extern AP_Bins_t AP_Bins;
extern AP_Bins_t AP_GDPBins;
// Per-port copies of AP_Bins with the code-page layout of the port's loader blocks (filled by the
// info-page writer, read by the code writer and the upload).
inline constexpr int kBinsInstanceCount = 128;
extern AP_Bins_t AP_Bins_Instance[kBinsInstanceCount];

// The tag texts of "GDP.bin" and of the firmware image (64 characters and a terminator).
extern char g_sGDPVersion[kTagTextBytes + 1];
extern char g_sFWVersion[kTagTextBytes + 1];

// True when the description's counts fit the record: 1 to 7 codes of at most 16 parts each.
bool BinsDescriptionSound(const AP_Bins_t& bins);
