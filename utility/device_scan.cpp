#include "utility/device_scan.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "platform/backend.h"
#include "procedures/V_Proc_Modes.h"
#include "transport/byte_order.h"
#include "transport/scsi_std.h"
#include "transport/tool_records.h"
#include "transport/trace.h"
#include "transport/usb_disks.h"
#include "utility/device_info_text.h"
#include "utility/device_state.h"

namespace vellumin {

namespace {

void ClearPortRecord(int port) {
    SetPortPath(port, nullptr);
    AP_Instance[port].bIsBridge = 0;
    AP_Instance[port].ucBridgeType = 0;
}

}  // namespace

void DumpWithSwitch(const char* name, const void* data, std::size_t length) {
    AP_RDSetting.DumpDebugFile = 1;
    DumpRawFile(name, data, length);
    AP_RDSetting.DumpDebugFile = 0;
}

int EnumDiskDevicePaths(std::vector<DiskPathEntry>& list) {
    list.clear();
    for (const platform::DiskEntry& disk : platform::ListingBackend()->ListDisks()) {
        if (list.size() >= static_cast<std::size_t>(kMaxDiskPaths)) break;
        if (disk.path.size() > kMaxDiskPathChars) {
            TraceOut("######### - disk path of %zu characters skipped\n", disk.path.size());
            continue;
        }
        list.push_back({disk.path, disk.bus});
    }
    return static_cast<int>(list.size());
}

int RescanDeviceTree() {
    const platform::RescanResult r = platform::ListingBackend()->RescanDisks();
    if (r.ok) return 1;
    if (r.noHost) {
        std::printf("CM_Locate_DevNode failed: %x\n", static_cast<unsigned>(r.error));
    } else {
        std::printf("CM_Reenumerate_DevNode failed: %x\n", static_cast<unsigned>(r.error));
    }
    std::fflush(stdout);
    return 0;
}

std::vector<DeviceRow> ScanDevices() {
    std::vector<DiskPathEntry> paths;
    const int count = EnumDiskDevicePaths(paths);
    TraceOut("nDevice = %d\n", count);
    g_nDeviceCount = 0;
    // The old list goes: no record keeps a path of it.
    for (int port = 0; port < kMaxDevices; ++port) ClearPortRecord(port);
    std::vector<DeviceRow> rows;
    std::uint8_t identify[kIdentifyBytes];

    for (int j = 0; j < count; ++j) {
        const int d = g_nDeviceCount;
        std::string bus = paths[static_cast<std::size_t>(j)].bus;
        for (char& c : bus) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        int interfaceClass = 0;
        if (bus.find("scsi") != std::string::npos) {
            interfaceClass = 5;
        } else if (bus.find("usb") != std::string::npos) {
            interfaceClass = 3;
        }
        const char* path = paths[static_cast<std::size_t>(j)].path.c_str();

        // The probe uses record j as a scratch slot, cleared again afterwards.
        SetPortPath(j, path);
        AP_Instance[j].bIsBridge = 1;
        const int h = GetBridgeType(j);
        ClearPortRecord(j);
        if (interfaceClass == 0) continue;
        if (d >= kMaxDevices) {
            if (h != 0) TraceOut("######### - %s is not listed: %d drives are listed already\n", path, kMaxDevices);
            continue;
        }

        DeviceInfoRecord& info = g_DeviceInfo[static_cast<std::size_t>(d)];
        info.nInterfaceClass = interfaceClass;
        AP_Instance[d].ucBridgeType = static_cast<std::uint8_t>((h >> 12) & 0xF);
        SetPortPath(d, path);
        AP_Instance[d].bIsBridge = 1;
        TraceOut(interfaceClass == 3 ? "DEVICE_USB\n" : "DEVICE_UNKNOWN\n");
        info.nInterfaceClass = 3;
        if (h == 0) {
            ClearPortRecord(d);
            continue;
        }

        g_InfoPort[static_cast<std::size_t>(d)].dwDiskNumber = GetDiskNumber(path);
        DeviceRow row;
        std::memset(identify, 0, sizeof identify);
        if (!VP_Identify(d, identify, 1)) {
            ClearPortRecord(d);
            continue;
        }
        DumpWithSwitch("IDFY_C.raw", identify, sizeof identify);
        const DeviceRowTexts texts = RowTexts(identify);
        row.diskNumber = std::to_string(g_InfoPort[static_cast<std::size_t>(d)].dwDiskNumber);
        row.model = texts.model;
        row.serial = texts.serial;
        row.revision = texts.revision;
        char serial[kSerialBytes];
        std::memcpy(serial, identify + 4, kSerialBytes);

        std::memset(identify, 0, sizeof identify);
        if (!VP_Identify(d, identify, 0)) {
            ClearPortRecord(d);
            continue;
        }
        DumpWithSwitch("IDFY_N.raw", identify, sizeof identify);
        const std::uint64_t nsze = transport::GetLe64(identify);
        TraceOut("######### - pNVMeIdentify->NSZE is %d\n", static_cast<int>(static_cast<std::uint32_t>(nsze)));
        row.capacity = CapacityText(nsze);
        row.interface = " USB ";
        std::memset(info.sSerialNum, 0, sizeof info.sSerialNum);
        std::memcpy(info.sSerialNum, serial, kSerialBytes);
        rows.push_back(std::move(row));
        g_nDeviceCount = d + 1;
    }
    return rows;
}

}  // namespace vellumin
