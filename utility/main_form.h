// Vellumin's main window: the drive list, the six information pages, the gauge and the two buttons.
// Laid out in code; every control is a member whose objectName is its name.
//
// Where the handlers live:
//   main_form.cpp          constructor, destructor, show, close, the list and its scan, the buttons
//   main_form_build.cpp    the controls
//   main_form_refresh.cpp  UpdateInfo, the save-all and the report sections
//   main_form_pages.cpp    the page writers (SSD info, firmware parameters, erase counts, SMART)
#pragma once

#include <QMainWindow>
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "forms/controls.h"
#include "utility/page_text.h"
#include "utility/report_thread.h"

class QFrame;
class QGroupBox;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QTreeWidget;
class QWidget;

namespace vellumin {

inline constexpr const char* kToolVersion = "1.07";
// The colours of the gauge (0x00BBGGRR): yellow while a refresh runs, lime when the report is done.
inline constexpr std::uint32_t kGaugeYellow = 0x0000FFFF, kGaugeLime = 0x0000FF00;

class TMainForm : public QMainWindow {
    Q_OBJECT

  public:
    explicit TMainForm(QWidget* owner = nullptr);
    ~TMainForm() override;

    void FormShow();
    void GetQVDevice();
    void DeviceListViewSelectItem(int row, bool selected);
    void Button1Click();
    void SaveUartLogButtonClick();
    void UpdateInfo(bool flag);

    bool GetSSDInfo(std::uint8_t* buffer);
    void ShowSSDInfo(int port, std::uint8_t* buffer);
    void ShowFWParamInfo(int port, std::uint8_t* buffer);
    void ShowEraseCount(int port, std::uint8_t* buffer);
    void ShowSMARTInfo(int port, std::uint8_t* buffer);

    // The gauge colour last set.
    std::uint32_t GaugeColour() const { return gaugeColour_; }
    bool Refreshing() const { return busy_; }

    // Controls.
    QMenuBar* MainMenu = nullptr;
    QObject* SaveDialog = nullptr;
    QFrame* TopPanel = nullptr;
    QTreeWidget* DeviceListView = nullptr;
    QFrame* BottomPanel = nullptr;
    forms::TCGauge* CGauge1 = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QWidget* TabSheet4 = nullptr;
    QWidget* TabSheet5 = nullptr;
    QWidget* TabSheet6 = nullptr;
    QGroupBox* SSDSettingGroupBox = nullptr;
    QPlainTextEdit* SSDSettingMemo = nullptr;
    QGroupBox* FlashInfoGroupBox = nullptr;
    QPlainTextEdit* FlashInfoMemo = nullptr;
    QGroupBox* FwInfoGroupBox = nullptr;
    QPlainTextEdit* FwInfoMemo = nullptr;
    QGroupBox* EraseCountGroupBox = nullptr;
    QPlainTextEdit* EraseCountMemo = nullptr;
    QGroupBox* BadBlockSummaryGroupBox = nullptr;
    QPlainTextEdit* BadBlockSummaryMemo = nullptr;
    QGroupBox* DetailedBadBlockInfoGroupBox = nullptr;
    QPlainTextEdit* DetailedBadBlockInfoMemo = nullptr;
    QGroupBox* StandardSmartGroupBox = nullptr;
    QTableWidget* StandardSmartInfoStringGrid = nullptr;
    QPlainTextEdit* SmartInfoMemo = nullptr;
    QGroupBox* VendorSmartGroupBox = nullptr;
    QTableWidget* SmartStringGrid = nullptr;
    QGroupBox* DeviceInfoGroupBox = nullptr;
    QPlainTextEdit* DeviceInfoMemo = nullptr;
    QGroupBox* UartLogGroupBox = nullptr;
    QPlainTextEdit* UartLogMemo = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;

    // One report thread slot per device index.
    std::array<std::unique_ptr<TMyThread>, 16> m_pThread;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    friend class TMyThread;  // the thread's synchronised calls move the gauge

    void BuildControls();
    void BuildPages();
    void FreeThreads();
    void ClearControls();
    void SetGaugeColour(std::uint32_t colour);
    void GaugeStep();
    void SetMemoLines(QPlainTextEdit* memo, const Lines& lines);
    void AddMemoLine(QPlainTextEdit* memo, const std::string& line);
    void SetGridRows(QTableWidget* grid, const Grid& rows);
    void OnListSelectionChanged();
    // Puts the list's selection back on `row` (or none) without raising the handler.
    void SelectRowQuietly(int row);
    void EndSaveAllWithoutThread();

    std::uint32_t gaugeColour_ = kGaugeYellow;
    bool busy_ = false;            // a refresh or a save is running
    bool closeRequested_ = false;  // a close arrived meanwhile: done when it ends
    bool shown_ = false;
    int selectedRow_ = -1;         // the row the list shows selected
    std::string systemInfoPath_;   // what g_pSystemInfoPath points at during a save-all refresh
    Lines fwInfoLines_;            // FwInfoMemo's lines (flash IDs, then the parameter structures)
};

}  // namespace vellumin
