#include "app/program.h"

#include "app/main_form.h"
#include "forms/application.h"

namespace app {

std::unique_ptr<TMainForm> CreateForms() {
    std::unique_ptr<TMainForm> form;
    try {
        form = std::make_unique<TMainForm>();
        form->FormCreate(form.get());
        // The fixture window and the dialogs are created here, in their order, as they come.
    } catch (...) {
        forms::ShowCurrentException();
        if (form) form->FormDestroy(form.get());
        return nullptr;
    }
    return form;
}

}  // namespace app
