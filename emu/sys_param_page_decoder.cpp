#include "emu/sys_param_page_decoder.h"

#include <cstring>

#include "emu/wire_bytes.h"

namespace emu {
namespace {

using wire::GetLe16;
using wire::GetLe32;

std::string Text(const std::uint8_t* p, std::size_t width) {
    std::string text(reinterpret_cast<const char*>(p), width);
    const std::size_t end = text.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

SysIdentity DecodeIdentity(const std::uint8_t* page) {
    SysIdentity id;
    id.dramBytes = GetLe32(page + 96);
    id.dramProfile = GetLe32(page + 100);
    id.serialNumber = Text(page + 104, 20);
    id.model = Text(page + 124, 40);
    id.revision = Text(page + 164, 8);
    id.oui = (std::uint32_t{page[174]} << 16) | (std::uint32_t{page[173]} << 8) | page[172];
    id.fwUpdate = page[175];
    id.warningTemp = GetLe16(page + 176);
    id.criticalTemp = GetLe16(page + 178);
    id.maxFwActivation = GetLe16(page + 180);
    id.hostMemory[0] = GetLe32(page + 184);
    id.hostMemory[1] = GetLe32(page + 188);
    id.vendorId = GetLe16(page + 208);
    id.deviceId = GetLe16(page + 210);
    id.subsystemVendorId = GetLe16(page + 212);
    id.subsystemId = GetLe16(page + 214);
    id.nvmeVendorId = GetLe16(page + 216);
    id.nvmeSubsystemVendorId = GetLe16(page + 218);
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
    t.partialRemapThreshold = GetLe16(p + 10);
    std::memcpy(t.banks, p + 12, 4);
    std::memcpy(t.channels, p + 20, 8);
    std::memcpy(t.loaderBlocks, p + 28, 32);
    t.reserveRatio = GetLe16(p + 92);
    t.closeBlockRefresh = GetLe16(p + 96);
    t.headerBlockRefresh = GetLe16(p + 98);
    t.idleHandleTime = GetLe16(p + 102);
    for (int i = 0; i < 4; ++i) t.eraseCountThresholds[i] = GetLe16(p + 104 + 2 * i);
    t.readEmptyThreshold = GetLe16(p + 112);
    t.hspdCapacity = GetLe16(p + 114);
    t.hspdBlocks = GetLe16(p + 116);
    t.goodSuperBlocks = GetLe16(p + 118);
    t.codeBlockThreshold = GetLe16(p + 120);
    t.userBlockUnits = GetLe16(p + 122);
    t.wearLevelThreshold = GetLe16(p + 124);
    t.switchEraseThreshold = GetLe16(p + 126);
    t.queueShift = p[128];
    t.queueDepth = GetLe16(p + 130);
    t.flashOption = GetLe32(p + 132);
    t.capacityLow = GetLe32(p + 136);
    t.capacityHigh = GetLe32(p + 140);
    t.readDisturb = GetLe32(p + 144);
    t.features1 = GetLe32(p + 152);
    t.features2 = GetLe32(p + 156);
    t.manufactureId = GetLe32(p + 160);
    t.productionId = GetLe32(p + 164);
    t.readDisturbHead = GetLe32(p + 176);
    t.scanBlockUnit = GetLe16(p + 180);
    t.scanBlockUnit2 = GetLe16(p + 182);
    t.limitSpeed = p[184];
    t.cutType = p[185];
    t.disableLps = p[186];
    for (int i = 0; i < 6; ++i) t.emphasis[i] = GetLe32(p + 188 + 4 * i);
    t.thermalSensor = p[220];
    t.maxThermal = p[221];
    t.minThermal = p[222];
    t.thermalScale = p[223];
    std::memcpy(t.throttle, p + 224, 4);
    t.systemBlockUnits = GetLe16(p + 228);
    t.thermalBase = GetLe16(p + 230);
    std::memcpy(t.throttleTail, p + 232, 3);
    t.dynamicCache = GetLe32(p + 236);
    std::memcpy(t.nandTemp, p + 240, 3);
    return t;
}

SysFlashInfo DecodeFlash(const std::uint8_t* p) {
    SysFlashInfo f;
    f.vendor = p[0];
    f.type = p[1];
    f.blocks = GetLe16(p + 2);
    f.pages = GetLe16(p + 4);
    f.pageSizeKiB = GetLe16(p + 6);
    f.diesPerCe = p[8];
    f.planes = p[9];
    f.ldpcMode = p[11];
    f.channels = p[13];
    f.banks = p[14];
    f.ces = p[15];
    f.defectRatio = GetLe16(p + 16);
    f.dramType = GetLe16(p + 18);
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
