// Page read, write, interleaved write and block erase through the diagnostic firmware, and the
// system firmware's page read.
#include "procedures/V_Proc_PageAccess.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "commands/command_sets.h"
#include "settings/records.h"
#include "transport/trace.h"

namespace {

constexpr std::size_t kSector = 512;

// What a status check reports in its trace lines.
struct Where {
    const char* op;  // "Read", "Write", "Erase"
    int port;
    std::uint8_t channel, bank;
    std::uint16_t block, page;
    bool hasPage;
};

void TraceWhere(const Where& w, const char* tail) {
    if (w.hasPage) {
        TraceOut("######### - [%d]%s C:%d B:%d Block:%d Page:%d%s", w.port, w.op, w.channel, w.bank, w.block, w.page,
                 tail);
    } else {
        TraceOut("######### - [%d]%s C:%d B:%d Block:%d%s", w.port, w.op, w.channel, w.bank, w.block, tail);
    }
}

// Fetches the status of the command just sent: true when its result byte is 1. On another result
// the two status bytes go to `out` (when given).
bool CheckStatus(const Where& w, void* out) {
    std::array<std::uint8_t, kSector> reply{};
    std::uint8_t state = 0;
    if (VC_GDP_CmdGetReturn(w.port, &state, reply.data()) != 1) {
        TraceWhere(w, " - VC_GDP_CmdGetReturn Fail!\n");
        return false;
    }
    if (reply[1] == 1) {
        TraceWhere(w, " Success!\n");
        return true;
    }
    char tail[40];
    std::snprintf(tail, sizeof tail, " Status Fail! - (%d)\n", reply[1]);
    TraceWhere(w, tail);
    if (out != nullptr) std::memcpy(out, reply.data(), 2);
    return false;
}

bool AllChannels(std::uint8_t channel) {
    return channel == AP_INIState.MaxPhyChannel && AP_INIState.EnUnbalance == 0;
}

// The all-channel form moves one page per channel into page-sized slots: more sectors than a page
// would run each channel's data into the next slot and past the last one.
bool AllChannelsFit(int port, std::uint32_t sectors, const char* op) {
    if (sectors <= AP_FlashSet.bPageSector) return true;
    TraceOut("######### - [%d]%s - %u sectors do not fit a page of %d sectors per channel!\n", port, op, sectors,
             AP_FlashSet.bPageSector);
    return false;
}

std::size_t ChannelOffset(int channel) {
    return static_cast<std::size_t>(channel) * AP_FlashSet.bPageSector * kSector;
}

}  // namespace

namespace procedures {

std::uint8_t FoldBank(std::uint8_t bank) {
    const std::uint8_t banks = AP_INIState.MaxPhyBank;
    if (banks == 0 || bank < banks) return bank;
    return static_cast<std::uint8_t>((bank % banks) | ((bank / banks) << 4));
}

}  // namespace procedures

bool VP_ReadPage(int bInstance, std::uint8_t ucChNo, std::uint8_t ucBankNo, std::uint16_t wBlockNo,
                 std::uint16_t wPageNo, std::uint8_t ucLdpcRate, std::uint8_t ucScrambleMode, std::uint8_t ucBlockType,
                 void* buffer, std::uint32_t dwSectorCnt) {
    TraceOut("######### - VP_ReadPage - AP_INIState.MaxPhyBank is %d\n", AP_INIState.MaxPhyBank);
    const std::uint8_t bank = procedures::FoldBank(ucBankNo);
    // Traced whenever the bank was folded, also when folding gives the same number (bank 16 of 16).
    if (AP_INIState.MaxPhyBank != 0 && ucBankNo >= AP_INIState.MaxPhyBank) {
        TraceOut("######### - VP_ReadPage - ucBank is %d\n", bank);
    }
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    if (AllChannels(ucChNo)) {
        if (!AllChannelsFit(bInstance, dwSectorCnt, "VP_ReadPage")) return false;
        for (int c = 0; c < AP_INIState.MaxPhyChannel; ++c) {
            if (VC_GDP_CmdPageRead(bInstance, static_cast<std::uint8_t>(c), bank, wBlockNo, wPageNo, ucLdpcRate,
                                   ucScrambleMode, ucBlockType, bytes + ChannelOffset(c), dwSectorCnt,
                                   AP_INIState.InheritAnt) != 1) {
                return false;
            }
        }
        return true;
    }
    if (VC_GDP_CmdPageRead(bInstance, ucChNo, bank, wBlockNo, wPageNo, ucLdpcRate, ucScrambleMode, ucBlockType, buffer,
                           dwSectorCnt, AP_INIState.InheritAnt) != 1) {
        return false;
    }
    return CheckStatus({"Read", bInstance, ucChNo, bank, wBlockNo, wPageNo, true}, buffer);
}

bool VP_WritePage(int bInstance, std::uint8_t ucChNo, std::uint8_t ucBankNo, std::uint16_t wBlockNo,
                  std::uint16_t wPageNo, std::uint8_t ucLdpcRate, std::uint8_t ucScrambleMode, std::uint8_t ucBlockType,
                  void* buffer, std::uint32_t dwSectorCnt) {
    const std::uint8_t bank = procedures::FoldBank(ucBankNo);
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    if (AllChannels(ucChNo)) {
        if (!AllChannelsFit(bInstance, dwSectorCnt, "VP_WritePage")) return false;
        for (int c = 0; c < AP_INIState.MaxPhyChannel; ++c) {
            if (VC_GDP_CmdPageWrite(bInstance, static_cast<std::uint8_t>(c), bank, wBlockNo, wPageNo, ucLdpcRate,
                                    ucScrambleMode, ucBlockType, bytes + ChannelOffset(c), dwSectorCnt) != 1) {
                return false;
            }
        }
        return true;
    }
    if (VC_GDP_CmdPageWrite(bInstance, ucChNo, bank, wBlockNo, wPageNo, ucLdpcRate, ucScrambleMode, ucBlockType, buffer,
                            dwSectorCnt) != 1) {
        return false;
    }
    return CheckStatus({"Write", bInstance, ucChNo, bank, wBlockNo, wPageNo, true}, buffer);
}

bool VP_WritePageInterleave(int bInstance, std::uint8_t ucChNo, std::uint8_t ucBankNo, std::uint16_t wBlockNo,
                            std::uint16_t wPageNo, std::uint8_t ucLdpcRate, std::uint8_t ucScrambleMode,
                            std::uint8_t ucBlockType, void* buffer, std::uint32_t dwSectorCnt) {
    const std::uint8_t bank = procedures::FoldBank(ucBankNo);
    if (VC_GDP_CmdPageWriteInterleave(bInstance, ucChNo, bank, wBlockNo, wPageNo, ucLdpcRate, ucScrambleMode,
                                      ucBlockType, buffer, dwSectorCnt) != 1) {
        return false;
    }
    return CheckStatus({"Write", bInstance, ucChNo, bank, wBlockNo, wPageNo, true}, buffer);
}

bool VP_EraseBlock(int bInstance, std::uint8_t ucChNo, std::uint8_t ucBankNo, std::uint16_t wBlockNo,
                   std::uint8_t bIsSLC, std::uint8_t bIsSinglePlane, void* status) {
    const std::uint8_t bank = ucBankNo == 0xFF ? ucBankNo : procedures::FoldBank(ucBankNo);
    if (VC_GDP_CmdBlockErase(bInstance, ucChNo, bank, wBlockNo, bIsSLC, bIsSinglePlane) != 1) return false;
    return CheckStatus({"Erase", bInstance, ucChNo, bank, wBlockNo, 0, false}, status);
}

int VA_SysReadPage(int port, std::uint8_t ucChMap, std::uint8_t ucBank, std::uint16_t wBlockUnit, std::uint16_t wBlock,
                   std::uint16_t wPageNo, std::uint8_t bLDPCmode, std::uint8_t bScramble, void* buffer,
                   std::uint32_t sectors, std::size_t bufferBytes) {
    TraceOut(
        "######### - VA_SysReadPage - ucChMap = %d, ucBank = %d, wBlockUnit = 0x%X, wBlock = 0x%X, wPageNo = 0x%X, "
        "bLDPCmode = %d, bScramble = %d \n",
        ucChMap, ucBank, wBlockUnit, wBlock, wPageNo, bLDPCmode, bScramble);
    if (buffer == nullptr) return 0;
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    std::memset(bytes, 0, std::min(bufferBytes, kSysReadPageBufBytes));
    const bool all = ucChMap == AP_INIState.MaxPhyChannel;
    const int channels = all ? AP_FlashSet.ucChannel : 1;
    const std::size_t need = channels == 0 ? 0 : ChannelOffset(channels - 1) + std::size_t{sectors} * kSector;
    if ((all && channels > 1 && sectors > AP_FlashSet.bPageSector) || need > bufferBytes) {
        TraceOut("######### - [%d]VA_SysReadPage - %u sectors on %d channel(s) do not fit the buffer!\n", port, sectors,
                 channels);
        return 0;
    }
    if (!all) {
        // A failed read is a failure, not a page of zeros.
        return VC_SYS_ReadPage(port, ucChMap, ucBank, wBlockUnit, wPageNo, bLDPCmode, bScramble, bytes, sectors, 0) == 1
                   ? 1
                   : 0;
    }
    for (int c = 0; c < channels; ++c) {
        if (VC_SYS_ReadPage(port, static_cast<std::uint8_t>(c), ucBank, wBlockUnit, wPageNo, bLDPCmode, bScramble,
                            bytes + ChannelOffset(c), sectors, 0) != 1) {
            return 0;
        }
    }
    return 1;
}
