// MP steps that locate the loader blocks and check the hardware, and the pre-format. Each takes the
// port and its 256 KB work buffer; on failure the first 2,048 bytes of the buffer hold the step's
// failure detail (step_fail_info.h). Steps given the drive's sub-code store a small code in its
// low byte.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::size_t kWorkBufferBytes = 262144;

// Finds the loader blocks of every present die, from the previous MP code block (MP mode, with
// EnInheritFW or Download without Preformat) or by the diagnostic firmware's pre-check program.
// Every aLoaderBlockNo entry of the port is set to none (0xFFFF) first.
bool VP_PROC_GetLoaderBlock(int bInstance, void* buffer, std::uint8_t mode);
bool VP_PROC_CheckFlashModule(int bInstance, void* buffer);
bool VP_PROC_BusInterfaceTest(int bInstance, void* buffer);
bool VP_PROC_FlashInterfaceTest(int bInstance, void* buffer, std::int32_t* subCode);
bool VP_PROC_DramTest(int bInstance, void* buffer, std::int32_t* subCode);
// One sector of the auto-detect reply into `buffer`.
bool VP_PROC_ReadFlashModule(int bInstance, void* buffer);
bool VP_Pcie_LoopBack(int bInstance);
// Builds the flash tables from a fresh bad-block scan (mode: 0, 1 erase search, 4 inherit the
// tables, 8 factory bad, 32 inherit the sorting results). On failure of the table build the buffer
// holds the remap driver's result records.
bool VP_PROC_Preformat(int bInstance, void* buffer, std::uint8_t mode);
