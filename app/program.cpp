#include "app/program.h"

#include <map>
#include <utility>

#include "app/main_form.h"
#include "app/settings_pages.h"
#include "forms/application.h"

namespace app {

namespace {

using Makers = std::map<FormPlace, FormMaker>;

Makers& RegisteredMakers() {
    static Makers makers;
    return makers;
}

}  // namespace

void RegisterFormMaker(FormPlace place, FormMaker maker) {
    if (maker) {
        RegisteredMakers()[place] = std::move(maker);
    } else {
        RegisteredMakers().erase(place);
    }
}

void ClearFormMakers() {
    RegisteredMakers().clear();
}

struct ScopedFormMakers::Saved {
    Makers makers;
};

ScopedFormMakers::ScopedFormMakers() : saved_(std::make_unique<Saved>(Saved{RegisteredMakers()})) {}

ScopedFormMakers::~ScopedFormMakers() {
    RegisteredMakers() = std::move(saved_->makers);
}

std::unique_ptr<TMainForm> CreateForms() {
    std::unique_ptr<TMainForm> form;
    RegisterBuiltSettingsPages();
    try {
        form = std::make_unique<TMainForm>();
        form->FormCreate(form.get());
        // A copy: a maker may register or remove makers without disturbing this walk.
        const Makers makers = RegisteredMakers();
        for (const auto& [place, maker] : makers) form->KeepForm(maker(*form));
    } catch (...) {
        forms::ShowCurrentException();
        if (form) form->FormDestroy(form.get());
        return nullptr;
    }
    return form;
}

}  // namespace app
