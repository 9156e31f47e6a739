// The per-port record of the main window's census and port map, and the hub walk's raw table.
#pragma once

#include <cstdint>

struct PortDevInfo {
    std::int32_t iUsbPortPresent;  // 1 when the hub walk found a device on the port
    std::int32_t iConnected;       // 1 when the port holds a usable drive
    std::int32_t iBridgeType;      // 1 JMicron-type, 2 ASMedia-type (bits 12..15 of iBridgeUnit)
    std::int32_t iBridgeUnit;      // GetBridgeType: 0x1000, 0x2000 or 0
    std::int32_t hUsbHub;          // the open hub the port was found on (a record only; closed after the walk)
    char sDriverKeyName[80];       // the device's driver key
    char deviceDesc[80];           // the device's instance id (the name is historical)
    char sInstancePath[264];       // pass-through path of the matched USB disk
    std::uint32_t dwCapacityMB;
    std::int32_t iErrorCode;
    std::int32_t iSubCode;
    std::int32_t iResult;
    std::int32_t iFailItem;
    char sBurnedSerialNum[50];
    char sSecondText[43];
    std::uint32_t dwDevNode;
    std::uint32_t dwParentDevNode;
    std::int32_t iItemState[36];
    std::int32_t iStatus;  // 0 idle, 2 running, 1 pass, -1 fail; 3 and 4 from the sorting-status poll
};

inline constexpr int kUsbPortRecords = 128;

// The hub walk's view of every port, by port number - 1.
extern PortDevInfo g_USBPortInfo[kUsbPortRecords];
