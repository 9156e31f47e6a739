// The system firmware's parameter code page: the drive's identity, the flash timing, the
// firmware's tuning values (SYS_PARAM_PAGE), the CE list and reverse map and the flash
// information block. Every writer works on a caller-owned page of a given size, writes nothing
// outside it and leaves every byte it does not name as the page had it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sys_page {

inline constexpr std::size_t kIdentityOffset = 96;
inline constexpr std::size_t kIdentityBytes = 172;
inline constexpr std::size_t kTmcOffset = 512;
inline constexpr std::size_t kSysParamOffset = 768;  // SYS_PARAM_PAGE
inline constexpr std::size_t kSysParamBytes = 256;
inline constexpr std::size_t kCeListOffset = 1024;
inline constexpr std::size_t kCeReverseOffset = 1088;
inline constexpr std::size_t kFlashInfoOffset = 1216;
inline constexpr std::size_t kFlashInfoBytes = 20;
inline constexpr std::size_t kPageMinBytes = kFlashInfoOffset + kFlashInfoBytes;
inline constexpr std::size_t kSerialBytes = 20;
inline constexpr std::size_t kModelBytes = 40;
inline constexpr std::size_t kRevisionBytes = 8;

// Feature words 1 and 2 of SYS_PARAM_PAGE from AP_FwFeatureSet.
std::uint32_t FeatureWord1();
std::uint32_t FeatureWord2();
// DRAM type code of a DramProfile value.
std::uint16_t DramTypeCode(std::uint8_t dramProfile);

}  // namespace sys_page

// The writers. Each returns false, having written nothing, when the port is not 0..127, the page is
// too small for its region, or the settings cannot be carried (DramSize above 4,095 MB for the
// identity block, a CE list or reverse map that would pass its field; the reason is traced).
// The serial number fills 20 characters: a shorter one is padded with spaces, a longer one cut.
bool Write_SYS_FW_ID_Param(int port, std::uint8_t* page, std::size_t size, const char* serialNumber);
bool Write_SYS_FW_TMC_Param(int port, std::uint8_t* page, std::size_t size);
bool Write_SYS_FW_DPD_Param(int port, std::uint8_t* page, std::size_t size);
bool Write_SYS_FW_CE_Map(int port, std::uint8_t* page, std::size_t size);
bool Write_SYS_FW_Flash_Info(int port, std::uint8_t* page, std::size_t size);

// Checks the settings (settings::CheckParamImageSettings), then runs the five writers in page order.
// On a refusal nothing is written.
bool WriteSysParamPage(int port, std::uint8_t* page, std::size_t size, const char* serialNumber);
