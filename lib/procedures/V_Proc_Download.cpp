#include "procedures/V_Proc_Download.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "commands/command_sets.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "procedures/V_Proc_Erase.h"
#include "procedures/V_Proc_GdpParam.h"
#include "procedures/V_Proc_LoaderPages.h"
#include "procedures/V_Proc_PageAccess.h"
#include "procedures/V_Proc_Pattern.h"
#include "procedures/V_Proc_SysParam.h"
#include "procedures/loader_block_common.h"
#include "settings/firmware_bins.h"
#include "settings/records.h"
#include "transport/port_instance.h"
#include "transport/trace.h"

namespace {

constexpr std::size_t kScratchBytes = 262144;
constexpr std::size_t kScratchPageOffset = 16384;
constexpr std::uint8_t kFill = 0x11;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool HasTag(const std::uint8_t* page, const char* tag) {
    return std::memcmp(page + loader::kTagOffset, tag, 5) == 0;
}

bool IsOpBinPage(const std::uint8_t* page) {
    for (int i = 0; i < 16; ++i) {
        if (page[i] != static_cast<std::uint8_t>(i * 0x11)) return false;
    }
    return true;
}

// Reads up to n bytes and pads the rest of the n with 0x11, so no page carries bytes of the page before.
void ReadPadded(std::FILE* file, std::uint8_t* page, std::size_t n, std::size_t take) {
    const std::size_t got = file != nullptr ? std::fread(page, 1, take, file) : 0;
    std::memset(page + got, kFill, n - got);
}

// The loader-block bit map of an all-die download: per present die the bits of its two blocks.
void SendLoaderBlockMap(int port) {
    std::uint8_t map[512] = {};
    const AP_Instance_t& inst = AP_Instance[port];
    for (int ch = 0; ch < loader::kChannels; ++ch) {
        for (int bank = 0; bank < loader::kBanks; ++bank) {
            if (!loader::DiePresent(ch, bank)) continue;
            std::uint8_t bits = 0;
            for (int k = 0; k < loader::kCopies; ++k) {
                const std::uint16_t block = inst.aLoaderBlockNo[ch][bank][k];
                if (block != loader::kNoBlock && block < 8) bits = static_cast<std::uint8_t>(bits | (1U << block));
            }
            map[4 * ch + bank] = bits;
        }
    }
    DumpRawFile("LDR_BLK_W.raw", map, sizeof map);
    VC_GDP_CmdSetLoaderBlock(port, map, 1);
}

}  // namespace

bool VP_WriteCodeToFlash(int bInstance, std::uint8_t* page, std::FILE* file, std::uint16_t wPageNo, std::uint8_t ucKind,
                         const char* serialNumber, const char* secondText, std::size_t partBytesLeft) {
    (void)secondText;
    TraceOut("######### - [%d]VP_WriteCodeToFlash\n", bInstance);
    const std::size_t n = loader::PageBytes();
    if (!loader::PortValid(bInstance) || page == nullptr || n == 0 || n > kLoaderPageBufBytes) return false;
    ReadPadded(file, page, n, std::min(n, partBytesLeft));
    if (ucKind == kCodePageParam || ucKind == kCodePageParamSecond) {
        const bool erase = AP_INIState.EnBinEraseBuild != 0;
        if (AP_INIState.ToolMode == 0) {
            if (HasTag(page, loader::kSysTag)) {
                TraceOut("######### - Find param code page!\n");
                if (!erase && !WriteSysParamPage(bInstance, page, n, serialNumber)) {
                    TraceOut("######### - [%d]VP_WriteCodeToFlash fail! - the parameter code page\n", bInstance);
                    return false;
                }
            }
        } else {
            if (HasTag(page, loader::kSortTag)) {
                TraceOut("######### - %sFind SORT param code page!  (%d)(0x%X) \n", std::string(74, '=').c_str(),
                         wPageNo, wPageNo);
                if (!erase) {
                    // The writer's regions reach past a page; the buffer holds them, the page takes its share.
                    if (!Write_SORT_FW_PARAM(bInstance, page, kLoaderPageBufBytes)) {
                        TraceOut("######### - [%d]VP_WriteCodeToFlash fail! - the sorting parameters\n", bInstance);
                        return false;
                    }
                    DumpRawFile("RDTBinFlash0.raw", page, std::min(10 * n, kLoaderPageBufBytes));
                }
            }
            if (IsOpBinPage(page)) {
                TraceOut("######### - %sFind SORT FW_OP_BIN page!  (%d)(0x%X) \n", std::string(74, '=').c_str(),
                         wPageNo, wPageNo);
                Write_GDP_FW_OP_BIN(page, kLoaderPageBufBytes);
            }
            if (AP_FlashSet.bPageSector == 32 && ucKind == kCodePageParamSecond) {
                std::vector<std::uint8_t> scratch(kScratchBytes, 0);
                std::memcpy(scratch.data() + kScratchPageOffset, page, n);
                if (!Write_SORT_FW_PARAM(bInstance, scratch.data(), scratch.size())) {
                    TraceOut("######### - [%d]VP_WriteCodeToFlash fail! - the sorting parameters\n", bInstance);
                    return false;
                }
                std::memcpy(page, scratch.data() + kScratchPageOffset, n);
                TraceOut("######### - %sFind SORT FW_Second\tpage!  (%d)(0x%X) \n", std::string(74, '=').c_str(),
                         wPageNo, wPageNo);
                DumpRawFile("RDTBinFlash1.raw", scratch.data(), std::min(10 * n, kScratchBytes));
            }
        }
    }
    return VP_WriteDataToLoaderBlock(bInstance, wPageNo, AP_FlashSet.ucLdpcMode, 1, page, AP_FlashSet.bPageSector);
}

bool VP_WriteCodePage(int bInstance, std::uint8_t* page, const char* serialNumber, const char* secondText) {
    TraceOut("######### - [%d]VP_WriteCodePage\n", bInstance);
    if (!loader::PortValid(bInstance) || page == nullptr || loader::PageBytes() == 0) return false;
    const AP_Bins_t& layout = AP_Bins_Instance[bInstance];
    const std::string path = loader::PathField(AP_Bins.sBinFile, sizeof AP_Bins.sBinFile);
    int last = loader::kCodeFirst - 1;
    const int copies = std::min<int>(layout.ucCodeCnt, kBinCodeMax);
    for (int c = 0; c < copies; ++c) {
        const int parts = std::min<int>(layout.ucPartCnt[c], kBinPartMax);
        for (int p = 0; p < parts; ++p) {
            const File file(std::fopen(path.c_str(), "rb"));
            if (file == nullptr) {
                TraceOut("######### - Open bin file '%s' fail", path.c_str());
                return false;
            }
            TraceOut("######### - CodeBinOffset(%x)\n", layout.dwBinOffset[c][p]);
            if (std::fseek(file.get(), static_cast<long>(layout.dwBinOffset[c][p]), SEEK_SET) != 0) return false;
            const bool param = (layout.wEnable[c][p] & 0xFF) == 1;
            for (int i = 0; i < layout.wPageLength[c][p]; ++i) {
                const int index = layout.wStartPageNo[c][p] + i;
                if (index >= AP_PAGE_MAP_COUNT) return false;
                TraceOut("######### - VP_WriteCodeToFlash page %d\n", index);
                std::uint8_t kind = kCodePagePlain;
                if (param) kind = (layout.wPageLength[c][p] == 2 && i == 1) ? kCodePageParamSecond : kCodePageParam;
                const std::uint64_t done = std::uint64_t{loader::PageBytes()} * static_cast<unsigned>(i);
                const std::size_t left =
                    layout.dwLength[c][p] > done ? static_cast<std::size_t>(layout.dwLength[c][p] - done) : 0;
                if (!VP_WriteCodeToFlash(bInstance, page, file.get(), loader::PhysicalPage(index), kind, serialNumber,
                                         secondText, left)) {
                    return false;
                }
                last = std::max(last, index);
            }
        }
    }
    if (AP_INIState.ToolMode == 0) {
        TraceOut("######### - [%d]Write dummy page\n", bInstance);
        std::memset(page, 0xAA, loader::PageBytes());
        for (int index = last + 1; index <= (last | 15) && index < AP_PAGE_MAP_COUNT; ++index) {
            if (!VP_WriteDataToLoaderBlock(bInstance, loader::PhysicalPage(index), AP_FlashSet.ucLdpcMode, 1, page,
                                           AP_FlashSet.bPageSector)) {
                TraceOut("######### - [%d]Write dummy page %d fail!\n", bInstance, index);
                return false;
            }
        }
    }
    return true;
}

bool VP_DownloadToLoaderBlock(int bInstance, std::uint8_t* page, const std::uint8_t* tables, std::size_t tablesBytes,
                              const char* serialNumber, const char* secondText) {
    TraceOut("######### - [%d]VP_DownloadToLoaderBlock\n", bInstance);
    if (!loader::PortValid(bInstance) || page == nullptr) return false;
    if (AP_INIState.EnWritePageToAllDie != 0) SendLoaderBlockMap(bInstance);
    std::uint8_t code = 0;
    auto run = [&](bool ok, std::uint8_t failCode) {
        if (!ok) code = failCode;
        return ok;
    };
    bool ok = run(VP_FillInfoPage(bInstance, page), kFailInfoPage) && VP_WriteCertPage(bInstance, page) &&
              run(VP_WriteLdpcPage(bInstance, page), kFailLdpcPages);
    if (ok && AP_INIState.ToolMode == 1) {
        TraceOut("[SORT] %sWrite Pattern Page \n", std::string(110, '=').c_str());
        ok = VP_WritePatternPage(bInstance, serialNumber, page) &&
             run(VP_WriteCodePage(bInstance, page, serialNumber, secondText), kFailCodePages);
    } else if (ok) {
        ok = VP_WriteSlotPage(bInstance, page) &&
             run(VP_WriteTablePage(bInstance, page, tables, tablesBytes), kFailTablePages) &&
             run(VP_WriteOpalPage(bInstance, page), kFailOpalPages) &&
             run(VP_WriteNandMemPage(bInstance, page), kFailNandMemPages) &&
             run(VP_WriteUefiPage(bInstance, page), kFailUefiPages) &&
             run(VP_WriteCodePage(bInstance, page, serialNumber, secondText), kFailCodePages);
    }
    if (ok) return true;
    if (code != 0) {
        const std::size_t bytes = std::min(std::max(loader::PageBytes(), loader::kInfoBytes), kLoaderPageBufBytes - 2);
        std::memmove(page + 2, page, bytes);
        page[1] = code;
    }
    return false;
}

bool VP_UploadCodeFromFlash(int bInstance, std::uint8_t* page) {
    TraceOut("######### - [%d]VP_UploadCodeFromFlash\n", bInstance);
    if (!loader::PortValid(bInstance) || page == nullptr) return false;
    const std::filesystem::path folder = platform::JoinPath(platform::ProgramFolder(), "raw");
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const AP_Instance_t& inst = AP_Instance[bInstance];
    const AP_Bins_t& layout = AP_Bins_Instance[bInstance];
    const std::size_t bytes = loader::PageBytes();
    for (int k = 0; k < loader::CopyCount(bInstance); ++k) {
        for (int ch = 0; ch < loader::ChannelCount(); ++ch) {
            for (int bank = 0; bank < loader::BankCount(); ++bank) {
                const std::uint16_t block = inst.aLoaderBlockNo[ch][bank][k];
                if (!loader::DiePresent(ch, bank) || block == loader::kNoBlock) {
                    TraceOut("######### - Skip Ch %d, Bank %d, Block %d\n", ch, bank, block);
                    continue;
                }
                for (int c = 0; c < std::min<int>(layout.ucCodeCnt, kBinCodeMax); ++c) {
                    for (int p = 0; p < std::min<int>(layout.ucPartCnt[c], kBinPartMax); ++p) {
                        char name[64];
                        std::snprintf(name, sizeof name, "[%d]UP_%d_%d_%d_%d_%d.raw", bInstance, ch, bank, block, c, p);
                        const File file(std::fopen((folder / name).string().c_str(), "wb"));
                        if (file == nullptr) {
                            TraceOut("######### - [%d]VP_UploadCodeFromFlash fail! - 1 - code page\n", bInstance);
                            return false;
                        }
                        for (int i = 0; i < layout.wPageLength[c][p]; ++i) {
                            const int index = layout.wStartPageNo[c][p] + i;
                            if (!VP_ReadPage(bInstance, static_cast<std::uint8_t>(ch), static_cast<std::uint8_t>(bank),
                                             block, loader::PhysicalPage(index), AP_FlashSet.ucLdpcMode, 1, 0, page,
                                             AP_FlashSet.bPageSector) ||
                                std::fwrite(page, 1, bytes, file.get()) != bytes) {
                                TraceOut("######### - [%d]VP_UploadCodeFromFlash fail! - 2\n", bInstance);
                                return false;
                            }
                        }
                    }
                }
            }
        }
    }
    return true;
}

bool VP_PROC_DownloadProgram(int bInstance, std::uint8_t* work, const char* serialNumber, const char* secondText) {
    TraceOut("######### - [%d]VP_PROC_DownloadProgram\n", bInstance);
    const std::size_t page = loader::PageBytes();
    if (!loader::PortValid(bInstance) || work == nullptr || page == 0) return false;
    std::vector<std::uint8_t> tables;  // freed on every path
    try {
        tables.assign(loader::kTablesPages * page, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (AP_INIState.ToolMode == 0 && !VP_GetTables(bInstance, work, tables.data(), tables.size())) return false;
    if (!VP_PROC_ClearCodeBlock(bInstance, work)) return false;
    platform::Sleep(1000);
    if (!VP_DownloadToLoaderBlock(bInstance, work, tables.data(), tables.size(), serialNumber, secondText)) {
        work[0] = kDownloadFailed;
        return false;
    }
    if (AP_RDSetting.DumpDebugFile != 0 && !VP_UploadCodeFromFlash(bInstance, work)) return false;
    return true;
}
