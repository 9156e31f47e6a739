#include "app/mp_worker_links.h"

#include <atomic>
#include <mutex>

PortDevInfo g_PortDevInfo[128] = {};

namespace app {

namespace {

struct ItemText {
    const char* code;
    const char* name;
};

constexpr ItemText kItems[96] = {
    {"", ""},
    {"M00", "Flash Module"},
    {"A01", "Rebuild Bad Block"},
    {"A00", "Bus Interface"},
    {"B00", "Flash Interface"},
    {"H00", "Dram Test"},
    {"H01", "Erase Blocks"},
    {"C00", "Preformat"},
    {"D00", "Download"},
    {"U00", "Upload"},
    {"E00", "R/W Test"},
    {"J00", "Check Tables"},
    {"S01", "Sort Connection Mode"},
    {"S02", "Check RDT FW"},
    {"W00", "Write PPID"},
    {"J02", "Set Max LBA"},
    {"F00", "Disk Format"},
    {"Q09", "Check Temperature"},
    {"Q00", "Model Number"},
    {"Q01", "Firmware Version"},
    {"Q02", "Vendor Name"},
    {"Q03", "Product Name"},
    {"Q04", "IDEMA Capacity Check"},
    {"Q05", "Serial Number Check"},
    {"Q06", "LBA Capacity Check"},
    {"E02", "R/W Test (Partial)"},
    {"E04", "R/W Test (Percentage)"},
    {"E05", "Write Test (Full)"},
    {"E01", "R/W Test (Full)"},
    {"G00", "EraseAllData"},
    {"J00", "QC Check Tables"},
    {"Q10", "Check SATA3 Speed"},
    {"Q11", "Check PPID"},
    {"Q12", "Zero Value Test"},
    {"W01", "Modify Device Info"},
    {"Q13", "Check MP Setting"},
    {"", ""},
    {"K00", "Get Loader Block"},
    {"T00", ""},
    {"E03", ""},
    {"J01", ""},
    {"Q07", ""},
    {"Q08", ""},
    {"C01", ""},
    {"C02", ""},
    {"C03", ""},
    {"C04", ""},
    {"C05", ""},
    {"C06", ""},
    {"C07", ""},
    {"C08", ""},
    {"B01", ""},
    {"B02", ""},
    {"B03", ""},
    {"B04", ""},
    {"B05", ""},
    {"B06", ""},
    {"B07", ""},
    {"B08", ""},
    {"B09", ""},
    {"B10", ""},
    {"B11", ""},
    {"B12", "Dram 1 Test"},
    {"B13", "Dram 2 Test"},
    {"B14", "Dram both Test"},
    {"P00", "Check Chip"},
    {"P01", "Get Erase Count"},
    {"P03", "Check RDT Result"},
    {"P04", "Check SN Length"},
    {"P05", "BB/plane Over Spec"},
    {"P07", "ECC Fail Happen"},
    {"P08", "Set Serial"},
    {"P09", "Check RDT Serial"},
    {"P10", "Get Smart Info"},
    {"P11", "RDT Log Dump"},
    {"P12", "RDT Log Result"},
    {"P13", "Check RDT DRAM SCREEN"},
    {"P20", "Read RDT Defect table"},
    {"P14", "Check LTS Result"},
    {"P15", "Check LTS DRAM"},
    {"P16", "Check LTS NAND SCREEN"},
    {"P18", "Jump To Loader"},
    {"P19", "Check PPID Length"},
    {"P22", "Program Over Spec"},
    {"P23", "Erase Over Spec"},
    {"P21", "Get RDT SN WWN"},
    {"M01", "Check Pair-Page"},
    {"M03", "Check Pair-Page"},
    {"B15", "Flash Interface"},
    {"P24", "Sorting Result"},
    {"P29", "Factory Bad Over Spec"},
    {"P30", "ReInherit Sorting"},
    {"P31", "Inherit SN"},
    {"P32", "Check Max SN"},
    {"P33", "Mount SN Time"},
    {"S00", ""},
};

std::uint8_t g_rdtStatus = 0;
std::uint16_t g_resultBlocks[128][8][8] = {};
std::mutex g_slotMutex;
DeviceSlot g_slots[16];
std::function<void(int, const DeviceSlot&)> g_slotObserver;

}  // namespace

const char* MpItemCode(int id) {
    return id >= 0 && id < 96 ? kItems[id].code : "";
}

const char* MpItemName(int id) {
    return id >= 0 && id < 96 ? kItems[id].name : "";
}

int DeviceTimerId(int device) {
    return device + 1;
}

void SetRdtStatus(std::uint8_t status) {
    std::atomic_ref(g_rdtStatus).store(status);
}

std::uint8_t RdtStatus() {
    return std::atomic_ref(g_rdtStatus).load();
}

void StoreResultBlocks(int port, const std::uint16_t (&blocks)[8][8]) {
    if (port < 0 || port >= 128) return;
    for (int c = 0; c < 8; ++c)
        for (int b = 0; b < 8; ++b) g_resultBlocks[port][c][b] = blocks[c][b];
}

std::uint16_t ResultBlock(int port, int channel, int bank) {
    if (port < 0 || port >= 128 || channel < 0 || channel >= 8 || bank < 0 || bank >= 8) return 0;
    return g_resultBlocks[port][channel][bank];
}

void PublishDeviceSlot(int device, const DeviceSlot& slot) {
    if (device < 0 || device >= 16) return;
    std::lock_guard lock(g_slotMutex);
    g_slots[device] = slot;
    if (g_slotObserver) g_slotObserver(device, slot);
}

DeviceSlot ReadDeviceSlot(int device) {
    if (device < 0 || device >= 16) return {};
    std::lock_guard lock(g_slotMutex);
    return g_slots[device];
}

void SetDeviceSlotObserver(std::function<void(int device, const DeviceSlot& slot)> observer) {
    std::lock_guard lock(g_slotMutex);
    g_slotObserver = std::move(observer);
}

}  // namespace app
