#include "dialogs/dialog_makers.h"

#include <memory>

#include "app/dialog_slots.h"
#include "app/main_form.h"
#include "app/program.h"
#include "dialogs/about_form.h"
#include "dialogs/barcode_form.h"
#include "dialogs/check_flash_form.h"
#include "dialogs/device_info_form.h"
#include "dialogs/error_log_form.h"
#include "dialogs/flash_detect_form.h"
#include "dialogs/lun_select_form.h"
#include "dialogs/watermark_form.h"

namespace dialogs {

void RegisterDialogMakers() {
    using app::FormPlace;
    app::RegisterFormMaker(FormPlace::FlashDetectInfo, [](TMainForm& main) -> std::unique_ptr<QWidget> {
        auto form = std::make_unique<TFlashDetectInfoForm>(&main);
        app::RegisterFlashDetectInfoWindow(form.get());
        return form;
    });
    app::RegisterFormMaker(FormPlace::BarcodeInputBox, [](TMainForm&) -> std::unique_ptr<QWidget> {
        auto form = std::make_unique<TBarcodeInputBoxForm>();
        app::RegisterBarcodeInputBox(form.get());
        return form;
    });
    app::RegisterFormMaker(FormPlace::LunSelect, [](TMainForm&) -> std::unique_ptr<QWidget> {
        auto form = std::make_unique<TLunSelectForm>();
        app::RegisterLunSelectWindow(form.get());
        return form;
    });
    app::RegisterFormMaker(FormPlace::DeviceInfo, [](TMainForm&) -> std::unique_ptr<QWidget> {
        auto form = std::make_unique<TDeviceInfoForm>();
        app::RegisterDeviceInfoWindow(form.get());
        return form;
    });
    app::RegisterFormMaker(FormPlace::Watermark, [](TMainForm& main) -> std::unique_ptr<QWidget> {
        auto form = std::make_unique<TWatermarkForm>(main.pos(), &main);
        app::RegisterWatermarkWindow(form.get());
        // Visible from creation; with the label switched off it would show nothing, so it stays hidden.
        if (form->m_bEnWatermark) form->show();
        return form;
    });
    app::RegisterFormMaker(FormPlace::CheckFlashTool, [](TMainForm& main) -> std::unique_ptr<QWidget> {
        auto form = std::make_unique<TCheckFlashToolForm>(&main);
        app::RegisterCheckFlashToolWindow(form.get());
        return form;
    });
    app::RegisterFormMaker(FormPlace::ErrorLog, [](TMainForm&) -> std::unique_ptr<QWidget> {
        auto form = std::make_unique<TErrorLogForm>();
        app::RegisterErrorLogWindow(form.get());
        return form;
    });
    app::RegisterFormMaker(FormPlace::About, [](TMainForm& main) -> std::unique_ptr<QWidget> {
        auto form = std::make_unique<TAboutForm>(&main);
        app::RegisterAboutBox(form.get());
        return form;
    });
    app::RegisterFormMaker(FormPlace::AccessNand,
                           [](TMainForm&) -> std::unique_ptr<QWidget> { return std::make_unique<TAccessNandForm>(); });
}

}  // namespace dialogs
