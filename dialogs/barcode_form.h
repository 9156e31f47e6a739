// TBarcodeInputBoxForm: one drive's serial number, typed or scanned, stored on OK or Enter into the
// port's two destinations (g_PortDevInfo[port].sBurnedSerialNum, gJMGlobal.sBurnedSerialNum[port]).
// Created at start-up, shown modally by the main window after it sets m_nPort and m_nDeviceNum.
#pragma once

#include <QDialog>
#include <string>

#include "app/dialog_slots.h"

class QLabel;
class QPushButton;
namespace forms {
class LabeledEdit;
}

namespace dialogs {
// At most 20 characters reach the destinations, each outside ASCII as "?", always terminated.
// A port outside the records stores nothing.
void StoreBurnedSerialNumber(int port, const std::string& text);
}  // namespace dialogs

class TBarcodeInputBoxForm : public QDialog, public app::BarcodeInputBox {
    Q_OBJECT
  public:
    explicit TBarcodeInputBoxForm(QWidget* parent = nullptr);
    ~TBarcodeInputBoxForm() override;

    void ShowModal() override;
    void FormShow(QObject* sender);
    // Also run by Enter in the edit.
    void OKButtonClick(QObject* sender);

    QLabel* DeviceLabel = nullptr;
    forms::LabeledEdit* BarcodeInputBoxLabeledEdit1 = nullptr;
    QPushButton* OKButton = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;
};
