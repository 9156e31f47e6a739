// TDeviceInfoForm: one drive's identify texts, capacity and GPIO straps ("Info"), the flash ID of
// every configured die position with a pass/fail mark ("Flash ID") and the first 4 KB of controller
// RAM ("Read SRAM"). Created at start-up, shown modally after m_nPort and m_nDeviceNum are set; the
// two tabs that read the drive read it on every visit.
#pragma once

#include <QDialog>

#include "app/dialog_slots.h"

class QGroupBox;
class QLabel;
class QTabWidget;
class QTreeWidget;
namespace forms {
class LabeledEdit;
}
namespace dialogs {
class DumpGrid;
}

class TDeviceInfoForm : public QDialog, public app::DeviceInfoWindow {
    Q_OBJECT
  public:
    explicit TDeviceInfoForm(QWidget* parent = nullptr);
    ~TDeviceInfoForm() override;

    void ShowModal() override;
    void FormShow(QObject* sender);
    // Fills the tab that has become active.
    void DeviceInfoPageControlChange(QObject* sender);

    QTabWidget* DeviceInfoPageControl = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    forms::LabeledEdit* ModelNumberLabeledEdit = nullptr;
    forms::LabeledEdit* FWVersionLabeledEdit = nullptr;
    forms::LabeledEdit* SerialNumberLabeledEdit = nullptr;
    forms::LabeledEdit* CapacityLabeledEdit = nullptr;
    QLabel* GPIOSettingLabel = nullptr;
    QTreeWidget* FlashIDListView = nullptr;
    dialogs::DumpGrid* ReadSRAMStringGrid = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // The form and page-control sizes of the "Info" and "Flash ID" tabs (small) or "Read SRAM",
    // then centred.
    void SetSizes(bool large);
    void FillFlashIdTab();
    void FillSramTab();
};
