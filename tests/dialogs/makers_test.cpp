// The program entry's makers: every dialog made after the main window, registered in its seam, kept
// by the main window, and unregistered when it goes.
#include "app/dialog_slots.h"
#include "app/program.h"
#include "dialogs/about_form.h"
#include "dialogs/barcode_form.h"
#include "dialogs/check_flash_form.h"
#include "dialogs/device_info_form.h"
#include "dialogs/dialog_makers.h"
#include "dialogs/error_log_form.h"
#include "dialogs/flash_detect_form.h"
#include "dialogs/lun_select_form.h"
#include "dialogs/watermark_form.h"
#include "support/station_window.h"

namespace {

// The window registered in a seam, left registered.
template <class W, W* (*Register)(W*)>
W* Registered() {
    W* window = Register(nullptr);
    Register(window);
    return window;
}

class DialogMakers : public window_test::StationWindowTest {};

TEST_F(DialogMakers, EveryDialogIsMadeRegisteredAndKeptByTheMainWindow) {
    app::ScopedFormMakers makers;
    dialogs::RegisterDialogMakers();
    std::unique_ptr<TMainForm> main = app::CreateForms();
    ASSERT_TRUE(main);
    EXPECT_NE(dynamic_cast<TErrorLogForm*>(Registered<app::ErrorLogWindow, app::RegisterErrorLogWindow>()), nullptr);
    EXPECT_NE(dynamic_cast<TDeviceInfoForm*>(Registered<app::DeviceInfoWindow, app::RegisterDeviceInfoWindow>()),
              nullptr);
    EXPECT_NE(
        dynamic_cast<TCheckFlashToolForm*>(Registered<app::CheckFlashToolWindow, app::RegisterCheckFlashToolWindow>()),
        nullptr);
    EXPECT_NE(dynamic_cast<TAboutForm*>(Registered<app::AboutBox, app::RegisterAboutBox>()), nullptr);
    EXPECT_NE(dynamic_cast<TFlashDetectInfoForm*>(
                  Registered<app::FlashDetectInfoWindow, app::RegisterFlashDetectInfoWindow>()),
              nullptr);
    EXPECT_NE(dynamic_cast<TLunSelectForm*>(Registered<app::LunSelectWindow, app::RegisterLunSelectWindow>()),
              nullptr);
    EXPECT_NE(dynamic_cast<TBarcodeInputBoxForm*>(Registered<app::BarcodeInputBox, app::RegisterBarcodeInputBox>()),
              nullptr);
    auto* watermark = dynamic_cast<TWatermarkForm*>(Registered<app::WatermarkWindow, app::RegisterWatermarkWindow>());
    ASSERT_NE(watermark, nullptr);
    EXPECT_TRUE(watermark->isHidden()) << "no watermark file: its label is off";
    EXPECT_EQ(watermark->pos(), main->pos() + QPoint(220, 0));
    // The windows that reach into the main window: the About box skips the engineering controls the
    // settings pages do not have yet; the check-flash tool brings the settings up to date first.
    auto* about = dynamic_cast<TAboutForm*>(Registered<app::AboutBox, app::RegisterAboutBox>());
    about->GodModeShapeMouseDown(Qt::ControlModifier);
    EXPECT_TRUE(about->GodMode());
    auto* flash =
        dynamic_cast<TCheckFlashToolForm*>(Registered<app::CheckFlashToolWindow, app::RegisterCheckFlashToolWindow>());
    flash->m_nPort = 0;  // no drive: the load fails with its message, the window still opens
    flash->FormShow(flash);
    ASSERT_FALSE(ui_.Shown().empty());
    EXPECT_EQ(ui_.Shown().front().text, "[0]Load GDP fail!");
    EXPECT_EQ(flash->windowTitle(), "Check Flash Tool Port 0");
    main->FormDestroy(main.get());
    main.reset();
    EXPECT_EQ((Registered<app::ErrorLogWindow, app::RegisterErrorLogWindow>()), nullptr);
    EXPECT_EQ((Registered<app::AboutBox, app::RegisterAboutBox>()), nullptr);
    EXPECT_EQ((Registered<app::WatermarkWindow, app::RegisterWatermarkWindow>()), nullptr);
}

}  // namespace
