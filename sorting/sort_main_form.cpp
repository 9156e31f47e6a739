// The sorting-result window's opening and closing, the parse's view calls and Save Log.
#include "sorting/sort_main_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTreeWidget>
#include <algorithm>
#include <cstring>

#include "app/main_form.h"
#include "forms/application.h"
#include "forms/colours.h"
#include "forms/controls.h"
#include "forms/str_to_int.h"
#include "forms/ui_port.h"
#include "procedures/V_Proc_Modes.h"
#include "settings/records.h"
#include "sorting/ecc_page.h"
#include "transport/trace.h"

TSortMainForm* SortMainForm = nullptr;

namespace {

bool SortDetailTraces() {
    return AP_RDTSet.DisDBG_SORT == 0;
}

QString Qs(const std::string& text) {
    return QString::fromStdString(text);
}

// The selector's items "0" … count − 1, index 0, without running its change handler.
void FillSelector(QComboBox* box, unsigned count) {
    if (box == nullptr) return;
    const QSignalBlocker blocker(box);
    box->clear();
    for (unsigned i = 0; i < count; ++i) box->addItem(QString::number(i));
    box->setCurrentIndex(count > 0 ? 0 : -1);
}

}  // namespace

TSortMainForm::TSortMainForm(QWidget* parent, std::unique_ptr<sorting::SortResults> results)
    : QDialog(parent), results_(results ? std::move(results) : std::make_unique<sorting::SortResults>()) {
    parse_ = [](sorting::SortResults& r, std::uint8_t port, sorting::SortResultView& view) {
        return r.ParseSortingResult(port, view);
    };
    BuildLayout();
    SortMainForm = this;
}

TSortMainForm::~TSortMainForm() {
    app::UnregisterIfCurrent<app::SortResultWindow, app::RegisterSortResultWindow>(this);
    if (SortMainForm == this) SortMainForm = nullptr;
}

void TSortMainForm::ShowModal() {
    exec();
}

void TSortMainForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow(this);
}

void TSortMainForm::done(int result) {
    if (!FormClose(this)) return;  // refused: the window stays open
    QDialog::done(result);
}

void TSortMainForm::FormShow(QObject*) {
    if (SortDetailTraces()) {
        TraceOut("[SORT]######## - Sort Result FormShow - %d(DeviceNum %d)\n", m_ucPort, m_ucDeviceNum);
    }
    setWindowTitle(QString::asprintf("Sort Result. Port %d", m_ucPort));
    ResetResultDisplays();
    ShowLunRadios();
    BuildDieGrid();
    eccPage_->Init_ECCGrid();
    PrepareEccSelectors();
    DetailMemo->hide();
    SaveLog_Btn->setVisible(AP_RDTSet.SaveResultLog == 2);
    if (auto* threshold = TabSheet4->findChild<QLineEdit*>("ErrorBitTh_LabE")) {
        threshold->setText(QString::number(AP_RDTSet.ErrorBit_TH));
    }
    YellowUnder_LabE->setText(QString::number(AP_RDTSet.YellowUnderValue));
    GreenUnder_LabE->setText(QString::number(AP_RDTSet.GreenUnderValue));
    Enable_RefineLightCB->setChecked(AP_RDTSet.EnchangeLight != 0);
    {
        // The previous opening's records are still in the tables until the parse zeroes them: a
        // redraw here would paint (and could fail) this drive with another drive's dies.
        const QSignalBlocker b0(Lun0_RB), b1(Lun1_RB), b2(Lun2_RB), b3(Lun3_RB);
        Lun0_RB->setChecked(true);
        Lun1_RB->setChecked(false);
        Lun2_RB->setChecked(false);
        Lun3_RB->setChecked(false);
    }
    VP_EnableVendorCmd(m_ucPort < 128 ? m_ucPort : -1, 1);

    // The parse reads the opener's port and serial text; only this opening's reports may be shown.
    sorting::SortResults& r = OpenerToResults();
    r.ansiSortingMemoLogPath.clear();
    parse_(r, m_ucPort, *this);

    Lun0_RBClick(LunRadio(SelectedLun()));
    if (AP_RDTSet.EnchangeLight != 0) SetLight2UI();
}

sorting::SortResults& TSortMainForm::OpenerToResults() {
    sorting::SortResults& r = *results_;
    r.m_ucPort = m_ucPort;
    std::memcpy(r.m_sSerialNum, m_sSerialNum, sizeof r.m_sSerialNum);
    r.m_sSerialNum[sizeof r.m_sSerialNum - 1] = '\0';
    return r;
}

void TSortMainForm::ResetResultDisplays() {
    for (QPlainTextEdit* memo : findChildren<QPlainTextEdit*>()) memo->clear();
    for (forms::LabeledEdit* edit : findChildren<forms::LabeledEdit*>()) edit->clear();
    for (QTreeWidget* list : findChildren<QTreeWidget*>()) list->clear();
    TotalResult_Panel->setText("N.A.");
    forms::SetColour(TotalResult_Panel, sorting::kShapeSilver);
}

void TSortMainForm::ShowLunRadios() {
    const unsigned shown = sorting::ShownLunRadios(AP_FlashSet.ucDiePerCE);
    for (unsigned lun = 0; lun < sorting::kSortLuns; ++lun) LunRadio(lun)->setVisible(lun < shown);
}

void TSortMainForm::PrepareEccSelectors() {
    FillSelector(TabSheet4->findChild<QComboBox*>("ECC_CH_Select"), std::min<unsigned>(AP_INIState.MaxPhyChannel, 8));
    FillSelector(TabSheet4->findChild<QComboBox*>("ECC_BK_Select"), std::min<unsigned>(AP_INIState.MaxPhyBank, 8));
    FillSelector(TabSheet4->findChild<QComboBox*>("ECC_Lun_Select"), std::min<unsigned>(AP_FlashSet.ucDiePerCE, 4));
}

bool TSortMainForm::FormClose(QObject*) {
    if (SortDetailTraces()) TraceOut("[SORT]######## - Sort Result FormClose - %d\n", m_ucPort);
    try {
        AP_RDTSet.YellowUnderValue = sorting::ThresholdOf(YellowUnder_LabE->text().toStdString());
        AP_RDTSet.GreenUnderValue = sorting::ThresholdOf(GreenUnder_LabE->text().toStdString());
    } catch (const forms::ConvertError& e) {
        forms::ShowException(e.what());
        return false;
    }
    AP_RDTSet.EnchangeLight = Enable_RefineLightCB->isChecked() ? 1 : 0;
    if (AP_RDTSet.SaveResultLog == 3) SaveLog_BtnClick(this);
    FreeDieGrid();
    return true;
}

void TSortMainForm::SaveLog_BtnClick(QObject*) {
    if (SortDetailTraces()) TraceOut("[SORT]######## - Sort Port(%d) Log\n", m_ucPort);
    sorting::SortResults& r = OpenerToResults();
    r.SaveSortingResult(m_ucPort);
    forms::Ui().MessageBox("", "Save SortResult Done!", forms::BoxIcon::None);
}

// ---- the parse's view ------------------------------------------------------------------------

QTreeWidget* TSortMainForm::List(sorting::ResultList list) const {
    switch (list) {
        case sorting::ResultList::AllBad:
            return AllBad_ListView;
        case sorting::ResultList::FactoryBad:
            return FactoryBad_ListView;
        case sorting::ResultList::RdtBad:
            return RDTBad_ListView;
    }
    return nullptr;
}

forms::LabeledEdit* TSortMainForm::TextEdit(sorting::ResultText edit) const {
    switch (edit) {
        case sorting::ResultText::SSD_Bad_LabE:
            return SSD_Bad_LabE;
        case sorting::ResultText::SSD_Factory_LabE:
            return SSD_Factory_LabE;
        case sorting::ResultText::RDTBad_SN_LE:
            return RDTBad_SN_LE;
        case sorting::ResultText::RDTBad_Runtime_LE:
            return RDTBad_Runtime_LE;
        case sorting::ResultText::RDTBad_Temp_LE:
            return RDTBad_Temp_LE;
        case sorting::ResultText::RDTBad_Result_LE:
            return RDTBad_Result_LE;
    }
    return nullptr;
}

forms::LabeledEdit* TSortMainForm::CounterView(sorting::ResultCounter view) const {
    switch (view) {
        case sorting::ResultCounter::Total_Fail_View:
            return Total_Fail_View;
        case sorting::ResultCounter::ECC_Fail_Thd_View:
            return ECC_Fail_Thd_View;
        case sorting::ResultCounter::ECC_Fail_View:
            return ECC_Fail_View;
        case sorting::ResultCounter::Pg_Fail_View:
            return Pg_Fail_View;
        case sorting::ResultCounter::Erase_Fail_View:
            return Erase_Fail_View;
        case sorting::ResultCounter::Empty_Page_Fail_View:
            return Empty_Page_Fail_View;
    }
    return nullptr;
}

void TSortMainForm::AddRow(sorting::ResultList list, const sorting::ListRow& row) {
    QTreeWidget* view = List(list);
    if (view == nullptr) return;
    auto* item = new QTreeWidgetItem();
    for (std::size_t i = 0; i < row.size(); ++i) item->setText(static_cast<int>(i), Qs(row[i]));
    view->addTopLevelItem(item);
}

void TSortMainForm::SetText(sorting::ResultText edit, const std::string& text) {
    if (forms::LabeledEdit* e = TextEdit(edit)) e->setText(Qs(text));
}

void TSortMainForm::SetCounter(sorting::ResultCounter view, const std::string& text) {
    if (forms::LabeledEdit* e = CounterView(view)) e->setText(Qs(text));
}

std::uint32_t TSortMainForm::TotalResultColour() const {
    return forms::ColourOf(TotalResult_Panel);
}

void TSortMainForm::SetTotalResultColour(std::uint32_t colour) {
    forms::SetColour(TotalResult_Panel, colour);
}

void TSortMainForm::CheckLunRadio(unsigned lun) {
    if (QRadioButton* radio = LunRadio(lun)) radio->setChecked(true);
}

void TSortMainForm::SetECCInfo2UI(std::uint8_t channel, std::uint8_t fwBank, std::uint8_t lun) {
    eccPage_->SetECCInfo2UI(channel, fwBank, lun);
}

void TSortMainForm::SetRDTSetting2UI(const sorting::EchoRowList& rows) {
    for (const auto& [label, value] : rows) {
        auto* item = new QTreeWidgetItem();
        item->setText(0, Qs(label));
        item->setText(1, Qs(value));
        RDTSetting_ListView->addTopLevelItem(item);
    }
}

// ---- the maker --------------------------------------------------------------------------------

namespace sorting {

std::unique_ptr<QWidget> MakeSortMainForm(TMainForm& main) {
    auto form = std::make_unique<TSortMainForm>(&main);
    app::RegisterSortResultWindow(form.get());
    return form;
}

}  // namespace sorting
