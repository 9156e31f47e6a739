// The settings passes called from a worker (as the fixture window's and the sorting fetch's workers
// call them): they run on the GUI thread and a conversion error reaches the calling worker.
#include <gtest/gtest.h>

#include <QLineEdit>

#include "forms/gui_call.h"
#include "forms/str_to_int.h"
#include "forms/worker_thread.h"
#include "mp_run/run_fixture.h"

namespace mp_test {
namespace {

class SettingsPassThread : public StationWindowTest {};

TEST_F(SettingsPassThread, APassFromAWorkerRunsOnTheGuiThreadAndItsErrorReachesTheWorker) {
    TMainForm& w = OpenWindow();
    auto* threshold = w.Control<QLineEdit>("DataPathThresholdLabeledEdit");
    auto* loop = w.Control<QLineEdit>("DataPathLoopLabeledEdit");
    threshold->setText("12");
    std::string error;
    forms::WorkerThread worker([&](forms::WorkerThread&) -> std::uint32_t {
        w.UpdateUI2Struct();
        try {
            forms::CallOnGui([&] { loop->setText("x1"); });
            w.UpdateUI2Struct();
        } catch (const forms::ConvertError& e) {
            error = e.what();
        }
        return 5;
    });
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(worker.Wait(10000));
    EXPECT_EQ(worker.ExitCode(), 5u);
    EXPECT_EQ(AP_INIState.FlashTestDataPathThreshold, 12);
    EXPECT_EQ(error, "'x1' is not a valid integer value");
}

}  // namespace
}  // namespace mp_test
