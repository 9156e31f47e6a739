// The data files and the LDPC table of a GDP image, and the patch step of a GDP load.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/clock.h"
#include "procedures/V_Proc_GdpParam.h"
#include "procedures/gdp_ldpc_tables.h"
#include "procedures/param_image_common.h"
#include "procedures/param_region.h"
#include "settings/ce_map.h"
#include "settings/param_files.h"
#include "settings/records.h"
#include "transport/trace.h"

namespace {

constexpr char kGdpTag[] = "QVGDP";

struct FileSlot {
    const char (&path)[kParamPathBytes];
    std::size_t offset;
    std::size_t size;
};

bool Fits(std::size_t size, std::size_t end) {
    return size >= end;
}

// The file name of a path field, bounded by the field.
std::string PathOf(const char (&field)[kParamPathBytes]) {
    return std::string(field, ::strnlen(field, sizeof field));
}

void LoadSlots(std::uint8_t* image, const FileSlot* slots, int count) {
    for (int i = 0; i < count; ++i) {
        const std::string path = PathOf(slots[i].path);
        LoadFileToImage(image + slots[i].offset, path.c_str(), slots[i].size,
                        static_cast<std::uint32_t>(slots[i].offset));
    }
}

}  // namespace

bool IsGdpImage(const std::uint8_t* image, std::size_t size) {
    return image != nullptr && size >= gdp::kTagOffset + 5 && std::memcmp(image + gdp::kTagOffset, kGdpTag, 5) == 0;
}

bool IsOpCarrierImage(const std::uint8_t* image, std::size_t size) {
    if (image == nullptr || size < 16) return false;
    for (int i = 0; i < 16; ++i) {
        if (image[i] != static_cast<std::uint8_t>(i * 0x11)) return false;
    }
    return true;
}

bool LoadFileToImage(std::uint8_t* slot, const char* fileName, std::size_t slotSize, std::uint32_t slotOffset) {
    if (slot == nullptr) return false;
    std::memset(slot, 0, slotSize);
    std::FILE* file = fileName != nullptr && fileName[0] != '\0' ? std::fopen(fileName, "rb") : nullptr;
    if (file == nullptr) {
        TraceOut("Read File fail \n");
        return false;
    }
    long fileSize = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) fileSize = std::ftell(file);
    std::rewind(file);
    if (fileSize > static_cast<long>(slotSize)) {
        TraceOut("######### Over Space - address : 0x%x  - pFileName is %s , size = %d , file size = %d \n", slotOffset,
                 fileName, static_cast<int>(slotSize), static_cast<int>(fileSize));
    }
    // Never more than the slot: the tail of a larger file is left out, the next slot is untouched.
    const std::size_t got = std::fread(slot, 1, slotSize, file);
    (void)got;
    platform::Sleep(200);
    std::fclose(file);
    return true;
}

bool Write_GDP_FW_CMD_BIN(int port, std::uint8_t* image, std::size_t size) {
    TraceOut("######### - Write_GDP_FW_CMD_BIN\n");
    if (!procedures::ValidPort(port)) return procedures::RefuseImage(port, "Write_GDP_FW_CMD_BIN", "no such port");
    if (image == nullptr || !Fits(size, gdp::kSortImageMinBytes)) {
        return procedures::RefuseImage(port, "Write_GDP_FW_CMD_BIN", "the image has no room for the command files");
    }
    const FileSlot slots[] = {
        {AP_Param.sNandMemOpMap, gdp::kOpMapOffset, gdp::kOpMapBytes},
        {AP_Param.sNandMemCmdMapSDR, gdp::kCmdMapSdrOffset, gdp::kCmdMapBytes},
        {AP_Param.sNandMemCmdMapDDR, gdp::kCmdMapDdrOffset, gdp::kCmdMapBytes},
        {AP_Param.sNandMemCmdBinDDR, gdp::kCmdBinDdrOffset, gdp::kCmdBinBytes},
        {AP_Param.sNandMemCmdBinSDR, gdp::kCmdBinSdrOffset, gdp::kCmdBinBytes},
    };
    LoadSlots(image, slots, 5);
    return true;
}

bool Write_GDP_FW_OP_BIN(std::uint8_t* image, std::size_t size) {
    TraceOut("######### - Write_GDP_FW_OP_BIN\n");
    if (image == nullptr || !Fits(size, gdp::kOpCarrierMinBytes)) {
        return procedures::RefuseImage(-1, "Write_GDP_FW_OP_BIN", "the image has no room for the op files");
    }
    const FileSlot slots[] = {
        {AP_Param.sNandMemOpBinDDR, gdp::kOpBinDdrOffset, gdp::kOpBinBytes},
        {AP_Param.sNandMemOpBinSDR, gdp::kOpBinSdrOffset, gdp::kOpBinBytes},
    };
    LoadSlots(image, slots, 2);
    return true;
}

bool Write_GDP_FW_LDPC_Table(int port, std::uint8_t* image, std::size_t size) {
    TraceOut("######### - Write_GDP_FW_LDPC_Table\n");
    if (!procedures::ValidPort(port)) return procedures::RefuseImage(port, "Write_GDP_FW_LDPC_Table", "no such port");
    if (image == nullptr || !Fits(size, gdp::kGdpImageMinBytes)) {
        return procedures::RefuseImage(port, "Write_GDP_FW_LDPC_Table", "the image has no room for the LDPC table");
    }
    const std::uint8_t* table = procedures::GdpLdpcTable(procedures::GdpLdpcTableIndex(AP_FlashSet.ucLdpcMode));
    if (table == nullptr) {
        TraceOut("######### - [%d]Write_GDP_FW_LDPC_Table - no LDPC tables installed, the image keeps its own\n", port);
        return true;
    }
    // Seven pieces, in the order of the piece descriptors of the parameter block.
    static constexpr std::size_t kPieces[][2] = {{20480, 1168}, {21648, 400}, {22048, 592}, {22640, 592},
                                                 {23232, 592},  {23824, 592}, {24416, 1920}};
    procedures::ParamRegion p(image, size);
    std::size_t from = 0;
    for (const auto& piece : kPieces) {
        p.Bytes(piece[0], table + from, piece[1]);
        from += piece[1];
    }
    return true;
}

bool Write_SORT_FW_PARAM(int port, std::uint8_t* image, std::size_t size) {
    TraceOut("######### - Write_SORT_FW_PARAM\n");
    if (image == nullptr || !Fits(size, gdp::kSortImageMinBytes)) {
        return procedures::RefuseImage(port, "Write_SORT_FW_PARAM", "the image has no room for the parameters");
    }
    if (!Write_GDP_FW_DPD_Param(port, image, size)) return false;
    return Write_GDP_FW_TMC_Param(port, image, size) && Write_GDP_FW_CMD_BIN(port, image, size);
}

bool PatchGdpImage(int port, std::uint8_t* image, std::size_t size) {
    const bool gdpImage = IsGdpImage(image, size);
    const bool opCarrier = IsOpCarrierImage(image, size);
    if (!gdpImage && !opCarrier) return true;
    if (!procedures::ValidPort(port)) return procedures::RefuseImage(port, "PatchGdpImage", "no such port");
    std::string why;
    settings::CeMap ceMap;
    if (!settings::BuildCeMap(ceMap, &why)) return procedures::RefuseImage(port, "PatchGdpImage", why);
    if (gdpImage && !Fits(size, gdp::kGdpImageMinBytes)) {
        return procedures::RefuseImage(port, "PatchGdpImage", "the QVGDP image ends before its LDPC table");
    }
    if (opCarrier && !Fits(size, gdp::kOpCarrierMinBytes)) {
        return procedures::RefuseImage(port, "PatchGdpImage", "the op-file image ends before its second op file");
    }
    if (gdpImage) {
        if (!Write_GDP_FW_DPD_Param(port, image, size) || !Write_GDP_FW_TMC_Param(port, image, size) ||
            !Write_GDP_FW_CMD_BIN(port, image, size) || !Write_GDP_FW_LDPC_Table(port, image, size)) {
            return false;
        }
    }
    if (opCarrier && !Write_GDP_FW_OP_BIN(image, size)) return false;
    return true;
}
