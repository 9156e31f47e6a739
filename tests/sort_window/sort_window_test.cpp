// The sorting-result window offscreen: its controls, the opening and its die grid, the die drawing,
// the LUN redraw, the lights, the detail view, Save Log and the closing.
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QTabWidget>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "app/dialog_slots.h"
#include "sort_window_fixture.h"

namespace sort_window_test {
namespace {

namespace fs = std::filesystem;

QStringList Headers(const QTreeWidget* list) {
    QStringList headers;
    for (int c = 0; c < list->columnCount(); ++c) headers << list->headerItem()->text(c);
    return headers;
}

TEST_F(SortWindowTest, ControlsPagesAndColumns) {
    EXPECT_EQ(form_->size(), QSize(1008, 689));
    EXPECT_EQ(form_->font().family(), "Tahoma");
    EXPECT_EQ(form_->font().pixelSize(), 11) << "Tahoma 8 pt at the 96 dots per inch of the layout";
    QTabWidget* pages = Find<QTabWidget>("SortPageControl");
    ASSERT_NE(pages, nullptr);
    ASSERT_EQ(pages->count(), 5);
    const char* captions[] = {"RDT Bad", "Bad Block Info", "Detail Result", "ECC Info", "Common Info"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(pages->tabText(i), captions[i]);
        EXPECT_EQ(pages->widget(i)->objectName(), QString("TabSheet%1").arg(i + 1));
    }
    EXPECT_EQ(pages->currentIndex(), 0);
    EXPECT_EQ(Headers(Find<QTreeWidget>("RDTBad_ListView")),
              QStringList({"No.", "CH", "BK", "Lun", "BLK Unit", "P0", "P1", "P2", "P3", "Page", "MaxECC", "ErrorType",
                           "Action", "Time", "Loop", "R-Loop", "Thermal"}));
    const QStringList badColumns = {"NO.", "CH", "BK", "Lun", "BLK Unit", "P0", "P1", "P2", "P3"};
    EXPECT_EQ(Headers(Find<QTreeWidget>("FactoryBad_ListView")), badColumns);
    EXPECT_EQ(Headers(Find<QTreeWidget>("AllBad_ListView")), badColumns);
    QTreeWidget* settings = Find<QTreeWidget>("RDTSetting_ListView");
    EXPECT_EQ(Headers(settings), QStringList({"RDT Setting Item", "Setting Value"}));
    EXPECT_EQ(settings->columnWidth(0), 170);
    EXPECT_EQ(settings->columnWidth(1), 180);
    EXPECT_EQ(Headers(Find<QTreeWidget>("Tprogram_ListView")),
              QStringList({"No.", "CH", "BK", "Lun", "Erase SLC", "Erase", "tProg SLC", "tProg", "Read SLC", "Read",
                           "Pass/Fail"}));
    const std::pair<const char*, const char*> captionsOf[] = {{"RDTBad_Result_LE", "RDT Error Code: "},
                                                              {"RDTBad_SN_LE", "SN: "},
                                                              {"RDTBad_Runtime_LE", "RunTime(H:M:S): "},
                                                              {"RDTBad_Temp_LE", "Max Temperature: "},
                                                              {"Total_Fail_View", "# Total Fail Count: "},
                                                              {"ECC_Fail_Thd_View", "ECC Fail (Threshold): "},
                                                              {"ECC_Fail_View", "ECC Fail: "},
                                                              {"Pg_Fail_View", "Program Fail : "},
                                                              {"Erase_Fail_View", "Erase Fail : "},
                                                              {"Empty_Page_Fail_View", "Empty Page Fail : "},
                                                              {"SSD_Bad_LabE", "All Bad "},
                                                              {"SSD_Factory_LabE", "All Factory Bad "},
                                                              {"YellowUnder_LabE", "Under "},
                                                              {"GreenUnder_LabE", "Under "}};
    for (const auto& [name, caption] : captionsOf) {
        auto* edit = Find<forms::LabeledEdit>(name);
        ASSERT_NE(edit, nullptr) << name;
        EXPECT_EQ(edit->Caption(), caption) << name;
    }
    EXPECT_EQ(Find<QRadioButton>("Lun0_RB")->text(), "Lun 0");
    EXPECT_EQ(Find<QRadioButton>("Lun3_RB")->text(), "Lun3");
    EXPECT_EQ(Find<QPushButton>("SaveLog_Btn")->text(), "Save Log");
    EXPECT_EQ(Find<QPushButton>("RefineLight_Btn")->text(), "Refresh");
    EXPECT_EQ(Find<QPushButton>("ExitDetailMemo_Btn")->text(), "Exit Info");
    EXPECT_EQ(Find<QCheckBox>("Enable_RefineLightCB")->text(), "Enable ");
    EXPECT_EQ(Find<QGroupBox>("GroupBox2")->geometry(), QRect(3, 42, 995, 471));
    EXPECT_EQ(Find<QPlainTextEdit>("DetailMemo")->geometry(), QRect(311, 47, 674, 459));
    EXPECT_EQ(TotalCaption(), "N.A.");
    EXPECT_EQ(TotalColour(), 0xC0C0C0u);
    // The hidden template panel and its fifteen controls.
    QWidget* templ = Find("Result_Panel");
    ASSERT_NE(templ, nullptr);
    EXPECT_TRUE(templ->isHidden());
    EXPECT_EQ(templ->parentWidget(), Find("GroupBox2"));
    for (const char* name :
         {"Result_Shape", "Result_CH", "Result_CE", "Result_Lun", "Result_TB", "Result_EF", "Result_PF", "Result_ECCF",
          "Result_FB", "Result_P0", "Result_P1", "Result_P2", "Result_P3", "Result_Info"}) {
        ASSERT_NE(Find(name), nullptr) << name;
        EXPECT_EQ(Find(name)->parentWidget(), templ) << name;
    }
    EXPECT_EQ(Find("Result_Info")->font().pointSize(), 10);
}

TEST_F(SortWindowTest, OpeningBuildsTheGridAndDrawsTheListedDies) {
    List(0, 0);
    List(1, 1);
    List(0, 1);
    GivenDie passing{0, 0, 0, Record(0, 17), 3};
    passing.record.ProgramFailNum = 4;
    passing.record.ECCFailNum = 5;
    passing.record.Plane2Num = 6;
    // (0, 1) has no result block: the parse does not draw it, the redraw shows "NR".
    dies_ = {passing, {1, 1, 0, Record(0x02, 9), 7}, {0, 1, 0, Record(0xFF), 0, false}};
    form_->m_ucPort = 5;
    form_->m_ucDeviceNum = 4;
    Open();
    EXPECT_EQ(form_->windowTitle(), "Sort Result. Port 5");
    EXPECT_TRUE(trace_.Contains("[SORT]######## - Sort Result FormShow - 5(DeviceNum 4)\n"));
    QWidget* groupBox2 = Find("GroupBox2");
    for (unsigned ch = 0; ch < 8; ++ch) {
        for (unsigned bank = 0; bank < 4; ++bank) {
            QWidget* panel = DieControl("Panel", ch, bank);
            ASSERT_NE(panel, nullptr);
            EXPECT_EQ(panel->parentWidget(), groupBox2);
            EXPECT_EQ(panel->geometry(),
                      QRect(3 + 124 * static_cast<int>(ch), 3 + 116 * static_cast<int>(bank), 120, 115));
            for (const char* kind :
                 {"Shape", "CH_Label", "CE_Label", "Lun_Label", "TB_Label", "EF_Label", "PF_Label", "ECCF_Label",
                  "FB_Label", "P0_Label", "P1_Label", "P2_Label", "P3_Label", "info_btn"}) {
                QWidget* w = DieControl(kind, ch, bank);
                ASSERT_NE(w, nullptr) << kind;
                EXPECT_EQ(w->parentWidget(), panel) << kind;
            }
            EXPECT_EQ(DieText("CH_Label", ch, bank), QString("CH:%1").arg(ch));
            EXPECT_EQ(DieText("CE_Label", ch, bank), QString("CE:%1").arg(bank));
        }
    }
    QWidget* last = DieControl("Panel", 7, 3);
    EXPECT_EQ(last->geometry().right() + 1, 991);
    EXPECT_EQ(last->geometry().bottom() + 1, 466);
    EXPECT_EQ(DieControl("P3_Label", 7, 3)->geometry(), QRect(70, 70, 48, 16));
    // Listed dies shown, the others hidden.
    EXPECT_TRUE(PanelShown(0, 0));
    EXPECT_TRUE(PanelShown(1, 1));
    EXPECT_TRUE(PanelShown(0, 1));
    EXPECT_FALSE(PanelShown(1, 0));
    EXPECT_FALSE(PanelShown(2, 0));
    EXPECT_EQ(DieText("TB_Label", 0, 0), "TB:17");
    EXPECT_EQ(DieText("PF_Label", 0, 0), "PF:4");
    EXPECT_EQ(DieText("ECCF_Label", 0, 0), "EF:5");
    EXPECT_EQ(DieText("P2_Label", 0, 0), "P2:6");
    EXPECT_EQ(DieText("ECCF_Label", 2, 0), "EF:0");  // first text of an undrawn die
    EXPECT_EQ(ShapeColour(0, 0), sorting::kResultGreen);
    EXPECT_EQ(ShapeColour(1, 1), sorting::kResultRed);
    EXPECT_FALSE(DieControl("info_btn", 1, 1)->isHidden());
    // No result block: "NR", red, no Info button.
    EXPECT_EQ(DieText("Lun_Label", 0, 1), "NR");
    EXPECT_EQ(ShapeColour(0, 1), sorting::kResultRed);
    EXPECT_TRUE(DieControl("info_btn", 0, 1)->isHidden());
    EXPECT_EQ(TotalCaption(), "Fail");
    EXPECT_EQ(TotalColour(), sorting::kResultRed);
    // The parse's dies each add a Tprogram row; the redraws add none.
    QTreeWidget* tprogram = form_->Tprogram_ListView;
    ASSERT_EQ(tprogram->topLevelItemCount(), 2);
    EXPECT_EQ(Row(tprogram, 0), (std::vector<std::string>{"3", "0", "0", "0", "0", "0", "0", "0", "0", "0", "Fail"}));
    EXPECT_EQ(Row(tprogram, 1)[0], "7");
    EXPECT_EQ(form_->RDTSetting_ListView->topLevelItemCount(), 41);
    EXPECT_TRUE(trace_.Contains("[SORT]######## - Skip Ch 1, Bank 0, lun 0\n"));

    // Closing frees every run-time control; the next opening builds them again.
    ASSERT_TRUE(Close());
    EXPECT_TRUE(form_->findChildren<QWidget*>(QRegularExpression("^SR_Die_")).isEmpty());
    Open();
    EXPECT_EQ(form_->findChildren<QWidget*>(QRegularExpression("^SR_Die_")).size(), 32 * 15);
    EXPECT_EQ(form_->RDTSetting_ListView->topLevelItemCount(), 41);
    EXPECT_EQ(tprogram->topLevelItemCount(), 2);
}

TEST_F(SortWindowTest, TotalResultEdgeCases) {
    struct Case {
        const char* name;
        std::uint8_t diePerCE;
        std::vector<GivenDie> dies;
        bool listAll;
        std::string caption;
        unsigned radiosShown;
    };
    const std::vector<Case> cases = {
        {"three LUNs per CE: no radio, LUN 0 drawn", 3, {{0, 0, 0, Record(0), 0}}, true, "Pass", 0},
        {"every die absent keeps N.A.", 1, {}, false, "N.A.", 1},
        {"a passing die after a failing one", 1, {{0, 0, 0, Record(1), 0}, {1, 0, 0, Record(0), 1}}, true, "Fail", 1},
        {"two LUNs show two radios", 2, {{0, 0, 0, Record(0), 0}}, true, "Pass", 2},
        {"four LUNs show four radios", 4, {{0, 0, 0, Record(0), 0}}, true, "Pass", 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AP_FlashSet.ucDiePerCE = c.diePerCE;
        std::memset(AP_INIState.bOriDieMap, c.listAll ? 0 : 0xFF, sizeof AP_INIState.bOriDieMap);
        std::memset(AP_INIState.bOriDieMapMultiLun, c.listAll ? 0 : 0xFF, sizeof AP_INIState.bOriDieMapMultiLun);
        dies_ = c.dies;
        Open();
        EXPECT_EQ(TotalCaption(), c.caption);
        unsigned shown = 0;
        for (const char* radio : {"Lun0_RB", "Lun1_RB", "Lun2_RB", "Lun3_RB"}) shown += Find(radio)->isHidden() ? 0 : 1;
        EXPECT_EQ(shown, c.radiosShown);
        EXPECT_TRUE(form_->Lun0_RB->isChecked());
        EXPECT_EQ(PanelShown(0, 0), c.listAll);
        ASSERT_TRUE(Close());
    }
    // The next opening starts again from "N.A." (the earlier drive's red does not carry over).
    std::memset(AP_INIState.bOriDieMap, 0xFF, sizeof AP_INIState.bOriDieMap);
    std::memset(AP_INIState.bOriDieMapMultiLun, 0xFF, sizeof AP_INIState.bOriDieMapMultiLun);
    dies_.clear();
    Open();
    EXPECT_EQ(TotalCaption(), "N.A.");
    EXPECT_EQ(TotalColour(), 0xC0C0C0u);
}

TEST_F(SortWindowTest, OpeningDoesNotDrawThePreviousDrivesDies) {
    List(0, 0);
    dies_ = {{0, 0, 1, Record(0), 0}};
    AP_FlashSet.ucDiePerCE = 2;
    AP_INIState.bOriDieMapMultiLun[0][0] = 0;
    AP_INIState.bOriDieMapMultiLun[0][2] = 0;  // LUN 1 of channel 0, bank 0 (two banks)
    Open();
    form_->Lun1_RB->setChecked(true);
    ASSERT_TRUE(Close());
    // The previous drive left a failing record behind where the opening checks LUN 0 again; this
    // drive's dies pass.
    form_->Results().m_DieTestInfo[0][0][0] = Record(0x01);
    Open();
    EXPECT_EQ(TotalCaption(), "Pass");
    EXPECT_EQ(TotalColour(), sorting::kResultGreen);
}

TEST_F(SortWindowTest, MultiLunRedrawHidesACeWithoutTheSelectedLun) {
    AP_FlashSet.ucDiePerCE = 2;
    AP_INIState.bOriDieMapMultiLun[0][0] = 0;      // ch 0, bank 0, LUN 0
    AP_INIState.bOriDieMapMultiLun[0][1 * 2] = 0;  // ch 0, bank 0, LUN 1
    AP_INIState.bOriDieMapMultiLun[1][0] = 0;      // ch 1, bank 0, LUN 0 only
    dies_ = {{0, 0, 0, Record(0, 1), 0}, {0, 0, 1, Record(0, 2), 1}, {1, 0, 0, Record(0, 3), 2}};
    Open();
    EXPECT_TRUE(PanelShown(0, 0));
    EXPECT_TRUE(PanelShown(1, 0));
    form_->Lun1_RB->setChecked(true);  // the program's check redraws like a click
    EXPECT_EQ(g_ucCurrentLun, 1);
    EXPECT_TRUE(PanelShown(0, 0));
    EXPECT_EQ(DieText("TB_Label", 0, 0), "TB:2");
    EXPECT_FALSE(PanelShown(1, 0));
    form_->CheckLunRadio(0);
    EXPECT_TRUE(PanelShown(1, 0));
    EXPECT_EQ(DieText("TB_Label", 1, 0), "TB:3");
}

TEST_F(SortWindowTest, LightsAndRefresh) {
    for (unsigned ch = 0; ch < 2; ++ch) {
        for (unsigned bank = 0; bank < 2; ++bank) List(ch, bank);
    }
    dies_ = {{0, 0, 0, Record(0, 100), 0},
             {0, 1, 0, Record(0, 99), 1},
             {1, 0, 0, Record(0, 50), 2},
             {1, 1, 0, Record(0, 49), 3}};
    AP_RDTSet.EnchangeLight = 1;
    AP_RDTSet.YellowUnderValue = 100;
    AP_RDTSet.GreenUnderValue = 50;
    Open();  // opens with the lights
    EXPECT_EQ(form_->YellowUnder_LabE->text(), "100");
    EXPECT_EQ(form_->GreenUnder_LabE->text(), "50");
    EXPECT_TRUE(form_->Enable_RefineLightCB->isChecked());
    EXPECT_EQ(ShapeColour(0, 0), sorting::kResultRed);
    EXPECT_EQ(ShapeColour(0, 1), sorting::kShapeYellow);
    EXPECT_EQ(ShapeColour(1, 0), sorting::kShapeYellow);
    EXPECT_EQ(ShapeColour(1, 1), sorting::kResultGreen);
    EXPECT_EQ(TotalCaption(), "Pass");  // the lights change the shapes only

    // A LUN change shows pass/fail colours until Refresh.
    form_->Lun0_RBClick(form_->Lun0_RB);
    EXPECT_EQ(ShapeColour(0, 0), sorting::kResultGreen);
    form_->RefineLight_Btn->click();
    EXPECT_EQ(ShapeColour(0, 0), sorting::kResultRed);

    // Both thresholds 0: all red; green at or above yellow: no yellow.
    struct Case {
        const char* yellow;
        const char* green;
        std::uint32_t colours[4];
    };
    const Case cases[] = {
        {"0", "0", {sorting::kResultRed, sorting::kResultRed, sorting::kResultRed, sorting::kResultRed}},
        {"60", "60", {sorting::kResultRed, sorting::kResultRed, sorting::kResultGreen, sorting::kResultGreen}},
        {"100", "50", {sorting::kResultRed, sorting::kShapeYellow, sorting::kShapeYellow, sorting::kResultGreen}},
    };
    for (const Case& c : cases) {
        form_->YellowUnder_LabE->setText(c.yellow);
        form_->GreenUnder_LabE->setText(c.green);
        form_->RefineLight_BtnClick(form_->RefineLight_Btn);
        EXPECT_EQ(ShapeColour(0, 0), c.colours[0]) << c.yellow << "/" << c.green;
        EXPECT_EQ(ShapeColour(0, 1), c.colours[1]) << c.yellow << "/" << c.green;
        EXPECT_EQ(ShapeColour(1, 0), c.colours[2]) << c.yellow << "/" << c.green;
        EXPECT_EQ(ShapeColour(1, 1), c.colours[3]) << c.yellow << "/" << c.green;
    }

    // 70000 stores its low 16 bits; unchecked, Refresh stores the switch and redraws pass/fail.
    form_->YellowUnder_LabE->setText("70000");
    form_->RefineLight_BtnClick(form_->RefineLight_Btn);
    EXPECT_EQ(AP_RDTSet.YellowUnderValue, 4464);
    form_->Enable_RefineLightCB->setChecked(false);
    form_->RefineLight_BtnClick(form_->RefineLight_Btn);
    EXPECT_EQ(AP_RDTSet.EnchangeLight, 0);
    EXPECT_EQ(ShapeColour(0, 0), sorting::kResultGreen);

    // A threshold that is not a number: the conversion message, the switch stored, no lights.
    form_->Enable_RefineLightCB->setChecked(true);
    form_->GreenUnder_LabE->setText("x1");
    ui_.Clear();
    form_->RefineLight_BtnClick(form_->RefineLight_Btn);
    EXPECT_EQ(Messages(), std::vector<std::string>{"'x1' is not a valid integer value"});
    EXPECT_EQ(AP_RDTSet.EnchangeLight, 1);
    EXPECT_EQ(ShapeColour(0, 0), sorting::kResultGreen);
    form_->GreenUnder_LabE->setText("50");
}

// How far the header text of die (channel, bank) stands out from its shape: the largest brightness
// difference (0.299 R + 0.587 G + 0.114 B) between the shape's colour and a pixel of the channel,
// CE and status labels, as the panel draws them.
int HeaderContrast(QWidget* panel, std::uint32_t shapeColour) {
    const QImage image = panel->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const int background = forms::Brightness(shapeColour);
    int most = 0;
    for (const char* kind : {"SR_Die_CH_Label", "SR_Die_CE_Label", "SR_Die_Lun_Label"}) {
        const QWidget* label = nullptr;
        for (const QWidget* child : panel->findChildren<QWidget*>()) {
            if (child->objectName().startsWith(kind)) label = child;
        }
        if (label == nullptr) return -1;
        // The label's band inside the shape (the shape is 16 pixels high from 3).
        const QRect band = label->geometry().intersected(QRect(0, 3, 120, 16));
        for (int y = band.top(); y <= band.bottom(); ++y) {
            for (int x = band.left(); x <= band.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                const int brightness = (299 * c.red() + 587 * c.green() + 114 * c.blue()) / 1000;
                most = std::max(most, std::abs(brightness - background));
            }
        }
    }
    return most;
}

// The die headers (channel, CE and status over the die's colour) stand out from every colour a die
// takes: pass/fail green and red, and the lights' yellow. A brightness difference of 125 is the
// usual floor for readable text.
TEST_F(SortWindowTest, DieHeadersStandOutFromTheirColour) {
    for (unsigned ch = 0; ch < 2; ++ch) {
        for (unsigned bank = 0; bank < 2; ++bank) List(ch, bank);
    }
    dies_ = {{0, 0, 0, Record(0, 100), 0},
             {0, 1, 0, Record(1, 60), 1},
             {1, 0, 0, Record(0xFF), 2},
             {1, 1, 0, Record(0, 10), 3}};
    Open();
    form_->SortPageControl->setCurrentIndex(2);
    struct Die {
        unsigned channel, bank;
        std::uint32_t colour;
    };
    const Die passFail[] = {{0, 0, sorting::kResultGreen},
                            {0, 1, sorting::kResultRed},
                            {1, 0, sorting::kResultRed},
                            {1, 1, sorting::kResultGreen}};
    const Die lights[] = {{0, 0, sorting::kResultRed},
                          {0, 1, sorting::kShapeYellow},
                          {1, 0, sorting::kResultGreen},
                          {1, 1, sorting::kResultGreen}};
    const auto check = [this](const char* shown, const Die (&dies)[4]) {
        for (const Die& d : dies) {
            SCOPED_TRACE(testing::Message() << shown << ": CH " << d.channel << " CE " << d.bank);
            ASSERT_EQ(ShapeColour(d.channel, d.bank), d.colour);
            EXPECT_GE(HeaderContrast(DieControl("Panel", d.channel, d.bank), d.colour), 125);
        }
    };
    check("pass/fail", passFail);
    AP_RDTSet.YellowUnderValue = 100;
    AP_RDTSet.GreenUnderValue = 50;
    form_->SetLight2UI();
    check("lights", lights);
}

TEST_F(SortWindowTest, TprogramRowOnTheEchoOfTheDieDrawn) {
    List(0, 0);
    sorting::SortResults& r = form_->Results();
    const auto put = [&](const char* key, std::uint16_t v) {
        const tables::SortEchoField* f = tables::SortEchoFieldByKey(key);
        r.rdtSetting[f->offset] = static_cast<std::uint8_t>(v);
        r.rdtSetting[f->offset + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    put("tProgThresholdLower", 100);
    put("tProgThreshold", 200);
    put("TLCtProgThreshold", 9000);
    put("TLCtReadThreshold", 9000);
    put("tReadThreshold", 9000);
    tables::DieTestInfo at = Record(0);
    at.tProg = at.tRead = at.tRead_SLC = 10;
    at.tProg_SLC = 200;  // equal to the upper bound
    tables::DieTestInfo inside = at;
    inside.tProg_SLC = 150;
    tables::DieTestInfo lower = at;
    lower.tProg_SLC = 100;  // equal to the lower bound
    dies_ = {{0, 0, 0, at, 0}, {0, 0, 0, inside, 1}, {0, 0, 0, lower, 2}};
    Open();
    ASSERT_EQ(form_->Tprogram_ListView->topLevelItemCount(), 3);
    EXPECT_EQ(Row(form_->Tprogram_ListView, 0).back(), "Fail");
    EXPECT_EQ(Row(form_->Tprogram_ListView, 1).back(), "Pass");
    EXPECT_EQ(Row(form_->Tprogram_ListView, 2).back(), "Fail");
}

TEST_F(SortWindowTest, ClosingConvertsSavesByModeAndFrees) {
    List(0, 0);
    dies_ = {{0, 0, 0, Record(0), 0}};
    // "abc" in the green edit: the message, the window stays open, yellow already stored.
    Open();
    form_->YellowUnder_LabE->setText("33");
    form_->GreenUnder_LabE->setText("abc");
    EXPECT_FALSE(Close());
    EXPECT_EQ(Messages(), std::vector<std::string>{"'abc' is not a valid integer value"});
    EXPECT_EQ(AP_RDTSet.YellowUnderValue, 33);
    EXPECT_NE(DieControl("Panel", 0, 0), nullptr);  // nothing freed
    form_->GreenUnder_LabE->setText("12");
    form_->Enable_RefineLightCB->setChecked(true);
    ui_.Clear();
    ASSERT_TRUE(Close());
    EXPECT_EQ(AP_RDTSet.GreenUnderValue, 12);
    EXPECT_EQ(AP_RDTSet.EnchangeLight, 1);
    EXPECT_TRUE(trace_.Contains("[SORT]######## - Sort Result FormClose - 200\n"));

    struct Case {
        std::uint8_t mode;
        bool saveButton;
        bool saved;
    };
    for (const Case c : {Case{1, false, false}, Case{2, true, false}, Case{3, false, true}, Case{0, false, false}}) {
        AP_RDTSet.SaveResultLog = c.mode;
        Open();
        EXPECT_EQ(!form_->SaveLog_Btn->isHidden(), c.saveButton) << int(c.mode);
        ui_.Clear();
        trace_.Clear();
        ASSERT_TRUE(Close());
        EXPECT_EQ(trace_.Contains("[SORT]######## - Sort Port(200) Log\n"), c.saved) << int(c.mode);
        EXPECT_EQ(Messages(), c.saved ? std::vector<std::string>{"Save SortResult Done!"} : std::vector<std::string>{})
            << int(c.mode);
    }
    // The Save Log button in mode 2.
    AP_RDTSet.SaveResultLog = 2;
    Open();
    ui_.Clear();
    form_->SaveLog_Btn->click();
    ASSERT_EQ(ui_.Shown().size(), 1u);
    EXPECT_EQ(ui_.Shown()[0].text, "Save SortResult Done!");
    EXPECT_EQ(ui_.Shown()[0].title, "");
}

TEST_F(SortWindowTest, InfoShowsThisOpeningsReport) {
    const fs::path folder = fs::temp_directory_path() / ("qv_sort_window_" + std::to_string(::getpid())) / "";
    fs::create_directories(folder);
    std::ofstream(folder / "Pass_RDTBad_CH0_BK0(L0).ms0", std::ios::binary) << "CH: 0, BK: 0, Lun: 0\r\nline two\r\n";
    std::ofstream(folder / "Fail_RDTBad_CH1_BK0(L0).ms0", std::ios::binary) << "failing\r\n";
    List(0, 0);
    List(1, 0);
    dies_ = {{0, 0, 0, Record(0), 0}, {1, 0, 0, Record(4), 1}};
    memoFolder_ = folder.string();
    Open();
    QPlainTextEdit* memo = form_->DetailMemo;
    EXPECT_TRUE(memo->isHidden());
    trace_.Clear();
    qobject_cast<QPushButton*>(DieControl("info_btn", 0, 0))->click();
    EXPECT_FALSE(memo->isHidden());
    EXPECT_EQ(memo->toPlainText().toStdString(), "=== CH:00 / BK:00 / Lun:00 ===\nCH: 0, BK: 0, Lun: 0\nline two");
    EXPECT_TRUE(trace_.Contains("Button Name(SR_Die_info_btn_C0B0) is existance \n"));
    EXPECT_TRUE(trace_.Contains("ShowSortingDetail  Detail = CH0BK0Lun0 \n"));
    EXPECT_TRUE(trace_.Contains("filename Pass_RDTBad_CH0_BK0(L0).ms0 \n"));
    qobject_cast<QPushButton*>(DieControl("info_btn", 1, 0))->click();
    EXPECT_EQ(memo->toPlainText().toStdString(), "=== CH:01 / BK:00 / Lun:00 ===\nfailing");
    EXPECT_TRUE(ui_.Shown().empty());
    form_->ExitDetailMemo_Btn->click();
    EXPECT_TRUE(memo->isHidden());

    // Neither report there: the file-open message names the Fail_ report.
    fs::remove(folder / "Fail_RDTBad_CH1_BK0(L0).ms0");
    qobject_cast<QPushButton*>(DieControl("info_btn", 1, 0))->click();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0],
              "Cannot open file \"" + folder.string() + "Fail_RDTBad_CH1_BK0(L0).ms0\". No such file or directory");
    EXPECT_EQ(memo->toPlainText().toStdString(), "=== CH:01 / BK:00 / Lun:00 ===");
    ASSERT_TRUE(Close());

    // Modes 2 and 3 write no report at the opening: an earlier opening's folder is not used.
    for (std::uint8_t mode : {2, 3}) {
        AP_RDTSet.SaveResultLog = mode;
        memoFolder_.clear();
        Open();
        EXPECT_EQ(form_->Results().ansiSortingMemoLogPath, "");
        ui_.Clear();
        qobject_cast<QPushButton*>(DieControl("info_btn", 0, 0))->click();
        EXPECT_EQ(
            Messages(),
            std::vector<std::string>{"Cannot open file \"Fail_RDTBad_CH0_BK0(L0).ms0\". No such file or directory"})
            << int(mode);
        ui_.Clear();
        form_->YellowUnder_LabE->setText("0");
        ASSERT_TRUE(Close());
    }
    fs::remove_all(folder.parent_path());
}

TEST_F(SortWindowTest, OpenedModallyThroughTheSeam) {
    List(0, 0);
    dies_ = {{0, 0, 0, Record(0), 0}};
    app::ScopedSortResultWindow registration(*form_);
    QTimer::singleShot(0, form_.get(), [this] {
        EXPECT_TRUE(form_->isVisible());
        EXPECT_EQ(form_->windowTitle(), "Sort Result. Port 9");
        form_->reject();
    });
    app::ShowSortResult(9, 3, "SN-0042");
    EXPECT_FALSE(form_->isVisible());
    EXPECT_EQ(parses_, 1);
    EXPECT_EQ(form_->m_ucDeviceNum, 3);
    EXPECT_STREQ(form_->Results().m_sSerialNum, "SN-0042");
    EXPECT_EQ(form_->Results().m_ucPort, 9);
    // The page last shown is kept between openings.
    form_->SortPageControl->setCurrentIndex(4);
    Open();
    EXPECT_EQ(form_->SortPageControl->currentIndex(), 4);
}

}  // namespace
}  // namespace sort_window_test
