// The forms of the program, created in their order at start-up. An exception out of a constructor
// or creation handler is shown in the application's exception dialog and nothing is created.
//
// The windows of the folders above app (sorting, fixture, dialogs) are made by makers that the
// program entry registers before it calls CreateForms, so app never includes those folders. Each
// maker creates its window, registers it in its seam (dialog_slots.h) and returns it; CreateForms
// runs the makers after the main window's creation handler, in the windows' places among the
// forms, and the main window keeps what they made until it is destroyed itself (each window's
// destructor unregisters it). Makers are registered and run on the GUI thread.
#pragma once

#include <functional>
#include <memory>

class QWidget;
class TMainForm;

namespace app {

// A window's place among the forms; the main window is the first.
enum class FormPlace {
    FlashDetectInfo = 2,
    BarcodeInputBox,
    LunSelect,
    DeviceInfo,
    SortMain,
    Watermark,
    CheckFlashTool,
    ErrorLog,
    RuzeVE,
    About,
    AccessNand,  // created with the others, never shown
};

using FormMaker = std::function<std::unique_ptr<QWidget>(TMainForm& main)>;

// Replaces the maker of that place (an empty maker removes it).
void RegisterFormMaker(FormPlace place, FormMaker maker);
void ClearFormMakers();

// The makers registered for the lifetime of the guard (tests); the earlier ones come back after.
class ScopedFormMakers {
  public:
    ScopedFormMakers();
    ~ScopedFormMakers();
    ScopedFormMakers(const ScopedFormMakers&) = delete;
    ScopedFormMakers& operator=(const ScopedFormMakers&) = delete;

  private:
    struct Saved;
    std::unique_ptr<Saved> saved_;
};

std::unique_ptr<TMainForm> CreateForms();

}  // namespace app
