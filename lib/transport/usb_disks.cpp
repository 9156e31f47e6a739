#include "transport/usb_disks.h"

#include <cctype>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/backend.h"
#include "platform/named_lock.h"
#include "transport/trace.h"

JMGlobal_t gJMGlobal{};

namespace {

// Copies `text` into a fixed field when it fits with its terminator; false (field emptied) otherwise.
template <std::size_t N>
bool CopyField(char (&field)[N], const std::string& text) {
    if (text.size() >= N) {
        field[0] = '\0';
        return false;
    }
    std::memcpy(field, text.c_str(), text.size() + 1);
    return true;
}

}  // namespace

bool IsSubString(const char* text, const char* part) {
    if (text == nullptr || part == nullptr) return false;
    return std::strstr(text, part) != nullptr;
}

char* StrToLower(char* text) {
    if (text == nullptr) return nullptr;
    for (char* p = text; *p != '\0'; ++p) *p = static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    return text;
}

int GetUSBStorInstanceList(UsbStorInfo* records, int* count) {
    if (count != nullptr) *count = 0;
    if (records == nullptr || count == nullptr) return 1;
    const auto disks = platform::ListingBackend()->ListUsbDisks();
    if (!disks) return 1;
    int n = 0;
    for (const platform::UsbDisk& disk : *disks) {
        if (n >= kMaxUsbDisks) break;
        UsbStorInfo& r = records[n];
        std::memset(&r, 0, sizeof r);
        if (!CopyField(r.parentInstanceId, disk.instanceId) || !CopyField(r.usbstorInstanceId, disk.path)) continue;
        StrToLower(r.parentInstanceId);
        r.devnode = disk.devNode;
        r.parentDevnode = disk.parentDevNode;
        ++n;
    }
    *count = n;
    return 1;
}

int GetUSBStorDeviceInfo(DevInfo* devInfo, std::uint32_t* count) {
    if (count == nullptr || devInfo == nullptr) return 0;
    static platform::NamedLock listingLock("VEZUVOrovu");
    std::lock_guard hold(listingLock);

    const std::uint32_t capacity = *count;
    std::memset(devInfo, 0, sizeof(DevInfo) * capacity);
    *count = 0;
    const auto disks = platform::ListingBackend()->ListUsbDisks();
    if (!disks) return 0;

    std::uint32_t found = 0;
    for (const platform::UsbDisk& disk : *disks) {
        if (found >= capacity) break;
        TraceOut("######### - deviceInterfaceDetailData->DevicePath is %s\n", disk.path.c_str());
        DeviceInterfaceDetailData& detail = devInfo[found].deviceInterfaceDetailData;
        if (!CopyField(detail.DevicePath, disk.path)) {
            TraceOut("######### - DevicePath longer than %zu characters skipped!\n", sizeof detail.DevicePath - 1);
            continue;
        }
        detail.cbSize = static_cast<std::uint32_t>(sizeof detail.cbSize + disk.path.size() + 1);
        ++found;
    }
    *count = found;
    if (found == 0) return 1;

    std::vector<UsbStorInfo> usbstorInfo(kMaxUsbDisks);
    int usbCount = 0;
    GetUSBStorInstanceList(usbstorInfo.data(), &usbCount);
    TraceOut("######### - findCount is %d\n", static_cast<int>(found));
    TraceOut("######### - usbCount is %d\n", usbCount);
    for (std::uint32_t i = 0; i < found; ++i) {
        DevInfo& d = devInfo[i];
        for (int j = 0; j < usbCount; ++j) {
            const UsbStorInfo& u = usbstorInfo[static_cast<std::size_t>(j)];
            TraceOut("######### - deviceInfo[%d].deviceInterfaceDetailData.DevicePath is %s\n", static_cast<int>(i),
                     d.deviceInterfaceDetailData.DevicePath);
            TraceOut("######### - usbstorInfo[%d].usbstorInstanceId is %s\n", j, u.usbstorInstanceId);
            // The whole path must match: a part of it would tie "/dev/sg2" to the record of "/dev/sg21".
            if (std::strcmp(d.deviceInterfaceDetailData.DevicePath, u.usbstorInstanceId) != 0) continue;
            if (!CopyField(d.deviceInstanceId, u.parentInstanceId)) continue;
            d.devnode = u.devnode;
            d.parentDevnode = u.parentDevnode;
        }
    }
    return 1;
}

bool QueryDiskNumber(const char* path, std::uint32_t& number, std::uint32_t& partition) {
    if (path == nullptr) path = "";
    const platform::DiskNumberResult r = platform::BackendFor(path)->DiskNumber(path);
    if (!r.opened) {
        TraceOut("######### - INVALID_HANDLE_VALUE!\n");
        return false;
    }
    if (!r.ok) {
        TraceOut("DeviceIoControl %s failed:%d\n", path, r.error);
        return false;
    }
    number = r.number;
    partition = r.partition;
    return true;
}

std::uint32_t GetDiskNumber(const char* path) {
    std::uint32_t number = 0;
    std::uint32_t partition = 0;
    if (!QueryDiskNumber(path, number, partition)) return 0;
    TraceOut("######### - diskNumber.DeviceNumber is %d\n", static_cast<int>(number));
    return number;
}
