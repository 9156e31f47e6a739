#include "utility/fw_param_text.h"

#include <span>

#include "transport/byte_order.h"

namespace vellumin {

using transport::GetLe16;
using transport::GetLe32;

std::string FormatHexDump(const std::uint8_t* data, std::size_t length, std::size_t perLine) {
    std::string text;
    if (perLine == 0) return text;
    for (std::size_t i = 0; i < length / perLine + 1; ++i) {
        text += "\r\n\t";
        for (std::size_t j = 0; j < perLine; ++j) {
            if (i * perLine + j >= length) return text;
            text += Format("%2.2x ", data[i * perLine + j]);
        }
    }
    return text;
}

namespace {

// Offsets are RAM addresses; `base` is the RAM address of the sector.
struct Sector {
    const std::uint8_t* bytes;
    std::size_t base;
    std::uint8_t B(std::size_t at) const { return bytes[at - base]; }
    unsigned W(std::size_t at) const { return GetLe16(bytes + (at - base)); }
    unsigned D(std::size_t at) const { return GetLe32(bytes + (at - base)); }
    const std::uint8_t* P(std::size_t at) const { return bytes + (at - base); }
};

std::string Eight(const char* label, const Sector& s, std::size_t at, std::size_t step) {
    std::string line = label;
    line += " :";
    for (std::size_t i = 0; i < 8; ++i) line += Format(" 0x%x", step == 1 ? s.B(at + i) : s.D(at + 4 * i));
    return line;
}

const char* OnOff(unsigned word, int bit) { return (word >> bit & 1u) != 0 ? "Enable" : "Disable"; }

}  // namespace

Lines FactoryIdentifyLines(const std::uint8_t* sector0) {
    const Sector s{sector0, 0};
    Lines lines;
    lines.push_back("g_factory_identify:");
    lines.push_back(Format("  DramSize : 0x%x", s.D(96)));
    lines.push_back(Format("  DramType : 0x%x", s.D(100)));
    lines.push_back("  Bin_File_Version : " + BoundedText(s.P(448), 64));
    return lines;
}

Lines SystemParamLines(const std::uint8_t* sector512) {
    const Sector s{sector512, 512};
    Lines l;
    l.push_back("g_flash_timing:");
    l.push_back(Format("  If Power On : 0x%x", s.B(512)));
    l.push_back(Format("  If After Power On : 0x%x", s.B(513)));
    l.push_back(Format("  Freq Val : 0x%x", s.W(514)));
    l.push_back(Format("  Timing Mode : 0x%x", s.B(516)));
    l.push_back(Format("  High Speed Set : 0x%x", s.B(517)));
    l.push_back(Format("  Output Drive Strength : 0x%x", s.B(518)));
    l.push_back(Format("  NopsRty 0~3 : 0x%x 0x%x 0x%x 0x%x", s.B(520), s.B(521), s.B(522), s.B(523)));
    l.push_back(Eight("  NphyIoTx[8]", s, 524, 4));
    l.push_back(Eight("  NphyIoRx[8]", s, 556, 4));
    l.push_back(Eight("  NphyIoDelay[8]", s, 588, 4));
    l.push_back(Eight("  NphyDelaySel[8]", s, 620, 4));
    l.push_back(Eight("  NifcDqsMask[8]", s, 652, 4));
    l.push_back(Eight("  NifcCurOdtCtl[8]", s, 684, 4));
    l.push_back(Format("  Type Name : 0x%x", s.D(716)));

    l.push_back("g_dpd_param_sys:");
    l.push_back(Format("  Idle Flush Time : 0x%x", s.B(768)));
    l.push_back(Format("  Refresh Freq : 0x%x", s.B(769)));
    l.push_back(Format("  Scan Block Unit : 0x%x", s.W(948)));
    l.push_back(Format("  Encode Block Slc Mode : 0x%x", s.B(771)));
    // The die count has always been printed in decimal behind "0x".
    l.push_back(Format("  DieQnty : 0x%d  LunQnty : 0x%x", s.B(772), s.B(773)));
    l.push_back(Format("  VirCntPerDie : 0x%x  bVirTblPerDie : 0x%x", s.B(774), s.B(775)));
    l.push_back(Format("  Ce Shift : 0x%x", s.B(776)));
    l.push_back(Format("  Ch Shift : 0x%x", s.B(777)));
    l.push_back(Format("  Scan Block Unit2 : 0x%x", s.W(950)));
    l.push_back(Eight("  Bank Remap[8]", s, 780, 1));
    l.push_back(Eight("  Ch Remap[8]", s, 788, 1));
    l.push_back("  LDR Block[64] :" + FormatHexDump(s.P(796), 64, 8));
    struct Field {
        std::size_t at;
        int width;
        const char* format;
    };
    static constexpr Field kFields[] = {
        {860, 2, "  Rsvd Rate : 0x%x"},
        {862, 2, "  Def Percentage : 0x%x"},
        {864, 2, "  Close Blk Refresh Threshold : 0x%x"},
        {866, 2, "  Header Blk Refresh Threshold : 0x%x"},
        {868, 2, "  Ce Extend Block : 0x%x"},
        {870, 2, "  Idle Handle Time : 0x%x"},
    };
    auto addFields = [&](std::span<const Field> fields) {
        for (const Field& f : fields) {
            l.push_back(Format(f.format, f.width == 1 ? s.B(f.at) : f.width == 2 ? s.W(f.at) : s.D(f.at)));
        }
    };
    addFields(kFields);
    l.push_back(Format("  Ecnt Thrshd 0~3 : 0x%x 0x%x 0x%x 0x%x", s.W(872), s.W(874), s.W(876), s.W(878)));
    static constexpr Field kMore[] = {
        {880, 2, "  Ldpc Read Empty Threshold : 0x%x"},
        {882, 2, "  Hspd Capacity : 0x%x"},
        {884, 2, "  Hspd Blk Qnty : 0x%x"},
        {886, 2, "  Good Super Block Num : 0x%x"},
        {888, 2, "  Code Block Threshold : 0x%x"},
        {890, 2, "  Normal Blk Qnty : 0x%x"},
        {892, 2, "  SWL Threshold : 0x%x"},
        {894, 2, "  Switch Ec Limit : 0x%x"},
        {896, 1, "  NVMe QNum Shift : 0x%x"},
        {898, 2, "  NVMe QDepth : 0x%x"},
        {900, 4, "  Endurance : 0x%x"},
        {904, 4, "  Capacity Sector Low : 0x%x"},
        {908, 4, "  Capacity Sector High : %d"},
        {912, 4, "  Read Disturb : 0x%x"},
        {916, 4, "  Function Enable : 0x%x"},
        {928, 4, "  Manufacture ID : 0x%x"},
        {932, 4, "  Production ID : 0x%x"},
        {936, 4, "  Customer ID : 0x%x"},
        {940, 4, "  Feature ID : 0x%x"},
        {944, 4, "  Read Disturb Head : 0x%x"},
        {952, 1, "  Limit NVMe Speed : 0x%x"},
        {953, 1, "  Cut Type : 0x%x"},
        {954, 1, "  LPS : 0x%x"},
        {956, 4, "  G1Emphasis : 0x%x"},
        {960, 4, "  G1Amplitude : 0x%x"},
        {964, 4, "  G2Emphasis : 0x%x"},
        {968, 4, "  G2Amplitude : 0x%x"},
        {972, 4, "  G3Emphasis : 0x%x"},
        {976, 4, "  G3Amplitude : 0x%x"},
        {988, 1, "  Thermal Sensor Type : 0x%x"},
        {989, 1, "  Max Thermal : 0x%x"},
        {990, 1, "  Min Thermal : 0x%x"},
        {991, 1, "  Cur Thermal : 0x%x"},
        {992, 1, "  Throttle MaxDies : 0x%x"},
        {993, 1, "  Throttle MinDies : 0x%x"},
        {994, 1, "  Throttle LvHigh : 0x%x"},
        {995, 1, "  Throttle LvMid : 0x%x"},
        {996, 2, "  Thermal Reading Base : 0x%x"},
        {998, 2, "  Thermal Degree Base : 0x%x"},
        {1000, 1, "  Throttle HYST : 0x%x"},
        {1001, 1, "  Temp Diff : 0x%x"},
        {1002, 1, "  Throttle Level : 0x%x"},
        {1003, 1, "  Thermal Rsv1 : 0x%x"},
        {1004, 4, "  Dynamic Cache Once : 0x%x"},
    };
    addFields(kMore);

    const unsigned feature = s.D(920);
    l.push_back("FW Feature Setting");
    static constexpr const char* kFeatureLabels[] = {"  Pure SLC : ",         "  PLD : ",
                                                     "  PLP : ",              "  Write Protect Abort: ",
                                                     "  Quick Erase : ",      "  Uart Output : ",
                                                     "  Power State 0 : ",    "  Power State 1  : ",
                                                     "  Power State 2  : ",   "  Power State 3  : ",
                                                     "  Power State 4  : "};
    for (int bit = 0; bit < 11; ++bit) l.push_back(std::string(kFeatureLabels[bit]) + OnOff(feature, bit));
    const bool l1 = (feature >> 11 & 1u) != 0, l0s = (feature >> 12 & 1u) != 0;
    l.push_back(std::string("  ASPM Support : ") + (l1 && l0s ? "L0s & L1" : l1 ? "L1" : l0s ? "L0s" : "Disable"));
    l.push_back(std::string("  ASPM Support L1.1  : ") + OnOff(feature, 13));
    l.push_back(std::string("  ASPM Support L1.2  : ") + OnOff(feature, 14));

    const unsigned security = s.D(924);
    l.push_back("Securty Setting");
    if ((security & 1u) != 0) {
        l.push_back((security & 2u) != 0 ? "  This Type Is Not Exsit" : "  ATA Security Enable");
    } else {
        l.push_back((security & 2u) != 0 ? "  TCG OPAL Enable" : "  Disable Security Function");
    }
    l.push_back(std::string("  AES : ") + OnOff(security, 2));
    l.push_back(std::string("  IEEE : ") + OnOff(security, 3));
    l.push_back(std::string("  SM4 : ") + OnOff(security, 4));
    return l;
}

Lines ParamTableLines(const std::uint8_t* sector1024) {
    const Sector s{sector1024, 1024};
    Lines lines;
    lines.push_back("param_tab:");
    lines.push_back("  Die_2_CeCh Table:" + FormatHexDump(s.P(1024), 64, 8));
    lines.push_back("  CeCh_2_Die Table:" + FormatHexDump(s.P(1088), 128, 8));
    lines.push_back("  g_dpd_param_com Table:" + FormatHexDump(s.P(1216), 32, 8));
    return lines;
}

}  // namespace vellumin
