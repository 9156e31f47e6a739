#include "dialogs/device_info_form.h"

#include <QGroupBox>
#include <QLabel>
#include <QShowEvent>
#include <QTabWidget>
#include <QTreeWidget>
#include <vector>

#include "dialogs/device_info_reads.h"
#include "dialogs/device_info_view.h"
#include "dialogs/dialog_common.h"
#include "dialogs/dump_grid.h"
#include "forms/controls.h"
#include "procedures/V_Proc_Modes.h"
#include "transport/trace.h"

namespace {

forms::LabeledEdit* ReadOnlyEdit(QWidget* parent, const char* name, const char* caption, int top) {
    auto* edit = new forms::LabeledEdit(parent, forms::LabeledEdit::LabelPosition::Left);
    edit->setObjectName(name);
    edit->SetCaption(caption);
    edit->setReadOnly(true);
    edit->setGeometry(110, top, 340, 21);
    return edit;
}

}  // namespace

TDeviceInfoForm::TDeviceInfoForm(QWidget* parent) : QDialog(parent) {
    setObjectName("DeviceInfoForm");
    setWindowTitle("Device Info.");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);
    DeviceInfoPageControl = new QTabWidget(this);
    DeviceInfoPageControl->setObjectName("DeviceInfoPageControl");
    TabSheet1 = new QWidget(DeviceInfoPageControl);
    TabSheet1->setObjectName("TabSheet1");
    TabSheet2 = new QWidget(DeviceInfoPageControl);
    TabSheet2->setObjectName("TabSheet2");
    TabSheet3 = new QWidget(DeviceInfoPageControl);
    TabSheet3->setObjectName("TabSheet3");
    DeviceInfoPageControl->addTab(TabSheet1, "Info");
    DeviceInfoPageControl->addTab(TabSheet2, "Flash ID");
    DeviceInfoPageControl->addTab(TabSheet3, "Read SRAM");

    auto* identify = new QGroupBox("Identify", TabSheet1);
    identify->setGeometry(8, 4, 473, 150);
    ModelNumberLabeledEdit = ReadOnlyEdit(identify, "ModelNumberLabeledEdit", "Model Number", 24);
    FWVersionLabeledEdit = ReadOnlyEdit(identify, "FWVersionLabeledEdit", "FW Version", 55);
    SerialNumberLabeledEdit = ReadOnlyEdit(identify, "SerialNumberLabeledEdit", "Serial Number", 86);
    CapacityLabeledEdit = ReadOnlyEdit(identify, "CapacityLabeledEdit", "Capacity (MB)", 117);
    auto* hw = new QGroupBox("HW Setting", TabSheet1);
    hw->setGeometry(8, 160, 473, 60);
    GPIOSettingLabel = new QLabel("GPIO(21,16,15,7,6): 00000", hw);
    GPIOSettingLabel->setObjectName("GPIOSettingLabel");
    GPIOSettingLabel->setGeometry(16, 24, 440, 21);

    FlashIDListView = new QTreeWidget(TabSheet2);
    FlashIDListView->setObjectName("FlashIDListView");
    FlashIDListView->setRootIsDecorated(false);
    FlashIDListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FlashIDListView->setHeaderLabels(
        {"NO.", "Status", "CH", "CE", "ID 1st", "ID 2nd", "ID 3rd", "ID 4th", "ID 5th", "ID 6th", "ID 7th"});
    for (int c = 0; c < FlashIDListView->columnCount(); ++c) FlashIDListView->setColumnWidth(c, c == 3 ? 48 : 40);
    FlashIDListView->setGeometry(4, 4, 481, 238);

    ReadSRAMStringGrid = new dialogs::DumpGrid(TabSheet3, 5);
    ReadSRAMStringGrid->setObjectName("ReadSRAMStringGrid");
    ReadSRAMStringGrid->move(4, 4);

    connect(DeviceInfoPageControl, &QTabWidget::currentChanged, this,
            [this] { DeviceInfoPageControlChange(DeviceInfoPageControl); });
    SetSizes(false);
}

TDeviceInfoForm::~TDeviceInfoForm() {
    app::UnregisterIfCurrent<app::DeviceInfoWindow, app::RegisterDeviceInfoWindow>(this);
}

void TDeviceInfoForm::ShowModal() {
    exec();
}

void TDeviceInfoForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow(this);
}

void TDeviceInfoForm::SetSizes(bool large) {
    if (large) {
        setFixedSize(897, 500);
        DeviceInfoPageControl->setGeometry(0, 0, 889, 473);
        ReadSRAMStringGrid->resize(873, 438);
    } else {
        setFixedSize(500, 300);
        DeviceInfoPageControl->setGeometry(0, 0, 497, 273);
    }
    dialogs::CentreOnScreen(*this);
}

void TDeviceInfoForm::FormShow(QObject*) {
    TraceOut("######### - DeviceInfo - FormShow - Port %d\n", m_nPort);
    SetSizes(false);
    {
        const QSignalBlocker quiet(DeviceInfoPageControl);
        DeviceInfoPageControl->setCurrentWidget(TabSheet1);
    }
    setWindowTitle(QString::asprintf("Device Info. Device %d, Port %d", m_nDeviceNum, m_nPort));
    std::vector<std::uint8_t> identify(kIdentifyBytes, 0);
    if (VP_Identify(dialogs::DrivePort(m_nPort), identify.data(), 1)) {
        ModelNumberLabeledEdit->setText(QString::fromLatin1(dialogs::IdentifyField(identify, 24, 40)));
        SerialNumberLabeledEdit->setText(QString::fromLatin1(dialogs::IdentifyField(identify, 4, 20)));
        FWVersionLabeledEdit->setText(QString::fromLatin1(dialogs::IdentifyField(identify, 64, 8)));
    }
    CapacityLabeledEdit->setText(QString::number(VP_GetCapacityMB(dialogs::DrivePort(m_nPort))));
    std::array<int, 5> values{};
    for (std::size_t i = 0; i < dialogs::kGpioBits.size(); ++i) {
        std::uint8_t value = 0;  // a failed register read shows 0
        VP_GetGPIOValue(dialogs::DrivePort(m_nPort), dialogs::kGpioBits[i], &value);
        values[i] = value;
    }
    GPIOSettingLabel->setText(QString::fromLatin1(dialogs::GpioLabelText(values)));
}

void TDeviceInfoForm::DeviceInfoPageControlChange(QObject*) {
    QWidget* tab = DeviceInfoPageControl->currentWidget();
    if (tab == TabSheet1) {
        SetSizes(false);
    } else if (tab == TabSheet2) {
        FillFlashIdTab();
    } else if (tab == TabSheet3) {
        FillSramTab();
    }
}

void TDeviceInfoForm::FillFlashIdTab() {
    SetSizes(false);
    FlashIDListView->clear();
    const dialogs::FlashIdMap map = dialogs::ReadFlashIdMap(dialogs::DrivePort(m_nPort));
    for (const dialogs::FlashIdRow& row : dialogs::FlashIdRows(map)) {
        QStringList cells = {QString::fromStdString(row.number), QString::fromStdString(row.status),
                             QString::fromStdString(row.channel), QString::fromStdString(row.ce)};
        for (const std::string& id : row.id) cells << QString::fromStdString(id);
        cells << QString();
        FlashIDListView->addTopLevelItem(new QTreeWidgetItem(cells));
    }
}

void TDeviceInfoForm::FillSramTab() {
    SetSizes(true);
    const auto ram = dialogs::ReadSram(dialogs::DrivePort(m_nPort));
    if (!ram) return;
    ReadSRAMStringGrid->ShowBytes(*ram);
}
