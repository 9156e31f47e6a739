// TWatermarkForm: a border-less, transparent window over the main window that shows only its red
// label, configured in "Tamrel.ini" ([Setting] EnWatermark, WatermarkString, WatermarkLocation) in
// the program folder; a missing file or key gives the defaults. The main window moves it along.
#pragma once

#include <QWidget>
#include <string>

#include "app/dialog_slots.h"

class QLabel;

namespace dialogs {

struct WatermarkSettings {
    bool enabled = false;
    std::string text = "Watermark String";
    int location = 0;
};
WatermarkSettings ReadWatermarkSettings();
// Location 0: 220 right of the main window's left edge, at its top; otherwise the screen's corner.
QPoint WatermarkPlace(int location, QPoint mainTopLeft);

}  // namespace dialogs

class TWatermarkForm : public QWidget, public app::WatermarkWindow {
    Q_OBJECT
  public:
    // Reads its settings and takes its place beside the main window's top-left corner. With an owner
    // (the main window) it is a tool window of the owner, kept above it.
    explicit TWatermarkForm(QPoint mainTopLeft, QWidget* owner = nullptr);
    ~TWatermarkForm() override;

    void MoveTo(int left, int top) override;
    // Does nothing: the constructor did the work.
    void FormShow(QObject*) {}

    QLabel* WatermarkLabel = nullptr;
    bool m_bEnWatermark = false;
    int m_nWatermarkLocation = 0;

  protected:
    // The owner's showing raises the watermark over it (also where no window manager keeps a tool
    // window above its owner).
    bool eventFilter(QObject* watched, QEvent* event) override;
};
