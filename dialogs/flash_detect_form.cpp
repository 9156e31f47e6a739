#include "dialogs/flash_detect_form.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>

#include "app/main_form.h"
#include "dialogs/dialog_common.h"
#include "forms/controls.h"
#include "forms/ui_port.h"
#include "settings/flash_list.h"
#include "settings/records.h"

TFlashDetectInfoForm::TFlashDetectInfoForm(TMainForm* main, QWidget* parent) : QDialog(parent), main_(main) {
    setObjectName("FlashDetectInfoForm");
    setWindowTitle("Flash Auto Detect Result");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);
    setFixedSize(504, 292);
    QFont arial("Arial");
    setFont(arial);
    VendorLabeledEdit = new forms::LabeledEdit(this);
    VendorLabeledEdit->setObjectName("VendorLabeledEdit");
    VendorLabeledEdit->SetCaption("Vendor");
    VendorLabeledEdit->setGeometry(16, 24, 225, 22);
    VendorLabeledEdit->setReadOnly(true);
    ChannelBankLabeledEdit = new forms::LabeledEdit(this);
    ChannelBankLabeledEdit->setObjectName("ChannelBankLabeledEdit");
    ChannelBankLabeledEdit->SetCaption("Channel / Bank");
    ChannelBankLabeledEdit->setGeometry(264, 24, 225, 22);
    ChannelBankLabeledEdit->setReadOnly(true);
    FlashTypeListBox = new QListWidget(this);
    FlashTypeListBox->setObjectName("FlashTypeListBox");
    FlashTypeListBox->setGeometry(16, 56, 473, 185);
    CloseButton = new QPushButton("Close", this);
    CloseButton->setObjectName("CloseButton");
    CloseButton->setGeometry(207, 252, 90, 28);
    connect(FlashTypeListBox, &QListWidget::itemClicked, this, [this] { FlashTypeListBoxClick(FlashTypeListBox); });
    connect(CloseButton, &QPushButton::clicked, this, [this] { CloseButtonClick(CloseButton); });
    dialogs::CentreOnScreen(*this);
}

TFlashDetectInfoForm::~TFlashDetectInfoForm() {
    app::UnregisterIfCurrent<app::FlashDetectInfoWindow, app::RegisterFlashDetectInfoWindow>(this);
}

void TFlashDetectInfoForm::ShowModal() {
    exec();
}

void TFlashDetectInfoForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow(this);
}

void TFlashDetectInfoForm::FormShow(QObject*) {
    auto* vendor = main_ != nullptr ? main_->Control<QComboBox>("FlashVendorComboBox") : nullptr;
    VendorLabeledEdit->setText(
        QString::fromStdString(dialogs::FlashVendorText(vendor != nullptr ? vendor->currentIndex() : -1)));
    ChannelBankLabeledEdit->setText(
        QString::fromStdString(dialogs::ChannelBankText(AP_INIState.Channel, AP_INIState.Bank)));
    FlashTypeListBox->clear();
    lines_ = dialogs::FlashDetectLines();
    for (const dialogs::FlashDetectLine& line : lines_) FlashTypeListBox->addItem(QString::fromStdString(line.text));
    if (!lines_.empty()) FlashTypeListBox->setCurrentRow(0);
}

void TFlashDetectInfoForm::FlashTypeListBoxClick(QObject*) {
    const int row = FlashTypeListBox->currentRow();
    if (row < 0 || row >= static_cast<int>(lines_.size())) return;
    const int vendor = g_FlashCandVendor[lines_[row].candidate];
    if (main_ != nullptr) {
        if (auto* combo = main_->Control<QComboBox>("FlashVendorComboBox")) combo->setCurrentIndex(vendor);
    }
    VendorLabeledEdit->setText(QString::fromStdString(dialogs::FlashVendorText(vendor)));
}

void TFlashDetectInfoForm::CloseButtonClick(QObject*) {
    close();
}

void TFlashDetectInfoForm::done(int result) {
    FormClose(this);
    QDialog::done(result);
}

void TFlashDetectInfoForm::FormClose(QObject*) {
    if (lines_.empty()) return;
    const int row = FlashTypeListBox->currentRow();
    if (row < 0 || row >= static_cast<int>(lines_.size()) || FlashTypeListBox->selectedItems().isEmpty()) {
        forms::Ui().ShowMessage("Please choose one flash type");
        return;
    }
    const int candidate = lines_[row].candidate;
    g_FlashTypeIndex = g_FlashCandIndex[candidate];
    if (main_ == nullptr) return;
    auto* combo = main_->Control<QComboBox>("FlashVendorComboBox");
    if (combo != nullptr) combo->setCurrentIndex(g_FlashCandVendor[candidate]);
    main_->UpdateFlashList(nullptr);
    main_->FlashInfoChange(combo);
}
