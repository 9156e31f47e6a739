// The certificate and LDPC pages (indexes 1 to 3), the OPAL image (48 to 63), the NAND memory
// parameters (64, 65) and the UEFI image (66 to 87) of an MP download.
#include <algorithm>
#include <cstring>
#include <string>

#include "procedures/V_Proc_LoaderPages.h"
#include "procedures/loader_block_common.h"
#include "settings/param_files.h"
#include "settings/records.h"
#include "transport/trace.h"

namespace {

std::string Path(const char (&field)[kParamPathBytes]) {
    return loader::PathField(field, sizeof field);
}

bool WriteMeta(int port, int index, std::uint8_t* page) {
    return VP_WriteDataToLoaderBlock(port, loader::PhysicalPage(index), 1, 1, page, 8);
}

bool WriteData(int port, int index, std::uint8_t* page) {
    return VP_WriteDataToLoaderBlock(port, loader::PhysicalPage(index), AP_FlashSet.ucLdpcMode, 1, page,
                                     AP_FlashSet.bPageSector);
}

// The OPAL and UEFI images: 16 KB pieces from `first`, then dummy pages (the page buffer as the
// last piece left it) up to `last`. An image with more pieces than its area fails before any write.
struct ImageArea {
    const char* name;  // "VP_WriteOpalPage", "VP_WriteUefiPage"
    const char* fieldName;
    const char (&field)[kParamPathBytes];
    int first;
    int last;
    int maxPieces;
};

bool WriteImage(int port, std::uint8_t* page, const ImageArea& area) {
    const std::string path = Path(area.field);
    TraceOut("######### - VP_WriteUefiPage AP_Param.%s is %s\n", area.fieldName, path.c_str());
    std::string image;
    std::size_t fullSize = 0;
    const std::size_t limit = static_cast<std::size_t>(area.maxPieces) * loader::kPieceBytes;
    const bool read = loader::ReadFileBounded(path.c_str(), image, limit, &fullSize);
    if (!read) TraceOut("######### - Read AP_Param.%s fail\n", area.fieldName);
    if (fullSize > limit) {
        TraceOut("######### - %s fail! - the image holds more than %d pieces\n", area.name, area.maxPieces);
        return false;
    }
    const std::size_t bytes = loader::PageBytes();
    const int pieces = static_cast<int>((image.size() + loader::kPieceBytes - 1) / loader::kPieceBytes);
    for (int i = 0; i < pieces; ++i) {
        std::memset(page, 0, std::max(bytes, loader::kPieceBytes));
        const std::size_t at = static_cast<std::size_t>(i) * loader::kPieceBytes;
        std::memcpy(page, image.data() + at, std::min(loader::kPieceBytes, image.size() - at));
        if (!WriteData(port, area.first + i, page)) {
            TraceOut("######### -  VP DownloadToLoaderBlock Fail - %s %d\n", area.name, i);
            return false;
        }
    }
    for (int index = area.first + pieces; index <= area.last; ++index) {
        if (!WriteData(port, index, page)) {
            TraceOut("VP DownloadToLoaderBlock Fail - Write dummy page\n");
            return false;
        }
    }
    return true;
}

// The first `bytes` of a file into a zeroed page; false when it cannot be opened.
bool LoadPage(std::uint8_t* page, std::size_t clear, const std::string& path, std::size_t bytes) {
    std::memset(page, 0, clear);
    std::string data;
    if (!loader::ReadFileBounded(path.c_str(), data, bytes)) return false;
    std::memcpy(page, data.data(), data.size());
    return true;
}

}  // namespace

bool VP_WriteCertPage(int bInstance, std::uint8_t* page) {
    TraceOut("######### - [%d]VP_WriteCertPage\n", bInstance);
    if (!loader::PortValid(bInstance) || page == nullptr) return false;
    std::memset(page, 0, std::max(loader::PageBytes(), loader::kInfoBytes));
    std::memcpy(page, AP_Bins.aCertData, std::min<std::size_t>(AP_Bins.wCertLen, sizeof AP_Bins.aCertData));
    DumpRawFile("CertPage.raw", page, loader::kInfoBytes);
    if (!WriteMeta(bInstance, loader::kCertIndex, page)) {
        TraceOut("VP DownloadToLoaderBlock Fail - VP_WriteCertPage\n");
        return false;
    }
    return true;
}

bool VP_WriteLdpcPage(int bInstance, std::uint8_t* page) {
    TraceOut("######### - [%d]VP_WriteLdpcPage\n", bInstance);
    if (!loader::PortValid(bInstance) || page == nullptr) return false;
    const std::size_t clear = std::max(loader::PageBytes(), loader::kInfoBytes);
    const std::string first = Path(AP_Param.sLdpcPage1Bin);
    TraceOut("######### - AP_Param.sLdpcPage1Bin is %s\n", first.c_str());
    if (!LoadPage(page, clear, first, loader::kInfoBytes)) TraceOut("Read AP_Param.sLdpcPage0Bin fail \n");
    DumpRawFile("LDPCPage1.raw", page, loader::kInfoBytes);
    if (!WriteMeta(bInstance, 2, page)) {
        TraceOut("VP DownloadToLoaderBlock Fail - VP_WriteLDPCPage\n");
        return false;
    }
    const std::string second = Path(AP_Param.sLdpcPage2Bin);
    TraceOut("######### - AP_Param.sLdpcPage2Bin is %s\n", second.c_str());
    if (!LoadPage(page, clear, second, loader::kInfoBytes)) TraceOut("Read AP_INIState.LDPCFile2 fail \n");
    DumpRawFile("LDPCPage2.raw", page, loader::kInfoBytes);
    if (!WriteMeta(bInstance, 3, page)) {
        TraceOut("VP DownloadToLoaderBlock Fail - VP_WriteLDPCPage\n");
        return false;
    }
    return true;
}

bool VP_WriteOpalPage(int bInstance, std::uint8_t* page) {
    TraceOut("######### - [%d]VP_WriteOpalPage\n", bInstance);
    if (!loader::PortValid(bInstance) || page == nullptr || loader::PageBytes() == 0) return false;
    return WriteImage(bInstance, page,
                      ImageArea{"VP_WriteOpalPage", "sOPALBin", AP_Param.sOPALBin, loader::kOpalFirst,
                                loader::kOpalLast, loader::kOpalPieces});
}

bool VP_WriteUefiPage(int bInstance, std::uint8_t* page) {
    TraceOut("######### - [%d]VP_WriteUefiPage\n", bInstance);
    if (!loader::PortValid(bInstance) || page == nullptr || loader::PageBytes() == 0) return false;
    return WriteImage(bInstance, page,
                      ImageArea{"VP_WriteUefiPage", "sUEFIBin", AP_Param.sUEFIBin, loader::kUefiFirst,
                                loader::kUefiLast, loader::kUefiPieces});
}

bool VP_WriteNandMemPage(int bInstance, std::uint8_t* page) {
    TraceOut("######### - [%d]VP_WriteNandMemPage\n", bInstance);
    if (!loader::PortValid(bInstance) || page == nullptr || loader::PageBytes() == 0) return false;
    const std::size_t clear = std::max(loader::PageBytes(), loader::kPieceBytes);
    const std::string sdr = Path(AP_Param.sNandMemSDR);
    TraceOut("######### - VP_WriteNandMemPage AP_Param.sNandMemSDR is %s\n", sdr.c_str());
    if (!LoadPage(page, clear, sdr, loader::kPieceBytes)) TraceOut("######### - Read AP_Param.sNandMemSDR fail\n");
    if (!WriteData(bInstance, loader::kNandMemIndex, page)) {
        TraceOut("######### -  VP DownloadToLoaderBlock Fail - VP_WriteNandMemPage 0\n");
        return false;
    }
    const std::string ddr = Path(AP_Param.sNandMemDDR);
    TraceOut("######### - VP_WriteNandMemPage AP_Param.sNandMemDDR is %s\n", ddr.c_str());
    if (!LoadPage(page, clear, ddr, loader::kPieceBytes)) TraceOut("######### - Read AP_Param.sNandMemDDR fail\n");
    if (!WriteData(bInstance, loader::kNandMemIndex + 1, page)) {
        TraceOut("######### -  VP DownloadToLoaderBlock Fail - VP_WriteNandMemPage 1\n");
        return false;
    }
    return true;
}
