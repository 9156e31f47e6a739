// The settings pages are forms of their own, loaded into the pages of the main window's frame by
// the window's constructor (step 1, before the settings are read, so the later steps find their
// controls). A page's loader is registered at start-up, before the window is made; pages without
// a loader stay empty.
#pragma once

#include <functional>

class QWidget;
class TMainForm;

namespace app {

// Fills `page` (a page of SettingPageControl) with the page's controls.
using SettingsPageLoader = std::function<void(TMainForm& form, QWidget* page)>;

// Index 0 to 6 (the page's position); another index is ignored. A second loader replaces the first.
void RegisterSettingsPage(int index, SettingsPageLoader loader);
// Registers the loaders of every page built in code (the program entry and the window tests call it
// before the window is made).
void RegisterBuiltSettingsPages();
// Runs every registered loader on its page.
void LoadSettingsPages(TMainForm& form);

}  // namespace app
