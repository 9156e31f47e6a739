// TErrorLogForm: the failure of one drive's last MP run as readable lines (error_log_lines.h) in a
// read-only memo. Created at start-up, shown modally by the main window after it sets m_nPort and
// m_nDeviceNum; every showing decodes afresh.
#pragma once

#include <QDialog>

#include "app/dialog_slots.h"

class QPlainTextEdit;

class TErrorLogForm : public QDialog, public app::ErrorLogWindow {
    Q_OBJECT
  public:
    explicit TErrorLogForm(QWidget* parent = nullptr);
    ~TErrorLogForm() override;

    void ShowModal() override;
    void FormShow(QObject* sender);

    QPlainTextEdit* ErrLogMemo = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;
};
