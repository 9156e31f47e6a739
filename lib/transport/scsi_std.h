// The plain SCSI commands sent to a bridge disk and the recognition of the bridge chip behind it.
#pragma once

#include <cstdint>

inline constexpr int kBridgeJMicron = 0x1000;
inline constexpr int kBridgeASMedia = 0x2000;

// INQUIRY (40 bytes into `buffer`), READ CAPACITY (`sectors` x 512 bytes) and TEST UNIT READY, on a
// port whose bIsBridge is set: 1 success, 2 failure.
int VC_STD_Inquiry(int port, std::uint8_t* buffer);
int VC_STD_ReadCapacity(int port, std::uint8_t* buffer, std::uint32_t sectors);
int VC_STD_TestUnitReady(int port, std::uint8_t* buffer);

// 0x1000 JMicron-type, 0x2000 ASMedia-type, 0 not recognised; [Setting] EnNoCheckBridge forces 0x1000.
int GetBridgeType(int port);
