// The hardware-check steps: flash module, bus interface, flash interface, DRAM, and the two
// single-command operations used outside the run (read the flash module, PCIe loop-back).
#include <array>
#include <cstdio>
#include <cstring>

#include "commands/command_sets.h"
#include "platform/clock.h"
#include "procedures/V_Proc_BufferTest.h"
#include "procedures/V_Proc_Programs.h"
#include "procedures/V_Proc_Steps.h"
#include "procedures/step_fail_info.h"
#include "settings/records.h"
#include "transport/byte_order.h"
#include "transport/trace.h"

namespace {

constexpr std::size_t kSector = 512;
constexpr std::size_t kModuleChannelsAt = 7;
constexpr std::size_t kModuleBanksAt = 8;
constexpr std::size_t kModuleDieMapAt = 131;

void SetLowByte(std::int32_t* subCode, std::uint8_t code) {
    if (subCode != nullptr)
        *subCode = static_cast<std::int32_t>((static_cast<std::uint32_t>(*subCode) & ~0xFFu) | code);
}

// The failure records of the flash-module step: a cursor over the buffer that never passes its
// 2,048 bytes (a record that would is counted in byte 0 but not written).
class ModuleRecords {
  public:
    explicit ModuleRecords(std::uint8_t* buffer) : b_(buffer) {}
    void Fail() { ++b_[step_fail::kFmFailCount]; }
    // A new record at the cursor; the cursor moves on.
    std::uint8_t* Append(std::uint8_t event, std::uint8_t channel, std::uint8_t bank) {
        if (cursor_ + step_fail::kFmRecordBytes > step_fail::kBytes) return nullptr;
        std::uint8_t* r = b_ + cursor_;
        std::memset(r, 0, step_fail::kFmRecordBytes);
        r[step_fail::kRecEvent] = event;
        r[step_fail::kRecChannel] = channel;
        r[step_fail::kRecBank] = bank;
        cursor_ += step_fail::kFmRecordBytes;
        return r;
    }
    // A command failure marks the current slot and leaves the cursor.
    void Mark(std::uint8_t event) {
        if (cursor_ < step_fail::kBytes) b_[cursor_] = event;
    }

  private:
    std::uint8_t* b_;
    std::size_t cursor_ = step_fail::kFmFirstRecord;
};

void CheckFlashIds(int port, ModuleRecords& records) {
    const std::uint8_t mask = AP_INIState.CheckFlashMask;
    for (int bank = 0; bank < 4; ++bank) {
        for (int ch = 0; ch < 8; ++ch) {
            if (!procedures::IsPresentDie(ch, bank)) continue;
            std::array<std::uint8_t, kSector> id{};
            if (VC_GDP_CmdReadFlashID(port, static_cast<std::uint8_t>(ch), static_cast<std::uint8_t>(bank), id.data(),
                                      1) != 1) {
                TraceOut("[Fail] VC_GDP_CmdReadFlashID\n");
                records.Fail();
                records.Mark(step_fail::EID_FLASH_ID_CMD_FAIL);
                continue;
            }
            TraceOut("[%d] Check Flash ID - CH %d, BK %d, 0x%02X 0x%02X 0x%02X 0x%02X 0x%02X 0x%02X\n", port, ch, bank,
                     id[0], id[1], id[2], id[3], id[4], id[5]);
            bool differs = false;
            for (int i = 0; i < 6; ++i) {
                if (((mask >> i) & 1) && id[i] != AP_FlashSet.aFlashID[i]) differs = true;
            }
            if (!differs) continue;
            TraceOut("[Fail] EID_FLASH_ID_SCAN_RESULT\n");
            records.Fail();
            std::uint8_t* r = records.Append(step_fail::EID_FLASH_ID_SCAN_RESULT, static_cast<std::uint8_t>(ch),
                                             static_cast<std::uint8_t>(bank));
            if (r != nullptr) std::memcpy(r + step_fail::kRecDetail, id.data(), step_fail::kRecDetailBytes);
        }
    }
}

void CheckModule(int port, ModuleRecords& records) {
    std::array<std::uint8_t, kSector> m{};
    if (VC_GDP_CmdGetFlashModule(port, m.data(), 1) != 1) {
        TraceOut("[Fail] VC_GDP_CmdGetFlashModule\n");
        records.Fail();
        records.Mark(step_fail::EID_FLASH_MODULE_CMD_FAIL);
        return;
    }
    TraceOut("[%d] Check Flash Module - CH %d, BK %d\n", port, m[kModuleChannelsAt], m[kModuleBanksAt]);
    if (AP_INIState.EnUnbalance == 0 &&
        (m[kModuleChannelsAt] != AP_INIState.MPChannel || m[kModuleBanksAt] != AP_INIState.MPBank)) {
        TraceOut("[Fail] EID_FLASH_MODULE_SCAN_RESULT - 1\n");
        records.Fail();
        records.Append(step_fail::EID_FLASH_MODULE_SCAN_RESULT, m[kModuleChannelsAt], m[kModuleBanksAt]);
        return;
    }
    const bool multiLun = AP_FlashSet.ucDiePerCE >= 2;
    const int banks = multiLun ? (AP_INIState.MaxPhyBank < 4 ? AP_INIState.MaxPhyBank : 4) : 4;
    for (int ch = 0; ch < 8; ++ch) {
        for (int bank = 0; bank < banks; ++bank) {
            const std::uint8_t entry =
                multiLun ? AP_INIState.bOriDieMapMultiLun[ch][bank] : AP_INIState.bOriDieMap[ch][bank];
            const std::uint8_t flag = m[kModuleDieMapAt + 4 * ch + bank];
            if (!((entry == 0xFF && flag == 1) || (entry != 0xFF && flag == 0))) continue;
            TraceOut("######### - pModule->bChCeToDie[%d][%d] is %d\n", ch, bank, flag);
            if (multiLun) {
                TraceOut("######### - AP_INIState.bOriDieMapMultiLun[%d][%d] is %d\n", ch, bank, entry);
            } else {
                TraceOut("######### - AP_INIState.bOriDieMap[%d][%d] is %d\n", ch, bank, entry);
            }
            TraceOut("[Fail] EID_FLASH_MODULE_SCAN_RESULT - 2\n");
            records.Fail();
            std::uint8_t* r = records.Append(step_fail::EID_FLASH_MODULE_SCAN_RESULT, static_cast<std::uint8_t>(ch),
                                             static_cast<std::uint8_t>(bank));
            if (r != nullptr) {
                r[step_fail::kRecDetail] = 1;
                r[step_fail::kRecDetail + 1] = flag;
            }
        }
    }
}

bool FlashTestFail(int port, std::int32_t* subCode, std::uint8_t code, const char* words) {
    SetLowByte(subCode, code);
    TraceOut("######### - [%d]VP_PROC_FlashInterfaceTest fail! - %s\n", port, words);
    return false;
}

// The NAND-time walk: logical CE index outer, channel inner; a die per CE skips absent dies.
bool CheckNandTimes(int port, std::uint8_t* work, std::int32_t* subCode) {
    TraceOut("######### - Check NAND Time\n");
    const int banks = AP_INIState.MaxPhyBank;
    const int dies = AP_FlashSet.ucDiePerCE == 0 ? 1 : AP_FlashSet.ucDiePerCE;
    const int channels = AP_INIState.MaxPhyChannel < 8 ? AP_INIState.MaxPhyChannel : 8;
    for (int i = 0; i < banks * dies; ++i) {
        for (int ch = 0; ch < channels; ++ch) {
            if (dies < 2 && !procedures::IsPresentDie(ch, i)) continue;
            const int ce = i % banks;
            const int lun = i / banks;
            char words[96];
            std::snprintf(words, sizeof words, "check nand time, ch %d, ce %d, lun %d, block %d", ch, ce, lun, 0);
            if (VC_GDP_CmdCheckNandTime(port, static_cast<std::uint8_t>(ch), static_cast<std::uint8_t>(ce),
                                        static_cast<std::uint8_t>(lun), 0, work) != 1) {
                return FlashTestFail(port, subCode, step_fail::kFiNandTimeCmd, words);
            }
            const std::uint32_t prog = transport::GetLe32(work);
            TraceOut("######### - ch %d, ce %d, lun %d, block %d\n", ch, ce, lun, 0);
            TraceOut("######### - [%d]Program time is %d\n", port, static_cast<int>(prog));
            TraceOut("######### - [%d]Read time is %d\n", port, static_cast<int>(transport::GetLe32(work + 4)));
            TraceOut("######### - [%d]Erase time is %d\n", port, static_cast<int>(transport::GetLe32(work + 8)));
            platform::Sleep(10);
            if (prog > AP_RDTSet.tProgThreshold) {
                TraceOut("######### - [%d]Program time over threshold!\n", port);
                return FlashTestFail(port, subCode, step_fail::kFiProgTimeOver, words);
            }
        }
    }
    return true;
}

}  // namespace

bool VP_PROC_CheckFlashModule(int bInstance, void* buffer) {
    TraceOut("######### - [%d]VP_PROC_CheckFlashModule\n", bInstance);
    auto* b = static_cast<std::uint8_t*>(buffer);
    b[step_fail::kFmFailCount] = 1;
    ModuleRecords records(b);
    if (AP_INIState.EnCheckFlashID != 0) {
        b[step_fail::kFmLastCheck] = step_fail::EID_FLASH_ID_SCAN_RESULT;
        CheckFlashIds(bInstance, records);
        platform::Sleep(1000);
    }
    if (AP_INIState.EnCheckModuleCHCE != 0 && b[step_fail::kFmFailCount] == 1) {
        b[step_fail::kFmLastCheck] = step_fail::EID_FLASH_MODULE_CMD_FAIL;
        CheckModule(bInstance, records);
    }
    TraceOut("[%d] pBuffer[0] =  %d \n", bInstance, b[step_fail::kFmFailCount]);
    return b[step_fail::kFmFailCount] == 1;
}

bool VP_PROC_BusInterfaceTest(int bInstance, void* buffer) {
    TraceOut("######### - [%d]VP PROC_BusInterfaceTest\n", bInstance);
    if (VP_BufferTest(bInstance, buffer) == 1) return true;
    TraceOut("######### - [%d]VP_PROC_BusInterfaceTest fail!\n", bInstance);
    return false;
}

bool VP_PROC_FlashInterfaceTest(int bInstance, void* buffer, std::int32_t* subCode) {
    TraceOut("######### - [%d]VP_PROC_FlashInterfaceTest\n", bInstance);
    SetLowByte(subCode, 0);
    auto diag = [bInstance](std::uint8_t kind, std::uint8_t value) {
        return VC_GDP_CmdFlashDiagnostic(bInstance, kind, value) == 1;
    };
    if (AP_INIState.EnCheckSRAM != 0 && !diag(0, 0)) {
        return FlashTestFail(bInstance, subCode, step_fail::kFiControlSram, "check control sram");
    }
    if (AP_INIState.EnCheckNandReset != 0 && !diag(1, 0)) {
        return FlashTestFail(bInstance, subCode, step_fail::kFiNandReset, "check nand reset");
    }
    const bool dataPath = AP_INIState.EnCheckDataPath != 0;
    if (dataPath) {
        for (std::uint32_t pass = 0; pass < AP_INIState.FlashTestDataPathLoop; ++pass) {
            if (!diag(3, AP_INIState.FlashTestDataPathThreshold)) {
                return FlashTestFail(bInstance, subCode, step_fail::kFiDataPath, "check data path");
            }
            platform::Sleep(50);
        }
    }
    if (AP_INIState.EnCheckLDPC != 0 && !diag(2, dataPath ? AP_INIState.FlashTestDataPathThreshold : 0)) {
        return FlashTestFail(bInstance, subCode, step_fail::kFiBlockEcc, "check block ecc(LDPC)");
    }
    if (AP_INIState.EnCheckNandTime != 0 && AP_INIState.ToolMode == 1 &&
        !CheckNandTimes(bInstance, static_cast<std::uint8_t*>(buffer), subCode)) {
        return false;
    }
    return subCode == nullptr || (*subCode & 0xFF) == 0;
}

bool VP_PROC_DramTest(int bInstance, void* buffer, std::int32_t* subCode) {
    TraceOut("######### - [%d]VP_PROC_DramTest\n", bInstance);
    if (VC_GDP_CmdDramTest(bInstance, AP_INIState.bDramProfile,
                           static_cast<std::uint16_t>(AP_INIState.dwDramSize & 0xFFFF)) != 1) {
        return false;
    }
    platform::Sleep(30);
    const auto limit = static_cast<std::uint8_t>(AP_INIState.dwDramSize / 30);
    std::array<std::uint8_t, kSector> reply{};
    int count = 0;
    for (;;) {
        std::uint8_t status = 0;
        const int r = VC_GDP_CmdGetReturn(bInstance, &status, reply.data());
        if (r != 1) {
            TraceOut("######### - [%d]DRAM Test - VC_GDP_CmdGetReturn Fail!\n", bInstance);
            return false;
        }
        SetLowByte(subCode, status);
        if (status != kGdpBusy) break;
        if (count > limit) {
            procedures::TracePollFail("VP_PROC_DramTest", __LINE__, r, ", Counter > wTimeOutThreshold \r\n");
            return false;
        }
        platform::Sleep(3000);
        ++count;
    }
    if (reply[1] == 1) {
        TraceOut("######### - [%d]DRAM Test Success!\n", bInstance);
        return true;
    }
    TraceOut("######### - [%d]DRAM Test Fail! - (%d)\n", bInstance, reply[1]);
    std::memcpy(buffer, reply.data(), 2);
    return false;
}

bool VP_PROC_ReadFlashModule(int bInstance, void* buffer) {
    TraceOut("######### - [%d]VP_PROC_ReadFlashModule\n", bInstance);
    return VC_GDP_CmdAutoDetect(bInstance, buffer, 1) != 2;
}

bool VP_Pcie_LoopBack(int bInstance) {
    TraceOut("######### - VP_Pcie_LoopBack\n");
    return VC_GDP_CmdPcie_LoopBack(bInstance) == 1;
}
