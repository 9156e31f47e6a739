// The standard NVMe commands a drive is asked through its bridge: 1 success, 2 failure. Only a
// tunnel result of exactly 1 counts as success. A port without a bridge (bIsBridge 0) or of an
// unknown bridge type gets 2 with nothing sent.
#pragma once

#include <cstdint>

// Into 4,096 bytes: mode 0 the namespace data of namespace 1, mode 1 the controller data.
int VC_STD_Identify(int port, void* buffer, int mode);
// The SMART/health log (log page 2, 1,024 dwords) into 4,096 bytes; the page is its first 512.
int VC_STD_GetSmartLog(int port, void* buffer);
int VC_STD_Flush(int port);
// `count` 512-byte sectors at the 64-bit LBA lbaHigh:lbaLow.
int VC_STD_Write(int port, const void* buffer, std::uint32_t count, std::uint32_t lbaLow, std::uint32_t lbaHigh);
int VC_STD_Read(int port, void* buffer, std::uint32_t count, std::uint32_t lbaLow, std::uint32_t lbaHigh);
// Sanitize with action & 7.
int VC_STD_Sanitize(int port, std::uint32_t action);
