// The program entry's makers of the small dialogs: each creates its window at its place among the
// forms, registers it in its seam (app/dialog_slots.h) and hands it to the main window to keep.
#pragma once

namespace dialogs {

void RegisterDialogMakers();

}  // namespace dialogs
