// The sorting-result reader's raw dump follows [RDT] DumpRAWFile, not the [RDSetting] dump switch.
#include "settings/rdt_dump.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "records_guard.h"
#include "settings/records.h"
#include "transport/trace.h"

namespace {

TEST(RdtDump, FollowsItsOwnSwitchAndNeverCreatesTheFolder) {
    const AP_RDTSet_t savedRdt = AP_RDTSet;
    const AP_RDSetting_t savedRd = AP_RDSetting;
    settings_test::ScratchDir dir("rdt_dump");
    const char data[3] = {7, 8, 9};
    const std::string file = dir.Path("page15.bin");

    AP_RDTSet.DumpRAWFile = 0;
    AP_RDSetting.DumpDebugFile = 1;  // the raw-dump switch of the other dumps does not count here
    DumpRdtRawFile(file.c_str(), data, sizeof data);
    EXPECT_FALSE(std::filesystem::exists(file));

    AP_RDTSet.DumpRAWFile = 1;
    AP_RDSetting.DumpDebugFile = 0;
    DumpRdtRawFile(file.c_str(), data, sizeof data);
    EXPECT_EQ(GetFileLength(file.c_str()), sizeof data);
    DumpRdtRawFile(dir.Path("no_folder/page15.bin").c_str(), data, sizeof data);  // nothing written, nothing raised
    EXPECT_FALSE(std::filesystem::exists(dir.Path("no_folder")));
    DumpRdtRawFile(nullptr, data, sizeof data);

    AP_RDTSet = savedRdt;
    AP_RDSetting = savedRd;
}

}  // namespace
