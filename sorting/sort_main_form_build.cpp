// The sorting-result window's controls: five pages in SortPageControl, the "RDT Bad" results, the
// bad-block lists, the die-grid page with its hidden template panel, the ECC page (EccPage) and the
// settings and program-time lists.
#include <QCheckBox>
#include <QFont>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegion>
#include <QTabWidget>
#include <QTreeWidget>
#include <initializer_list>
#include <utility>

#include "forms/colours.h"
#include "forms/controls.h"
#include "forms/window_font.h"
#include "sorting/ecc_page.h"
#include "sorting/sort_main_form.h"

namespace {

using sorting::DieControl;
using Columns = std::initializer_list<std::pair<const char*, int>>;

QTreeWidget* ListView(QWidget* parent, const char* name, const QRect& where, Columns columns) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(name);
    list->setGeometry(where);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Report style with grid lines.
    list->setStyleSheet("QTreeView::item { border-right: 1px solid #d0d0d0; border-bottom: 1px solid #d0d0d0; }");
    list->header()->setStretchLastSection(false);
    list->setColumnCount(static_cast<int>(columns.size()));
    QStringList labels;
    for (const auto& [label, width] : columns) labels << label;
    list->setHeaderLabels(labels);
    int i = 0;
    for (const auto& [label, width] : columns) list->setColumnWidth(i++, width);
    return list;
}

forms::LabeledEdit* Edit(QWidget* parent, const char* name, const char* caption, const QRect& where,
                         forms::LabeledEdit::LabelPosition position = forms::LabeledEdit::LabelPosition::Left) {
    auto* edit = new forms::LabeledEdit(parent, position);
    edit->setObjectName(name);
    edit->SetCaption(caption);
    edit->setGeometry(where);
    return edit;
}

QGroupBox* Group(QWidget* parent, const char* name, const char* caption, const QRect& where) {
    auto* group = new QGroupBox(caption, parent);
    group->setObjectName(name);
    group->setGeometry(where);
    return group;
}

QLabel* Label(QWidget* parent, const char* name, const QString& text, const QRect& where) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(where);
    return label;
}

forms::Shape* Circle(QWidget* parent, const char* name, std::uint32_t colour, int left, int top) {
    auto* shape = new forms::Shape(parent);
    shape->setObjectName(name);
    shape->setGeometry(left, top, 35, 35);
    // A circle: the mask cuts the shape's box outline to four stray ticks, so it draws none.
    shape->setFrameShape(QFrame::NoFrame);
    shape->setMask(QRegion(0, 0, 35, 35, QRegion::Ellipse));
    shape->SetBrushColour(colour);
    return shape;
}

QFont WithPointSize(const QFont& base, int points) {
    QFont font = base;
    font.setPointSize(points);
    return font;
}

}  // namespace

void TSortMainForm::BuildLayout() {
    setObjectName("SortMainForm");
    setWindowTitle("Sort Result");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(forms::WindowFont());  // Tahoma 8 pt, as the window is laid out for
    setFixedSize(1008, 689);

    SortPageControl = new QTabWidget(this);
    SortPageControl->setObjectName("SortPageControl");
    SortPageControl->setGeometry(0, 0, 1008, 689);
    const std::pair<QWidget**, const char*> pages[] = {{&TabSheet1, "RDT Bad"},
                                                       {&TabSheet2, "Bad Block Info"},
                                                       {&TabSheet3, "Detail Result"},
                                                       {&TabSheet4, "ECC Info"},
                                                       {&TabSheet5, "Common Info"}};
    int n = 1;
    for (const auto& [page, caption] : pages) {
        *page = new QWidget();
        (*page)->setObjectName(QString("TabSheet%1").arg(n++));
        SortPageControl->addTab(*page, caption);
    }
    BuildRdtBadPage();
    BuildBadBlockPage();
    BuildDetailPage();
    eccPage_ = std::make_unique<sorting::EccPage>(TabSheet4, *results_);
    BuildCommonPage();
    SortPageControl->setCurrentWidget(TabSheet1);  // the page active at design
}

void TSortMainForm::BuildRdtBadPage() {
    QWidget* page = TabSheet1;
    TotalResult_Panel = Label(page, "TotalResult_Panel", "N.A.", QRect(10, 10, 54, 54));
    TotalResult_Panel->setFrameShape(QFrame::Panel);
    TotalResult_Panel->setFrameShadow(QFrame::Sunken);
    TotalResult_Panel->setAlignment(Qt::AlignCenter);
    TotalResult_Panel->setFont(WithPointSize(font(), 16));
    forms::SetColour(TotalResult_Panel, sorting::kShapeSilver);

    RDTBad_Result_LE = Edit(page, "RDTBad_Result_LE", "RDT Error Code: ", QRect(180, 10, 260, 21));
    RDTBad_SN_LE = Edit(page, "RDTBad_SN_LE", "SN: ", QRect(180, 38, 260, 21));
    RDTBad_Runtime_LE = Edit(page, "RDTBad_Runtime_LE", "RunTime(H:M:S): ", QRect(180, 66, 260, 21));
    RDTBad_Temp_LE = Edit(page, "RDTBad_Temp_LE", "Max Temperature: ", QRect(180, 94, 260, 21));
    for (forms::LabeledEdit* e : {RDTBad_Result_LE, RDTBad_SN_LE, RDTBad_Runtime_LE, RDTBad_Temp_LE}) {
        e->setReadOnly(true);
    }

    ErrorTypeCount_GB = Group(page, "ErrorTypeCount_GB", " Error Type Count ", QRect(460, 4, 300, 176));
    const std::pair<forms::LabeledEdit**, std::pair<const char*, const char*>> views[] = {
        {&Total_Fail_View, {"Total_Fail_View", "# Total Fail Count: "}},
        {&ECC_Fail_Thd_View, {"ECC_Fail_Thd_View", "ECC Fail (Threshold): "}},
        {&ECC_Fail_View, {"ECC_Fail_View", "ECC Fail: "}},
        {&Pg_Fail_View, {"Pg_Fail_View", "Program Fail : "}},
        {&Erase_Fail_View, {"Erase_Fail_View", "Erase Fail : "}},
        {&Empty_Page_Fail_View, {"Empty_Page_Fail_View", "Empty Page Fail : "}}};
    int top = 20;
    for (const auto& [member, texts] : views) {
        *member = Edit(ErrorTypeCount_GB, texts.first, texts.second, QRect(180, top, 100, 21));
        (*member)->setReadOnly(true);
        top += 25;
    }

    ErrorCode_GB = Group(page, "ErrorCode_GB", "Error Code", QRect(770, 4, 226, 176));
    const char* legend[] = {"R00: Pass",
                            "R01: ECC Fail Over Threshold ",
                            "R02: Bad Block Over Threshold",
                            "R03: Program Fail Over Threshold",
                            "R04: Erase Fail Over Threshold",
                            "R05: TProgramTime Over ",
                            "R06: Data Path Fail",
                            "R07: Dram test Fail",
                            "R08: Not Finish "};
    top = 18;
    for (const char* line : legend) {
        Label(ErrorCode_GB, "", line, QRect(10, top, 210, 16));
        top += 17;
    }

    RDTBad_ListView = ListView(page, "RDTBad_ListView", QRect(4, 186, 992, 438),
                               {{"No.", 36},
                                {"CH", 30},
                                {"BK", 30},
                                {"Lun", 32},
                                {"BLK Unit", 60},
                                {"P0", 50},
                                {"P1", 50},
                                {"P2", 50},
                                {"P3", 50},
                                {"Page", 45},
                                {"MaxECC", 55},
                                {"ErrorType", 110},
                                {"Action", 90},
                                {"Time", 65},
                                {"Loop", 70},
                                {"R-Loop", 50},
                                {"Thermal", 55}});
    SaveLog_Btn = new QPushButton("Save Log", page);
    SaveLog_Btn->setObjectName("SaveLog_Btn");
    SaveLog_Btn->setGeometry(896, 630, 100, 25);
    connect(SaveLog_Btn, &QPushButton::clicked, this, [this] { SaveLog_BtnClick(SaveLog_Btn); });
}

void TSortMainForm::BuildBadBlockPage() {
    QWidget* page = TabSheet2;
    const QFont big = WithPointSize(font(), 20);
    Label(page, "FactoryBad_Label", "Factory Bad", QRect(8, 4, 300, 34))->setFont(big);
    Label(page, "AllBad_Label", "All Bad Block", QRect(504, 4, 300, 34))->setFont(big);
    const Columns columns = {{"NO.", 40}, {"CH", 34}, {"BK", 34}, {"Lun", 44}, {"BLK Unit", 64},
                             {"P0", 58},  {"P1", 58}, {"P2", 58}, {"P3", 58}};
    FactoryBad_ListView = ListView(page, "FactoryBad_ListView", QRect(4, 42, 494, 614), columns);
    AllBad_ListView = ListView(page, "AllBad_ListView", QRect(502, 42, 494, 614), columns);
}

void TSortMainForm::BuildDetailPage() {
    QWidget* page = TabSheet3;
    const auto maroon = [](QLabel* label) { label->setStyleSheet("color: #800000;"); };
    maroon(Label(page, "DetailLegend_Label", "Total B.B. / Erase Fail / Program Fail / ECC Fail / Factory B.B.",
                 QRect(3, 4, 365, 16)));
    maroon(Label(page, "PlaneLegend_Label", "Bad Block by Plane: Plane0 / Plane1 / Plane2 / Plane 3",
                 QRect(3, 22, 365, 16)));

    LunSelect_GB = Group(page, "LunSelect_GB", "Lun Select", QRect(370, 0, 305, 41));
    const std::pair<QRadioButton**, std::pair<const char*, const char*>> radios[] = {{&Lun0_RB, {"Lun0_RB", "Lun 0"}},
                                                                                     {&Lun1_RB, {"Lun1_RB", "Lun1"}},
                                                                                     {&Lun2_RB, {"Lun2_RB", "Lun2"}},
                                                                                     {&Lun3_RB, {"Lun3_RB", "Lun3"}}};
    int left = 10;
    for (const auto& [member, texts] : radios) {
        auto* radio = new QRadioButton(texts.second, LunSelect_GB);
        radio->setObjectName(texts.first);
        radio->setGeometry(left, 17, 66, 18);
        // A radio checked by the program redraws as a click does; unchecking draws nothing.
        connect(radio, &QRadioButton::toggled, this, [this, radio](bool checked) {
            if (checked) Lun0_RBClick(radio);
        });
        *member = radio;
        left += 72;
    }
    Lun0_RB->setChecked(true);

    SSDBadBlockCount_GB = Group(page, "SSDBadBlockCount_GB", "SSD Bad Block Count", QRect(681, 0, 249, 41));
    SSD_Bad_LabE = Edit(SSDBadBlockCount_GB, "SSD_Bad_LabE", "All Bad ", QRect(50, 15, 44, 20));
    SSD_Factory_LabE = Edit(SSDBadBlockCount_GB, "SSD_Factory_LabE", "All Factory Bad ", QRect(196, 15, 48, 20));
    SSD_Bad_LabE->setReadOnly(true);
    SSD_Factory_LabE->setReadOnly(true);

    GroupBox2 = Group(page, "GroupBox2", "", QRect(3, 42, 995, 471));
    BuildDieTemplate();

    RefineLight_GB = Group(page, "RefineLight_GB", "Refine Light by Total BB", QRect(3, 512, 302, 146));
    RefineLight_GB->setFont(WithPointSize(font(), 10));
    RedLight_Shape = Circle(RefineLight_GB, "RedLight_Shape", sorting::kResultRed, 6, 28);
    YellowUnder_LabE = Edit(RefineLight_GB, "YellowUnder_LabE", "Under ", QRect(96, 35, 38, 21));
    YellowLight_Shape = Circle(RefineLight_GB, "YellowLight_Shape", sorting::kShapeYellow, 140, 28);
    GreenUnder_LabE = Edit(RefineLight_GB, "GreenUnder_LabE", "Under ", QRect(226, 35, 36, 21));
    GreenLight_Shape = Circle(RefineLight_GB, "GreenLight_Shape", sorting::kResultGreen, 265, 28);
    Enable_RefineLightCB = new QCheckBox("Enable ", RefineLight_GB);
    Enable_RefineLightCB->setObjectName("Enable_RefineLightCB");
    Enable_RefineLightCB->setGeometry(12, 90, 100, 24);
    RefineLight_Btn = new QPushButton("Refresh", RefineLight_GB);
    RefineLight_Btn->setObjectName("RefineLight_Btn");
    RefineLight_Btn->setGeometry(176, 86, 110, 32);
    connect(RefineLight_Btn, &QPushButton::clicked, this, [this] { RefineLight_BtnClick(RefineLight_Btn); });

    DetailMemo = new QPlainTextEdit(page);
    DetailMemo->setObjectName("DetailMemo");
    DetailMemo->setGeometry(311, 47, 674, 459);
    DetailMemo->setReadOnly(true);
    DetailMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    DetailMemo->hide();
    ExitDetailMemo_Btn = new QPushButton("Exit Info", page);
    ExitDetailMemo_Btn->setObjectName("ExitDetailMemo_Btn");
    ExitDetailMemo_Btn->setGeometry(936, 11, 60, 25);
    connect(ExitDetailMemo_Btn, &QPushButton::clicked, this, [this] { ExitDetailMemo_BtnClick(ExitDetailMemo_Btn); });
}

QWidget* TSortMainForm::NewDieControl(DieControl kind, QWidget* parent, unsigned channel, unsigned bank) {
    const QString text = QString::fromStdString(sorting::DieFirstText(kind, channel, bank));
    QWidget* w = nullptr;
    switch (kind) {
        case DieControl::Panel: {
            auto* panel = new QFrame(parent);
            panel->setFrameShape(QFrame::Panel);
            panel->setFrameShadow(QFrame::Raised);
            panel->hide();
            w = panel;
            break;
        }
        case DieControl::Shape: {
            auto* shape = new forms::Shape(parent);
            shape->SetBrushColour(sorting::kShapeSilver);
            w = shape;
            break;
        }
        case DieControl::Info:
            w = new QPushButton(text, parent);
            w->setFont(WithPointSize(font(), 10));
            break;
        default:
            w = new QLabel(text, parent);
            break;
    }
    const sorting::DieRect r = sorting::DieControlRect(kind, channel, bank);
    w->setGeometry(r.left, r.top, r.width, r.height);
    return w;
}

void TSortMainForm::BuildDieTemplate() {
    Result_Panel = NewDieControl(DieControl::Panel, GroupBox2, 0, 0);
    for (const sorting::DieControlTemplate& t : sorting::kDieControls) {
        QWidget* w = t.kind == DieControl::Panel ? Result_Panel : NewDieControl(t.kind, Result_Panel, 0, 0);
        w->setObjectName(t.templateName);
        ResultTemplate[static_cast<std::size_t>(t.kind)] = w;
    }
}

void TSortMainForm::BuildCommonPage() {
    QWidget* page = TabSheet5;
    RDTSetting_ListView = ListView(page, "RDTSetting_ListView", QRect(4, 4, 370, 652),
                                   {{"RDT Setting Item", 170}, {"Setting Value", 180}});
    Tprogram_ListView = ListView(page, "Tprogram_ListView", QRect(380, 4, 616, 652),
                                 {{"No.", 40},
                                  {"CH", 34},
                                  {"BK", 34},
                                  {"Lun", 36},
                                  {"Erase SLC", 62},
                                  {"Erase", 50},
                                  {"tProg SLC", 62},
                                  {"tProg", 50},
                                  {"Read SLC", 60},
                                  {"Read", 50},
                                  {"Pass/Fail", 60}});
}
