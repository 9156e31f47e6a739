// The sorting-result window's die grid: the run-time panels, drawing a die, the LUN redraw, the
// lights and Refresh, and the detail view of a die's sorting-error report.
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "forms/application.h"
#include "forms/colours.h"
#include "forms/controls.h"
#include "forms/str_to_int.h"
#include "settings/records.h"
#include "sorting/sort_main_form.h"
#include "sorting/sort_reports.h"
#include "transport/trace.h"

std::uint8_t g_ucCurrentLun = 0;

namespace {

using sorting::DieControl;

constexpr std::size_t Index(unsigned channel, unsigned bank) {
    return channel * sorting::kGridBanks + bank;
}

// The channels and banks the window draws: the die map's counts within the grid's 8 x 4.
unsigned Channels() {
    return std::min<unsigned>(AP_INIState.MaxPhyChannel, sorting::kGridChannels);
}
unsigned Banks() {
    return std::min<unsigned>(AP_INIState.MaxPhyBank, sorting::kGridBanks);
}

// A detail report is at most a die's settings, figures and 255 error lines; more is not a report.
constexpr std::size_t kMaxReportBytes = 4u << 20;

}  // namespace

QWidget* TSortMainForm::DieWidget(DieControl kind, unsigned channel, unsigned bank) const {
    if (channel >= sorting::kGridChannels || bank >= sorting::kGridBanks) return nullptr;
    return DieControls[static_cast<std::size_t>(kind)][Index(channel, bank)];
}

void TSortMainForm::PaintDieShape(unsigned channel, unsigned bank, std::uint32_t colour) {
    auto* shape = static_cast<forms::Shape*>(DieWidget(DieControl::Shape, channel, bank));
    if (shape == nullptr) return;
    shape->SetBrushColour(colour);
    for (DieControl header : {DieControl::CH, DieControl::CE, DieControl::Lun}) {
        forms::SetTextColour(DieWidget(header, channel, bank), forms::ReadableTextColour(colour));
    }
}

QRadioButton* TSortMainForm::LunRadio(unsigned lun) const {
    switch (lun) {
        case 0:
            return Lun0_RB;
        case 1:
            return Lun1_RB;
        case 2:
            return Lun2_RB;
        case 3:
            return Lun3_RB;
        default:
            return nullptr;
    }
}

unsigned TSortMainForm::SelectedLun() const {
    for (unsigned lun = 0; lun < sorting::kSortLuns; ++lun) {
        if (LunRadio(lun)->isChecked()) return lun;
    }
    return 0;
}

void TSortMainForm::BuildDieGrid() {
    FreeDieGrid();  // an opening without a closing between leaves no second set
    for (unsigned ch = 0; ch < sorting::kGridChannels; ++ch) {
        for (unsigned bank = 0; bank < sorting::kGridBanks; ++bank) {
            QWidget* panel = nullptr;
            for (const sorting::DieControlTemplate& t : sorting::kDieControls) {
                QWidget* w = NewDieControl(t.kind, panel != nullptr ? panel : GroupBox2, ch, bank);
                if (t.kind == DieControl::Panel) panel = w;
                if (t.kind == DieControl::Info) {
                    connect(static_cast<QPushButton*>(w), &QPushButton::clicked, this,
                            [this, w] { Result_InfoClick(w); });
                }
                w->setObjectName(QString::fromStdString(sorting::DieControlName(t.kind, ch, bank)));
                DieControls[static_cast<std::size_t>(t.kind)][Index(ch, bank)] = w;
            }
        }
    }
}

void TSortMainForm::FreeDieGrid() {
    // P3 … P0, FB, ECCF, PF, EF, TB, Lun, CE, CH, the shape, then the panel with its Info button.
    static constexpr DieControl kOrder[] = {DieControl::P3,    DieControl::P2,   DieControl::P1, DieControl::P0,
                                            DieControl::FB,    DieControl::ECCF, DieControl::PF, DieControl::EF,
                                            DieControl::TB,    DieControl::Lun,  DieControl::CE, DieControl::CH,
                                            DieControl::Shape, DieControl::Panel};
    for (std::size_t i = 0; i < 32; ++i) {
        for (DieControl kind : kOrder) {
            QWidget*& w = DieControls[static_cast<std::size_t>(kind)][i];
            if (w == nullptr) continue;
            w->hide();
            delete w;
            w = nullptr;
        }
        DieControls[static_cast<std::size_t>(DieControl::Info)][i] = nullptr;  // freed with its panel
    }
}

void TSortMainForm::SetResult2UI(std::uint8_t channel, std::uint8_t dieNumber, std::uint8_t lun, std::uint8_t bank) {
    if (channel >= sorting::kSortChannels || bank >= sorting::kSortBanks || lun >= sorting::kSortLuns) {
        TraceOut("[SORT]######## - SetResult2UI: Ch %d, Bank %d, lun %d outside the die grid\n", channel, bank, lun);
        return;
    }
    g_ucCurrentLun = lun;
    const tables::DieTestInfo& die = results_->m_DieTestInfo[channel][bank][lun];
    if (dieNumber != 255) {
        const sorting::ListRow row = sorting::TprogramRow(dieNumber, channel, bank, lun, die, results_->rdtSetting);
        auto* item = new QTreeWidgetItem();
        for (std::size_t i = 0; i < row.size(); ++i) item->setText(static_cast<int>(i), QString::fromStdString(row[i]));
        Tprogram_ListView->addTopLevelItem(item);
    }
    QWidget* panel = DieWidget(DieControl::Panel, channel, bank);
    if (panel == nullptr) return;  // no grid outside an opening
    panel->show();
    const sorting::DieLook look = sorting::LookOfDie(die);
    static_cast<QLabel*>(DieWidget(DieControl::Lun, channel, bank))->setText(QString::fromStdString(look.status));
    PaintDieShape(channel, bank, look.shapeColour);
    DieWidget(DieControl::Info, channel, bank)->setVisible(look.infoVisible);
    if (!look.pass) {
        TotalResult_Panel->setText("Fail");
        SetTotalResultColour(sorting::kResultRed);
    } else if (TotalResultColour() != sorting::kResultRed) {
        TotalResult_Panel->setText("Pass");
        SetTotalResultColour(sorting::kResultGreen);
    }
    static constexpr DieControl kCounts[9] = {DieControl::TB,   DieControl::EF, DieControl::PF,
                                              DieControl::ECCF, DieControl::FB, DieControl::P0,
                                              DieControl::P1,   DieControl::P2, DieControl::P3};
    for (std::size_t i = 0; i < 9; ++i) {
        static_cast<QLabel*>(DieWidget(kCounts[i], channel, bank))->setText(QString::fromStdString(look.counts[i]));
    }
}

void TSortMainForm::Lun0_RBClick(QObject*) {
    const unsigned lun = SelectedLun();
    const sorting::DieMaps maps{AP_FlashSet.ucDiePerCE, AP_INIState.MaxPhyBank, AP_INIState.bOriDieMap,
                                AP_INIState.bOriDieMapMultiLun};
    for (unsigned ch = 0; ch < Channels(); ++ch) {
        for (unsigned bank = 0; bank < Banks(); ++bank) {
            if (sorting::CeListed(maps, ch, bank, lun)) {
                SetResult2UI(static_cast<std::uint8_t>(ch), 255, static_cast<std::uint8_t>(lun),
                             static_cast<std::uint8_t>(bank));
                continue;
            }
            if (maps.diePerCE < 2 && AP_RDTSet.DisDBG_SORT == 0) {
                TraceOut("[SORT]######## - Skip Ch %d, Bank %d, lun %d\n", ch, bank, 0);
            }
            if (QWidget* panel = DieWidget(DieControl::Panel, ch, bank)) panel->hide();
        }
    }
}

void TSortMainForm::SetLight2UI() {
    const unsigned lun = SelectedLun();
    for (unsigned ch = 0; ch < Channels(); ++ch) {
        for (unsigned bank = 0; bank < Banks(); ++bank) {
            const tables::DieTestInfo& die = results_->m_DieTestInfo[ch][bank][lun];
            PaintDieShape(ch, bank,
                          sorting::LightColour(die.TotalBadNum, AP_RDTSet.YellowUnderValue, AP_RDTSet.GreenUnderValue));
        }
    }
}

void TSortMainForm::RefineLight_BtnClick(QObject*) {
    AP_RDTSet.EnchangeLight = Enable_RefineLightCB->isChecked() ? 1 : 0;
    if (AP_RDTSet.EnchangeLight == 0) {
        Lun0_RBClick(RefineLight_Btn);
        return;
    }
    try {
        AP_RDTSet.YellowUnderValue = sorting::ThresholdOf(YellowUnder_LabE->text().toStdString());
        AP_RDTSet.GreenUnderValue = sorting::ThresholdOf(GreenUnder_LabE->text().toStdString());
    } catch (const forms::ConvertError& e) {
        forms::ShowException(e.what());
        return;
    }
    SetLight2UI();
}

void TSortMainForm::Result_InfoClick(QObject* sender) {
    if (sender == nullptr) return;
    const std::string name = sender->objectName().toStdString();
    const auto die = sorting::DieOfInfoButton(name);
    if (!die) return;
    TraceOut("Button Name(%s) is existance \n", name.c_str());
    ShowSortingDetail(static_cast<std::uint8_t>((*die)[0]), static_cast<std::uint8_t>((*die)[1]));
}

void TSortMainForm::ShowSortingDetail(std::uint8_t channel, std::uint8_t bank) {
    const std::uint8_t lun = g_ucCurrentLun;
    TraceOut("ShowSortingDetail  Detail = CH%dBK%dLun%d \n", channel, bank, lun);
    DetailMemo->show();
    DetailMemo->raise();
    DetailMemo->clear();
    DetailMemo->appendPlainText(QString::asprintf("=== CH:%02d / BK:%02d / Lun:%02d ===", channel, bank, lun));
    const sorting::ReportDie die{channel, bank, lun};
    const std::string& folder = results_->ansiSortingMemoLogPath;
    const std::string name = sorting::SortErrorReportName(die, 0);
    std::string path = folder + name;
    TraceOut("ansiSortingMemoLogPath %s \n", folder.c_str());
    TraceOut("filename %s \n", name.c_str());
    TraceOut("strTemp %s \n", path.c_str());
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) path = folder + sorting::SortErrorReportName(die, 1);
    // Without a folder this opening wrote no report: a file of that name in the program folder
    // belongs to no drive shown here.
    if (folder.empty()) {
        forms::ShowException("Cannot open file \"" + path + "\". " + std::strerror(ENOENT));
        return;
    }
    LoadDetailReport(path);
}

void TSortMainForm::LoadDetailReport(const std::string& path) {
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        forms::ShowException("Cannot open file \"" + path + "\". " + std::strerror(errno != 0 ? errno : ENOENT));
        return;
    }
    std::string text(kMaxReportBytes + 1, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), file));
    std::fclose(file);
    if (text.size() > kMaxReportBytes) {
        text.resize(kMaxReportBytes);
        TraceOut("[SORT]######## - Detail report cut at %zu bytes: %s\n", kMaxReportBytes, path.c_str());
    }
    // Lines end in CR LF, LF or CR; the last line needs no end.
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        DetailMemo->appendPlainText(QString::fromLatin1(text.data() + start, static_cast<qsizetype>(end - start)));
        if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ++end;
        start = end + 1;
    }
}

void TSortMainForm::ExitDetailMemo_BtnClick(QObject*) {
    DetailMemo->hide();
}
