// The controls of the main window, at the places the window has always had them.
#include <QFont>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextCursor>
#include <QTreeWidget>

#include "utility/main_form.h"

namespace vellumin {

namespace {

template <class T>
T* Named(T* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

QPlainTextEdit* Memo(QWidget* parent, const char* name, const QStringList& lines, bool readOnly, bool courier,
                     bool hScroll, const QRect& geometry) {
    auto* memo = Named(new QPlainTextEdit(parent), name);
    memo->setGeometry(geometry);
    memo->setReadOnly(readOnly);
    memo->setLineWrapMode(hScroll ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
    memo->setHorizontalScrollBarPolicy(hScroll ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    if (courier) {
        QFont font("Courier New");
        font.setPixelSize(11);
        memo->setFont(font);
    }
    for (const QString& line : lines) memo->appendPlainText(line);
    memo->moveCursor(QTextCursor::Start);
    return memo;
}

QGroupBox* Group(QWidget* parent, const char* name, const char* caption, const QRect& geometry) {
    auto* box = Named(new QGroupBox(caption, parent), name);
    box->setGeometry(geometry);
    return box;
}

QTableWidget* StringGrid(QWidget* parent, const char* name, const std::vector<int>& widths, int rows,
                         const QRect& geometry) {
    auto* grid = Named(new QTableWidget(rows, static_cast<int>(widths.size()), parent), name);
    grid->setGeometry(geometry);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (std::size_t c = 0; c < widths.size(); ++c) grid->setColumnWidth(static_cast<int>(c), widths[c]);
    for (int r = 0; r < rows; ++r) grid->setRowHeight(r, 24);
    return grid;
}

}  // namespace

void TMainForm::BuildControls() {
    QFont font("Arial");
    font.setPixelSize(11);
    setFont(font);

    MainMenu = Named(new QMenuBar(this), "MainMenu");
    MainMenu->addMenu("File");
    MainMenu->addMenu("Help");
    setMenuBar(MainMenu);
    SaveDialog = Named(new QObject(this), "SaveDialog");

    auto* client = new QWidget(this);
    setCentralWidget(client);

    TopPanel = Named(new QFrame(client), "TopPanel");
    TopPanel->setGeometry(0, 0, 912, 105);
    DeviceListView = Named(new QTreeWidget(TopPanel), "DeviceListView");
    DeviceListView->setGeometry(0, 0, 897, 97);
    DeviceListView->setRootIsDecorated(false);
    DeviceListView->setSelectionMode(QAbstractItemView::SingleSelection);
    DeviceListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    DeviceListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DeviceListView->setHeaderLabels({"PhyN", "Model Name", "Serial Number", "FW Revision", "Capacity(GB)", "Interface"});
    const int widths[] = {40, 220, 150, 100, 100, 100};
    for (int c = 0; c < 6; ++c) DeviceListView->setColumnWidth(c, widths[c]);

    BottomPanel = Named(new QFrame(client), "BottomPanel");
    BottomPanel->setGeometry(0, 111, 912, 432);

    CGauge1 = Named(new forms::TCGauge(BottomPanel), "CGauge1");
    CGauge1->setGeometry(7, 459, 282, 30);
    CGauge1->hide();
    SetGaugeColour(kGaugeYellow);

    PageControl1 = Named(new QTabWidget(BottomPanel), "PageControl1");
    PageControl1->setGeometry(0, 0, 897, 457);
    BuildPages();
    PageControl1->setCurrentIndex(0);

    Button2 = Named(new QPushButton("ScanDisk", BottomPanel), "Button2");
    Button2->setGeometry(710, 462, 81, 25);
    Button3 = Named(new QPushButton("Save", BottomPanel), "Button3");
    Button3->setGeometry(816, 463, 81, 25);
}

void TMainForm::BuildPages() {
    auto page = [this](const char* name, const char* caption) {
        auto* sheet = Named(new QWidget(PageControl1), name);
        PageControl1->addTab(sheet, caption);
        return sheet;
    };
    TabSheet1 = page("TabSheet1", "SSD Info");
    TabSheet2 = page("TabSheet2", "Erase Count");
    TabSheet3 = page("TabSheet3", "Bad Block Info");
    TabSheet4 = page("TabSheet4", "SMART Info");
    TabSheet5 = page("TabSheet5", "Device Info");
    TabSheet6 = page("TabSheet6", "UART Log");

    SSDSettingGroupBox = Group(TabSheet1, "SSDSettingGroupBox", "SSD Setting", {4, 2, 290, 205});
    SSDSettingMemo = Memo(SSDSettingGroupBox, "SSDSettingMemo",
                          {"Channel number:", "Total bank:", "Capacity:", "LDPC mode:", "IO drive current:",
                           "Defect block percentage:", "Reserved block percentage:", "Channel map:", "Bank map:",
                           "FW version:", "Support:", "Customer ID:"},
                          true, false, false, {6, 16, 278, 183});
    FlashInfoGroupBox = Group(TabSheet1, "FlashInfoGroupBox", "Flash Info", {4, 210, 290, 215});
    FlashInfoMemo = Memo(FlashInfoGroupBox, "FlashInfoMemo",
                         {"Flash model:", "Flash type:", "Blocks/CE:", "Blocks/Flash:", "Pages/Block:", "Page size:",
                          "Extend blocks:", "Plane:", "CE:", "Die/CE:"},
                         true, false, false, {6, 16, 278, 193});
    FwInfoGroupBox = Group(TabSheet1, "FwInfoGroupBox", "FW Info", {300, 2, 585, 423});
    FwInfoMemo = Memo(FwInfoGroupBox, "FwInfoMemo", {}, true, false, false, {6, 16, 573, 401});
    FwInfoMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    EraseCountGroupBox = Group(TabSheet2, "EraseCountGroupBox", "Erase Count List(BlockU)", {4, 2, 881, 423});
    EraseCountMemo = Memo(EraseCountGroupBox, "EraseCountMemo", {}, true, true, true, {6, 16, 869, 401});

    BadBlockSummaryGroupBox = Group(TabSheet3, "BadBlockSummaryGroupBox", "Bad Block Summary", {4, 2, 881, 170});
    BadBlockSummaryMemo = Memo(BadBlockSummaryGroupBox, "BadBlockSummaryMemo", {}, true, true, true, {6, 16, 869, 148});
    DetailedBadBlockInfoGroupBox =
        Group(TabSheet3, "DetailedBadBlockInfoGroupBox", "Detailed Bad Block Info", {4, 175, 881, 250});
    DetailedBadBlockInfoMemo =
        Memo(DetailedBadBlockInfoGroupBox, "DetailedBadBlockInfoMemo", {}, true, true, true, {6, 16, 869, 228});

    StandardSmartGroupBox =
        Group(TabSheet4, "StandardSmartGroupBox", "SMART / Health Information", {4, 2, 490, 423});
    SmartInfoMemo = Memo(StandardSmartGroupBox, "SmartInfoMemo", {}, false, true, false, {6, 16, 478, 401});
    SmartInfoMemo->hide();
    StandardSmartInfoStringGrid =
        StringGrid(StandardSmartGroupBox, "StandardSmartInfoStringGrid", {64, 241, 160}, 25, {6, 16, 478, 401});
    VendorSmartGroupBox = Group(TabSheet4, "VendorSmartGroupBox", "Vendor SMART Info", {498, 2, 387, 423});
    SmartStringGrid = StringGrid(VendorSmartGroupBox, "SmartStringGrid", {64, 147, 41, 38, 337}, 18, {6, 16, 375, 401});
    SmartStringGrid->setRowHeight(4, 40);

    DeviceInfoGroupBox = Group(TabSheet5, "DeviceInfoGroupBox", "DeviceInfoGroupBox", {4, 2, 881, 423});
    DeviceInfoMemo = Memo(DeviceInfoGroupBox, "DeviceInfoMemo", {"Memo1"}, false, false, false, {6, 16, 869, 401});

    UartLogGroupBox = Group(TabSheet6, "UartLogGroupBox", "UART Log", {4, 2, 881, 423});
    UartLogMemo = Memo(UartLogGroupBox, "UartLogMemo", {"UartLogMemo"}, true, false, true, {6, 16, 869, 401});
    UartLogMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

}  // namespace vellumin
