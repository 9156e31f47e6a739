// [DeviceSetting]: the identity MP gives a drive (serial numbers, model, ids) and the Para file.
#include "settings/ini_sections.h"
#include "settings/records.h"
#include "settings/section_table.h"

namespace {

using namespace settings::sections;

constexpr const char* kSection = "DeviceSetting";
constexpr std::int64_t kVendor = AP_MAKER_PCI_VENDOR_ID;

// In the writer's order; keys the writer skips sit where they fit.
constexpr KeyRule kRules[] = {
    Text("SerialNum", "0123456789", Txt(AP_INIState.SerialNum), Put::Text),
    Text("SerialNumPrefix", "QV_", Txt(AP_INIState.SerialNumPrefix), Put::Text),
    Text("SerialNumSuffix", "_SSD", Txt(AP_INIState.SerialNumSuffix), Put::Text),
    Text("ModelNum", "NQ NVMe SSD", Txt(AP_INIState.ModelNum), Put::Text),
    Text("FirmwareVer", "12345678", Txt(AP_INIState.FirmwareVer), Put::Text),
    Text("OUI", "000000", Txt(AP_INIState.OUI), Put::Text),
    Text("EUI64", "0000000000000000", Txt(AP_INIState.EUI64), Put::Text),
    Hex("VendorID", kVendor, Num(AP_INIState.VendorID), Put::Hex04),
    Hex("DeviceID", 0x1001, Num(AP_INIState.DeviceID), Put::Hex04),
    Hex("SubSysVendorID", kVendor, Num(AP_INIState.SubSysVendorID), Put::Hex04),
    Hex("SubSysID", 0x1001, Num(AP_INIState.SubSysID), Put::Hex04),
    Hex("NVMeVendorID", kVendor, Num(AP_INIState.NVMeVendorID), Put::Hex04),
    Hex("NVMeSubSysVendorID", kVendor, Num(AP_INIState.NVMeSubSysVendorID), Put::Hex04),
    Int("SNLength", 13, Num(AP_INIState.SNLength), Put::Dec),
    Int("SNInputMode", 0, Num(AP_INIState.SNInputMode), Put::Dec),
    Int("EnMaxSN", 0, Num(AP_INIState.EnMaxSN), Put::Dec),
    Text("MaxSerialNum", "9999999999", Txt(AP_INIState.MaxSerialNum), Put::Text),
    Int("EnSNMountTime", 0, Num(AP_INIState.EnSNMountTime), Put::Dec),
    Int("DramProfile", 0, Num(AP_INIState.bDramProfile), Put::Dec),
    Int("MPTCodeBlkThreshold", 0, Num(AP_INIState.MPTCodeBlkThreshold), Put::Dec),
    Text("ExtParaFile", "Para_NULL.ini", Txt(AP_INIState.ExtParaFile), Put::Text),
    Int("EnNepIDCode", 0, Num(AP_INIState.EnNepIDCode), Put::Dec),
};

}  // namespace

void ReadIniDeviceSetting(const char* path) {
    ReadRules(kSection, kRules, path);
}

void WriteIniDeviceSetting(const char* path) {
    WriteRules(kSection, kRules, path);
}
