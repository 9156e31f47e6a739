#include "settings/die_remap.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "settings/records.h"
#include "transport/trace.h"

namespace settings {

int DieMapLunCount() {
    const int dies = AP_FlashSet.ucDiePerCE;
    if (dies == 0) return 1;
    return dies > AP_DIE_LUNS ? AP_DIE_LUNS : dies;
}

bool DieMapIsMultiLun() {
    return AP_FlashSet.ucDiePerCE > 1;
}

int VirtualDiesPerDie() {
    return AP_INIState.bVirCntPerDie == 0 ? 1 : AP_INIState.bVirCntPerDie;
}

}  // namespace settings

namespace {

constexpr std::uint8_t kNoDie = 0xFF;
constexpr int kDieToCeChEntries = 64;
constexpr int kCeChToDieEntries = 128;

// One trace line: "######### -" followed by " %02X" per entry.
void TraceBytes(const std::uint8_t* bytes, int count) {
    std::string line = "######### -";
    char hex[4];
    for (int i = 0; i < count; ++i) {
        std::snprintf(hex, sizeof hex, " %02X", bytes[i]);
        line += hex;
    }
    TraceOut("%s\n", line.c_str());
}

void TraceRows(const std::uint8_t* table, int rows, int perRow) {
    for (int r = 0; r < rows; ++r) TraceBytes(table + r * perRow, perRow);
}

void Show(const DieMapMessageSink& message, const char* text) {
    if (message) {
        message(text);
    } else {
        TraceOut("######### - %s\n", text);
    }
}

// Moves the entries of each row towards column 0, then of each column towards row 0, keeping
// their order.
void Compact(std::uint8_t* map, int rows, int columns) {
    for (int r = 0; r < rows; ++r) {
        std::uint8_t* row = map + r * columns;
        for (int c = 0; c < columns; ++c) {
            if (row[c] != kNoDie) continue;
            for (int k = c + 1; k < columns; ++k) {
                if (row[k] == kNoDie) continue;
                row[c] = row[k];
                row[k] = kNoDie;
                break;
            }
        }
    }
    for (int c = 0; c < columns; ++c) {
        for (int r = 0; r < rows; ++r) {
            if (map[r * columns + c] != kNoDie) continue;
            for (int k = r + 1; k < rows; ++k) {
                if (map[k * columns + c] == kNoDie) continue;
                map[r * columns + c] = map[k * columns + c];
                map[k * columns + c] = kNoDie;
                break;
            }
        }
    }
}

// The logical-die numbering's working tables.
struct FwMap {
    std::uint8_t dieToCeCh[kDieToCeChEntries];
    std::uint8_t ceChToDie[kCeChToDieEntries];
    int count = 0;

    FwMap() {
        std::memset(dieToCeCh, kNoDie, sizeof dieToCeCh);
        std::memset(ceChToDie, kNoDie, sizeof ceChToDie);
    }

    // Numbers the next logical die; in pass 0 also records its reverse entry.
    void Add(int ceCh, int reverseIndex, int pass, const DieMapMessageSink& message) {
        if (count < kDieToCeChEntries) {
            dieToCeCh[count] = static_cast<std::uint8_t>(ceCh);
        } else {
            Show(message, kDieCountOverMessage);
        }
        if (pass == 0 && reverseIndex < kCeChToDieEntries) {
            ceChToDie[reverseIndex] = static_cast<std::uint8_t>(count);
        }
        ++count;
    }

    void Finish(const char* suffix) {
        AP_INIState.bDieNumCount = static_cast<std::uint8_t>(count / settings::VirtualDiesPerDie());
        TraceOut("######### - Count is %d\n", count);
        TraceOut("######### - AP_INIState.bVirCntPerDie is %d\n", AP_INIState.bVirCntPerDie);
        TraceOut("######### - AP_INIState.bDieNumCount is %d\n", AP_INIState.bDieNumCount);
        TraceOut("######### - Die to Ce/Ch%s\n", suffix);
        TraceRows(dieToCeCh, kDieToCeChEntries / 8, 8);
        TraceOut("######### - Ce/Ch to Die%s\n", suffix);
        TraceRows(ceChToDie, kCeChToDieEntries / 8, 8);
    }
};

}  // namespace

void fn_ProcessDieRemap(const DieMapMessageSink& message) {
    TraceOut("######### - fn_ProcessDieRemap\n");
    AP_INIState_t& s = AP_INIState;
    std::memset(s.bOriDieMap, kNoDie, sizeof s.bOriDieMap);
    std::memset(s.bRemapDieMap, kNoDie, sizeof s.bRemapDieMap);
    for (int ch = 0; ch < AP_DIE_CHANNELS; ++ch) {
        for (int ce = 0; ce < AP_DIE_BANKS; ++ce) {
            if (s.bDieStatus[ch][ce] != 0) s.bOriDieMap[ch][ce] = static_cast<std::uint8_t>((ch << 4) | ce);
        }
    }
    TraceOut("######### - Original Die Status\n");
    TraceRows(&s.bDieStatus[0][0], AP_DIE_CHANNELS, AP_DIE_BANKS);
    TraceOut("######### - Original Die Map\n");
    TraceRows(&s.bOriDieMap[0][0], AP_DIE_CHANNELS, AP_DIE_BANKS);

    std::memcpy(s.bRemapDieMap, s.bOriDieMap, sizeof s.bRemapDieMap);
    Compact(&s.bRemapDieMap[0][0], AP_DIE_CHANNELS, AP_DIE_BANKS);
    TraceOut("######### - Remap Die Map\n");
    TraceRows(&s.bRemapDieMap[0][0], AP_DIE_CHANNELS, AP_DIE_BANKS);

    FwMap fw;
    TraceOut("######### - FW Map\n");
    const int passes = settings::VirtualDiesPerDie();
    const int dies = settings::DieMapLunCount();
    for (int v = 0; v < passes; ++v) {
        for (int d = 0; d < dies; ++d) {
            for (int ce = 0; ce < AP_DIE_BANKS; ++ce) {
                for (int ch = 0; ch < AP_DIE_CHANNELS; ++ch) {
                    const std::uint8_t e = s.bRemapDieMap[ch][ce];
                    if (e == kNoDie) continue;
                    const int physCe = e & 0x0F;
                    const int physCh = e >> 4;
                    fw.Add((d << 6) | (physCe << 3) | physCh, 32 * d + 8 * physCe + physCh, v, message);
                }
            }
        }
    }
    fw.Finish("");
}

void fn_ProcessMultiLunDieRemap(const DieMapMessageSink& message) {
    TraceOut("######### - fn_ProcessMultiLunDieRemap\n");
    AP_INIState_t& s = AP_INIState;
    std::memset(s.bOriDieMapMultiLun, kNoDie, sizeof s.bOriDieMapMultiLun);
    std::memset(s.bRemapDieMapMultiLun, kNoDie, sizeof s.bRemapDieMapMultiLun);
    const int banks = s.MaxPhyBank;
    const int luns = settings::DieMapLunCount();
    // Without a bank count a column cannot tell its LUN from its CE: no die is placed.
    if (banks == 0) TraceOut("######### - AP_INIState.MaxPhyBank is 0, no die is placed - MultiLun\n");
    for (int ch = 0; ch < AP_DIE_CHANNELS && banks != 0; ++ch) {
        for (int ce = 0; ce < AP_DIE_BANKS; ++ce) {
            for (int l = 0; l < luns; ++l) {
                const int column = ce + banks * l;
                if (s.bDieStatusMultiLun[ch][ce][l] == 0 || column >= 8) continue;
                s.bOriDieMapMultiLun[ch][column] = static_cast<std::uint8_t>((ch << 4) | column);
            }
        }
    }

    TraceOut("######### - Original Die Status - MultiLun\n");
    TraceOut("######### - AP_FlashSet.ucDiePerCE is %d\n", AP_FlashSet.ucDiePerCE);
    TraceOut("######### - AP_INIState.MaxPhyBank is %d\n", s.MaxPhyBank);
    const int statusEntries = banks * AP_FlashSet.ucDiePerCE;
    for (int ch = 0; ch < AP_DIE_CHANNELS; ++ch) {
        std::string line = "######### -";
        char hex[4];
        for (int j = 0; j < 4; ++j) {
            std::uint8_t value = 0;
            if (j < statusEntries && j / banks < AP_DIE_LUNS) value = s.bDieStatusMultiLun[ch][j % banks][j / banks];
            std::snprintf(hex, sizeof hex, " %02X", value);
            line += hex;
            if (banks != 0 && (j + 1) % banks == 0) line += ",";
        }
        TraceOut("%s\n", line.c_str());
    }
    TraceOut("######### - Original Die Map - MultiLun\n");
    TraceRows(&s.bOriDieMapMultiLun[0][0], 8, 8);

    std::memcpy(s.bRemapDieMapMultiLun, s.bOriDieMapMultiLun, sizeof s.bRemapDieMapMultiLun);
    Compact(&s.bRemapDieMapMultiLun[0][0], 8, 8);
    TraceOut("######### - Remap Die Map - MultiLun\n");
    TraceRows(&s.bRemapDieMapMultiLun[0][0], 8, 8);

    FwMap fw;
    TraceOut("######### - FW Map - MultiLun\n");
    const int passes = settings::VirtualDiesPerDie();
    for (int v = 0; v < passes && banks != 0; ++v) {
        for (int column = 0; column < 8; ++column) {
            for (int row = 0; row < 8; ++row) {
                const std::uint8_t e = s.bRemapDieMapMultiLun[row][column];
                if (e == kNoDie) continue;
                const int lo = e & 0x0F;
                const int ce = lo % banks;
                const int lun = lo / banks;
                const int ch = e >> 4;
                fw.Add((lun << 6) | (ce << 3) | ch, 64 * lun + 8 * ce + ch, v, message);
            }
        }
    }
    fw.Finish(" - MultiLun");
}

void ProcessDieRemapForFlash(const DieMapMessageSink& message) {
    if (settings::DieMapIsMultiLun()) {
        fn_ProcessMultiLunDieRemap(message);
    } else {
        fn_ProcessDieRemap(message);
    }
}
