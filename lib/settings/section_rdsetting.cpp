// [RDSetting]: engineering switches (dumps, logs, test modes). Read only: a saved file keeps exactly
// the lines the loaded file had.
#include "settings/ini_sections.h"
#include "settings/records.h"
#include "settings/section_table.h"

namespace {

using namespace settings::sections;

constexpr KeyRule kRules[] = {
    Int("DumpDebugFile", 0, Num(AP_RDSetting.DumpDebugFile)),
    Int("DumpPftFile", 0, Num(AP_RDSetting.DumpPftFile)),
    Int("EnBinEraseBuild", 0, Num(AP_INIState.EnBinEraseBuild)),
    Hex("MptFunBitMap", 0, Num(AP_INIState.MptFunBitMap)),
    Hex("DisableMptLog", 30, Num(AP_INIState.DisableMptLog)),
    Int("SetIF", 0, Num(AP_INIState.SetIF)),
    Int("TestMode", 0, Num(AP_INIState.TestMode)),
    Int("PerPlaneBad", 0, Num(AP_INIState.PerPlaneBad)),
    Int("NoCheckTablesBeforeDownloadCode", 0, Num(AP_RDSetting.NoCheckTablesBeforeDownloadCode)),
    Hex("GDPFunBitMap", 0, Num(AP_INIState.GDPFunBitMap)),
    Int("InheritAnt", 0, Num(AP_INIState.InheritAnt)),
    Int("EnWritePageToAllDie", 0, Num(AP_INIState.EnWritePageToAllDie)),
    Int("AutoDetectForceLoadGDP", 0, Num(AP_INIState.AutoDetectForceLoadGDP)),
};

}  // namespace

void ReadIniRDSetting(const char* path) {
    ReadRules("RDSetting", kRules, path);
}
