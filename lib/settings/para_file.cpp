#include "settings/para_file.h"

#include <cstdio>

#include "settings/ini_engine.h"
#include "settings/records.h"
#include "transport/trace.h"

namespace {

// The INI engine picks its text by a substring of the name it is given. The loader gets the real
// path; the lookups get this name, which always selects the Para text, so a Para file whose name
// lacks "Para" (or whose folder holds "TMC_") is still read from what was just loaded.
constexpr const char* kParaText = "Para";

void TraceValues(const char* title, const char* first, const AP_ParaSet_t& r) {
    TraceOut("%s", title);
    TraceOut("%s(%d) VDNUM(%d) MergeBU(%d) LastBadRation(%d) FIX_SLC(%d) TableQnty(%d) DMT(%d)", first, r.EN_VD,
             r.VD_NUM, r.MERGE_BU, r.LAST_BAD_RATION, r.FIX_SLC_BU, r.TABLE_BU, r.DMT_BU);
    TraceOut("HSPDCapacity(%d) IDEMACapacity(%d) DCO(%d) RDTB(%d) RDTBH(%d) THR_MAX(%d) THR_MIN(%d)", r.HSPD_CAPACITY,
             r.CAPACITY, r.DCO, static_cast<int>(r.READ_DISTURB), static_cast<int>(r.READ_DISTURB_HEAD), r.THROTTLE_MAX,
             r.THROTTLE_MIN);
    TraceOut("ROLL_RATE(%d)", r.ROLL_RATE);
}

}  // namespace

int ReadParaIni(const char* path, AP_ParaSet_t& record) {
    if (path == nullptr || path[0] == '\0') return kParaNoPath;

    int status = kParaOk;
    if (!IniLoadParaFile(path)) {
        TraceOut("Load Para To Buffer Fail");
        status = kParaLoadFailed;
    }

    char section[16];
    std::snprintf(section, sizeof section, "PARA_%01d", AP_INIState.bDieNumCount);
    if (IniHasSection(section, kParaText)) {
        TraceOut("ReadPara INI %s  (O) ", section);
    } else {
        TraceOut("ReadPara INI %s  (X) - Load default value", section);
        if (status == kParaOk) status = kParaNoSection;
    }

    auto get = [&](const char* key, int def) { return IniGetInt(section, key, def, kParaText); };
    record.EN_VD = static_cast<std::uint8_t>(get("EN_VD", 0));
    record.VD_NUM = static_cast<std::uint8_t>(get("VD_NUM", 0));
    record.MERGE_BU = static_cast<std::uint8_t>(get("MERGE_BU", 0));
    record.ROLL_RATE = static_cast<std::uint8_t>(get("ROLL_RATE", 10));
    record.LAST_BAD_RATION = static_cast<std::uint8_t>(get("LAST_BAD_RATION", 0));
    record.TABLE_BU = static_cast<std::uint16_t>(get("TABLE_BU", 0));
    record.DMT_BU = static_cast<std::uint16_t>(get("DMT_BU", 0));
    record.FIX_SLC_BU = static_cast<std::uint16_t>(get("FIX_SLC_BU", 0));
    record.READ_DISTURB = static_cast<std::uint32_t>(get("READ_DISTURB", 0));
    record.READ_DISTURB_HEAD = static_cast<std::uint32_t>(get("READ_DISTURB_HEAD", 0));
    record.THROTTLE_MAX = static_cast<std::uint16_t>(get("THROTTLE_MAX", 0));
    record.THROTTLE_MIN = static_cast<std::uint16_t>(get("THROTTLE_MIN", 0));
    record.HSPD_CAPACITY = static_cast<std::uint16_t>(get("HSPD_CAPACITY", 0));
    record.CAPACITY = static_cast<std::uint16_t>(get("CAPACITY", 0));
    record.DCO = static_cast<std::uint16_t>(get("DCO", 0));
    record.PARTIAL = static_cast<std::uint16_t>(get("PARTIAL", 0));

    TraceValues("[ORG] ReadPara INI==", "EN_VD", record);
    TraceValues("[FIN] ReadPara INI==", "EN_RAID", record);
    return status;
}
