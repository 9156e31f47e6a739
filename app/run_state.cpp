#include "app/run_state.h"

#include <cstring>

PortDevInfo g_PortDevInfo[kUsbPortRecords];
std::int32_t TotalUSBPortCount = 0;
std::int32_t g_nEnabledPortNum = 0;
std::int32_t g_nPortConnectedNum = 0;
std::uint16_t g_DeviceToPortMap[kDeviceCount] = {kNoPort, kNoPort, kNoPort, kNoPort, kNoPort, kNoPort,
                                                 kNoPort, kNoPort, kNoPort, kNoPort, kNoPort, kNoPort,
                                                 kNoPort, kNoPort, kNoPort, kNoPort};
std::uint16_t g_CustomizePortMap[kDeviceCount] = {kNoPort, kNoPort, kNoPort, kNoPort, kNoPort, kNoPort,
                                                  kNoPort, kNoPort, kNoPort, kNoPort, kNoPort, kNoPort,
                                                  kNoPort, kNoPort, kNoPort, kNoPort};
std::uint8_t g_EnCustomizePortMap = 0;
std::uint8_t b_AutoPortMapping = 0;
std::uint8_t g_bAutoTestArmed = 0;
std::uint16_t g_SelectedDevice = 0;
int g_DeviceTimerID[kDeviceCount] = {};
std::uint8_t g_ucRdtStatus = 0;
DeviceSlots g_DeviceSlots;

bool DeviceConnected(int device) {
    if (device < 0 || device >= kDeviceCount) return false;
    const std::uint16_t port = g_DeviceToPortMap[device];
    return port < kUsbPortRecords && g_PortDevInfo[port].iConnected != 0;
}

bool DeviceSelected(int device) {
    return g_SelectedDevice == 0 || (device >= 0 && device < kDeviceCount && (g_SelectedDevice >> device) & 1);
}

void ClearPortRecord(int port) {
    if (port < 0 || port >= kUsbPortRecords) return;
    g_PortDevInfo[port] = PortDevInfo{};
    std::memset(gJMGlobal.sBurnedSerialNum[port], 0, sizeof gJMGlobal.sBurnedSerialNum[port]);
}

void DeviceSlots::Publish(int device, DeviceSlot slot) {
    if (device < 0 || device >= kDeviceCount) return;
    std::lock_guard lock(mutex_[device]);
    slot_[device] = std::move(slot);
}

DeviceSlot DeviceSlots::Read(int device) const {
    if (device < 0 || device >= kDeviceCount) return {};
    std::lock_guard lock(mutex_[device]);
    return slot_[device];
}

void DeviceSlots::SetStatus(int device, std::string status, std::uint32_t colour) {
    DeviceSlot slot = Read(device);
    slot.status = std::move(status);
    slot.colour = colour;
    Publish(device, std::move(slot));
}

void DeviceSlots::SetProgress(int device, int progress) {
    DeviceSlot slot = Read(device);
    slot.progress = progress;
    Publish(device, std::move(slot));
}

void DeviceSlots::SetSerialNumber(int device, std::string serialNumber) {
    DeviceSlot slot = Read(device);
    slot.serialNumber = std::move(serialNumber);
    Publish(device, std::move(slot));
}

void DeviceSlots::ResetAll() {
    for (int d = 0; d < kDeviceCount; ++d) Publish(d, DeviceSlot{});
}
