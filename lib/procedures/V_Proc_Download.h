// The loader-block download: every page of a complete loader block (MP metadata and parameter
// pages, or the SORT pattern pages, then the firmware's code pages streamed from the firmware
// file with the parameter pages patched on the way), the read-back of the code pages under debug
// dumps, and the MP step that drives them. The two texts are the drive's serial number and the
// second text of its port entry; only the identity writer of the parameter code page uses them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Failure codes in byte 1 of the step's failure detail (byte 0 217).
inline constexpr std::uint8_t kDownloadFailed = 217;
inline constexpr std::uint8_t kFailInfoPage = 160;
inline constexpr std::uint8_t kFailLdpcPages = 161;
inline constexpr std::uint8_t kFailTablePages = 162;
inline constexpr std::uint8_t kFailOpalPages = 163;
inline constexpr std::uint8_t kFailNandMemPages = 164;
inline constexpr std::uint8_t kFailUefiPages = 165;
inline constexpr std::uint8_t kFailCodePages = 166;

// Page kinds of VP_WriteCodeToFlash.
inline constexpr std::uint8_t kCodePagePlain = 0;
inline constexpr std::uint8_t kCodePageParam = 0xFF;
inline constexpr std::uint8_t kCodePageParamSecond = 0xFE;

// `page` is the 256 KB work buffer; `tables` the tables buffer of VP_GetTables.
bool VP_DownloadToLoaderBlock(int bInstance, std::uint8_t* page, const std::uint8_t* tables, std::size_t tablesBytes,
                              const char* serialNumber, const char* secondText);
bool VP_WriteCodePage(int bInstance, std::uint8_t* page, const char* serialNumber, const char* secondText);
bool VP_WriteCodeToFlash(int bInstance, std::uint8_t* page, std::FILE* file, std::uint16_t wPageNo, std::uint8_t ucKind,
                         const char* serialNumber, const char* secondText);
bool VP_UploadCodeFromFlash(int bInstance, std::uint8_t* page);
bool VP_PROC_DownloadProgram(int bInstance, std::uint8_t* work, const char* serialNumber, const char* secondText);
