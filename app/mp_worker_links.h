// What the MP worker reads and writes of the main window's run state and of the sorting settings,
// gathered in one place: the item codes and names, the watchdog ids, the last sorting status, the
// result-block table and the device display slots.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "transport/port_dev_info.h"

// The main window's record of every port (by port index).
extern PortDevInfo g_PortDevInfo[128];

namespace app {

// Code and name of row `id` of the test-item table (empty for an id outside it).
const char* MpItemCode(int id);
const char* MpItemName(int id);

// The watchdog timer id of device `device` (0 to 15).
int DeviceTimerId(int device);

// The last sorting status seen (1 once a worker has jumped to the sorting firmware).
void SetRdtStatus(std::uint8_t status);
std::uint8_t RdtStatus();

// The port's result-block table [channel][logical bank].
void StoreResultBlocks(int port, const std::uint16_t (&blocks)[8][8]);
std::uint16_t ResultBlock(int port, int channel, int bank);

// One device's display, published whole.
struct DeviceSlot {
    std::string status;
    std::uint32_t color = 0;  // 0x00BBGGRR
    int progress = 0;
    std::string serial;
};
void PublishDeviceSlot(int device, const DeviceSlot& slot);
DeviceSlot ReadDeviceSlot(int device);
// Tests: sees every publication in order (null: none). Set while no worker runs.
void SetDeviceSlotObserver(std::function<void(int device, const DeviceSlot& slot)> observer);

}  // namespace app
