// The writer that puts one page into every loader block, the gathering of the table pages and the
// table, system, erase-count and later-bad pages (indexes 5 to 47).
#include "procedures/V_Proc_LoaderPages.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/clock.h"
#include "procedures/V_Proc_PageAccess.h"
#include "procedures/V_Proc_Programs.h"
#include "procedures/loader_block_common.h"
#include "settings/page_map.h"
#include "settings/records.h"
#include "tables/page_format.h"
#include "transport/byte_order.h"
#include "transport/port_instance.h"
#include "transport/trace.h"

namespace {

constexpr std::size_t kSmartBytes = 512;
constexpr std::size_t kVersionsOffset = 512;
constexpr std::size_t kPageMapTableOffset = 1024;
constexpr std::size_t kBitmapOffset = 5120;
constexpr std::size_t kBitmapBytes = 2048;
constexpr std::size_t kSystemPageMin = kBitmapOffset + kBitmapBytes;

bool PreformatSelected() {
    return AP_INIState.dwItemEnable[7] != 0;
}

// The block copy k carries on every die in the interleaved form: die (0, 0)'s, else the first
// present die's that has one.
std::uint16_t InterleaveBlock(int port, int k) {
    const std::uint16_t own = AP_Instance[port].aLoaderBlockNo[0][0][k];
    if (own != loader::kNoBlock && loader::DiePresent(0, 0)) return own;
    for (int ch = 0; ch < loader::ChannelCount(); ++ch) {
        for (int bank = 0; bank < loader::BankCount(); ++bank) {
            const std::uint16_t b = AP_Instance[port].aLoaderBlockNo[ch][bank][k];
            if (loader::DiePresent(ch, bank) && b != loader::kNoBlock) return b;
        }
    }
    return loader::kNoBlock;
}

bool WriteTo(int port, int index, std::uint8_t* page) {
    return VP_WriteDataToLoaderBlock(port, loader::PhysicalPage(index), AP_FlashSet.ucLdpcMode, 1, page,
                                     AP_FlashSet.bPageSector);
}

}  // namespace

bool VP_WriteDataToLoaderBlock(int bInstance, std::uint16_t wPageNo, std::uint8_t ucLdpcRate,
                               std::uint8_t ucScrambleMode, std::uint8_t* buffer, std::uint32_t dwSectorCnt) {
    TraceOut("######### - [%d]VP_WriteDataToLoaderBlock - Page No 0x%04X\n", bInstance, wPageNo);
    if (!loader::PortValid(bInstance) || buffer == nullptr) return false;
    const AP_Instance_t& inst = AP_Instance[bInstance];
    TraceOut("######### - AP_Instance[bInstance].ucLoaderBlockNum %d\n", inst.ucLoaderBlockNum);
    char name[64];
    std::snprintf(name, sizeof name, "W_CP_%04d.raw", wPageNo);
    DumpRawFile(name, buffer, loader::PageBytes());
    // A failed write leaves the status bytes in the buffer; the caller still needs the page as built.
    const std::uint8_t head[2] = {buffer[0], buffer[1]};
    auto failed = [&] {
        buffer[0] = head[0];
        buffer[1] = head[1];
        return false;
    };
    const int copies = loader::CopyCount(bInstance);
    if (AP_INIState.EnWritePageToAllDie != 0) {
        for (int k = 0; k < copies; ++k) {
            const std::uint16_t block = InterleaveBlock(bInstance, k);
            if (block == loader::kNoBlock) {
                TraceOut("######### - Skip Ch %d, Bank %d, Block %d\n", 0, 0, block);
                continue;
            }
            if (!VP_WritePageInterleave(bInstance, 0, 0, block, wPageNo, ucLdpcRate, ucScrambleMode, 0, buffer,
                                        dwSectorCnt)) {
                return failed();
            }
        }
        return true;
    }
    for (int k = 0; k < copies; ++k) {
        for (int ch = 0; ch < loader::ChannelCount(); ++ch) {
            for (int bank = 0; bank < loader::BankCount(); ++bank) {
                const std::uint16_t block = inst.aLoaderBlockNo[ch][bank][k];
                if (!loader::DiePresent(ch, bank) || block == loader::kNoBlock) {
                    if (AP_FlashSet.ucDiePerCE <= 1 || block == loader::kNoBlock) {
                        TraceOut("######### - Skip Ch %d, Bank %d, Block %d\n", ch, bank, block);
                    }
                    continue;
                }
                const auto c = static_cast<std::uint8_t>(ch);
                const auto b = static_cast<std::uint8_t>(bank);
                if (!VP_WritePage(bInstance, c, b, block, wPageNo, ucLdpcRate, ucScrambleMode, 0, buffer,
                                  dwSectorCnt)) {
                    return failed();
                }
                if (AP_RDSetting.DumpDebugFile != 0) {
                    if (!VP_ReadPage(bInstance, c, b, block, wPageNo, ucLdpcRate, ucScrambleMode, 0, buffer,
                                     dwSectorCnt)) {
                        return failed();
                    }
                    std::snprintf(name, sizeof name, "[%d]R_CP_%d_%d_%d_%04d.raw", bInstance, ch, bank, block, wPageNo);
                    DumpRawFile(name, buffer, std::size_t{dwSectorCnt} * 512);
                }
            }
        }
    }
    return true;
}

bool VP_GetTables(int bInstance, std::uint8_t* work, std::uint8_t* tables, std::size_t tablesBytes) {
    TraceOut("######### - [%d]VP_GetTables\n", bInstance);
    const std::size_t page = loader::PageBytes();
    if (!loader::PortValid(bInstance) || work == nullptr || tables == nullptr || page == 0 ||
        tablesBytes < loader::kTablesPages * page || page + 2 > kLoaderPageBufBytes) {
        TraceOut("######### - [%d]VP_GetTables fail! - no room for the tables\n", bInstance);
        return false;
    }
    const AP_Instance_t& inst = AP_Instance[bInstance];
    if (PreformatSelected()) {
        TraceOut("######### - Preformat + Download\n");
        if (inst.pRemapTableBuf == nullptr) {
            TraceOut("######### - [%d]VP_GetTables fail! - no pre-format image\n", bInstance);
            return false;
        }
        for (int index = loader::kTableFirst; index <= loader::kOpalLast; ++index) {
            std::uint8_t* out = tables + static_cast<std::size_t>(index - loader::kTableFirst) * page;
            if (index >= 21 && index <= 28 && AP_INIState.RemapEnable == 0) {
                std::memset(work, 0x5A, page);
                std::memcpy(out, work, page);
            } else if (index == loader::kSystemIndex) {
                std::memset(work, 0xFF, page);
                std::memcpy(out, work, page);
            } else {
                const std::size_t take = std::min(page, loader::kPieceBytes);
                std::memset(out, 0, page);
                std::memcpy(
                    out,
                    inst.pRemapTableBuf + static_cast<std::size_t>(index - loader::kTableFirst) * loader::kPieceBytes,
                    take);
                char name[24];
                std::snprintf(name, sizeof name, "10_TP%2.2d.raw", loader::PhysicalPage(index));
                DumpRawFile(name, out, page);
            }
        }
    } else {
        TraceOut("######### - Download only\n");
        for (int k = 0; k < loader::CopyCount(bInstance); ++k) {
            for (int ch = 0; ch < loader::ChannelCount(); ++ch) {
                for (int bank = 0; bank < loader::BankCount(); ++bank) {
                    const std::uint16_t block = inst.aLoaderBlockNo[ch][bank][k];
                    if (!loader::DiePresent(ch, bank) || block == loader::kNoBlock) continue;
                    const auto c = static_cast<std::uint8_t>(ch);
                    const auto b = static_cast<std::uint8_t>(bank);
                    if (VP_IsValidLoaderBlock(bInstance, work, c, b, block, 1) != 1) continue;
                    for (int index = loader::kTableFirst; index <= loader::kOpalLast; ++index) {
                        std::uint8_t* out = tables + static_cast<std::size_t>(index - loader::kTableFirst) * page;
                        if (!VP_ReadPage(bInstance, c, b, block, loader::PhysicalPage(index), AP_FlashSet.ucLdpcMode, 1,
                                         0, out, AP_FlashSet.bPageSector)) {
                            TraceOut("######### - Download only - Get Tables fail!\n");
                            return false;
                        }
                    }
                    return true;
                }
            }
        }
    }
    if (AP_RDSetting.NoCheckTablesBeforeDownloadCode != 0) return true;
    DumpRawFile("01_CP_all.raw", tables, 64 * page);
    platform::Sleep(300);
    const int channels = std::min<int>(AP_FlashSet.ucChannel, loader::kChannels);
    for (int c = 0; c < channels; ++c) {
        struct Check {
            int page;
            int kind;
            std::uint8_t code;
        };
        const Check checks[] = {{c, RM_TBL_DEFECT, 208}, {8 + c, RM_TBL_EARLY, 209}, {16 + c, RM_TBL_REMAP, 210}};
        for (const Check& check : checks) {
            if (check.kind == RM_TBL_REMAP && AP_INIState.RemapEnable == 0) continue;
            const std::uint8_t* p = tables + static_cast<std::size_t>(check.page) * page;
            if (RM_MatchTableHeader(p, page, check.kind)) continue;
            work[0] = check.code;
            work[1] = static_cast<std::uint8_t>(c);
            std::memcpy(work + 2, p, page);
            return false;
        }
    }
    return true;
}

namespace loader {

void BuildSystemPage(int port, std::uint8_t* buffer, std::size_t size, const std::uint8_t* ownBitmap) {
    std::memset(buffer, 0, size);
    const AP_Instance_t& inst = AP_Instance[port];
    if (AP_INIState.EnKeepSmartInfo != 0 && inst.pSmartLogBuf != nullptr)
        std::memcpy(buffer, inst.pSmartLogBuf, kSmartBytes);
    std::memcpy(buffer + kVersionsOffset, AP_OtSet.sMPTVer, 16);
    std::memcpy(buffer + kVersionsOffset + 16, AP_OtSet.sGDPVer, 16);
    std::memcpy(buffer + kVersionsOffset + 32, AP_OtSet.sMPTime, 16);
    CopyPageMapTable(buffer + kPageMapTableOffset, AP_FlashSet.ucPageMapType);
    if (AP_INIState.EnPartialTbl == 0) {
        const std::uint8_t* bitmap = ownBitmap != nullptr ? ownBitmap : inst.pTablePageBuf;
        if (bitmap != nullptr) std::memcpy(buffer + kBitmapOffset, bitmap, kBitmapBytes);
    }
}

void BuildEraseCountPage(int port, int which, std::uint8_t* page, std::size_t size) {
    const std::size_t counts = size / 4;
    const std::uint8_t* source = AP_Instance[port].pEraseCountBuf;
    if (AP_INIState.EnKeepEraseCount == 0 || source == nullptr) {
        for (std::size_t i = 0; i < counts; ++i) transport::PutLe32(page + 4 * i, 1);
        return;
    }
    std::memcpy(page, source + static_cast<std::size_t>(which) * size, size);
    const std::uint32_t dies = AP_FlashSet.ucDiePerCE == 0 ? 1 : AP_FlashSet.ucDiePerCE;
    const std::uint32_t units =
        AP_FlashSet.ucPlanes == 0 ? 0 : (AP_FlashSet.wBlocks / dies + AP_FlashSet.wExtendBlocks) / AP_FlashSet.ucPlanes;
    // Count i of this page is unit which x counts + i; only the units of a die are repaired.
    for (std::size_t i = 0; i < counts; ++i) {
        const std::size_t unit = static_cast<std::size_t>(which) * counts + i;
        if (unit >= units) break;
        if (transport::GetLe32(page + 4 * i) == 0xFFFFFFFFU) transport::PutLe32(page + 4 * i, 1);
    }
}

void BuildLaterBadPage(std::uint8_t* page, std::size_t size) {
    static constexpr std::uint8_t kHeader[16] = {0xE8, 0xDC, 0x55, 0xAA, 'Z', 'E', 'L', '0',
                                                 '9',  'A',  '0',  'V',  '0', '0', '0', 0x00};
    std::memset(page, 0, size);
    std::memcpy(page, kHeader, std::min(size, sizeof kHeader));
}

}  // namespace loader

bool VP_WriteTablePage(int bInstance, std::uint8_t* page, const std::uint8_t* tables, std::size_t tablesBytes) {
    TraceOut("######### - [%d]VP_WriteTablePage\n", bInstance);
    const std::size_t bytes = loader::PageBytes();
    if (!loader::PortValid(bInstance) || page == nullptr || tables == nullptr || bytes == 0 ||
        tablesBytes < loader::kTablesPages * bytes || bytes > kLoaderPageBufBytes) {
        return false;
    }
    const bool preformat = PreformatSelected();
    for (int index = loader::kTableFirst; index <= loader::kTableLast; ++index) {
        const std::uint8_t* from = tables + static_cast<std::size_t>(index - loader::kTableFirst) * bytes;
        if (index == loader::kSystemIndex) {
            // The drive's own bitmap in a download without pre-format (read with the tables).
            std::vector<std::uint8_t> own;
            if (!preformat) {
                own.assign(2048, 0);
                if (bytes >= kSystemPageMin) std::memcpy(own.data(), from + kBitmapOffset, own.size());
            }
            loader::BuildSystemPage(bInstance, page, std::max(bytes, std::max(kSystemPageMin, kLoaderPageBufBytes)),
                                    preformat ? nullptr : own.data());
        } else if (index == loader::kEraseCountIndex || index == loader::kEraseCountIndex + 1) {
            const int which = index - loader::kEraseCountIndex;
            loader::BuildEraseCountPage(bInstance, which, page, bytes);
            if (AP_INIState.EnKeepEraseCount != 0) {
                char name[24];
                std::snprintf(name, sizeof name, "EC_W_%2.2d_%2.2d.raw", index, 0);
                DumpRawFile(name, page, bytes);
            }
        } else if (index >= loader::kLaterBadFirst && preformat) {
            loader::BuildLaterBadPage(page, bytes);
        } else {
            std::memcpy(page, from, bytes);
        }
        if (!WriteTo(bInstance, index, page)) {
            TraceOut("VP DownloadToLoaderBlock Fail - VP_WriteTablePage\n");
            return false;
        }
    }
    return true;
}
