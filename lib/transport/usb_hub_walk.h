// The USB hub topology walk: every USB 2 and USB 3 root hub and the hubs below them, ports
// numbered depth first (a child hub's ports take the place of the port it sits on), and for each
// port with a device the device's driver key and instance id in g_USBPortInfo.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/usb.h"
#include "transport/port_dev_info.h"

// The running port number of the walk; after it, the number of ports numbered (at most 128).
extern int g_StartUSBPortIndex;
// 1 when a hub query failed (or there were more than 128 ports) during the last walk.
extern std::uint8_t g_USBNodeError;

// Walks every root hub; returns the number of ports numbered.
int SetupDi_DisplayUSB();
// Walks one root hub: 0, or the error (errno) that kept it from being opened or queried (a failed
// query also sets g_USBNodeError).
int EnumerateRootHub(const char* hubPath);
// Numbers the hub's ports and walks its child hubs.
void GetPortData(platform::UsbHub& hub, unsigned ports, int depth);
// The driver key of the device on `port`, or null.
std::unique_ptr<char[]> GetDriverKeyName(platform::UsbHub& hub, unsigned port);
// The instance id of the device node whose driver key is `driverKey` (letter case ignored), in a
// buffer shared by every call, or null.
const char* GetDeviceIdFromDriverKey(const char* driverKey);
// A new narrow copy of a wide text in the system's encoding (UTF-8), or null for a null text or
// one that holds a value that is no character.
std::unique_ptr<char[]> WideToNarrow(const wchar_t* text);
