#include "app/port_census.h"

#include <cctype>
#include <cstring>

#include "app/run_state.h"
#include "forms/ui_port.h"
#include "procedures/V_Proc_Modes.h"
#include "transport/port_instance.h"
#include "transport/scsi_std.h"
#include "transport/trace.h"
#include "transport/usb_hub_walk.h"

namespace app {

namespace {

int g_listedDisks = 0;

bool SameId(const char* diskId, const char* portId) {
    if (portId[0] == '\0') return false;
    std::size_t i = 0;
    for (; diskId[i] != '\0' && portId[i] != '\0'; ++i) {
        if (std::tolower(static_cast<unsigned char>(diskId[i])) != std::tolower(static_cast<unsigned char>(portId[i])))
            return false;
    }
    return diskId[i] == portId[i];
}

void ForgetPath(int port) {
    AP_Instance[port].pDevicePath = nullptr;
    AP_Instance[port].bIsBridge = 0;
    AP_Instance[port].ucBridgeType = 0;
}

// Gives the first unmatched disk of the port's device to the port; false when none fits.
bool TakeDisk(int p) {
    PortDevInfo& r = g_PortDevInfo[p];
    for (int ii = 0; ii < g_listedDisks; ++ii) {
        DevInfo& disk = gJMGlobal.DevInfo[ii];
        disk.deviceInstanceId[sizeof disk.deviceInstanceId - 1] = '\0';
        TraceOut("######### - gJMGlobal.DevInfo[ii].deviceInstanceId is %s\n", disk.deviceInstanceId);
        TraceOut("######### - pPortDevInfo->deviceDesc is %s\n", r.deviceDesc);
        if (disk.bMatched != 0 || !SameId(disk.deviceInstanceId, r.deviceDesc)) continue;
        const char* path = disk.deviceInterfaceDetailData.DevicePath;
        const std::size_t length = BoundedStrLen(path, sizeof disk.deviceInterfaceDetailData.DevicePath);
        if (length >= sizeof r.sInstancePath) {
            TraceOut("######### - [%d]disk path too long for the port record, not matched\n", p);
            continue;
        }
        std::memcpy(r.sInstancePath, path, length);
        r.sInstancePath[length] = '\0';
        r.dwDevNode = disk.devnode;
        r.dwParentDevNode = disk.parentDevnode;
        AP_Instance[p].pDevicePath = r.sInstancePath;
        AP_Instance[p].bIsBridge = 1;
        r.iBridgeUnit = GetBridgeType(p);
        r.iBridgeType = (r.iBridgeUnit & 0xF000) >> 12;
        AP_Instance[p].ucBridgeType = static_cast<std::uint8_t>(r.iBridgeType);
        disk.bMatched = 1;
        return true;
    }
    return false;
}

}  // namespace

int CountUSBPorts() {
    std::memset(g_USBPortInfo, 0, sizeof g_USBPortInfo);
    TotalUSBPortCount = SetupDi_DisplayUSB();
    TraceOut("TotalUSBPortCount = %d \n", TotalUSBPortCount);
    g_listedDisks = 0;
    if (g_USBNodeError != 0) {
        forms::Ui().ShowMessage("Please Check PC Device I/O Control");
        TotalUSBPortCount = 100;
        return 0;
    }
    std::uint32_t count = kMaxUsbDisks;
    if (GetUSBStorDeviceInfo(gJMGlobal.DevInfo, &count) == 0) count = 0;
    g_listedDisks = static_cast<int>(count > kMaxUsbDisks ? kMaxUsbDisks : count);
    return g_listedDisks;
}

int MatchPortsToDisks() {
    const int disks = CountUSBPorts();
    TraceOut("######### - deviceCount is %d\n", disks);
    g_nEnabledPortNum = 0;
    TraceOut("######### - System disk is %c\n", '/');
    const int ports = TotalUSBPortCount < kUsbPortRecords ? TotalUSBPortCount : kUsbPortRecords;
    for (int p = 0; p < ports; ++p) {
        PortDevInfo& r = g_PortDevInfo[p];
        if (g_USBPortInfo[p].iUsbPortPresent != 0) {
            r.iUsbPortPresent = g_USBPortInfo[p].iUsbPortPresent;
            std::memcpy(r.deviceDesc, g_USBPortInfo[p].deviceDesc, sizeof r.deviceDesc);
            r.deviceDesc[sizeof r.deviceDesc - 1] = '\0';
            r.iConnected = 0;
        }
        r.iBridgeUnit = 0;
        if (r.iUsbPortPresent != 1) continue;
        TakeDisk(p);
        if (r.iBridgeUnit != 0) {
            TraceOut("######### - AP_Instance[%d].pDevicePath is %s\n", p, AP_Instance[p].pDevicePath);
            if (VP_EnableVendorCmd(p, 1)) {
                r.iConnected = 1;
                ++g_nEnabledPortNum;
                r.dwCapacityMB = VP_GetCapacityMB(p);
            } else {
                r.iConnected = 0;
                r.iUsbPortPresent = 0;
                TraceOut("######### - [%d]VP_EnableVendorCmd fail!\n", p);
            }
        } else {
            ClearPortRecord(p);
            ForgetPath(p);
        }
    }
    return g_nEnabledPortNum;
}

}  // namespace app
