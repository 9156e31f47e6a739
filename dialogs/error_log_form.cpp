#include "dialogs/error_log_form.h"

#include <QPlainTextEdit>
#include <QShowEvent>

#include "dialogs/dialog_common.h"
#include "dialogs/error_log_lines.h"
#include "transport/trace.h"

TErrorLogForm::TErrorLogForm(QWidget* parent) : QDialog(parent) {
    setObjectName("ErrorLogForm");
    setWindowTitle("Error Log");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(644, 471);
    ErrLogMemo = new QPlainTextEdit(this);
    ErrLogMemo->setObjectName("ErrLogMemo");
    ErrLogMemo->setGeometry(8, 8, 628, 455);
    ErrLogMemo->setReadOnly(true);
    ErrLogMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    ErrLogMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ErrLogMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ErrLogMemo->setPlainText("Error Log Memo");
    dialogs::CentreOnScreen(*this);
}

TErrorLogForm::~TErrorLogForm() {
    app::UnregisterIfCurrent<app::ErrorLogWindow, app::RegisterErrorLogWindow>(this);
}

void TErrorLogForm::ShowModal() {
    exec();
}

void TErrorLogForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow(this);
}

void TErrorLogForm::FormShow(QObject*) {
    TraceOut("######### - ErrorLog - FormShow - Port %d\n", m_nPort);
    setWindowTitle(QString::asprintf("Error Log Device %d, Port %d", m_nDeviceNum, m_nPort));
    const std::vector<std::string> lines = dialogs::ErrorLogLinesForPort(m_nPort);
    ErrLogMemo->clear();
    for (const std::string& line : lines) dialogs::AppendMemoLine(*ErrLogMemo, line);
}
