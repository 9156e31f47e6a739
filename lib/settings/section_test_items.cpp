// [TestItems]: which MP items run and the limits of the checks inside them.
#include "settings/ini_engine.h"
#include "settings/ini_sections.h"
#include "settings/records.h"
#include "settings/section_table.h"
#include "settings/test_item_ids.h"

namespace {

using namespace settings::sections;
using namespace test_items;

constexpr const char* kSection = "TestItems";

constexpr FieldRef ItemField(Id id) {
    return Num(AP_INIState.dwItemEnable[id]);
}

// The serial-number length the START check expects: a number above 20 is taken as 20, judged on the
// number in the file before it is narrowed to its byte (260 is 20, not 4); what still lies above 20
// once narrowed (a negative number) is 20 too.
void ReadCheckSnLengthValue(const char* path) {
    const std::int32_t value = IniGetInt(kSection, "CheckSnLengthValue", 12, path);
    const auto narrowed = static_cast<std::uint8_t>(value);
    AP_INIState.CheckSnLengthValue = value > 20 || narrowed > 20 ? 20 : narrowed;
}

// The temperature check and its limit are written only while the check is selected.
bool TemperatureCheckOn() {
    return AP_INIState.dwItemEnable[kCheckTemperature] != 0;
}

constexpr KeyRule kRules[] = {
    Int("EnFlashModule", 1, ItemField(kFlashModule)),
    Int("CheckFlashMask", 63, Num(AP_INIState.CheckFlashMask), Put::Dec),
    Int("EnCheckFlashID", 1, Num(AP_INIState.EnCheckFlashID), Put::Dec),
    Int("EnCheckModuleCHCE", 1, Num(AP_INIState.EnCheckModuleCHCE), Put::Dec),
    Int("EnBusTest", 0, ItemField(kBusInterface), Put::Dec),
    Int("EnFlashTest", 0, ItemField(kFlashInterface), Put::Dec),
    Int("EnCheckSRAM", 1, Num(AP_INIState.EnCheckSRAM), Put::Dec),
    Int("EnCheckLDPC", 1, Num(AP_INIState.EnCheckLDPC), Put::Dec),
    Int("EnCheckNandReset", 1, Num(AP_INIState.EnCheckNandReset), Put::Dec),
    Int("EnCheckDataPath", 1, Num(AP_INIState.EnCheckDataPath), Put::Dec),
    Int("FlashTestDataPathThreshold", 0, Num(AP_INIState.FlashTestDataPathThreshold), Put::Dec),
    Int("FlashTestDataPathLoop", 1, Num(AP_INIState.FlashTestDataPathLoop), Put::Dec),
    Int("EnCheckNandTime", 0, Num(AP_INIState.EnCheckNandTime), Put::Dec),
    Int("EnEraseAllBlocks", 0, ItemField(kEraseBlocks), Put::Dec),
    Int("EnPreFormat", 0, ItemField(kPreformat), Put::Dec),
    Int("EnDownload", 0, ItemField(kDownload), Put::Dec),
    Int("EnUpload", 0, ItemField(kUpload)),
    Int("EnRWTest", 0, ItemField(kRWTest), Put::Dec),
    Int("EnCheckTables", 0, ItemField(kCheckTables), Put::Dec),
    Int("EnCheckRDTFW", 0, ItemField(kCheckRdtFw), Put::Dec),
    Int("EnSortingLine", 0, ItemField(kSortConnection), Put::Dec),
    Int("EnSetMaxLBA", 0, ItemField(kSetMaxLBA), Put::Dec),
    Int64("SetMaxLBAValue", 0, Num(AP_INIState.SetMaxLBAValue), Put::Dec64),
    Int("EnModifyDeviceInfo", 0, ItemField(kModifyDeviceInfo)),
    Text("CopyImagePath", "", Txt(AP_INIState.CopyImagePath)),
    Int("EnGenImage", 0, Num(AP_INIState.EnGenImage)),
    Int("EnCheckTemperature", 0, ItemField(kCheckTemperature), Put::Dec).When(TemperatureCheckOn),
    Int("CheckMaxTemperatureValue", 0, Num(AP_INIState.CheckMaxTemperatureValue), Put::Dec).When(TemperatureCheckOn),
    Int("EnCheckSnLength", 0, Num(AP_INIState.EnCheckSnLength)),
    Custom("CheckSnLengthValue", ReadCheckSnLengthValue, nullptr),
    Int("CheckPPIDLengthValue", 23, Num(AP_INIState.CheckPPIDLengthValue)),
    Int("EnCheckRemap", 0, Num(AP_INIState.EnCheckRemap)),
    Int("EnDramTest", 0, ItemField(kDramTest), Put::Dec),
    Text("DRAMTestMode", "Normal", Txt(AP_INIState.DRAMTestMode), Put::Text),
    Int("CheckPPTmode", 0, Num(AP_RDTSet.CheckPPTmode), Put::Dec),
    Int("RDTSearchRange", 1, Num(AP_INIState.RDTSearchRange)),
    Int("CheckFlashParam", 0, Num(AP_INIState.CheckFlashParam), Put::Dec),
    Hex("FlashParamThreshold", 3, Num(AP_INIState.FlashParamThreshold), Put::Hex02),
    Int("ChecktProg", 0, Num(AP_INIState.ChecktProg), Put::Dec),
    Int("TProgramTimeThreshold", 500000, Num(AP_INIState.TProgramTimeThreshold), Put::Dec),
};

}  // namespace

void ReadIniTestItems(const char* path) {
    ReadRules(kSection, kRules, path);
}

void WriteIniTestItems(const char* path) {
    WriteRules(kSection, kRules, path);
}
