// What START locks while a run is prepared and runs, and its check of the typed settings. Device
// tools and the other windows that take the window over for a while reuse both.
#pragma once

#include <optional>
#include <string>

class TMainForm;

namespace app {

// lock true: with the settings unlocked ([Setting] MPVersion 0) the main menu, the settings pages
// 1 to the last, the flash choice, the device panels' box, the bottom panel and Auto Detect are
// disabled; START, Refresh and "Load INI" always, and page 0 is shown unless `page` says Keep. lock
// false undoes it (the other mode's page stays disabled) and enables START, Refresh and "Load INI".
//
// START shows page 0 when it locks; the device tools, flash detection and the sorting-status poll
// (which locks on every tick) lock the same controls but leave the page in front as it is.
enum class RunLockPage { ShowFirst, Keep };
void LockForRun(TMainForm& form, bool lock, RunLockPage page = RunLockPage::ShowFirst);

// The caption of the first labeled edit, in creation order, whose parent and grandparent are
// visible (their own switch) and which is empty; the serial-number panel edits and the elapsed
// time do not count. Nothing when every one holds text.
std::optional<std::string> FirstEmptyLabeledEdit(TMainForm& form);

}  // namespace app
