#include "dialogs/barcode_form.h"

#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <algorithm>
#include <cstring>

#include "app/run_state.h"
#include "dialogs/dialog_common.h"
#include "forms/controls.h"
#include "transport/trace.h"
#include "transport/usb_disks.h"

namespace dialogs {

inline constexpr std::size_t kSerialChars = 20;

void StoreBurnedSerialNumber(int port, const std::string& text) {
    if (port < 0 || port >= kUsbPortRecords) return;
    const std::string stored = text.substr(0, kSerialChars);
    char* jm = gJMGlobal.sBurnedSerialNum[port];
    std::memset(jm, 0, sizeof gJMGlobal.sBurnedSerialNum[port]);
    char* dev = g_PortDevInfo[port].sBurnedSerialNum;
    std::memset(dev, 0, sizeof g_PortDevInfo[port].sBurnedSerialNum);
    std::memcpy(dev, stored.data(), stored.size());
    std::memcpy(jm, stored.data(), stored.size());
}

}  // namespace dialogs

TBarcodeInputBoxForm::TBarcodeInputBoxForm(QWidget* parent) : QDialog(parent) {
    setObjectName("BarcodeInputBoxForm");
    setWindowTitle("Barcode Input Box");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);
    setFixedSize(394, 222);
    DeviceLabel = new QLabel(this);
    DeviceLabel->setObjectName("DeviceLabel");
    QFont bold = DeviceLabel->font();
    bold.setBold(true);
    DeviceLabel->setFont(bold);
    DeviceLabel->setGeometry(32, 16, 300, 21);
    BarcodeInputBoxLabeledEdit1 = new forms::LabeledEdit(this);
    BarcodeInputBoxLabeledEdit1->setObjectName("BarcodeInputBoxLabeledEdit1");
    BarcodeInputBoxLabeledEdit1->setGeometry(32, 64, 240, 21);
    BarcodeInputBoxLabeledEdit1->SetCaption("Serial Number");
    BarcodeInputBoxLabeledEdit1->setMaxLength(static_cast<int>(dialogs::kSerialChars));
    OKButton = new QPushButton("OK", this);
    OKButton->setObjectName("OKButton");
    OKButton->setGeometry(162, 160, 75, 25);
    // Enter reaches OKButtonClick through the edit only, never a second time as the default button.
    OKButton->setAutoDefault(false);
    connect(OKButton, &QPushButton::clicked, this, [this] { OKButtonClick(OKButton); });
    connect(BarcodeInputBoxLabeledEdit1, &QLineEdit::returnPressed, this,
            [this] { OKButtonClick(BarcodeInputBoxLabeledEdit1); });
    dialogs::CentreOnScreen(*this);
}

TBarcodeInputBoxForm::~TBarcodeInputBoxForm() {
    app::UnregisterIfCurrent<app::BarcodeInputBox, app::RegisterBarcodeInputBox>(this);
}

void TBarcodeInputBoxForm::ShowModal() {
    exec();
}

void TBarcodeInputBoxForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow(this);
}

void TBarcodeInputBoxForm::FormShow(QObject*) {
    BarcodeInputBoxLabeledEdit1->clear();
    BarcodeInputBoxLabeledEdit1->setFocus();
    setWindowTitle(QString("Please input the SN(Port%1)").arg(m_nPort));
    if (m_nDeviceNum == 255) {
        DeviceLabel->hide();
    } else {
        DeviceLabel->setText(QString("Device %1").arg(m_nDeviceNum));
        DeviceLabel->show();
    }
    BarcodeInputBoxLabeledEdit1->SetCaption("Serial Number");
    BarcodeInputBoxLabeledEdit1->setMaxLength(static_cast<int>(dialogs::kSerialChars));
}

void TBarcodeInputBoxForm::OKButtonClick(QObject*) {
    const std::string text = dialogs::NarrowText(BarcodeInputBoxLabeledEdit1->text());
    if (m_nPort >= 0 && m_nPort < kUsbPortRecords) {
        std::memset(gJMGlobal.sBurnedSerialNum[m_nPort], 0, sizeof gJMGlobal.sBurnedSerialNum[m_nPort]);
    }
    TraceOut("######### - Port %d SN is %s\n", m_nPort, text.c_str());
    dialogs::StoreBurnedSerialNumber(m_nPort, text);
    accept();
}
