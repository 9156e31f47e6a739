// The info page (loader-block index 0) with the code-page layout of every firmware copy, and the
// firmware-slot page (index 4) that repeats the layout per copy.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

#include "procedures/V_Proc_LoaderPages.h"
#include "procedures/loader_block_common.h"
#include "settings/param_files.h"
#include "settings/records.h"
#include "settings/shared_record_lock.h"
#include "transport/byte_order.h"
#include "transport/trace.h"

using transport::PutLe16;
using transport::PutLe32;

namespace {

constexpr std::size_t kCodeMapOffset = 544;
constexpr std::size_t kCodeMapClearEnd = 2336;
constexpr std::size_t kRsaOffset = 800;
constexpr std::size_t kPageMapOffset = 1056;
constexpr std::size_t kNopsLengthOffset = 1824;
constexpr std::size_t kNifcLengthOffset = 1828;
constexpr std::size_t kNopsOffset = 1840;
constexpr std::size_t kNifcOffset = 2096;
constexpr int kMaxCopies = 7;
constexpr int kCodeMapEntries = 16;

// Number of halvings down to 1; plus one when `roundUp` and the value is not a power of two.
std::uint8_t Halvings(std::uint32_t value, bool roundUp) {
    std::uint8_t s = 0;
    bool power = true;
    while (value > 1) {
        if ((value & 1U) != 0) power = false;
        value >>= 1;
        ++s;
    }
    return static_cast<std::uint8_t>(s + (roundUp && !power ? 1 : 0));
}

void PutEntry(std::uint8_t* e, std::uint16_t first, std::uint16_t last, std::uint32_t length, std::uint32_t offset,
              std::uint16_t enable, std::uint16_t checksum) {
    PutLe16(e, first);
    PutLe16(e + 2, last);
    PutLe32(e + 4, length);
    PutLe32(e + 8, offset);
    PutLe16(e + 12, enable);
    PutLe16(e + 14, checksum);
}

void TraceEntry(const char* form, int i, const std::uint8_t* e) {
    TraceOut("######### - %s - pCodeMap->aCodeEntry[%d].wFirstPageNo is 0x%X\n", form, i, transport::GetLe16(e));
    TraceOut("######### - %s - pCodeMap->aCodeEntry[%d].wLastPageNo is 0x%X\n", form, i, transport::GetLe16(e + 2));
    TraceOut("######### - %s - pCodeMap->aCodeEntry[%d].dwLength is 0x%X\n", form, i, transport::GetLe32(e + 4));
    TraceOut("######### - %s - pCodeMap->aCodeEntry[%d].dwOffset is 0x%X\n", form, i, transport::GetLe32(e + 8));
    TraceOut("######### - %s - pCodeMap->aCodeEntry[%d].wEnable is 0x%X\n", form, i, transport::GetLe16(e + 12));
    TraceOut("######### - %s - pCodeMap->aCodeEntry[%d].wCheckSum is 0x%X\n", form, i, transport::GetLe16(e + 14));
}

// Pages of one part: its length rounded up to whole pages (the tail carries the enable and checksum words).
std::uint16_t PartPages(std::uint32_t length, std::size_t pageBytes) {
    return static_cast<std::uint16_t>((std::uint64_t{length} + pageBytes - 1) / pageBytes);
}

void AddParameterPart(AP_Bins_t& b, int c, std::uint16_t page, std::uint16_t pages, std::uint32_t length,
                      std::uint32_t offset, std::uint32_t binOffset) {
    const int n = b.ucPartCnt[c];
    b.wStartPageNo[c][n] = page;
    b.wPageLength[c][n] = pages;
    b.dwLength[c][n] = length;
    b.dwOffset[c][n] = offset;
    b.dwBinOffset[c][n] = binOffset;
    b.wEnable[c][n] = 1;
    b.wCheckSum[c][n] = 0xFFFF;
    b.ucPartCnt[c] = static_cast<std::uint8_t>(n + 1);
}

// Lays out the firmware parts of copy `c` from `page`; returns the next page.
int LayOutParts(AP_Bins_t& b, int c, int page, std::size_t pageBytes, const char* form) {
    for (int p = 0; p < b.ucPartCnt[c]; ++p) {
        const std::uint16_t count = PartPages(b.dwLength[c][p], pageBytes);
        b.wStartPageNo[c][p] = static_cast<std::uint16_t>(page);
        b.wPageLength[c][p] = count;
        TraceOut("######### - %s - CodeIndex - %d, PartIndex - %d\n", form, c, p);
        TraceOut("######### - %s - AP_Bins_Instance[bInstance].wStartPageNo[%d] - %d\n", form, p, page);
        TraceOut("######### - %s - AP_Bins_Instance[bInstance].wPageLength[%d] - %d\n", form, p, count);
        page += count;
    }
    return page;
}

int PagesOfCopy(const AP_Bins_t& b, int c, std::size_t pageBytes, bool mp) {
    int pages = 0;
    for (int p = 0; p < b.ucPartCnt[c]; ++p) pages += PartPages(b.dwLength[c][p], pageBytes);
    return pages + (mp ? 2 : 3);
}

bool Refuse(std::string& reason, const char* text) {
    reason = text;
    return false;
}

}  // namespace

namespace loader {

bool BuildInfoPage(int port, std::uint8_t* page, AP_Bins_t& b, std::string& reason) {
    if (!PortValid(port) || page == nullptr) return Refuse(reason, "no such port");
    const std::size_t pageBytes = PageBytes();
    const bool mp = AP_INIState.ToolMode == 0;
    {
        // Another worker may be storing the copy count it computed.
        const std::lock_guard<std::mutex> hold(settings::SharedRecordLock());
        b = AP_Bins;
    }
    const int parts = b.ucPartCnt[0];
    if (parts > kMaxParts) return Refuse(reason, "more than 14 firmware parts");
    if (parts < kMinParts) return Refuse(reason, "fewer than 4 firmware parts");
    if (pageBytes == 0 || AP_FlashSet.ucPlanes == 0) return Refuse(reason, "a page size or plane count of 0");
    if (pageBytes < kInfoBytes) return Refuse(reason, "pages smaller than the info page");
    const int codes = mp ? std::min<int>(b.ucCodeCnt, kMaxCopies) : 1;
    for (int c = 1; c < codes; ++c) {
        if (b.ucPartCnt[c] > kMaxParts || b.ucPartCnt[c] < kMinParts) return Refuse(reason, "a copy's part count");
    }

    // The copy count, checked before anything is built.
    const int copyPages = PagesOfCopy(b, 0, pageBytes, mp);
    int copies = 1;
    if (mp) {
        int perBlock = AP_FlashSet.wPages;
        switch (AP_FlashSet.ucFlashType) {
            case 1:
                perBlock /= 2;
                break;
            case 2:
                perBlock /= 3;
                break;
            case 3:
                perBlock /= 4;
                break;
            default:
                break;
        }
        const int usable = perBlock - (kCodeFirst + 1);
        if (usable < 0 || usable / copyPages < 3) return Refuse(reason, "not one firmware copy fits the loader block");
        copies = std::min(usable / copyPages, kMaxCopies) - 2;
        copies = std::min(copies, std::max(codes, 1));
        // Every page index, the end page included, stays inside the page map.
        auto endOf = [&](int n) {
            int running = kCodeFirst;
            for (int c = 0; c < n; ++c) running += PagesOfCopy(b, c, pageBytes, true);
            return running | 15;
        };
        while (copies > 0 && endOf(copies) >= AP_PAGE_MAP_COUNT) --copies;
        if (copies == 0) return Refuse(reason, "the first firmware copy passes the page map");
    } else if (kCodeFirst + copyPages > AP_PAGE_MAP_COUNT) {
        return Refuse(reason, "the firmware passes the page map");
    }

    std::string nops, nifc;
    std::size_t nopsSize = 0, nifcSize = 0;
    const std::string nopsPath = PathField(AP_Param.sNandMemUpdateBin1, sizeof AP_Param.sNandMemUpdateBin1);
    const std::string nifcPath = PathField(AP_Param.sNandMemUpdateBin2, sizeof AP_Param.sNandMemUpdateBin2);
    TraceOut("######### - AP_Param.NopsOpUpdateBin is %s\n", nopsPath.c_str());
    if (!ReadFileBounded(nopsPath.c_str(), nops, kNopsMax, &nopsSize))
        TraceOut("Read AP_Param.NopsOpUpdateBin fail \n");
    TraceOut("######### - AP_Param.NifcCmdUpdateBin is %s\n", nifcPath.c_str());
    if (!ReadFileBounded(nifcPath.c_str(), nifc, kNifcMax, &nifcSize))
        TraceOut("Read AP_Param.NifcCmdUpdateBin fail \n");
    if (nopsSize > kNopsMax) return Refuse(reason, "a NOPS op update file over 256 bytes");
    if (nifcSize > kNifcMax) return Refuse(reason, "a NIFC command update file over 640 bytes");

    std::memset(page, 0, kInfoBytes);
    std::memcpy(page, kInfoMark, 16);
    const std::uint32_t dies = AP_FlashSet.ucDiePerCE == 0 ? 1 : AP_FlashSet.ucDiePerCE;
    page[16] = Halvings(AP_FlashSet.wBlocks / dies, false);
    switch (AP_FlashSet.ucFlashVendor) {
        case 0:
        case 4:
            page[17] = Halvings(AP_FlashSet.wPages, true);
            break;
        case 2:
        case 5:
            page[17] = Halvings(AP_FlashSet.wPages / 3U, true);
            break;
        default:
            page[17] = 0;
            break;
    }
    page[18] = 5;
    for (std::size_t o : {24, 26, 28, 30}) PutLe16(page + o, 500);
    PutLe16(page + 32, 512);
    page[34] = 4;
    page[41] = page[42] = page[43] = 1;
    page[46] = 1;
    PutLe16(page + 48, 3333);
    PutLe16(page + 50, 333);
    PutLe16(page + 52, 33);
    PutLe16(page + 56, 50);
    PutLe16(page + 58, 100);
    PutLe16(page + 60, 200);
    PutLe16(page + 62, 255);
    PutLe16(page + 64, 2064);
    static constexpr std::uint16_t kRate[5][2] = {{0, 0}, {256, 1}, {240, 2}, {224, 3}, {144, 4}};
    static constexpr std::uint16_t kSteps[5][3] = {
        {0, 0, 0}, {37, 73, 109}, {36, 72, 108}, {36, 72, 108}, {35, 70, 104}};
    const int mode = AP_FlashSet.ucLdpcMode <= 4 ? AP_FlashSet.ucLdpcMode : 0;
    PutLe16(page + 66, kRate[mode][0]);
    PutLe16(page + 68, kRate[mode][1]);
    PutLe16(page + 80, 2);
    PutLe16(page + 82, 1168);
    PutLe32(page + 84, 16);
    PutLe16(page + 88, 2);
    PutLe16(page + 90, 400);
    PutLe32(page + 92, 1184);
    PutLe16(page + 96, 30);
    for (int i = 0; i < 3; ++i) PutLe16(page + 98 + 2 * i, kSteps[mode][i]);
    PutLe16(page + 108, 0x5555);
    static constexpr std::uint32_t kRecords[5][3] = {
        {3, 592, 16}, {3, 592, 608}, {3, 592, 1200}, {3, 592, 1792}, {2, 1920, 1584}};
    for (int i = 0; i < 5; ++i) {
        PutLe16(page + 112 + 8 * i, static_cast<std::uint16_t>(kRecords[i][0]));
        PutLe16(page + 114 + 8 * i, static_cast<std::uint16_t>(kRecords[i][1]));
        PutLe32(page + 116 + 8 * i, kRecords[i][2]);
    }
    PutLe16(page + 160, static_cast<std::uint16_t>((AP_FlashSet.wPageSize * 1024U + AP_FlashSet.wSpareByte) / 8));
    page[163] = static_cast<std::uint8_t>(parts + 2);
    page[164] = static_cast<std::uint8_t>(AP_FlashSet.bPageSector / 8);
    page[166] = 1;
    const std::uint8_t fi = AP_FlashSet.ucFlashInterface;
    page[170] = (fi == 0 || fi == 2 || fi == 3 || fi == 8 || fi == 9) ? 1 : 0;
    page[171] = (fi == 1 || fi == 10) ? 1 : 0;
    PutLe32(page + 172, (fi == 1 || fi == 10) ? 204800U : 240128U);
    page[176] = 1;
    page[177] = 4;
    page[192] = b.ucImgInfo[0];
    page[193] = b.ucImgInfo[1];
    PutLe16(page + 194, b.wCertLen);
    PutLe16(page + 196, b.wImgInfo);
    PutLe32(page + 200, b.dwImgInfo);
    page[204] = b.ucImgInfo2[0];
    page[205] = b.ucImgInfo2[1];
    std::memcpy(page + 208, b.aImgInfo1, 32);
    std::memcpy(page + 240, b.aImgInfo2, 32);
    std::memcpy(page + 480, AP_FlashSet.sFlashFullName, 32);
    std::memcpy(page + 512, kConfigMark, 16);
    PutLe32(page + 528, 544);
    PutLe32(page + 532, 1056);
    PutLe32(page + 536, 1824);
    PutLe32(page + 540, 2736);
    std::memset(page + kCodeMapOffset, 0, kCodeMapClearEnd - kCodeMapOffset);

    // Copy 0 and its code-map entries.
    int running = kCodeFirst;
    for (int p = 0; p < parts; ++p) {
        const std::uint16_t count = PartPages(b.dwLength[0][p], pageBytes);
        b.wStartPageNo[0][p] = static_cast<std::uint16_t>(running);
        b.wPageLength[0][p] = count;
        TraceOut("######### - 1 - CodeIndex - %d, PartIndex - %d\n", 0, p);
        TraceOut("######### - 1 - AP_Bins_Instance[bInstance].wStartPageNo[%d] - %d\n", p, running);
        TraceOut("######### - 1 - AP_Bins_Instance[bInstance].wPageLength[%d] - %d\n", p, count);
        std::uint8_t* e = page + kCodeMapOffset + 16 * p;
        PutEntry(e, static_cast<std::uint16_t>(running), static_cast<std::uint16_t>(running + count - 1),
                 b.dwLength[0][p], b.dwOffset[0][p], b.wEnable[0][p], b.wCheckSum[0][p]);
        TraceEntry("1", p, e);
        running += count;
    }
    std::memcpy(page + kRsaOffset, b.aRsaBlock, sizeof b.aRsaBlock);
    const std::uint32_t bin0 = b.dwBinOffset[0][0];
    const std::uint32_t bin3 = b.dwBinOffset[0][3];
    if (mp) {
        AddParameterPart(b, 0, static_cast<std::uint16_t>(running), 1, 0x4000, 0, bin0);
        AddParameterPart(b, 0, static_cast<std::uint16_t>(running + 1), 1, 0x4000, 0x2000000, bin3);
    } else {
        AddParameterPart(b, 0, static_cast<std::uint16_t>(running), 2, 0x8000, 0, bin0);
        AddParameterPart(b, 0, static_cast<std::uint16_t>(running + 2), 1, 0x4000, 0x2800000, bin3);
    }
    for (int n = parts; n < parts + 2; ++n) {
        std::uint8_t* e = page + kCodeMapOffset + 16 * n;
        PutEntry(e, b.wStartPageNo[0][n], static_cast<std::uint16_t>(b.wStartPageNo[0][n] + b.wPageLength[0][n] - 1),
                 b.dwLength[0][n], b.dwOffset[0][n], b.wEnable[0][n], b.wCheckSum[0][n]);
        if (mp) TraceEntry(n == parts ? "2" : "3", n, e);
    }
    running += mp ? 2 : 3;

    if (mp) {
        for (int j = 1; j < copies; ++j) {
            running = LayOutParts(b, j, running, pageBytes, "2");
            AddParameterPart(b, j, static_cast<std::uint16_t>(running), 1, 0x4000, 0, b.dwBinOffset[j][0]);
            AddParameterPart(b, j, static_cast<std::uint16_t>(running + 1), 1, 0x4000, 0x2000000, b.dwBinOffset[j][3]);
            running += 2;
        }
        b.ucCodeCnt = static_cast<std::uint8_t>(copies);
        page[180] = static_cast<std::uint8_t>(copies);
        PutLe16(page + 178, static_cast<std::uint16_t>(running | 15));
        TraceOut("######### - endpage is %d\n", running | 15);
    } else {
        b.ucCodeCnt = 1;
    }
    static_assert(kCodeMapEntries * 16 == kRsaOffset - kCodeMapOffset);

    for (int i = 0; i < AP_PAGE_MAP_COUNT; ++i) PutLe16(page + kPageMapOffset + 2 * i, AP_FlashSet.wPageMap[i]);
    PutLe32(page + kNopsLengthOffset, static_cast<std::uint32_t>(nops.size()));
    PutLe32(page + kNifcLengthOffset, static_cast<std::uint32_t>(nifc.size()));
    std::memcpy(page + kNopsOffset, nops.data(), nops.size());
    std::memcpy(page + kNifcOffset, nifc.data(), nifc.size());
    page[1832] = page[1833] = page[1834] = page[1835] = 2;
    return true;
}

void BuildSlotPage(const AP_Bins_t& b, std::uint8_t* page, std::size_t size) {
    std::memset(page, 0xFF, size);
    std::memcpy(page, kSlotMark, 16);
    for (int k = 0; k < 8; ++k) PutLe32(page + 16 + 4 * k, static_cast<std::uint32_t>(512 * k + 48));
    const int copies = std::min<int>(b.ucCodeCnt, 7);
    for (int d = 0; d < copies; ++d) {
        const int parts = std::min<int>(b.ucPartCnt[d], 16);
        for (int e = 0; e < parts; ++e) {
            PutEntry(page + 512 * d + 48 + 16 * e, b.wStartPageNo[d][e],
                     static_cast<std::uint16_t>(b.wStartPageNo[d][e] + b.wPageLength[d][e] - 1), b.dwLength[d][e],
                     b.dwOffset[d][e], b.wEnable[d][e], b.wCheckSum[d][e]);
        }
        std::memcpy(page + 512 * d + 304, b.aRsaBlock, sizeof b.aRsaBlock);
    }
}

}  // namespace loader

bool VP_FillInfoPage(int bInstance, std::uint8_t* page) {
    TraceOut("######### - [%d]VP_FillInfoPage\n", bInstance);
    if (!loader::PortValid(bInstance) || page == nullptr) return false;
    AP_Bins_t layout;
    std::string reason;
    if (!loader::BuildInfoPage(bInstance, page, layout, reason)) {
        TraceOut("######### - [%d]VP_FillInfoPage fail! - %s\n", bInstance, reason.c_str());
        return false;
    }
    AP_Bins_Instance[bInstance] = layout;
    if (AP_INIState.ToolMode == 0) {
        const std::lock_guard<std::mutex> hold(settings::SharedRecordLock());
        AP_Bins.ucCodeCnt = layout.ucCodeCnt;
    }
    DumpRawFile("InfoPage.raw", page, loader::kInfoBytes);
    return VP_WriteDataToLoaderBlock(bInstance, loader::PhysicalPage(loader::kInfoIndex), 1, 1, page, 8);
}

bool VP_WriteSlotPage(int bInstance, std::uint8_t* page) {
    TraceOut("######### - [%d]VP_WriteSlotPage\n", bInstance);
    if (!loader::PortValid(bInstance) || page == nullptr) return false;
    const std::size_t bytes = loader::PageBytes();
    if (bytes < loader::kInfoBytes) return false;
    loader::BuildSlotPage(AP_Bins_Instance[bInstance], page, bytes);
    if (!VP_WriteDataToLoaderBlock(bInstance, loader::PhysicalPage(loader::kSlotIndex), AP_FlashSet.ucLdpcMode, 1, page,
                                   AP_FlashSet.bPageSector)) {
        TraceOut("VP DownloadToLoaderBlock Fail - Write fw slot page\n");
        return false;
    }
    return true;
}
