// The device scan: every whole disk is listed with its bus word, each one on "scsi" or "usb" is
// probed for a known bridge and identified; a drive is listed (row, device index and per-port record
// in step) only when identify controller and identify namespace both succeed, at most 16 drives.
#pragma once

#include <string>
#include <vector>

namespace vellumin {

inline constexpr int kMaxDiskPaths = 80;
inline constexpr std::size_t kMaxDiskPathChars = 255;

struct DiskPathEntry {
    std::string path;
    std::string bus;  // "usb", "scsi" or empty
};

// At most 80 disks of the listing backend; a path longer than 255 characters is traced and skipped.
int EnumDiskDevicePaths(std::vector<DiskPathEntry>& list);
// Asks for a rescan of the disks: 1 on success; 0 after printing "CM_Locate_DevNode failed: %x\n" (no
// SCSI host) or "CM_Reenumerate_DevNode failed: %x\n" (the errno of a failed request) to standard output.
int RescanDeviceTree();

// One row of the list.
struct DeviceRow {
    std::string diskNumber;
    std::string model;
    std::string serial;
    std::string revision;
    std::string capacity;
    std::string interface;
};

// The whole scan: sets g_nDeviceCount, g_DeviceInfo, g_InfoPort and AP_Instance for the listed
// drives and returns their rows in device-index order.
std::vector<DeviceRow> ScanDevices();

// Writes a raw dump with the dump switch raised for this one write.
void DumpWithSwitch(const char* name, const void* data, std::size_t length);

}  // namespace vellumin
