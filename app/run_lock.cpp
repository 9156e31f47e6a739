#include "app/run_lock.h"

#include <QAction>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>

#include "app/main_form.h"
#include "forms/controls.h"
#include "settings/records.h"

namespace app {

namespace {

void Enable(QWidget* widget, bool enabled) {
    if (widget != nullptr) widget->setEnabled(enabled);
}

// A control's own switch; a page of SettingPageControl counts as visible whether or not it is in
// front (Qt hides the pages behind it).
bool OwnVisible(const TMainForm& form, const QWidget* widget) {
    if (widget == nullptr) return true;
    for (const QWidget* page : form.Page) {
        if (widget == page) return true;
    }
    return !widget->isHidden();
}

// Every labeled edit under `parent`, in creation order (children are kept in that order). The
// windows the main window keeps (the sorting-result window and the dialogs) are not its settings:
// their edits are not walked.
void Collect(QObject* parent, std::vector<forms::LabeledEdit*>& edits) {
    for (QObject* child : parent->children()) {
        if (auto* widget = qobject_cast<QWidget*>(child); widget != nullptr && widget->isWindow()) continue;
        if (auto* edit = qobject_cast<forms::LabeledEdit*>(child)) edits.push_back(edit);
        Collect(child, edits);
    }
}

}  // namespace

void LockForRun(TMainForm& form, bool lock, RunLockPage page) {
    const bool enable = !lock;
    // Qt moves the page in front off a tab that gets disabled; Keep puts it back (shown disabled).
    const int front = form.SettingPageControl->currentIndex();
    if (AP_INIState.MPVersion == 0) {
        for (QAction* action : form.MainMenu->actions()) action->setEnabled(enable);
        const int otherModePage = AP_INIState.ToolMode == 1 ? 3 : 4;
        // Qt moves the current page off a tab it disables; the page in front stays in front
        // (greyed, its controls disabled with it), as it does in the form library.
        const int front = form.SettingPageControl->currentIndex();
        for (int i = 1; i < form.SettingPageControl->count(); ++i) {
            form.SettingPageControl->setTabEnabled(i, enable && i != otherModePage);
        }
        form.SettingPageControl->setCurrentIndex(front);
        Enable(form.Control("FlashVendorComboBox"), enable);
        Enable(form.Control("FlashTypeComboBox"), enable);
        Enable(form.StyleScrollBox, enable);
        Enable(form.BottomPanel, enable);
        Enable(form.Control("AutoDetectButton"), enable);
    }
    Enable(form.ExecuteButton, enable);
    Enable(form.RefreshButton, enable);
    // No settings file replaces the records while the window is taken over.
    Enable(form.Control("LoadINIButton"), enable);
    if (lock && page == RunLockPage::ShowFirst) {
        form.SettingPageControl->setCurrentIndex(0);
    } else if (page == RunLockPage::Keep) {
        form.SettingPageControl->setCurrentIndex(front);
    }
}

std::optional<std::string> FirstEmptyLabeledEdit(TMainForm& form) {
    std::vector<forms::LabeledEdit*> edits;
    Collect(&form, edits);
    for (forms::LabeledEdit* edit : edits) {
        const QString name = edit->objectName();
        if (name.contains("SNLabeledEdit") || name.contains("ElapsedTimeLabeledEdit")) continue;
        QWidget* parent = edit->parentWidget();
        QWidget* grandparent = parent != nullptr ? parent->parentWidget() : nullptr;
        if (!OwnVisible(form, parent) || !OwnVisible(form, grandparent)) continue;
        if (edit->text().isEmpty()) return edit->Caption().toStdString();
    }
    return std::nullopt;
}

}  // namespace app
