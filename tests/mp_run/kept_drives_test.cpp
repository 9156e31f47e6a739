// A drive the MP run prepared, on a bay that keeps its drives' state: released at the program's
// end and loaded again by the next program, it starts from the loader block the run wrote.
#include <QPushButton>

#include "app/run_state.h"
#include "emu/nvme_controller.h"
#include "run_fixture.h"

namespace mp_test {
namespace {

class KeptDrives : public RunTest {};

TEST_F(KeptDrives, AnMpPreparedDriveStartsAgainFromWhatTheRunWrote) {
    auto bay = InstallBay("[Bay]\nKeepState=1\n" + window_test::BayOfHubs(1, 1, "BadBlocks=1:0:0:100\n"));
    TMainForm& w = OpenWindow();
    Enumerate();
    w.ExecuteButtonClick(w.ExecuteButton);
    ASSERT_EQ(g_DeviceSlots.Read(0).status, "Pass");
    CloseWindow();
    auto& before = dynamic_cast<emu::NvmeController&>(*bay->FindDrive("Drive1")->GetBridge().GetController());
    const std::uint64_t cycles = before.Smart().powerCycles;
    const std::uint64_t written = before.Smart().sectorsWritten;
    const std::string log = before.KeptSystem()->Uart().Text();
    ASSERT_NE(log.find("[SYS] boot from"), std::string::npos) << "the run's own jump into the system firmware";
    bay->Release();
    bay.reset();

    std::string error;
    const auto again = emu::Bay::Load(station_ / "bay", &error);
    ASSERT_TRUE(again) << error;
    auto& c = dynamic_cast<emu::NvmeController&>(*again->FindDrive("Drive1")->GetBridge().GetController());
    EXPECT_EQ(c.Core().Running(), emu::Program::System);
    EXPECT_TRUE(c.KeptSystem()->BootedFromFlash()) << "from the loader block the run wrote";
    EXPECT_EQ(c.Smart().powerCycles, cycles + 1);
    EXPECT_EQ(c.Smart().sectorsWritten, written) << "the read/write test's sectors";
    const std::string now = c.KeptSystem()->Uart().Text();
    EXPECT_EQ(now.rfind(log, 0), 0u) << "the old log, then the new start's lines";
    EXPECT_NE(now.find("[SYS] boot from", log.size()), std::string::npos);
    std::uint32_t erases = 0;
    for (int b = 0; b < 8; ++b) erases += c.KeptNand()->EraseCount(0, 0, 0, b);
    EXPECT_GT(erases, 0u) << "the loader blocks were erased before they were written";
    std::vector<std::uint8_t> reply(64 * 512);
    ASSERT_TRUE(emu::BuildBadUnitList(*c.KeptNand(), {}, 0, reply).Ok());
    EXPECT_EQ(std::vector<std::uint8_t>(reply.begin(), reply.begin() + 12),
              (std::vector<std::uint8_t>{1, 0, 0, 0, 25, 0, 1, 0, 0x02, 0, 0, 0}));
}

}  // namespace
}  // namespace mp_test
