// The per-port record array and the per-port working buffers. Every layer addresses a drive by
// its port number, an index 0..127 into AP_Instance; g_pMPItemLog holds one failure-detail
// buffer per port and MP item.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr int kPortCount = 128;
inline constexpr int kItemLogCount = 95;

inline constexpr std::size_t kEraseCountBufSize = 262144;
inline constexpr std::size_t kSmartLogBufSize = 512;
inline constexpr std::size_t kItemLogBufSize = 2048;
inline constexpr std::size_t kRemapTableBufSize = 1425408;
inline constexpr std::size_t kRemapAuxBufSize = 512;
inline constexpr std::size_t kTablePageBufSize = 2048;

// Fields in storage order.
struct AP_Instance_t {
    const char* pDevicePath;                // the port's USB disk path; null when the port has none
    std::uint8_t bIsBridge;                 // 1 when the drive is reached through a USB bridge
    std::uint8_t ucBridgeType;              // 1 JMicron-type, 2 ASMedia-type
    std::uint16_t aLoaderBlockNo[8][4][2];  // loader blocks per channel and bank
    std::uint8_t ucLoaderBlockNum;
    std::uint16_t wScanBlockUnit;
    std::uint16_t wScanBlockUnit2;
    std::uint8_t* pEraseCountBuf;  // kEraseCountBufSize bytes
    std::uint8_t* pSmartLogBuf;    // kSmartLogBufSize bytes
    std::uint8_t bRsltBlkFound;
    std::uint8_t bEraseCountGot;
    std::uint8_t bSerialNumGot;
    char sInheritSerialNum[40];
    std::uint8_t* pRemapTableBuf;  // kRemapTableBufSize bytes
    std::uint8_t* pRemapAuxBuf;    // kRemapAuxBufSize bytes
    std::uint8_t* pTablePageBuf;   // kTablePageBufSize bytes
    std::uint16_t wRdtRsltBlk;
    char sLogSerialNum[22];
    std::uint8_t bRsltBlkFromWorker;
    std::uint16_t wHSPD_BLK_Qnty_Count;
    std::uint16_t wTotalGoodBU;
    std::uint16_t wBadCount;
    std::uint16_t wSysBU;
    std::uint32_t dwUserUnAvailBlk;
    std::uint8_t bInheritRead;
};

extern AP_Instance_t AP_Instance[kPortCount];
// [port][item id]: kItemLogBufSize bytes each.
extern std::uint8_t* g_pMPItemLog[kPortCount][kItemLogCount];

// Allocates every port's buffers (contents not initialised). Memory that is never touched stays
// out of the resident set. On a failed allocation it traces, releases what it took and returns
// false. A second call while the buffers exist changes nothing and returns true.
bool AllocPortBuffers();
// Releases every port's buffers once and resets their pointers to null; a second call does nothing.
void FreePortBuffers();

namespace transport {

// Where the port buffers come from: anonymous page mappings by default; tests count and fail them.
class PortMemory {
  public:
    virtual ~PortMemory() = default;
    // Returns `size` bytes aligned to a page, or null.
    virtual void* Map(std::size_t size) = 0;
    virtual void Unmap(void* block, std::size_t size) = 0;
};

// The anonymous-mapping source.
PortMemory& PageMappedMemory();

// The same as AllocPortBuffers, taking the memory from `memory` (kept until FreePortBuffers).
bool AllocPortBuffers(PortMemory& memory);

}  // namespace transport
