// GDP_INIT_PARAM (the DPD block) and the timing record, in a GDP or sorting-firmware image and in
// the init block of a running diagnostic firmware.
#include "procedures/V_Proc_GdpParam.h"

#include <cstring>
#include <string>

#include "procedures/param_image_common.h"
#include "procedures/param_region.h"
#include "settings/ce_map.h"
#include "settings/records.h"
#include "transport/trace.h"

std::uint8_t g_bAutoDetecting = 0;

using procedures::ParamRegion;

namespace {

struct BinType {
    const char* name;
    std::uint8_t code;
};

// The flash BIN type codes of byte 76 (13 is not used).
constexpr BinType kBinTypes[] = {{"BIC2", 0},  {"BIC3", 1},  {"B16A", 2},  {"B17A", 3},  {"SKV4", 4},
                                 {"B0KB", 5},  {"B27A", 6},  {"N18A", 7},  {"A19N", 8},  {"15NM", 9},
                                 {"19NM", 10}, {"L06B", 11}, {"SSV4", 12}, {"B27B", 14}, {"BIC4", 15}};

// The LDPC piece descriptors at bytes 96-167: (count, length, offset) per piece.
void WriteLdpcWords(ParamRegion& p) {
    p.U16(96, 1);
    p.U16(98, 1168);
    p.U32(100, 16);
    p.U16(104, 1);
    p.U16(106, 400);
    p.U32(108, 1184);
    p.U16(112, 30);
    p.U16(120, 0);
    p.U16(122, 0);
    p.U16(124, 0x5555);
    p.U16(126, 0);
    for (std::uint32_t i = 0; i < 4; ++i) {
        p.U16(128 + 8 * i, 2);
        p.U16(130 + 8 * i, 592);
        p.U32(132 + 8 * i, 16 + i * 592);
    }
    p.U16(160, 1);
    p.U16(162, 1920);
    p.U32(164, 1584);
}

void WriteLdpcModeWords(ParamRegion& p, std::uint8_t mode) {
    static constexpr std::uint16_t kRate[] = {256, 240, 224, 144};
    static constexpr std::uint16_t kSteps[][3] = {{37, 73, 109}, {36, 72, 108}, {36, 72, 108}, {35, 70, 104}};
    if (mode < 1 || mode > 4) return;
    p.U16(82, kRate[mode - 1]);
    for (int k = 0; k < 3; ++k) p.U16(114 + 2 * k, kSteps[mode - 1][k]);
}

void WriteBinType(ParamRegion& p) {
    char type[5] = {};
    std::memcpy(type, AP_INIState.FlashUniName, 4);
    TraceOut("FlashBINType = %s \n", type);
    for (const BinType& t : kBinTypes) {
        if (std::strcmp(type, t.name) == 0) {
            p.U8(76, t.code);
            return;
        }
    }
}

// GDP_INIT_PARAM at the start of `p` (kInitParamBytes); bytes it does not name keep their values.
void BuildInitParam(int port, ParamRegion& p, const settings::CeMap& ceMap) {
    const AP_FlashSet_t& f = AP_FlashSet;
    const AP_INIState_t& s = AP_INIState;
    p.U8(0, f.ucFlashVendor);
    p.U8(1, f.ucFlashType);
    p.U16(2, f.wBlocks);
    p.U16(4, f.wPages);
    p.U16(6, f.wPageSize);
    p.U8(8, f.ucDiePerCE);
    p.U8(9, f.ucPlanes);
    p.U8(10, f.ucLdpcMode);
    p.U8(11, f.ucFlashInterface);
    p.U8(12, f.ucChannel);
    p.U8(13, f.ucBankNum);
    p.U16(14, f.wSpareByte);
    p.U8(23, s.GDPFunBitMap);
    p.U8(24, f.bRowBlockShift);
    p.U8(25, f.bRowPageShift);
    p.U8(26, f.bRowLunShift);
    p.U8(27, f.bRowPlaneShift);
    p.U8(28, g_bAutoDetecting != 0 ? 1 : 0);
    p.U8(29, f.bPageShift);
    p.U8(30, f.bBlockShift);
    p.U8(31, f.bStpuShift);
    TraceOut("######### - pInitData->bMode is %d\n", f.ucFlashInterface);
    TraceOut("######### - pInitData->bMaxChans is %d\n", f.ucChannel);
    TraceOut("######### - pInitData->bMaxBanks is %d\n", f.ucBankNum);

    for (int ch = 0; ch < AP_DIE_CHANNELS; ++ch) {
        for (int bank = 0; bank < AP_DIE_BANKS; ++bank) {
            const std::uint8_t bits =
                s.bRemapDieMap[ch][bank] != 0xFF ? procedures::LoaderBlockBits(port, ch, bank) : 0;
            p.U8(32 + 4 * ch + bank, bits);
            TraceOut("######### - pInitData->bLdrBlockSts[%d][%d] is %d\n", ch, bank, bits);
        }
    }
    for (int i = 0; i < 8; ++i) {
        p.U8(64 + i, s.MPFwChannelSet[i]);
        TraceOut("######### - pInitData->bFwCh[%d] is %d\n", i, s.MPFwChannelSet[i]);
    }
    for (int i = 0; i < 4; ++i) {
        p.U8(72 + i, s.MPFwBankSet[i]);
        TraceOut("######### - pInitData->bFwBank[%d] is %d\n", i, s.MPFwBankSet[i]);
    }

    WriteBinType(p);

    for (int ch = 0; ch < AP_DIE_CHANNELS; ++ch) {
        for (int bank = 0; bank < AP_DIE_BANKS; ++bank) {
            std::uint8_t bits = s.bDieStatus[ch][bank];
            if (f.ucDiePerCE >= 2) {
                bits = 0;
                for (int d = 0; d < f.ucDiePerCE && d < AP_DIE_LUNS; ++d) {
                    bits = static_cast<std::uint8_t>(bits + (s.bDieStatusMultiLun[ch][bank][d] << d));
                }
            }
            p.U8(gdp::kDieBitMapOffset + 4 * ch + bank, bits);
        }
    }
    p.Bytes(gdp::kCeListOffset, ceMap.list, sizeof ceMap.list);
    p.Bytes(gdp::kCeReverseOffset, ceMap.reverse, sizeof ceMap.reverse);

    if (AP_RDTSet.RunSortingMode <= 1) p.U8(77, AP_RDTSet.RunSortingMode);
    p.U16(80, 0x0810);
    WriteLdpcModeWords(p, f.ucLdpcMode);
    WriteLdpcWords(p);
    if (p.Fits(gdp::kInitTimingOffset, gdp::kTimingBytes)) {
        WriteTimingParam(p.Data() + gdp::kInitTimingOffset, AP_FwSet.init_timing_setting);
    }
    if (p.Fits(gdp::kInitAfterTimingOffset, gdp::kTimingBytes)) {
        WriteTimingParam(p.Data() + gdp::kInitAfterTimingOffset, AP_FwSet.timing_setting_after_setfeature);
    }
    p.U16(912, s.bDramProfile);
    p.U16(914, static_cast<std::uint16_t>(s.dwDramSize));
    p.U8(916, s.SandiskBic4ChangeID);
}

// Checks port, room and settings; on success `ceMap` holds the CE list and reverse map.
bool PrepareInitParam(int port, std::size_t size, std::size_t offset, const char* writer, settings::CeMap& ceMap) {
    if (!procedures::ValidPort(port)) return procedures::RefuseImage(port, writer, "no such port");
    if (size < offset || size - offset < gdp::kInitParamBytes) {
        return procedures::RefuseImage(port, writer, "the image has no room for the parameter block");
    }
    std::string why;
    if (!settings::BuildCeMap(ceMap, &why)) return procedures::RefuseImage(port, writer, why);
    return true;
}

}  // namespace

void WriteTimingParam(std::uint8_t* destination, const TMC_TIMING_PARAM& t) {
    ParamRegion p(destination, gdp::kTimingBytes);
    p.U8(0, t.ucTimingType);
    p.U8(1, t.ucBestTimingType);
    p.U16(2, t.wFreqVal);
    p.U8(4, t.ucTimingMode);
    p.U8(5, t.ucHighSpeedSetting);
    p.U8(6, t.ucOutputDriveStrength);
    p.Bytes(8, t.aTimingFill, sizeof t.aTimingFill);
    const std::uint32_t* groups[] = {t.dwDrvCfg, t.dwOdtCfg, t.dwDqsCfg, t.dwFixCfg, t.dwClkCfg, t.dwIcOdtCfg};
    std::size_t at = 12;
    for (const std::uint32_t* group : groups) {
        for (int i = 0; i < 8; ++i, at += 4) p.U32(at, group[i]);
    }
    p.U32(204, t.dwTimingCode);
    for (int i = 0; i < 8; ++i) p.U32(208 + 4 * i, t.dwDqsDrvCfg[i]);
}

bool Write_GDP_FW_DPD_Param(int port, std::uint8_t* image, std::size_t size) {
    TraceOut("######### - Write_GDP_FW_DPD_Param\n");
    settings::CeMap ceMap;
    if (image == nullptr || !PrepareInitParam(port, size, gdp::kDpdOffset, "Write_GDP_FW_DPD_Param", ceMap)) {
        return false;
    }
    ParamRegion p(image + gdp::kDpdOffset, gdp::kInitParamBytes);
    BuildInitParam(port, p, ceMap);
    return true;
}

bool Write_GDP_Init_Param(int port, std::uint8_t* buffer, std::size_t size) {
    TraceOut("######### - Write_GDP_Init_Param\n");
    settings::CeMap ceMap;
    if (buffer == nullptr || size < gdp::kInitBlockBytes) {
        return procedures::RefuseImage(port, "Write_GDP_Init_Param", "the buffer is below 1536 bytes");
    }
    if (!PrepareInitParam(port, size, 0, "Write_GDP_Init_Param", ceMap)) return false;
    std::memset(buffer, 0, gdp::kInitBlockBytes);
    ParamRegion p(buffer, gdp::kInitParamBytes);
    BuildInitParam(port, p, ceMap);
    return true;
}

bool Write_GDP_FW_TMC_Param(int port, std::uint8_t* image, std::size_t size) {
    TraceOut("######### - Write_GDP_FW_TMC_Param\n");
    if (!procedures::ValidPort(port)) return procedures::RefuseImage(port, "Write_GDP_FW_TMC_Param", "no such port");
    if (image == nullptr || !ParamRegion(image, size).Fits(gdp::kTmcOffset, gdp::kTimingBytes)) {
        return procedures::RefuseImage(port, "Write_GDP_FW_TMC_Param", "the image has no room for the timing");
    }
    WriteTimingParam(image + gdp::kTmcOffset, AP_FwSet.timing_setting_after_setfeature);
    return true;
}
