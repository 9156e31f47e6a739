// The main window's sorting results after a fetch run: a result panel's click lists the device's
// dies and error entries, and a "Detail " button hands the device to the sorting-result window.
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <cstring>

#include "support/station_window.h"

namespace window_test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

Rows RowsOf(const QTreeWidget* list) {
    Rows rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        std::vector<std::string> cells;
        const QTreeWidgetItem* item = list->topLevelItem(i);
        for (int c = 0; c < list->columnCount(); ++c) cells.push_back(item->text(c).toStdString());
        rows.push_back(cells);
    }
    return rows;
}

void Mouse(QWidget* w, QEvent::Type type) {
    const QPointF at(5, 5);
    QMouseEvent event(type, at, w->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &event);
}

void Click(QWidget* w) {
    Mouse(w, QEvent::MouseButtonPress);
    Mouse(w, QEvent::MouseButtonRelease);
}

// A stand-in result window recording what it was handed.
class RecordingResultWindow : public app::SortResultWindow {
  public:
    void ShowModal() override { shown.push_back({m_ucPort, m_ucDeviceNum, m_sSerialNum}); }
    std::vector<std::tuple<int, int, std::string>> shown;
};

class ResultPanels : public StationWindowTest {
  protected:
    ResultPanels() : w_(OpenWindow()) {
        // Two channels by two banks of single-LUN flash; channel 1, bank 1 absent.
        AP_INIState.MaxPhyChannel = 2;
        AP_INIState.MaxPhyBank = 2;
        AP_FlashSet.ucDiePerCE = 1;
        std::memset(AP_INIState.bOriDieMap, 0xFF, sizeof AP_INIState.bOriDieMap);
        std::memset(AP_INIState.bOriDieMapMultiLun, 0xFF, sizeof AP_INIState.bOriDieMapMultiLun);
        AP_INIState.bOriDieMap[0][0] = AP_INIState.bOriDieMap[0][1] = AP_INIState.bOriDieMap[1][0] = 0;
        AP_RDTSet.DisDBG_SORT = 0;
    }
    // Device d's die: every count distinct.
    void Die(int d, int c, int bank, int lun, int base, std::uint8_t result = 0) {
        tables::DieTestInfo& r = w_.m_DieTestInfo[d][c][bank][lun];
        r.Channel = static_cast<std::uint8_t>(c);
        r.Plane0Num = static_cast<std::uint16_t>(base + 1);
        r.Plane1Num = static_cast<std::uint16_t>(base + 2);
        r.Plane2Num = static_cast<std::uint16_t>(base + 3);
        r.Plane3Num = static_cast<std::uint16_t>(base + 4);
        r.TotalBadNum = static_cast<std::uint16_t>(base + 5);
        r.FactoryBadNum = static_cast<std::uint16_t>(base + 6);
        r.EraseFailNum = static_cast<std::uint16_t>(base + 7);
        r.ProgramFailNum = static_cast<std::uint16_t>(base + 8);
        r.ECCFailNum = static_cast<std::uint16_t>(base + 9);
        r.TestResult = result;
    }
    int Count(const std::string& line) const {
        const auto lines = trace_.Lines();
        return static_cast<int>(std::count(lines.begin(), lines.end(), line));
    }
    TMainForm& w_;
};

TEST_F(ResultPanels, AClickListsTheDiesOfTheMapAndASecondReplacesThem) {
    Die(4, 0, 0, 0, 0);
    Die(4, 0, 1, 0, 10, 0xFF);  // a die the fetch could not read
    Die(4, 1, 0, 0, 20, 3);
    Die(4, 1, 1, 0, 30);  // absent from the die map
    Die(3, 0, 0, 0, 90);
    QWidget* panel = w_.findChild<QWidget*>("ResultPanel5");
    ASSERT_EQ(panel, w_.ResultPanel[4]);
    ASSERT_EQ(static_cast<QLabel*>(panel)->text().toStdString(), "Device5");
    const Rows expected = {{"1", "0", "0", "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "0"},
                           {"2", "0", "1", "0", "11", "12", "13", "14", "15", "16", "17", "18", "19", "255"},
                           {"3", "1", "0", "0", "21", "22", "23", "24", "25", "26", "27", "28", "29", "3"}};

    Click(panel);
    EXPECT_TRUE(RowsOf(w_.Main_BB_ListView).empty()) << "a disabled panel takes no click";
    EXPECT_EQ(Count("ResultPanel1Click(4)\n"), 0);

    panel->setEnabled(true);
    Click(panel);
    EXPECT_EQ(RowsOf(w_.Main_BB_ListView), expected);
    EXPECT_EQ(Count("ResultPanel1Click(4)\n"), 1);
    EXPECT_EQ(Count("[SORT]######## - Skip Ch 1, Bank 1, lun 0\n"), 1);

    // A double click: its first click lists, the double click itself and its release do nothing more.
    Mouse(panel, QEvent::MouseButtonPress);
    Mouse(panel, QEvent::MouseButtonRelease);
    Mouse(panel, QEvent::MouseButtonDblClick);
    Mouse(panel, QEvent::MouseButtonRelease);
    EXPECT_EQ(RowsOf(w_.Main_BB_ListView), expected) << "replaced, not appended";
    EXPECT_EQ(Count("ResultPanel1Click(4)\n"), 2);

    // The skip trace only while DisDBG_SORT is 0; the click trace always.
    AP_RDTSet.DisDBG_SORT = 1;
    trace_.Clear();
    w_.ResultPanel1Click(w_.ResultPanel[3]);
    EXPECT_EQ(RowsOf(w_.Main_BB_ListView).front()[4], "91");
    EXPECT_EQ(trace_.Lines(), std::vector<std::string>{"ResultPanel1Click(3)\n"});
}

TEST_F(ResultPanels, MultiLunDiesPastTheTableAreNotListed) {
    // One channel, two banks, four LUNs: FW banks 0..7, LUNs 2 and 3 lie past the table's two.
    AP_INIState.MaxPhyChannel = 1;
    AP_FlashSet.ucDiePerCE = 4;
    for (int k = 0; k < 8; ++k) AP_INIState.bOriDieMapMultiLun[0][k] = k == 1 ? 0xFF : 0;
    Die(0, 0, 1, 1, 40);
    w_.ResultPanel1Click(w_.ResultPanel[0]);
    const Rows rows = RowsOf(w_.Main_BB_ListView);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ((std::vector<std::string>(rows[2].begin(), rows[2].begin() + 5)),
              (std::vector<std::string>{"3", "0", "1", "1", "41"}));
    for (int k = 4; k < 8; ++k) {
        EXPECT_EQ(Count("[SORT]######## - Ch 0, Bank " + std::to_string(k % 2) + ", lun " + std::to_string(k / 2) +
                        " is not held by the result table: not listed\n"),
                  1);
    }
    EXPECT_EQ(Count("[SORT]######## - Skip Ch 0, Bank 1, lun 0\n"), 0) << "no skip trace for multi-LUN flash";

    // More channels and FW banks than the die map holds: nothing read past it.
    AP_INIState.MaxPhyChannel = 12;
    AP_INIState.MaxPhyBank = 9;
    trace_.Clear();
    w_.ResultPanel1Click(w_.ResultPanel[0]);
    EXPECT_EQ(Count("[SORT]######## - 12 channels by 36 FW banks: the dies past the die map (8 by 8) are not listed\n"),
              1);
    EXPECT_EQ(RowsOf(w_.Main_BB_ListView).size(), 3u) << "channel 0, banks 0, 2 and 3; banks 4 and up are not held";

    // A device whose fetch worker exists (a fetch run going on) is not read.
    w_.m_hThread[0] = std::make_unique<forms::WorkerThread>([](forms::WorkerThread&) { return 729u; });
    w_.ResultPanel1Click(w_.ResultPanel[0]);
    EXPECT_TRUE(RowsOf(w_.Main_BB_ListView).empty());
    EXPECT_EQ(Count("######### - Device 0: its results are being fetched, nothing listed\n"), 1);
    w_.m_hThread[0].reset();
}

TEST_F(ResultPanels, ErrorEntriesInUseInTheirOrder) {
    app::SortErrorEntry& e = w_.m_SortError[2][3];
    e.inUse = 255;
    e.channel = 1;
    e.bankTag = 5;  // FW bank 5 of two banks a channel: bank 1, LUN 2; "BK" shows the bank
    e.bank = 1;
    e.lun = 2;
    e.blockUnit = 0x2AB;
    e.block[0] = 0x0123;
    e.block[1] = 0xFFFF;
    e.block[2] = 0x10;
    e.block[3] = 0xFFFF;
    e.page = 77;
    e.maxErrBit = 0xEE;
    e.errorType = 1;
    e.action = 2;
    std::snprintf(e.timeText, sizeof e.timeText, " 00:00:10");
    e.failLoop = 4;
    e.readLoop = 5;
    e.tsad = 300;
    w_.m_SortError[2][7].inUse = 1;  // not in use
    w_.m_SortError[2][150].inUse = 255;
    std::memset(w_.m_SortError[2][150].timeText, 'T', sizeof w_.m_SortError[2][150].timeText);  // no zero
    w_.Main_RDTBad_ListView->addTopLevelItem(new QTreeWidgetItem(QStringList{"old"}));

    w_.ResultPanel1Click(w_.ResultPanel[2]);
    const Rows rows = RowsOf(w_.Main_RDTBad_ListView);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"1", "1", "1", "2", "0x2AB", "0x123", "", "0x10", "", "77", "238", "1",
                                                 "2", " 00:00:10", "4", "5", "300"}));
    EXPECT_EQ(rows[1][0], "2");
    EXPECT_EQ(rows[1][5], "0x0");
    EXPECT_EQ(rows[1][13], std::string(100, 'T'));
}

TEST_F(ResultPanels, DetailButtonHandsTheDeviceToTheResultWindow) {
    g_DeviceToPortMap[3] = 7;
    g_PortDevInfo[7].iConnected = 1;
    g_DeviceToPortMap[2] = 9;  // mapped, not connected
    std::snprintf(w_.m_DieTestInfo[3][0][0][0].SerialNum, 48, "QV-SN-0003");
    std::memset(w_.m_DieTestInfo[3][0][0][1].SerialNum, 'x', 48);  // another die's serial is not used

    // Nothing registered: both traces, then the seam's.
    trace_.Clear();
    w_.EasyResult_btn_00Click(w_.EasyResult_btn[3]);
    EXPECT_EQ(trace_.Lines(), (std::vector<std::string>{"Easy Result Click DeviceNum(3)\n", "PortChipConnect(Port7)\n",
                                                        "######### - TSortMainForm is not available\n"}));

    RecordingResultWindow window;
    app::ScopedSortResultWindow registered(window);
    for (int d : {1, 2}) {
        trace_.Clear();
        w_.EasyResult_btn_00Click(w_.EasyResult_btn[d]);
        EXPECT_EQ(trace_.Lines(), std::vector<std::string>{"Easy Result Click DeviceNum(" + std::to_string(d) + ")\n"});
    }
    EXPECT_TRUE(window.shown.empty());

    w_.EasyResult_GB[3]->setEnabled(true);
    w_.EasyResult_btn[3]->click();
    // A device whose first die has no record hands an empty serial.
    g_DeviceToPortMap[0] = 2;
    g_PortDevInfo[2].iConnected = 1;
    w_.EasyResult_btn_00Click(w_.EasyResult_btn[0]);
    EXPECT_EQ(window.shown, (std::vector<std::tuple<int, int, std::string>>{{7, 3, "QV-SN-0003"}, {2, 0, ""}}));

    // A record whose serial fills all 48 bytes without a zero is cut, not overrun.
    std::memset(w_.m_DieTestInfo[0][0][0][0].SerialNum, 'S', 48);
    w_.EasyResult_btn_00Click(w_.EasyResult_btn[0]);
    EXPECT_EQ(std::get<2>(window.shown.back()), std::string(47, 'S'));
}

}  // namespace
}  // namespace window_test
