// TLunSelectForm: one panel per channel and CE taking part, one check box per LUN. Showing ticks
// the boxes from gLunStatus.LunSelect; closing (whichever way) writes the ticks back. Only channels
// below 8, CEs below 4 and LUNs below 4 are touched, whatever ChNum, CeNum and DiePerCe say.
#pragma once

#include <QDialog>

#include "app/dialog_slots.h"
#include "app/lun_status.h"

class QCheckBox;
class QFrame;
class QLabel;

namespace dialogs {

// `value` limited to 0 to `limit`.
int LunLimit(int value, int limit);
struct LunFormSize {
    int width = 0;
    int height = 0;
};
// ChNum x 120 + 20 wide, CeNum x 60 + 60 high, the counts limited to the 8 x 4 cells.
LunFormSize LunSelectFormSize(int chNum, int ceNum);

}  // namespace dialogs

class TLunSelectForm : public QDialog, public app::LunSelectWindow {
    Q_OBJECT
  public:
    explicit TLunSelectForm(QWidget* parent = nullptr);
    ~TLunSelectForm() override;

    void ShowModal() override;
    void FormShow(QObject* sender);
    void FormClose(QObject* sender);
    void done(int result) override;

    QFrame* Panel[app::kLunChannels][app::kLunCes] = {};
    QLabel* Label[app::kLunChannels][app::kLunCes] = {};
    QCheckBox* CheckBox[app::kLunChannels][app::kLunCes][app::kLunLuns] = {};

  protected:
    void showEvent(QShowEvent* event) override;
};
