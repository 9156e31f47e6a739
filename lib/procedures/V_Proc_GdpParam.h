// The diagnostic-firmware (GDP) parameter image: the writers that put the flash description,
// timing, die and CE maps, the port's loader blocks, the NAND command and op files and the LDPC
// table into a GDP or sorting-firmware image, and the init block sent to a running diagnostic
// firmware. Every writer works on a caller-owned buffer of a given size, writes nothing outside
// it and leaves every byte it does not name as the buffer had it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/timing_record.h"

namespace gdp {

inline constexpr std::size_t kOpBinDdrOffset = 16;
inline constexpr std::size_t kOpBinSdrOffset = 6160;
inline constexpr std::size_t kOpBinBytes = 6144;
inline constexpr std::size_t kTagOffset = 448;
inline constexpr std::size_t kTmcOffset = 512;
inline constexpr std::size_t kTimingBytes = 240;
inline constexpr std::size_t kDpdOffset = 1248;
inline constexpr std::size_t kInitParamBytes = 917;  // GDP_INIT_PARAM
inline constexpr std::size_t kInitBlockBytes = 1536;
inline constexpr std::size_t kOpMapOffset = 14336;
inline constexpr std::size_t kOpMapBytes = 1024;
inline constexpr std::size_t kCmdMapSdrOffset = 15360;
inline constexpr std::size_t kCmdMapDdrOffset = 15488;
inline constexpr std::size_t kCmdMapBytes = 128;
inline constexpr std::size_t kCmdBinDdrOffset = 16384;
inline constexpr std::size_t kCmdBinSdrOffset = 18432;
inline constexpr std::size_t kCmdBinBytes = 2048;
inline constexpr std::size_t kLdpcOffset = 20480;
inline constexpr std::size_t kLdpcBytes = 5856;
// An image tagged "QVGDP" must reach the end of the LDPC table; the sorting firmware the end of
// the command files; the op-file carrier the end of its second op file.
inline constexpr std::size_t kGdpImageMinBytes = kLdpcOffset + kLdpcBytes;
inline constexpr std::size_t kSortImageMinBytes = kCmdBinSdrOffset + kCmdBinBytes;
inline constexpr std::size_t kOpCarrierMinBytes = kOpBinSdrOffset + kOpBinBytes;

// Offsets inside GDP_INIT_PARAM.
inline constexpr std::size_t kInitTimingOffset = 176;       // init_timing_setting
inline constexpr std::size_t kInitAfterTimingOffset = 432;  // timing_setting_after_setfeature
inline constexpr std::size_t kDieBitMapOffset = 688;
inline constexpr std::size_t kCeListOffset = 720;
inline constexpr std::size_t kCeReverseOffset = 784;

}  // namespace gdp

// 1 while the flash auto-detection runs (set by the main window).
extern std::uint8_t g_bAutoDetecting;

// True when `image` carries "QVGDP" at byte 448 (a diagnostic-firmware image).
bool IsGdpImage(const std::uint8_t* image, std::size_t size);
// True when `image` starts with 0x00 0x11 0x22 ... 0xFF (the op-file carrier).
bool IsOpCarrierImage(const std::uint8_t* image, std::size_t size);

// Zeroes the slot and reads the file into it, at most `slotSize` bytes (a larger file is traced and
// its tail left out); waits 200 ms after the read. False when the file cannot be opened (slot zero).
bool LoadFileToImage(std::uint8_t* slot, const char* fileName, std::size_t slotSize, std::uint32_t slotOffset);

// The 240-byte timing record field by field at `destination`; byte 7 is not written.
void WriteTimingParam(std::uint8_t* destination, const TMC_TIMING_PARAM& timing);

// The writers. Each returns false, having written nothing, when the port is not 0..127, the image is
// too small for its regions, or (for the DPD block) the settings cannot be carried (see
// settings::CheckParamImageSettings; the reason is traced). A missing data file is only traced.
bool Write_GDP_FW_DPD_Param(int port, std::uint8_t* image, std::size_t size);
bool Write_GDP_FW_TMC_Param(int port, std::uint8_t* image, std::size_t size);
bool Write_GDP_FW_CMD_BIN(int port, std::uint8_t* image, std::size_t size);
bool Write_GDP_FW_OP_BIN(std::uint8_t* image, std::size_t size);
bool Write_GDP_FW_LDPC_Table(int port, std::uint8_t* image, std::size_t size);
// DPD, TMC and CMD writers in that order, for the sorting firmware.
bool Write_SORT_FW_PARAM(int port, std::uint8_t* image, std::size_t size);
// Zeroes the first 1,536 bytes of `buffer` and builds GDP_INIT_PARAM at its start.
bool Write_GDP_Init_Param(int port, std::uint8_t* buffer, std::size_t size);

// The patch step of a GDP load, on the loader's private copy of one image part: a "QVGDP" image gets
// the DPD, TMC, CMD and LDPC writers, an op-file carrier the op-file writer; any other image is left
// alone. The settings are checked first: on a refusal nothing is written and the result is false, and
// the load must stop.
bool PatchGdpImage(int port, std::uint8_t* image, std::size_t size);
