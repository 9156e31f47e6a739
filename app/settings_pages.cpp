#include "app/settings_pages.h"

#include "app/main_form.h"

namespace app {

namespace {

SettingsPageLoader& Loader(int index) {
    static SettingsPageLoader loaders[kPageCount];
    return loaders[index];
}

}  // namespace

void RegisterSettingsPage(int index, SettingsPageLoader loader) {
    if (index < 0 || index >= kPageCount) return;
    Loader(index) = std::move(loader);
}

void LoadSettingsPages(TMainForm& form) {
    for (int i = 0; i < kPageCount; ++i) {
        if (Loader(i) && form.Page[i] != nullptr) Loader(i)(form, form.Page[i]);
    }
}

}  // namespace app
