// The result window end to end on emulated drives after their sorting run, with the real parse:
// the opening reads every die, draws the listed dies as the drive's firmware decided them, fills
// the lists and the settings echo, and Info shows the report this opening wrote.
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeWidget>
#include <cstring>
#include <filesystem>

#include "forms/colours.h"
#include "forms/controls.h"
#include "forms/scripted_ui_port.h"
#include "sorting/sort_bay.h"
#include "sorting/sort_main_form.h"

namespace {

class SortWindowE2e : public sorting_test::SortBay {
  protected:
    SortWindowE2e() {
        options_.blocksPerLun = 256;
        options_.keys = {"BadBlocks=0:0:0:100\nEraseFail=2:1:0:202\n",
                         "BadBlocks=1:1:0:60,1:1:0:61,1:1:0:62,1:1:0:63\n"};
    }
    QString Label(TSortMainForm& form, const char* kind, int ch, int bank) {
        auto* label = form.findChild<QLabel*>(QString("SR_Die_%1_C%2B%3").arg(kind).arg(ch).arg(bank));
        return label != nullptr ? label->text() : QString("<none>");
    }

    forms::ScriptedUiPort ui_;
    forms::ScopedUiPort useUi_{ui_};
};

TEST_F(SortWindowE2e, OpensOnEachDriveWithTheDiesItsFirmwareDecided) {
    SortPort(0);
    SortPort(1);
    AP_RDTSet.SaveResultLog = 1;
    AP_RDTSet.DisDBG_SORT = 0;
    AP_RDTSet.EnECCInfo = 1;
    TSortMainForm form;
    for (int port = 0; port < 2; ++port) {
        SCOPED_TRACE(port);
        const emu::SortRun run = LastRun(port);
        form.m_ucPort = static_cast<std::uint8_t>(port);
        form.m_ucDeviceNum = static_cast<std::uint8_t>(port + 1);
        std::strcpy(form.m_sSerialNum, sort_run_test::kSerial);
        ui_.Clear();
        form.show();
        EXPECT_TRUE(ui_.Shown().empty());
        EXPECT_EQ(form.windowTitle(), QString("Sort Result. Port %1").arg(port));
        ASSERT_EQ(run.dies.size(), 8u);
        bool anyFail = false;
        for (const emu::SortDieResult& d : run.dies) {
            QWidget* panel = form.findChild<QWidget*>(QString("SR_Die_Panel_C%1B%2").arg(d.channel).arg(d.ce));
            ASSERT_NE(panel, nullptr);
            EXPECT_FALSE(panel->isHidden());
            EXPECT_EQ(Label(form, "TB_Label", d.channel, d.ce), QString("TB:%1").arg(d.bad));
            EXPECT_EQ(Label(form, "EF_Label", d.channel, d.ce), QString("EF:%1").arg(d.eraseFail));
            EXPECT_EQ(Label(form, "FB_Label", d.channel, d.ce), QString("FB:%1").arg(d.factoryBad));
            const tables::DieTestInfo& record = form.Results().m_DieTestInfo[d.channel][d.ce][d.lun];
            EXPECT_EQ(
                forms::ColourOf(form.findChild<QWidget*>(QString("SR_Die_Shape_C%1B%2").arg(d.channel).arg(d.ce))),
                record.TestResult == 0 ? sorting::kResultGreen : sorting::kResultRed);
            anyFail = anyFail || record.TestResult != 0;
        }
        EXPECT_FALSE(form.findChild<QWidget*>("SR_Die_Panel_C4B0")->isVisibleTo(&form));
        EXPECT_EQ(form.TotalResult_Panel->text(), anyFail ? "Fail" : "Pass");
        EXPECT_EQ(anyFail, port == 1);
        EXPECT_EQ(form.Tprogram_ListView->topLevelItemCount(), 8);
        EXPECT_EQ(form.RDTSetting_ListView->topLevelItemCount(), 41);
        EXPECT_GT(form.AllBad_ListView->topLevelItemCount(), 0);
        EXPECT_EQ(form.RDTBad_SN_LE->text().toStdString(), std::string(" ") + sort_run_test::kSerial);

        // Info opens this opening's report of the die.
        const std::string folder = form.Results().ansiSortingMemoLogPath;
        ASSERT_FALSE(folder.empty());
        qobject_cast<QPushButton*>(form.findChild<QWidget*>("SR_Die_info_btn_C1B1"))->click();
        const QString memo = form.DetailMemo->toPlainText();
        EXPECT_TRUE(memo.startsWith("=== CH:01 / BK:01 / Lun:00 ===\nCH: 1, BK: 1, Lun: 0")) << memo.toStdString();
        EXPECT_TRUE(std::filesystem::exists(folder + (port == 1 ? "Fail_" : "Pass_") + "RDTBad_CH1_BK1(L0).ms0"));
        EXPECT_TRUE(ui_.Shown().empty());

        form.close();
        EXPECT_FALSE(form.isVisible());
        EXPECT_TRUE(form.findChildren<QWidget*>(QRegularExpression("^SR_Die_")).isEmpty());
    }
}

}  // namespace
