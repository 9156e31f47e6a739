#include "procedures/V_Proc_SysParam.h"

#include <cstring>
#include <string>

#include "procedures/V_Proc_GdpParam.h"
#include "procedures/param_image_common.h"
#include "procedures/param_region.h"
#include "settings/ce_map.h"
#include "settings/param_image_check.h"
#include "settings/records.h"
#include "transport/port_instance.h"
#include "transport/trace.h"

using procedures::ParamRegion;

namespace sys_page {

std::uint32_t FeatureWord1() {
    const AP_FwFeatureSet_t& x = AP_FwFeatureSet;
    const std::uint8_t bits[] = {x.PureSLC,       x.EnPowerLossDetect, x.EnPowerLossProtect, x.EnWriteProtectAbort,
                                 x.EnQuickErase,  x.DisableUartOutput, x.EnPowerState0,      x.EnPowerState1,
                                 x.EnPowerState2, x.EnPowerState3,     x.EnPowerState4};
    std::uint32_t word = 0;
    for (int i = 0; i < 11; ++i) {
        if (bits[i] != 0) word |= 1U << i;
    }
    word |= static_cast<std::uint32_t>(x.ASPM_Mode & 3U) << 11;
    if (x.EnASPM_L1_1 != 0) word |= 1U << 13;
    if (x.EnASPM_L1_2 != 0) word |= 1U << 14;
    if (x.EnWriteProtectGPIO != 0) word |= 1U << 15;
    return word;
}

std::uint32_t FeatureWord2() {
    const AP_FwFeatureSet_t& x = AP_FwFeatureSet;
    std::uint32_t word = x.SecurityMode & 3U;
    if (x.EnAES != 0) word |= 1U << 2;
    if (x.EnIEEE != 0) word |= 1U << 3;
    if (x.EnSM4 != 0) word |= 1U << 4;
    return word;
}

std::uint16_t DramTypeCode(std::uint8_t dramProfile) {
    static constexpr std::uint16_t kCodes[] = {0, 1, 2, 3, 3, 4, 0, 1, 2, 3, 3, 4};
    return dramProfile < sizeof kCodes / sizeof kCodes[0] ? kCodes[dramProfile] : 0;
}

}  // namespace sys_page

namespace {

// `text` (at most `limit` characters of it) into `width` bytes, padded with spaces, no terminator.
void PutText(ParamRegion& p, std::size_t offset, const char* text, std::size_t limit, std::size_t width) {
    std::size_t n = text != nullptr ? ::strnlen(text, limit) : 0;
    if (n > width) n = width;
    p.Fill(offset, ' ', width);
    if (n > 0) p.Bytes(offset, text, n);
}

// Byte i of a hexadecimal text taken two digits at a time; digits past the text's end count 0.
std::uint8_t HexPair(const char* text, std::size_t length, std::size_t i) {
    const char hi = 2 * i < length ? text[2 * i] : '0';
    const char lo = 2 * i + 1 < length ? text[2 * i + 1] : '0';
    return static_cast<std::uint8_t>(HexDigitValue(hi) * 16 + HexDigitValue(lo));
}

bool Prepare(int port, const std::uint8_t* page, std::size_t size, std::size_t end, const char* writer) {
    if (!procedures::ValidPort(port)) return procedures::RefuseImage(port, writer, "no such port");
    if (page == nullptr || size < end) return procedures::RefuseImage(port, writer, "the page has no room for it");
    return true;
}

}  // namespace

bool Write_SYS_FW_ID_Param(int port, std::uint8_t* page, std::size_t size, const char* serialNumber) {
    const char* writer = "Write_SYS_FW_ID_Param";
    if (!Prepare(port, page, size, sys_page::kIdentityOffset + sys_page::kIdentityBytes, writer)) return false;
    const AP_INIState_t& s = AP_INIState;
    std::string why;
    if (!settings::CheckDramSize(s.dwDramSize, &why)) return procedures::RefuseImage(port, writer, why);
    ParamRegion p(page, size);
    p.U32(96, s.dwDramSize << 20);
    p.U32(100, s.bDramProfile);
    PutText(p, 104, serialNumber, sys_page::kSerialBytes, sys_page::kSerialBytes);
    PutText(p, 124, AP_FwSet.ModelNum, sizeof AP_FwSet.ModelNum, sys_page::kModelBytes);
    PutText(p, 164, AP_FwSet.FirmwareVer, sizeof AP_FwSet.FirmwareVer, sys_page::kRevisionBytes);
    const std::size_t ouiLength = ::strnlen(AP_FwSet.OUI, sizeof AP_FwSet.OUI);
    for (std::size_t i = 0; i < 3; ++i) p.U8(174 - i, HexPair(AP_FwSet.OUI, ouiLength, i));
    p.U8(175, s.FWUpdate);
    p.U16(176, s.WarningTempThreshold);
    p.U16(178, s.CriticalTempThreshold);
    p.U16(180, s.MaxTimeFirmwareActivation);
    const std::uint32_t hmb = s.DisableHMB != 0 ? 0 : 4096;
    p.U32(184, hmb);
    p.U32(188, hmb);
    const std::uint16_t ids[] = {s.VendorID, s.DeviceID,     s.SubSysVendorID,
                                 s.SubSysID, s.NVMeVendorID, s.NVMeSubSysVendorID};
    for (int i = 0; i < 6; ++i) p.U16(208 + 2 * i, ids[i]);
    p.Fill(220, ' ', 8);
    const std::size_t euiLength = ::strnlen(AP_FwSet.EUI64, sizeof AP_FwSet.EUI64);
    for (std::size_t i = 0; i < 8; ++i) p.U8(228 + i, HexPair(AP_FwSet.EUI64, euiLength, i));
    if (s.EnNepIDCode == 1) p.Bytes(236, s.NepIDCode, sizeof s.NepIDCode);
    return true;
}

bool Write_SYS_FW_TMC_Param(int port, std::uint8_t* page, std::size_t size) {
    if (!Prepare(port, page, size, sys_page::kTmcOffset + gdp::kTimingBytes, "Write_SYS_FW_TMC_Param")) return false;
    WriteTimingParam(page + sys_page::kTmcOffset, AP_FwSet.timing_setting_after_setfeature);
    return true;
}

bool Write_SYS_FW_DPD_Param(int port, std::uint8_t* page, std::size_t size) {
    if (!Prepare(port, page, size, sys_page::kSysParamOffset + sys_page::kSysParamBytes, "Write_SYS_FW_DPD_Param")) {
        return false;
    }
    const AP_INIState_t& s = AP_INIState;
    const AP_FlashSet_t& f = AP_FlashSet;
    const AP_Instance_t& port_ = AP_Instance[port];
    ParamRegion p(page + sys_page::kSysParamOffset, sys_page::kSysParamBytes);
    if (s.IdleFlushTime < 256) p.U8(0, static_cast<std::uint8_t>(s.IdleFlushTime));
    p.U8(1, s.RefreshFreq);
    p.U8(2, s.EnE2E);
    p.U8(3, 1);
    p.U8(4, s.bDieNumCount);
    p.U8(5, f.ucDiePerCE);
    p.U8(6, s.bVirCntPerDie);
    p.U8(7, s.bVirTblPerDie);
    p.U16(10, s.RmpPartialTHR);
    p.Bytes(12, s.MPFwBankSet, sizeof s.MPFwBankSet);
    p.Bytes(20, s.MPFwChannelSet, sizeof s.MPFwChannelSet);

    p.Fill(28, 0, 64);
    for (int ch = 0; ch < AP_DIE_CHANNELS; ++ch) {
        for (int bank = 0; bank < AP_DIE_BANKS; ++bank) {
            const bool present = f.ucDiePerCE >= 2 ? bank < s.MaxPhyBank && s.bOriDieMapMultiLun[ch][bank] != 0xFF
                                                   : s.bOriDieMap[ch][bank] != 0xFF;
            if (!present) continue;
            for (int k = 0; k < 2; ++k) {
                TraceOut("######### - AP_Instance[bInstance].aLoaderBlockNo[%d][%d][%d] is %d\n", ch, bank, k,
                         port_.aLoaderBlockNo[ch][bank][k]);
            }
            const std::uint8_t bits = procedures::LoaderBlockBits(port, ch, bank);
            p.U8(28 + 4 * ch + bank, bits);
            TraceOut("######### - pSYSParam->bLdrBlock[%d] is 0x%02X\n", 4 * ch + bank, bits);
        }
    }

    p.U16(92, AP_FwSet.wResRatio);
    p.U16(96, s.CloseBlockRefreshThreshold);
    p.U16(98, s.HeaderBlockRefreshThreshold);
    p.U16(102, AP_FwSet.IdleHandleTime);
    p.U16(104, s.ecnt_thrshd0);
    p.U16(106, s.ecnt_thrshd1);
    p.U16(108, s.ecnt_thrshd2);
    p.U16(110, s.ecnt_thrshd3);
    const std::uint16_t readEmpty[] = {AP_FwSet.LDPCRate1ReadEmptyThreshold, AP_FwSet.LDPCRate2ReadEmptyThreshold,
                                       AP_FwSet.LDPCRate3ReadEmptyThreshold, AP_FwSet.LDPCRate4ReadEmptyThreshold};
    if (f.ucLdpcMode >= 1 && f.ucLdpcMode <= 4) p.U16(112, readEmpty[f.ucLdpcMode - 1]);
    p.U16(114, s.wHSPDCapacity);
    p.U16(116, port_.wHSPD_BLK_Qnty_Count);
    p.U16(118, s.GoodSuperBlockNum);
    p.U16(120, s.CodeBlockThreshold);
    p.U16(122, static_cast<std::uint16_t>(port_.wTotalGoodBU - s.FixSLC_BU - s.wFW_BLKQnty));
    p.U16(124, s.SWLThreshold);
    p.U16(126, s.SwitchEcThreshold);
    p.U8(128, s.NVMeQNumShift);
    p.U16(130, s.NVMeQDepth);
    p.U32(132, f.dwFlashOption);
    p.U32(136, s.CapacitySectorLow);
    p.U32(140, s.CapacitySectorHigh);
    p.U32(144, s.Read_Disturb);
    p.U32(148, 0);
    p.U32(152, sys_page::FeatureWord1());
    p.U32(156, sys_page::FeatureWord2());
    p.U32(160, s.ManufactureID);
    p.U32(164, s.ProductionID);
    p.U32(176, s.Read_Disturb_Head);
    p.U16(180, port_.wScanBlockUnit);
    p.U16(182, port_.wScanBlockUnit2);
    p.U8(184, s.LimitNVMeSpeed);
    p.U8(185, s.CutType);
    p.U8(186, s.DisableLPS);
    const std::uint32_t phy[] = {s.G1_Emphasis,  s.G1_Amplitude, s.G2_Emphasis,
                                 s.G2_Amplitude, s.G3_Emphasis,  s.G3_Amplitude};
    for (int i = 0; i < 6; ++i) p.U32(188 + 4 * i, phy[i]);
    p.U8(220, AP_FwSet.ThermalSensorType);
    p.U8(221, s.MaxThermal);
    p.U8(222, s.MinThermal);
    p.U8(223, s.ThermalScale);
    p.U8(224, s.throttle_max_dies);
    p.U8(225, s.throttle_min_dies);
    p.U8(226, s.throttle_lv_high);
    p.U8(227, s.throttle_lv_mid);
    p.U16(228, port_.wSysBU);
    p.U16(230, s.ThermalDegreeBase);
    p.U8(232, s.throttle_HYST);
    p.U8(233, s.TempDiff);
    p.U8(234, s.ThrottleLevel);
    p.U32(236, s.dwDynamicCacheOnce);
    p.U8(240, s.NandTempSelect);
    p.U8(241, s.NandTempLow);
    p.U8(242, s.NandTempHigh);
    return true;
}

bool Write_SYS_FW_CE_Map(int port, std::uint8_t* page, std::size_t size) {
    const char* writer = "Write_SYS_FW_CE_Map";
    if (!Prepare(port, page, size, sys_page::kCeReverseOffset + settings::kCeReverseBytes, writer)) return false;
    settings::CeMap map;
    std::string why;
    if (!settings::BuildCeMap(map, &why)) return procedures::RefuseImage(port, writer, why);
    ParamRegion p(page, size);
    p.Bytes(sys_page::kCeListOffset, map.list, sizeof map.list);
    p.Bytes(sys_page::kCeReverseOffset, map.reverse, sizeof map.reverse);
    return true;
}

bool Write_SYS_FW_Flash_Info(int port, std::uint8_t* page, std::size_t size) {
    if (!Prepare(port, page, size, sys_page::kPageMinBytes, "Write_SYS_FW_Flash_Info")) return false;
    const AP_FlashSet_t& f = AP_FlashSet;
    ParamRegion p(page + sys_page::kFlashInfoOffset, sys_page::kFlashInfoBytes);
    p.U8(0, f.ucFlashVendor);
    p.U8(1, f.ucFlashType);
    p.U16(2, f.wBlocks);
    p.U16(4, f.wPages);
    p.U16(6, f.wPageSize);
    p.U8(8, f.ucDiePerCE);
    p.U8(9, f.ucPlanes);
    p.U8(11, f.ucLdpcMode);
    p.U8(12, 0);
    p.U8(13, f.ucChannel);
    p.U8(14, f.ucBankNum);
    p.U8(15, f.ucCE);
    p.U16(16, AP_INIState.ManualDefPercentage != 0 ? AP_INIState.ManualDefPercentage : AP_FwSet.wDefRatio);
    p.U16(18, sys_page::DramTypeCode(AP_INIState.bDramProfile));
    return true;
}

bool WriteSysParamPage(int port, std::uint8_t* page, std::size_t size, const char* serialNumber) {
    if (!Prepare(port, page, size, sys_page::kPageMinBytes, "WriteSysParamPage")) return false;
    std::string why;
    if (!settings::CheckParamImageSettings(&why)) return procedures::RefuseImage(port, "WriteSysParamPage", why);
    return Write_SYS_FW_ID_Param(port, page, size, serialNumber) && Write_SYS_FW_TMC_Param(port, page, size) &&
           Write_SYS_FW_DPD_Param(port, page, size) && Write_SYS_FW_CE_Map(port, page, size) &&
           Write_SYS_FW_Flash_Info(port, page, size);
}
