// Controller identification and modes, the jumps between the controller's programs, GPIO and
// the NTFS check.
#include "procedures/V_Proc_Modes.h"

#include <array>
#include <cstring>
#include <vector>

#include "commands/command_sets.h"
#include "commands/std_nvme.h"
#include "commands/vendor_dispatch.h"
#include "platform/clock.h"
#include "transport/byte_order.h"
#include "transport/trace.h"

namespace {

constexpr int kJumpAttempts = 11;
constexpr unsigned kAttemptWaitMs = 1000;
constexpr unsigned kSortingJumpWaitMs = 3000;
constexpr unsigned kSystemJumpWaitMs = 1500;
constexpr std::uint32_t kFwVariableSectors = 8;
constexpr std::size_t kFwTagOffset = 448;
constexpr std::uint32_t kGpioRegisterBase = 0xF0000004;
constexpr std::size_t kSector = 512;

bool IdentifyTextHas(const char* what, const std::vector<std::uint8_t>& identify) {
    char text[kIdentifyTextBytes + 1];
    procedures::IdentifyText(identify.data(), text);
    return std::strstr(text, what) != nullptr;
}

// The caller's identify buffer, or `local` when the caller gave none.
std::uint8_t* IdentifyBuffer(void* caller, std::vector<std::uint8_t>& local) {
    if (caller != nullptr) return static_cast<std::uint8_t*>(caller);
    local.assign(kIdentifyBytes, 0);
    return local.data();
}

// Identifies the controller into a fresh buffer; false (traced) when the identify fails.
bool IdentifyController(int port, std::vector<std::uint8_t>& identify) {
    identify.assign(kIdentifyBytes, 0);
    if (!VP_Identify(port, identify.data(), 1)) {
        TraceOut("######### - [%d]Read Identify fail!\n", port);
        return false;
    }
    return true;
}

bool ReadSector(int port, std::uint8_t* sector, std::uint64_t lba) {
    return VC_STD_Read(port, sector, 1, static_cast<std::uint32_t>(lba), static_cast<std::uint32_t>(lba >> 32)) == 1;
}

}  // namespace

namespace procedures {

void IdentifyText(const std::uint8_t* identify, char (&text)[kIdentifyTextBytes + 1]) {
    std::memcpy(text, identify + kIdentifyTextOffset, kIdentifyTextBytes);
    text[kIdentifyTextBytes] = '\0';
}

}  // namespace procedures

bool VP_Identify(int port, void* buffer, int mode) {
    return VC_STD_Identify(port, buffer, mode) == 1;
}

bool VP_GetSmartLog(int port, void* buffer) {
    return VC_STD_GetSmartLog(port, buffer) == 1;
}

std::uint32_t VP_GetCapacityMB(int port) {
    std::vector<std::uint8_t> identify(kIdentifyBytes, 0);
    if (!VP_Identify(port, identify.data(), 0)) return 0;
    // Sectors of 512 bytes to MiB: x 512 / 1,024 / 1,024, without the 64-bit overflow.
    return static_cast<std::uint32_t>(transport::GetLe64(identify.data()) / 2048);
}

bool VP_EnableVendorCmd(int port, int flag) {
    if (flag != 0) {
        TraceOut("######### - Enable Vendor Cmd\n");
        return VC_EnableVendorCmd(port) == 1;
    }
    TraceOut("######### - Disable Vendor Cmd\n");
    return VC_DisableVendorCmd(port) == 1;
}

bool VP_JumpToLoader(int port, std::uint8_t event) {
    TraceOut("######### - [%d]VP_JumpToLoader - Event %d\n", port, event);
    if (VC_LDR_CmdJumpToROM(port, event) != 1) {
        TraceOut("######### - [%d]VP_JumpToLoader fail!\n", port);
        return false;
    }
    return true;
}

int VP_IsLoaderMode(int port) {
    std::vector<std::uint8_t> identify;
    if (!IdentifyController(port, identify)) return 0;
    if (IdentifyTextHas("Loader", identify)) {
        TraceOut("######### - [%d]VP_IsLoaderMode is true\n", port);
        return 1;
    }
    TraceOut("######### - [%d]VP_IsLoaderMode is false\n", port);
    return 0;
}

bool VP_IsGDPMode(int port) {
    std::vector<std::uint8_t> identify;
    if (!IdentifyController(port, identify)) return false;
    if (IdentifyTextHas("GDP", identify)) {
        TraceOut("######### - [%d]VP_IsGDPMode is true\n", port);
        return true;
    }
    TraceOut("######### - [%d]VP_IsGDPMode is false\n", port);
    return false;
}

int VP_GetCurrentMode(int port) {
    std::vector<std::uint8_t> block(kFwVariableSectors * kSector, 0);
    if (VC_LDR_CmdReadRam(port, block.data(), kFwVariableSectors, 0) != 1) {
        TraceOut("######### - [%d]VP_GetCurrentMode - VC_LDR_CmdReadRam fail!\n", port);
        return kModeNone;
    }
    const std::uint8_t* tag = block.data() + kFwTagOffset;
    if (std::memcmp(tag, "RAVEZ", 5) == 0) {
        TraceOut("######### - [%d]VP_GetCurrentMode is SYS FW\n", port);
        return kModeSystem;
    }
    if (std::memcmp(tag, "QVGDP", 5) == 0) {
        TraceOut("######### - [%d]VP_GetCurrentMode is GDP\n", port);
        return kModeGdp;
    }
    if (std::memcmp(tag, "QVRDT", 5) == 0) {
        TraceOut("######### - [%d]VP_GetCurrentMode is RDT\n", port);
        return kModeRdt;
    }
    TraceOut("######### - [%d]VP_GetCurrentMode is Loader\n", port);
    return kModeLoader;
}

bool VP_JumpToSorting(int port, void* identify) {
    TraceOut("######### - [%d]VP_JumpToSorting\n", port);
    bool result = true;
    if (VP_IsLoaderMode(port) == 1 || VP_IsGDPMode(port)) {
        if (!VP_JumpToLoader(port, 0)) {
            result = false;
        } else {
            platform::Sleep(kSortingJumpWaitMs);
            result = false;
            std::vector<std::uint8_t> local;
            std::uint8_t* bytes = IdentifyBuffer(identify, local);
            for (int attempt = 0; attempt < kJumpAttempts && !result; ++attempt) {
                std::memset(bytes, 0, kIdentifyBytes);
                if (VP_Identify(port, bytes, 1)) {
                    char text[kIdentifyTextBytes + 1];
                    procedures::IdentifyText(bytes, text);
                    TraceOut("######### - Port(%d)  Jump To Sorting - szTemp is %s \n", port, text);
                    if (std::strstr(text, "RDT") != nullptr) {
                        TraceOut("######### - [%d]Jump To Sorting is Pass\n", port);
                        VP_EnableVendorCmd(port, 1);
                        result = true;
                        break;
                    }
                    TraceOut("######### - [%d]Jump To Sorting is false\n", port);
                }
                platform::Sleep(kAttemptWaitMs);
            }
        }
    }
    if (!result) TraceOut("######### - [%d]VP_JumpToSorting fail!\n", port);
    return result;
}

bool VP_JumpToSystem(int port, void* identify) {
    TraceOut("######### - [%d]VP_JumpToSystem\n", port);
    bool result = true;
    if (VP_IsLoaderMode(port) == 1 || VP_IsGDPMode(port)) {
        if (!VP_JumpToLoader(port, 0)) {
            result = false;
        } else {
            platform::Sleep(kSystemJumpWaitMs);
            std::vector<std::uint8_t> local;
            std::uint8_t* bytes = IdentifyBuffer(identify, local);
            bool answered = false;
            for (int attempt = 0; attempt < kJumpAttempts; ++attempt) {
                std::memset(bytes, 0, kIdentifyBytes);
                if (VP_Identify(port, bytes, 1)) {
                    answered = true;
                    break;
                }
                platform::Sleep(kAttemptWaitMs);
            }
            if (answered) {
                VP_EnableVendorCmd(port, 1);
                result = VP_GetCurrentMode(port) == kModeSystem;
            } else {
                result = false;
            }
        }
    }
    if (!result) TraceOut("######### - [%d]VP_JumpToSystem fail!\n", port);
    return result;
}

bool CheckRDTFW(int port, void* identify) {
    TraceOut("CheckRDTFW Port(%d)\n", port + 1);
    const bool ok = VP_JumpToSorting(port, identify);
    TraceOut(ok ? " VP_Jump To System pass  Go RDT FW \n" : "######### - VP JumpToSorting!\n");
    return ok;
}

int VP_GetGPIOValue(int port, std::uint32_t bit, std::uint8_t* value) {
    const auto shift = bit & 7;
    const auto mask = static_cast<std::uint8_t>(1u << shift);
    std::uint8_t gpio = 0;
    if (VC_LDR_CmdGetReg(port, kGpioRegisterBase + bit / 8, &gpio) == 2) return 0;
    TraceOut("######### - ucGpioValue is 0x%X\n", gpio);
    if (value != nullptr) *value = static_cast<std::uint8_t>((gpio & mask) >> shift);
    return 1;
}

bool VP_CheckNTFSPartition(int port) {
    std::array<std::uint8_t, kSector> sector{};
    // A master boot record with an NTFS partition type.
    if (ReadSector(port, sector.data(), 0)) {
        const bool signature = sector[510] == 0x55 && sector[511] == 0xAA;
        for (std::size_t type : {450u, 466u, 482u, 498u}) {
            if (sector[type] == 7 && signature) return true;
        }
    }
    // Else a GUID partition table whose first three entries hold a basic-data partition with NTFS.
    if (!ReadSector(port, sector.data(), 1) || std::memcmp(sector.data(), "EFI PART", 8) != 0) return false;
    TraceOut("######### - Find GUID Partition Table!\n");
    std::array<std::uint8_t, kSector> entries{};
    if (!ReadSector(port, entries.data(), 2)) return false;
    static constexpr std::uint8_t kBasicData[16] = {0xA2, 0xA0, 0xD0, 0xEB, 0xE5, 0xB9, 0x33, 0x44,
                                                    0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7};
    for (int e = 0; e < 3; ++e) {
        const std::uint8_t* entry = entries.data() + 128 * e;
        if (std::memcmp(entry, kBasicData, sizeof kBasicData) != 0) continue;
        TraceOut("######### - [%d] Find MicroSoft basic data partition!\n", port);
        const std::uint64_t lba = transport::GetLe64(entry + 32);
        TraceOut("######### - [%d] Starting LBA is %d\n", port, static_cast<int>(lba));
        if (ReadSector(port, sector.data(), lba) && std::memcmp(sector.data() + 3, "NTFS", 4) == 0) {
            TraceOut("######### - [%d] Find NTFS partition!\n", port);
            return true;
        }
    }
    return false;
}
