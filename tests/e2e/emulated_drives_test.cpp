// The emulated drives of tests/support hand a test their bay: a drive pulled out answers nothing
// through its bridge, and answers again once plugged back in.
#include <gtest/gtest.h>

#include <vector>

#include "commands/std_nvme.h"
#include "platform/trace_sink.h"
#include "support/emulated_drives.h"

namespace {

TEST(EmulatedDrivesBay, ADrivePulledOutAndPluggedBackAnswersAgain) {
    platform::TraceCapture quiet;
    test_support::EmulatedDrives drives({"", ""});
    ASSERT_EQ(drives.Error(), "");
    std::vector<std::uint8_t> identify(4096);
    for (int port : {0, 1}) {
        SCOPED_TRACE(port);
        ASSERT_EQ(VC_STD_Identify(port, identify.data(), 1), 1);
        ASSERT_TRUE(drives.Bay().Unplug(test_support::EmulatedDrives::DriveName(port)));
        EXPECT_EQ(VC_STD_Identify(port, identify.data(), 1), 2);
        ASSERT_TRUE(drives.Bay().Plug(test_support::EmulatedDrives::DriveName(port)));
        EXPECT_EQ(VC_STD_Identify(port, identify.data(), 1), 1);
    }
}

}  // namespace
