// The run state the main window shares with the MP worker, the panels, the sorting results, the
// fixture window and the dialogs: the per-port records, the counts and maps of the last
// enumeration, the watchdog ids, the selection of a run and each device's display slot.
//
// Threads: the GUI thread writes the maps and counts (enumeration, Refresh, START); a worker reads
// them while they stand still (the map is fixed from START to the end of the run). The fields of a
// port's record that its worker writes while the GUI thread may read them (iStatus, iResult,
// iErrorCode, iFailItem, iItemState) go through LoadField and StoreField. A display slot is written
// by its device's worker only and is always replaced whole.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "transport/port_dev_info.h"
#include "transport/usb_disks.h"

inline constexpr int kDeviceCount = 16;
inline constexpr std::uint16_t kNoPort = 0xFFFF;
// Window timer ids of the main window: the enumeration; the watchdogs are g_DeviceTimerID[d].
inline constexpr int kEnumTimerId = 129;

// The window's per-port state, indexed by port (bInstance).
extern PortDevInfo g_PortDevInfo[kUsbPortRecords];
// Ports numbered by the last hub walk; 100 after a hub-query failure.
extern std::int32_t TotalUSBPortCount;
// Ports whose drive accepted vendor commands in the last matching.
extern std::int32_t g_nEnabledPortNum;
// The same count as seen by the last enumeration (0 = no drive).
extern std::int32_t g_nPortConnectedNum;
// Device number -> port index, kNoPort = none.
extern std::uint16_t g_DeviceToPortMap[kDeviceCount];
// The customised map, device number -> port ([Setting] DevicePortMap_<n>), kNoPort = none.
extern std::uint16_t g_CustomizePortMap[kDeviceCount];
// The customised map is used ([Setting] EnCustomizePortMap).
extern std::uint8_t g_EnCustomizePortMap;
// Automatic port mapping in progress.
extern std::uint8_t b_AutoPortMapping;
// The automatic START is armed (never cleared once set).
extern std::uint8_t g_bAutoTestArmed;
// Bit mask of the device numbers a run covers; 0 = all.
extern std::uint16_t g_SelectedDevice;
// Watchdog timer id of each device number (1 to 16, set by the window's constructor).
extern int g_DeviceTimerID[kDeviceCount];
// The last sorting status seen: 1 running or connected, 2 fail, 4 pass.
extern std::uint8_t g_ucRdtStatus;

// A field of a port record that a worker and the GUI thread share.
inline std::int32_t LoadField(std::int32_t& field) {
    return std::atomic_ref<std::int32_t>(field).load();
}
inline void StoreField(std::int32_t& field, std::int32_t value) {
    std::atomic_ref<std::int32_t>(field).store(value);
}

// True when device d (0 to 15) has a port and that port holds a usable drive.
bool DeviceConnected(int device);
// True when the run covers device d (g_SelectedDevice 0, or its bit set).
bool DeviceSelected(int device);
// Zeroes port p's record and clears its barcode (gJMGlobal.sBurnedSerialNum[p]); p outside the
// records does nothing.
void ClearPortRecord(int port);

// Panel colours (0x00BBGGRR).
inline constexpr std::uint32_t kColourPass = 0x00FF00;
inline constexpr std::uint32_t kColourFail = 0x0000FF;
inline constexpr std::uint32_t kColourRunning = 0x00FFFF;
inline constexpr std::uint32_t kColourSilver = 0xC0C0C0;

// What a device's panel shows during a run: g_sDeviceStatus, g_nDeviceColor, g_nDeviceProgress
// and g_sDeviceSN of one device number, as one value.
struct DeviceSlot {
    std::string status;
    std::uint32_t colour = kColourRunning;
    int progress = 0;  // 0 to 100
    std::string serialNumber;
    bool operator==(const DeviceSlot&) const = default;
};

// The 16 display slots. Publish replaces a slot whole; Read gives a copy of what was last
// published, never a half-written one.
class DeviceSlots {
  public:
    void Publish(int device, DeviceSlot slot);
    DeviceSlot Read(int device) const;
    // The worker's edits of its own slot (read, change, publish).
    void SetStatus(int device, std::string status, std::uint32_t colour);
    void SetProgress(int device, int progress);
    void SetSerialNumber(int device, std::string serialNumber);
    void ResetAll();

  private:
    mutable std::mutex mutex_[kDeviceCount];
    DeviceSlot slot_[kDeviceCount];
};

extern DeviceSlots g_DeviceSlots;
