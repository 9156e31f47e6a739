// TFlashDetectInfoForm: the result of a flash auto-detection. It lists the flash types that match
// the drive; closing it (whichever way) applies the chosen one to the main window's vendor and
// flash-type selection through TMainForm::UpdateFlashList and TMainForm::FlashInfoChange.
#pragma once

#include <QDialog>
#include <vector>

#include "app/dialog_slots.h"
#include "dialogs/flash_detect_view.h"

class QListWidget;
class QPushButton;
class TMainForm;
namespace forms {
class LabeledEdit;
}

class TFlashDetectInfoForm : public QDialog, public app::FlashDetectInfoWindow {
    Q_OBJECT
  public:
    // `main` owns the vendor combo box and the handlers the choice is applied through (null: none).
    explicit TFlashDetectInfoForm(TMainForm* main, QWidget* parent = nullptr);
    ~TFlashDetectInfoForm() override;

    void ShowModal() override;
    void FormShow(QObject* sender);
    void FlashTypeListBoxClick(QObject* sender);
    void CloseButtonClick(QObject* sender);
    void FormClose(QObject* sender);

    forms::LabeledEdit* VendorLabeledEdit = nullptr;
    forms::LabeledEdit* ChannelBankLabeledEdit = nullptr;
    QListWidget* FlashTypeListBox = nullptr;
    QPushButton* CloseButton = nullptr;

    void done(int result) override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    TMainForm* main_;
    std::vector<dialogs::FlashDetectLine> lines_;
};
