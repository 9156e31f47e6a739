// The emulated system firmware's view of its parameter code page: the drive's identity (serial
// number, model, revision, ids), the tuning values, the CE maps and the flash information, decoded
// from the page's bytes alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace emu {

struct SysIdentity {
    std::uint32_t dramBytes = 0;
    std::uint32_t dramProfile = 0;
    std::string serialNumber;  // trailing spaces removed
    std::string model;
    std::string revision;
    std::uint32_t oui = 0;  // the three bytes read as first digits high: 0xA1B2C3 for "A1B2C3"
    std::uint8_t fwUpdate = 0;
    std::uint16_t warningTemp = 0;
    std::uint16_t criticalTemp = 0;
    std::uint16_t maxFwActivation = 0;
    std::uint32_t hostMemory[2] = {};
    std::uint16_t vendorId = 0, deviceId = 0, subsystemVendorId = 0, subsystemId = 0;
    std::uint16_t nvmeVendorId = 0, nvmeSubsystemVendorId = 0;
    std::uint8_t eui64[8] = {};
    std::uint8_t customerId[32] = {};
};

struct SysTuning {
    std::uint8_t idleFlushTime = 0, refreshFreq = 0, endToEnd = 0, version = 0;
    std::uint8_t logicalDies = 0, diesPerCe = 0, virtualPerDie = 0, virtualTablesPerDie = 0;
    std::uint16_t partialRemapThreshold = 0;
    std::uint8_t banks[4] = {};
    std::uint8_t channels[8] = {};
    std::uint8_t loaderBlocks[32] = {};  // [channel x 4 + bank], bit n: block n
    std::uint16_t reserveRatio = 0;
    std::uint16_t closeBlockRefresh = 0, headerBlockRefresh = 0, idleHandleTime = 0;
    std::uint16_t eraseCountThresholds[4] = {};
    std::uint16_t readEmptyThreshold = 0;
    std::uint16_t hspdCapacity = 0, hspdBlocks = 0, goodSuperBlocks = 0, codeBlockThreshold = 0;
    std::uint16_t userBlockUnits = 0;
    std::uint16_t wearLevelThreshold = 0, switchEraseThreshold = 0;
    std::uint8_t queueShift = 0;
    std::uint16_t queueDepth = 0;
    std::uint32_t flashOption = 0;
    std::uint32_t capacityLow = 0, capacityHigh = 0;
    std::uint32_t readDisturb = 0;
    std::uint32_t features1 = 0, features2 = 0;
    std::uint32_t manufactureId = 0, productionId = 0;
    std::uint32_t readDisturbHead = 0;
    std::uint16_t scanBlockUnit = 0, scanBlockUnit2 = 0;
    std::uint8_t limitSpeed = 0, cutType = 0, disableLps = 0;
    std::uint32_t emphasis[6] = {};
    std::uint8_t thermalSensor = 0, maxThermal = 0, minThermal = 0, thermalScale = 0;
    std::uint8_t throttle[4] = {};
    std::uint16_t systemBlockUnits = 0;
    std::uint16_t thermalBase = 0;
    std::uint8_t throttleTail[3] = {};
    std::uint32_t dynamicCache = 0;
    std::uint8_t nandTemp[3] = {};
};

struct SysFlashInfo {
    std::uint8_t vendor = 0, type = 0;
    std::uint16_t blocks = 0, pages = 0, pageSizeKiB = 0;
    std::uint8_t diesPerCe = 0, planes = 0, ldpcMode = 0;
    std::uint8_t channels = 0, banks = 0, ces = 0;
    std::uint16_t defectRatio = 0;
    std::uint16_t dramType = 0;
};

struct SysParamPage {
    SysIdentity identity;
    SysTuning tuning;
    std::uint8_t ceList[64] = {};
    std::uint8_t ceReverse[128] = {};
    SysFlashInfo flash;

    // The capacity in sectors the firmware reports (high and low words together).
    std::uint64_t CapacitySectors() const { return (std::uint64_t{tuning.capacityHigh} << 32) | tuning.capacityLow; }
};

inline constexpr std::size_t kSysParamPageMinBytes = 1236;

// Decodes the page; nothing when fewer than 1,236 bytes arrive.
std::optional<SysParamPage> DecodeSysParamPage(std::span<const std::uint8_t> page);

}  // namespace emu
