#include "emu/sys_param_page_decoder.h"

#include <cstring>

namespace emu {
namespace {

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

std::string Text(const std::uint8_t* p, std::size_t width) {
    std::string text(reinterpret_cast<const char*>(p), width);
    const std::size_t end = text.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

SysIdentity DecodeIdentity(const std::uint8_t* page) {
    SysIdentity id;
    id.dramBytes = Le32(page + 96);
    id.dramProfile = Le32(page + 100);
    id.serialNumber = Text(page + 104, 20);
    id.model = Text(page + 124, 40);
    id.revision = Text(page + 164, 8);
    id.oui = (std::uint32_t{page[174]} << 16) | (std::uint32_t{page[173]} << 8) | page[172];
    id.fwUpdate = page[175];
    id.warningTemp = Le16(page + 176);
    id.criticalTemp = Le16(page + 178);
    id.maxFwActivation = Le16(page + 180);
    id.hostMemory[0] = Le32(page + 184);
    id.hostMemory[1] = Le32(page + 188);
    id.vendorId = Le16(page + 208);
    id.deviceId = Le16(page + 210);
    id.subsystemVendorId = Le16(page + 212);
    id.subsystemId = Le16(page + 214);
    id.nvmeVendorId = Le16(page + 216);
    id.nvmeSubsystemVendorId = Le16(page + 218);
    std::memcpy(id.eui64, page + 228, 8);
    std::memcpy(id.customerId, page + 236, 32);
    return id;
}

SysTuning DecodeTuning(const std::uint8_t* p) {
    SysTuning t;
    t.idleFlushTime = p[0];
    t.refreshFreq = p[1];
    t.endToEnd = p[2];
    t.version = p[3];
    t.logicalDies = p[4];
    t.diesPerCe = p[5];
    t.virtualPerDie = p[6];
    t.virtualTablesPerDie = p[7];
    t.partialRemapThreshold = Le16(p + 10);
    std::memcpy(t.banks, p + 12, 4);
    std::memcpy(t.channels, p + 20, 8);
    std::memcpy(t.loaderBlocks, p + 28, 32);
    t.reserveRatio = Le16(p + 92);
    t.closeBlockRefresh = Le16(p + 96);
    t.headerBlockRefresh = Le16(p + 98);
    t.idleHandleTime = Le16(p + 102);
    for (int i = 0; i < 4; ++i) t.eraseCountThresholds[i] = Le16(p + 104 + 2 * i);
    t.readEmptyThreshold = Le16(p + 112);
    t.hspdCapacity = Le16(p + 114);
    t.hspdBlocks = Le16(p + 116);
    t.goodSuperBlocks = Le16(p + 118);
    t.codeBlockThreshold = Le16(p + 120);
    t.userBlockUnits = Le16(p + 122);
    t.wearLevelThreshold = Le16(p + 124);
    t.switchEraseThreshold = Le16(p + 126);
    t.queueShift = p[128];
    t.queueDepth = Le16(p + 130);
    t.flashOption = Le32(p + 132);
    t.capacityLow = Le32(p + 136);
    t.capacityHigh = Le32(p + 140);
    t.readDisturb = Le32(p + 144);
    t.features1 = Le32(p + 152);
    t.features2 = Le32(p + 156);
    t.manufactureId = Le32(p + 160);
    t.productionId = Le32(p + 164);
    t.readDisturbHead = Le32(p + 176);
    t.scanBlockUnit = Le16(p + 180);
    t.scanBlockUnit2 = Le16(p + 182);
    t.limitSpeed = p[184];
    t.cutType = p[185];
    t.disableLps = p[186];
    for (int i = 0; i < 6; ++i) t.emphasis[i] = Le32(p + 188 + 4 * i);
    t.thermalSensor = p[220];
    t.maxThermal = p[221];
    t.minThermal = p[222];
    t.thermalScale = p[223];
    std::memcpy(t.throttle, p + 224, 4);
    t.systemBlockUnits = Le16(p + 228);
    t.thermalBase = Le16(p + 230);
    std::memcpy(t.throttleTail, p + 232, 3);
    t.dynamicCache = Le32(p + 236);
    std::memcpy(t.nandTemp, p + 240, 3);
    return t;
}

SysFlashInfo DecodeFlash(const std::uint8_t* p) {
    SysFlashInfo f;
    f.vendor = p[0];
    f.type = p[1];
    f.blocks = Le16(p + 2);
    f.pages = Le16(p + 4);
    f.pageSizeKiB = Le16(p + 6);
    f.diesPerCe = p[8];
    f.planes = p[9];
    f.ldpcMode = p[11];
    f.channels = p[13];
    f.banks = p[14];
    f.ces = p[15];
    f.defectRatio = Le16(p + 16);
    f.dramType = Le16(p + 18);
    return f;
}

}  // namespace

std::optional<SysParamPage> DecodeSysParamPage(std::span<const std::uint8_t> page) {
    if (page.size() < kSysParamPageMinBytes) return std::nullopt;
    const std::uint8_t* p = page.data();
    SysParamPage out;
    out.identity = DecodeIdentity(p);
    out.tuning = DecodeTuning(p + 768);
    std::memcpy(out.ceList, p + 1024, 64);
    std::memcpy(out.ceReverse, p + 1088, 128);
    out.flash = DecodeFlash(p + 1216);
    return out;
}

}  // namespace emu
