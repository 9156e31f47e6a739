// TSortMainForm, the sorting-result window: what the sorting firmware of one drive left on its flash,
// read again at every opening. It owns the results the parse fills (sort_results.h, on the heap),
// serves as the parse's view (sort_result_view.h) and is the main window's SortResultWindow
// (app/dialog_slots.h). What its die grid shows is plain code in die_grid.h; the "ECC Info" page is
// an EccPage (ecc_page.h).
//
// Files: sort_main_form_build.cpp (the controls of the five pages), sort_main_form.cpp (opening,
// closing, the view calls, Save Log), sort_main_form_grid.cpp (the run-time die grid, the die
// drawing, the LUN redraw, the lights, the detail view).
//
// One instance, SortMainForm, made by the program entry's maker at the window's place among the
// forms and kept to the end. Everything runs on the GUI thread; the window is shown modally.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/dialog_slots.h"
#include "sorting/die_grid.h"
#include "sorting/sort_result_view.h"
#include "sorting/sort_results.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTreeWidget;
class QWidget;
class TMainForm;

namespace forms {
class LabeledEdit;
class Shape;
}  // namespace forms

namespace sorting {
class EccPage;
}

// The LUN of the die drawn last; the Info buttons open that LUN's report.
extern std::uint8_t g_ucCurrentLun;

class TSortMainForm : public QDialog, public sorting::SortResultView, public app::SortResultWindow {
    Q_OBJECT
  public:
    // How the opening reads the drive: the results' ParseSortingResult unless a test says otherwise.
    using ParseStep =
        std::function<int(sorting::SortResults& results, std::uint8_t port, sorting::SortResultView& view)>;

    explicit TSortMainForm(QWidget* parent = nullptr, std::unique_ptr<sorting::SortResults> results = nullptr);
    ~TSortMainForm() override;

    sorting::SortResults& Results() { return *results_; }
    void SetParseStep(ParseStep step) { parse_ = std::move(step); }

    // app::SortResultWindow: modal showing.
    void ShowModal() override;

    // Handlers (Part names).
    void FormShow(QObject* sender);
    // The closing sequence; false when a threshold edit does not hold a number (the close is
    // refused, nothing saved or freed).
    bool FormClose(QObject* sender);
    void Lun0_RBClick(QObject* sender);
    void RefineLight_BtnClick(QObject* sender);
    void Result_InfoClick(QObject* sender);
    void ShowSortingDetail(std::uint8_t channel, std::uint8_t bank);
    void ExitDetailMemo_BtnClick(QObject* sender);
    void SaveLog_BtnClick(QObject* sender);

    // sorting::SortResultView: what the parse does to the window.
    void AddRow(sorting::ResultList list, const sorting::ListRow& row) override;
    void SetText(sorting::ResultText edit, const std::string& text) override;
    void SetCounter(sorting::ResultCounter view, const std::string& text) override;
    std::uint32_t TotalResultColour() const override;
    void SetTotalResultColour(std::uint32_t colour) override;
    void SetResult2UI(std::uint8_t channel, std::uint8_t dieNumber, std::uint8_t lun, std::uint8_t bank) override;
    void CheckLunRadio(unsigned lun) override;
    void SetECCInfo2UI(std::uint8_t channel, std::uint8_t fwBank, std::uint8_t lun) override;
    void SetRDTSetting2UI(const sorting::EchoRowList& rows) override;
    void SetLight2UI() override;

    // Controls (objectName = member name).
    QTabWidget* SortPageControl = nullptr;
    QWidget* TabSheet1 = nullptr;  // "RDT Bad"
    QWidget* TabSheet2 = nullptr;  // "Bad Block Info"
    QWidget* TabSheet3 = nullptr;  // "Detail Result"
    QWidget* TabSheet4 = nullptr;  // "ECC Info"
    QWidget* TabSheet5 = nullptr;  // "Common Info"

    QLabel* TotalResult_Panel = nullptr;
    forms::LabeledEdit* RDTBad_Result_LE = nullptr;
    forms::LabeledEdit* RDTBad_SN_LE = nullptr;
    forms::LabeledEdit* RDTBad_Runtime_LE = nullptr;
    forms::LabeledEdit* RDTBad_Temp_LE = nullptr;
    QGroupBox* ErrorTypeCount_GB = nullptr;
    forms::LabeledEdit* Total_Fail_View = nullptr;
    forms::LabeledEdit* ECC_Fail_Thd_View = nullptr;
    forms::LabeledEdit* ECC_Fail_View = nullptr;
    forms::LabeledEdit* Pg_Fail_View = nullptr;
    forms::LabeledEdit* Erase_Fail_View = nullptr;
    forms::LabeledEdit* Empty_Page_Fail_View = nullptr;
    QTreeWidget* RDTBad_ListView = nullptr;
    QGroupBox* ErrorCode_GB = nullptr;
    QPushButton* SaveLog_Btn = nullptr;

    QTreeWidget* FactoryBad_ListView = nullptr;
    QTreeWidget* AllBad_ListView = nullptr;

    QGroupBox* GroupBox2 = nullptr;
    QGroupBox* LunSelect_GB = nullptr;
    QRadioButton* Lun0_RB = nullptr;
    QRadioButton* Lun1_RB = nullptr;
    QRadioButton* Lun2_RB = nullptr;
    QRadioButton* Lun3_RB = nullptr;
    QGroupBox* SSDBadBlockCount_GB = nullptr;
    forms::LabeledEdit* SSD_Bad_LabE = nullptr;
    forms::LabeledEdit* SSD_Factory_LabE = nullptr;
    QGroupBox* RefineLight_GB = nullptr;
    forms::Shape* RedLight_Shape = nullptr;
    forms::Shape* YellowLight_Shape = nullptr;
    forms::Shape* GreenLight_Shape = nullptr;
    forms::LabeledEdit* YellowUnder_LabE = nullptr;
    forms::LabeledEdit* GreenUnder_LabE = nullptr;
    QCheckBox* Enable_RefineLightCB = nullptr;
    QPushButton* RefineLight_Btn = nullptr;
    QPlainTextEdit* DetailMemo = nullptr;
    QPushButton* ExitDetailMemo_Btn = nullptr;

    // The hidden template panel and its fifteen controls (Result_Panel first), by DieControl.
    std::array<QWidget*, sorting::kDieControlCount> ResultTemplate{};
    QWidget* Result_Panel = nullptr;

    QTreeWidget* RDTSetting_ListView = nullptr;
    QTreeWidget* Tprogram_ListView = nullptr;

    // The run-time die controls, indexed channel x 4 + bank, by DieControl (null outside an opening).
    std::array<std::array<QWidget*, 32>, sorting::kDieControlCount> DieControls{};

  protected:
    void showEvent(QShowEvent* event) override;
    // Every way of closing (the title bar, Escape, accept or reject) runs the closing sequence.
    void done(int result) override;

  private:
    void BuildLayout();
    void BuildRdtBadPage();
    void BuildBadBlockPage();
    void BuildDetailPage();
    void BuildCommonPage();
    void BuildDieTemplate();
    // A die control of `kind` at its place for (channel, bank), with its first text; a panel hidden.
    QWidget* NewDieControl(sorting::DieControl kind, QWidget* parent, unsigned channel, unsigned bank);

    // The opening's steps 3 to 9 and the grid.
    void ResetResultDisplays();
    void ShowLunRadios();
    void BuildDieGrid();
    void FreeDieGrid();
    void PrepareEccSelectors();
    QWidget* DieWidget(sorting::DieControl kind, unsigned channel, unsigned bank) const;
    // Colours the die's shape and gives its header (channel, CE and status labels) the text colour that
    // reads on it.
    void PaintDieShape(unsigned channel, unsigned bank, std::uint32_t colour);
    unsigned SelectedLun() const;
    QRadioButton* LunRadio(unsigned lun) const;
    forms::LabeledEdit* TextEdit(sorting::ResultText edit) const;
    forms::LabeledEdit* CounterView(sorting::ResultCounter view) const;
    QTreeWidget* List(sorting::ResultList list) const;
    void LoadDetailReport(const std::string& path);
    // The opener's port and serial text into the results (the parse and the save read them there).
    sorting::SortResults& OpenerToResults();

    std::unique_ptr<sorting::SortResults> results_;
    std::unique_ptr<sorting::EccPage> eccPage_;
    ParseStep parse_;
};

// The one instance (null until the maker runs and after the window is destroyed).
extern TSortMainForm* SortMainForm;

namespace sorting {

// The program entry's maker: creates SortMainForm and registers it as the sorting-result window.
std::unique_ptr<QWidget> MakeSortMainForm(TMainForm& main);

}  // namespace sorting
