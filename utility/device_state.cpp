#include "utility/device_state.h"

#include <cstring>

namespace vellumin {

std::uint8_t g_bInstance = 0;
std::int32_t g_nDeviceCount = 0;
std::int32_t g_nSaveAllMode = 0;
const char* g_pSystemInfoPath = nullptr;
std::string g_sUartLogPath;
std::array<DeviceInfoRecord, kMaxDevices> g_DeviceInfo{};
std::array<InfoPortRecord, kPortCount> g_InfoPort{};

namespace {

constexpr std::size_t kRecordBytes = 4 * kTableBufferBytes + kBadUnitMapBytes;

transport::PortMemory* g_memory = nullptr;
void* g_block = nullptr;

}  // namespace

std::uint16_t BadUnitMark(const InfoPortRecord& record, int channel, int bank, int unit) {
    if (record.pBadUnitMap == nullptr || channel < 0 || channel >= kMapChannels || bank < 0 || bank >= kMapBanks ||
        unit < 0 || unit >= kMapUnits) {
        return 0;
    }
    return record.pBadUnitMap[(std::size_t(channel) * kMapBanks + std::size_t(bank)) * kMapUnits + std::size_t(unit)];
}

void SetPortPath(int port, const char* path) {
    if (port < 0 || port >= kPortCount) return;
    InfoPortRecord& r = g_InfoPort[static_cast<std::size_t>(port)];
    if (path == nullptr) {
        r.devicePath.clear();
        AP_Instance[port].pDevicePath = nullptr;
        return;
    }
    r.devicePath = path;
    AP_Instance[port].pDevicePath = r.devicePath.c_str();
}

std::size_t InfoPoolBytes() { return kRecordBytes * kPortCount; }

bool AllocInfoPortBuffers(transport::PortMemory& memory) {
    if (g_block != nullptr) return true;
    void* block = memory.Map(InfoPoolBytes());
    if (block == nullptr) return false;
    g_block = block;
    g_memory = &memory;
    auto* bytes = static_cast<std::uint8_t*>(block);
    for (std::size_t port = 0; port < kPortCount; ++port) {
        std::uint8_t* base = bytes + port * kRecordBytes;
        InfoPortRecord& r = g_InfoPort[port];
        r.pDefectTableBuf = base;
        r.pEarlyTableBuf = base + kTableBufferBytes;
        r.pRemapTableBuf = base + 2 * kTableBufferBytes;
        r.pVirtualRemapTableBuf = base + 3 * kTableBufferBytes;
        r.pBadUnitMap = reinterpret_cast<std::uint16_t*>(base + 4 * kTableBufferBytes);  // page-aligned
    }
    return true;
}

bool AllocInfoPortBuffers() { return AllocInfoPortBuffers(transport::PageMappedMemory()); }

void ClearInfoPortBuffers() {
    for (InfoPortRecord& r : g_InfoPort) {
        for (std::uint8_t* p : {r.pDefectTableBuf, r.pEarlyTableBuf, r.pRemapTableBuf, r.pVirtualRemapTableBuf,
                                reinterpret_cast<std::uint8_t*>(r.pBadUnitMap)}) {
            if (p != nullptr) std::memset(p, 0, 4);
        }
    }
}

void FreeInfoPortBuffers() {
    if (g_block == nullptr) return;
    for (InfoPortRecord& r : g_InfoPort) {
        r.pDefectTableBuf = r.pEarlyTableBuf = r.pRemapTableBuf = r.pVirtualRemapTableBuf = nullptr;
        r.pBadUnitMap = nullptr;
    }
    g_memory->Unmap(g_block, InfoPoolBytes());
    g_block = nullptr;
    g_memory = nullptr;
}

}  // namespace vellumin
