// [FlashSetting]: the chosen flash part, its channel and bank sets, timing and the die map.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "settings/ini_engine.h"
#include "settings/ini_sections.h"
#include "settings/records.h"
#include "settings/section_table.h"
#include "transport/trace.h"

namespace {

using namespace settings::sections;

constexpr const char* kSection = "FlashSetting";
constexpr int kDieCodes = AP_DIE_CHANNELS * AP_DIE_BANKS;  // 32 codes, channel-major
constexpr std::uint8_t kNoDie = 0xFF;

void TraceDieCodes() {
    TraceOut("######### - AP_INIState.bChBankUI Status");
    for (int ch = 0; ch < AP_DIE_CHANNELS; ++ch) {
        const std::uint8_t* code = AP_INIState.bChBankUI[ch];
        TraceOut("######### - %02X %02X %02X %02X", code[0], code[1], code[2], code[3]);
    }
}

bool IsHexDigit(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// One piece of the list: two hexadecimal digits (anything after them is ignored). A piece that does
// not start with two digits marks no die and is traced.
std::uint8_t PieceCode(const std::string& piece, int index) {
    if (piece.size() >= 2 && IsHexDigit(piece[0]) && IsHexDigit(piece[1])) {
        return static_cast<std::uint8_t>(HexDigitValue(piece[0]) * 16 + HexDigitValue(piece[1]));
    }
    TraceOut("######### - DieReMap entry %d (%s) is not two hex digits, no die\n", index, piece.c_str());
    return kNoDie;
}

void ReadDieReMap(const char* path) {
    char text[200];
    IniGetString(kSection, "DieReMap", "00", text, sizeof text, path);

    // Pieces between commas; empty pieces (the writer's final comma, doubled commas) are skipped, and
    // blanks around a piece are dropped. Codes the list does not give mean no die.
    std::uint8_t codes[kDieCodes];
    std::memset(codes, kNoDie, sizeof codes);
    int count = 0;
    bool overflow = false;
    const std::string all(text);
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t end = all.find(',', start);
        if (end == std::string::npos) end = all.size();
        std::string piece = all.substr(start, end - start);
        const std::size_t first = piece.find_first_not_of(" \t");
        const std::size_t last = piece.find_last_not_of(" \t");
        piece = first == std::string::npos ? std::string() : piece.substr(first, last - first + 1);
        if (!piece.empty()) {
            if (count < kDieCodes) {
                codes[count] = PieceCode(piece, count);
                ++count;
            } else {
                overflow = true;
            }
        }
        start = end + 1;
    }
    if (overflow) TraceOut("######### - DieReMap holds more than %d entries, the rest is ignored\n", kDieCodes);

    std::memset(AP_INIState.bDieStatus, 0, sizeof AP_INIState.bDieStatus);
    std::memset(AP_INIState.bDieStatusMultiLun, 0, sizeof AP_INIState.bDieStatusMultiLun);
    for (int k = 0; k < kDieCodes; ++k) {
        const int ch = k / AP_DIE_BANKS;
        const int bank = k % AP_DIE_BANKS;
        const std::uint8_t code = codes[k];
        AP_INIState.bChBankUI[ch][bank] = code;
        if (code == kNoDie) continue;
        AP_INIState.bDieStatus[ch][bank] = 1;
        for (int lun = 0; lun < AP_DIE_LUNS; ++lun) {
            AP_INIState.bDieStatusMultiLun[ch][bank][lun] = static_cast<std::uint8_t>((code >> lun) & 1u);
        }
    }
    TraceDieCodes();
}

void WriteDieReMap(const char* path) {
    const int dies = AP_FlashSet.ucDiePerCE;
    const int luns = dies < AP_DIE_LUNS ? dies : AP_DIE_LUNS;  // the record holds four LUN entries
    std::string value;
    for (int ch = 0; ch < AP_DIE_CHANNELS; ++ch) {
        for (int bank = 0; bank < AP_DIE_BANKS; ++bank) {
            unsigned code = 0;
            if (dies < 2) {
                code = AP_INIState.bDieStatus[ch][bank];
            } else {
                for (int lun = 0; lun < luns; ++lun)
                    code += unsigned{AP_INIState.bDieStatusMultiLun[ch][bank][lun]} << lun;
            }
            if (code == 0) code = kNoDie;
            char entry[8];
            std::snprintf(entry, sizeof entry, "%02X,", code & 0xFFu);
            value += entry;
        }
    }
    TraceDieCodes();
    TraceOut("######### - %s", value.c_str());
    IniSetString(kSection, "DieReMap", value.c_str(), path);
}

// In the writer's order: ExtFlashFile to Clock, then DieReMap; the two unwritten keys last.
constexpr KeyRule kRules[] = {
    Text("ExtFlashFile", "Flash.ini", Txt(AP_INIState.ExtFlashFile), Put::TextIfSet),
    Text("FlashUniName", "WBG", Txt(AP_INIState.FlashUniName), Put::Text),
    Int("Channel", 8, Num(AP_INIState.Channel), Put::Dec),
    Int("Bank", 2, Num(AP_INIState.Bank), Put::Dec),
    Int("FwBankSet0", 0, Num(AP_INIState.FwBankSet[0]), Put::Dec),
    Int("FwBankSet1", 1, Num(AP_INIState.FwBankSet[1]), Put::Dec),
    Int("FwBankSet2", 2, Num(AP_INIState.FwBankSet[2]), Put::Dec),
    Int("FwBankSet3", 3, Num(AP_INIState.FwBankSet[3]), Put::Dec),
    Int("FwChannelSet0", 0, Num(AP_INIState.FwChannelSet[0]), Put::Dec),
    Int("FwChannelSet1", 1, Num(AP_INIState.FwChannelSet[1]), Put::Dec),
    Int("FwChannelSet2", 2, Num(AP_INIState.FwChannelSet[2]), Put::Dec),
    Int("FwChannelSet3", 3, Num(AP_INIState.FwChannelSet[3]), Put::Dec),
    Int("FwChannelSet4", 4, Num(AP_INIState.FwChannelSet[4]), Put::Dec),
    Int("FwChannelSet5", 5, Num(AP_INIState.FwChannelSet[5]), Put::Dec),
    Int("FwChannelSet6", 6, Num(AP_INIState.FwChannelSet[6]), Put::Dec),
    Int("FwChannelSet7", 7, Num(AP_INIState.FwChannelSet[7]), Put::Dec),
    Int("DefaultTiming", 0, Num(AP_INIState.DefaultTiming), Put::Dec),
    Int("BestTiming", 0, Num(AP_INIState.BestTiming), Put::Dec),
    Int("Clock", 33, Num(AP_INIState.Clock), Put::Dec),
    Custom("DieReMap", ReadDieReMap, WriteDieReMap),
    Int("SelectOnfi4", 0, Num(AP_INIState.SelectOnfi4)),
    Int("SandiskBic4ChangeID", 0, Num(AP_INIState.SandiskBic4ChangeID)),
};

}  // namespace

void ReadIniFlashSetting(const char* path) {
    ReadRules(kSection, kRules, path);
}

void WriteIniFlashSetting(const char* path) {
    WriteRules(kSection, kRules, path);
}
