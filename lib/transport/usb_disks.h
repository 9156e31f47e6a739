// The USB disks present: each disk's pass-through path with the instance id of the USB device
// it hangs on (gJMGlobal.DevInfo), the disk-number query and two small text helpers.
#pragma once

#include <cstdint>

inline constexpr int kMaxUsbDisks = 256;

struct DeviceInterfaceDetailData {
    std::uint32_t cbSize;  // bytes of the record in use: this word and the path with its terminator
    char DevicePath[1392];
};
static_assert(sizeof(DeviceInterfaceDetailData) == 1396);

// One USB disk interface of the disk listing.
struct DevInfo {
    char deviceInstanceId[128];  // the parent USB device's instance id, lower-case ("2-1.3")
    DeviceInterfaceDetailData deviceInterfaceDetailData;
    std::uint32_t devnode;        // the disk's device number
    std::uint32_t parentDevnode;  // the USB device's bus << 16 | address
    std::uint32_t bMatched;       // 1 once enumeration gave the disk to a port
};

// One entry of the work list that ties a disk to its parent USB device.
struct UsbStorInfo {
    char parentInstanceId[256];   // lower-case
    char usbstorInstanceId[256];  // the disk's pass-through path
    std::uint32_t devnode;
    std::uint32_t parentDevnode;
};

// The USB-disk list of the last census and the barcode serial number of each port.
struct JMGlobal_t {
    ::DevInfo DevInfo[kMaxUsbDisks];
    char sBurnedSerialNum[128][40];
};

extern JMGlobal_t gJMGlobal;

// Fills at most 256 records; returns 1 (an unreadable listing gives a count of 0).
int GetUSBStorInstanceList(UsbStorInfo* records, int* count);
// Lists the USB disks into `devInfo` under the named lock "VEZUVOrovu". `count` holds the capacity
// on entry and the number stored on return. Returns 1, or 0 when `count` (or `devInfo`) is null or
// the disks cannot be listed.
int GetUSBStorDeviceInfo(DevInfo* devInfo, std::uint32_t* count);
// The disk number of a disk or volume path, 0 on failure.
std::uint32_t GetDiskNumber(const char* path);
// The disk number query behind it: false, with "######### - INVALID_HANDLE_VALUE!" traced when the
// path cannot be opened or "DeviceIoControl <path> failed:<errno>" when the number cannot be read.
bool QueryDiskNumber(const char* path, std::uint32_t& number, std::uint32_t& partition);

// True when `text` contains `part`.
bool IsSubString(const char* text, const char* part);
// Lower-cases `text` in place and returns it.
char* StrToLower(char* text);
