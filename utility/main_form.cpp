#include "utility/main_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTextCursor>
#include <QTreeWidget>

#include "forms/message_pump.h"
#include "forms/ui_port.h"
#include "transport/trace.h"
#include "utility/device_scan.h"
#include "utility/device_state.h"

namespace vellumin {

namespace {

// The window's outer height; Qt's sizes leave out the frame, which takes this much of it.
constexpr int kOuterHeight = 655, kFrameHeight = 31, kClientWidth = 909;

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

TMainForm::TMainForm(QWidget* owner) : QMainWindow(owner) {
    BuildControls();
    resize(kClientWidth, kOuterHeight - kFrameHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move((area.width() - kClientWidth) / 2, (area.height() - kOuterHeight) / 2);
    }
    const QString caption = QString::asprintf("NQ Tamrel Test Utility Tool V%s", kToolVersion);
    setWindowTitle(caption);
    QApplication::setApplicationName(caption);
    QApplication::setApplicationDisplayName(caption);

    connect(DeviceListView, &QTreeWidget::itemSelectionChanged, this, [this] { OnListSelectionChanged(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button3, &QPushButton::clicked, this, [this] { SaveUartLogButtonClick(); });
    if (!AllocInfoPortBuffers()) TraceOut("######### - AllocInfoPortBuffers fail!\n");
}

TMainForm::~TMainForm() {
    FreeThreads();
    for (int port = 0; port < kMaxDevices; ++port) SetPortPath(port, nullptr);
    FreeInfoPortBuffers();
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    FormShow();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // A refresh serves messages between its pages; the window goes when the refresh has ended.
    if (busy_) {
        closeRequested_ = true;
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    // BottomPanel is anchored on all sides: it keeps its designed distance to the client's bottom.
    if (BottomPanel != nullptr && centralWidget() != nullptr) {
        BottomPanel->resize(BottomPanel->width(), std::max(0, centralWidget()->height() - 111 - 4));
    }
}

void TMainForm::FormShow() {
    g_nSaveAllMode = 0;
    GetQVDevice();
}

void TMainForm::GetQVDevice() {
    const std::vector<DeviceRow> rows = ScanDevices();
    const QSignalBlocker block(DeviceListView);
    DeviceListView->clear();
    selectedRow_ = -1;
    for (const DeviceRow& r : rows) {
        auto* item = new QTreeWidgetItem(DeviceListView);
        item->setText(0, Q(r.diskNumber));
        item->setText(1, Q(r.model));
        item->setText(2, Q(r.serial));
        item->setText(3, Q(r.revision));
        item->setText(4, Q(r.capacity));
        item->setText(5, Q(r.interface));
    }
}

void TMainForm::SelectRowQuietly(int row) {
    const QSignalBlocker block(DeviceListView);
    DeviceListView->clearSelection();
    if (row >= 0 && row < DeviceListView->topLevelItemCount()) {
        DeviceListView->topLevelItem(row)->setSelected(true);
        DeviceListView->setCurrentItem(DeviceListView->topLevelItem(row));
    }
    selectedRow_ = row;
}

void TMainForm::OnListSelectionChanged() {
    int row = -1;
    const auto selected = DeviceListView->selectedItems();
    if (!selected.isEmpty()) row = DeviceListView->indexOfTopLevelItem(selected.front());
    if (row == selectedRow_) return;
    if (busy_) {
        // A refresh or a save runs on the drive of g_bInstance: the new selection is refused.
        SelectRowQuietly(selectedRow_);
        return;
    }
    const int previous = selectedRow_;
    selectedRow_ = row;
    if (previous >= 0) DeviceListViewSelectItem(previous, false);
    if (row >= 0) DeviceListViewSelectItem(row, true);
}

void TMainForm::DeviceListViewSelectItem(int row, bool selected) {
    Button2->setEnabled(false);
    Button3->setEnabled(false);
    FreeThreads();
    CGauge1->SetProgress(0);
    SetGaugeColour(kGaugeYellow);
    g_bInstance = static_cast<std::uint8_t>(row);
    TraceOut("######### - g_bInstance is %d\n", g_bInstance);
    UpdateInfo(selected);
    Button2->setEnabled(true);
    Button3->setEnabled(true);
    if (closeRequested_ && !busy_) close();
}

void TMainForm::Button1Click() {
    FreeThreads();
    ClearControls();
    RescanDeviceTree();
    forms::Ui().ShowMessage("Device scan is finished");
    FormShow();
}

void TMainForm::FreeThreads() {
    for (auto& slot : m_pThread) slot.reset();
}

void TMainForm::ClearControls() {
    for (QLineEdit* edit : findChildren<QLineEdit*>()) edit->clear();
    for (QPlainTextEdit* memo : findChildren<QPlainTextEdit*>()) memo->clear();
    for (QTableWidget* grid : findChildren<QTableWidget*>()) {
        for (int r = 0; r < grid->rowCount(); ++r) {
            for (int c = 0; c < grid->columnCount(); ++c) {
                if (QTableWidgetItem* item = grid->item(r, c)) item->setText(QString());
            }
        }
    }
    fwInfoLines_.clear();
}

void TMainForm::SetGaugeColour(std::uint32_t colour) {
    gaugeColour_ = colour;
    CGauge1->setProperty("colour", colour);
    const QColor c(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                   static_cast<int>((colour >> 16) & 0xFF));
    CGauge1->setStyleSheet(QString("QProgressBar::chunk { background-color: %1; }").arg(c.name()));
}

void TMainForm::GaugeStep() {
    const int step = g_nSaveAllMode == 1 && g_nDeviceCount > 0 ? 10 / g_nDeviceCount : 10;
    CGauge1->SetProgress(CGauge1->Progress() + step);
}

void TMainForm::SetMemoLines(QPlainTextEdit* memo, const Lines& lines) {
    memo->clear();
    for (const std::string& line : lines) AddMemoLine(memo, line);
    memo->moveCursor(QTextCursor::Start);
}

void TMainForm::AddMemoLine(QPlainTextEdit* memo, const std::string& line) {
    QString text = Q(line);
    text.replace("\r\n", "\n");
    if (text.endsWith('\n')) text.chop(1);
    memo->appendPlainText(text);
}

void TMainForm::SetGridRows(QTableWidget* grid, const Grid& rows) {
    const int shown = std::min<int>(static_cast<int>(rows.size()), grid->rowCount());
    for (int r = 0; r < shown; ++r) {
        const GridRow& row = rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < grid->columnCount() && c < static_cast<int>(row.size()); ++c) {
            QTableWidgetItem* item = grid->item(r, c);
            if (item == nullptr) {
                item = new QTableWidgetItem;
                grid->setItem(r, c, item);
            }
            item->setText(Q(row[static_cast<std::size_t>(c)]));
        }
    }
}

}  // namespace vellumin
