// Vellumin's device state: the device index being refreshed, the listed drives, the save-all switch
// and report paths, and the per-port records with their buffer pool.
//
// Threads: the GUI thread writes everything here. The report thread of a drive reads its device's
// record and the settings records while it runs; the GUI thread changes neither until it has ended
// (a selection, "ScanDisk", "Save" and the window's end stop every report thread first).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "transport/port_instance.h"

namespace vellumin {

inline constexpr int kMaxDevices = 16;
inline constexpr std::size_t kSerialBytes = 20;
inline constexpr std::size_t kUartLogChunkBytes = 65536;

// One listed drive, by device index (row index = device index = port index).
struct DeviceInfoRecord {
    char sSerialNum[kSerialBytes + 1];  // bytes 4-23 of identify controller, untrimmed, then a zero
    std::int32_t nInterfaceClass;       // 5 "scsi", 3 "usb"
    char sUartLogChunk[kUartLogChunkBytes];
};

extern std::uint8_t g_bInstance;
extern std::int32_t g_nDeviceCount;
extern std::int32_t g_nSaveAllMode;
extern const char* g_pSystemInfoPath;
extern std::string g_sUartLogPath;
extern std::array<DeviceInfoRecord, kMaxDevices> g_DeviceInfo;

// Buffer sizes of one port.
inline constexpr std::size_t kTableBufferBytes = 256 * 1024;
inline constexpr int kMapChannels = 8, kMapBanks = 8, kMapUnits = 4096;
inline constexpr std::size_t kBadUnitMapBytes = std::size_t{kMapChannels} * kMapBanks * kMapUnits * 2;
static_assert(kBadUnitMapBytes == 512 * 1024);

// Vellumin's per-port record beside AP_Instance: the system-table buffers (one table page per
// channel, channel c at c x bPageSector x 512), the bad-unit map (16-bit marks [channel][bank][unit],
// 1 = bad), the disk number and the record's own copy of its device path (AP_Instance's pDevicePath
// points into it while the list stands).
struct InfoPortRecord {
    std::uint8_t* pDefectTableBuf = nullptr;
    std::uint8_t* pEarlyTableBuf = nullptr;
    std::uint8_t* pRemapTableBuf = nullptr;
    std::uint8_t* pVirtualRemapTableBuf = nullptr;
    std::uint16_t* pBadUnitMap = nullptr;
    std::uint32_t dwDiskNumber = 0;
    std::string devicePath;
};

extern std::array<InfoPortRecord, kPortCount> g_InfoPort;

// The mark of channel c, bank b, unit u; 0 outside the map or without a map.
std::uint16_t BadUnitMark(const InfoPortRecord& record, int channel, int bank, int unit);

// Gives port `port` its own copy of `path` and points AP_Instance's pDevicePath at it (null clears).
void SetPortPath(int port, const char* path);

// The pool: the buffers of all 128 records taken once from `memory` (page-mapped, so pages never
// touched stay out of the resident set). False (and nothing kept) when the memory cannot be had; a
// second call while the pool stands changes nothing.
bool AllocInfoPortBuffers(transport::PortMemory& memory);
bool AllocInfoPortBuffers();
// Zeroes the first 4 bytes of every buffer.
void ClearInfoPortBuffers();
// Gives the memory back; the pointers become null.
void FreeInfoPortBuffers();
// Bytes the pool maps (all 128 records).
std::size_t InfoPoolBytes();

}  // namespace vellumin
