// Stand-ins for the run's handlers until the MP run lands (its own files replace this one): each
// traces its name. ShowYieldCount already shows the counters, as the constructor needs.
#include <QTimer>

#include "app/main_form.h"
#include "app/run_state.h"
#include "settings/records.h"
#include "transport/trace.h"

void TMainForm::ExecuteButtonClick(QObject*) {
    TraceOut("######### - ExecuteButtonClick\n");
}

void TMainForm::StopSpeedButtonClick(QObject*) {
    TraceOut("######### - StopSpeedButtonClick\n");
}

void TMainForm::DevicePanelDblClick(int tag) {
    TraceOut("######### - DevicePanelDblClick %d\n", tag);
}

void TMainForm::AutoTestTimerTimer(QObject*) {
    AutoTestTimer->stop();
    TraceOut("######### - AutoTestTimerTimer\n");
}

void TMainForm::SortStatusTimerTimer(QObject*) {
    TraceOut("######### - SortStatusTimerTimer\n");
}

void TMainForm::SORTStatusClick(QObject*) {
    TraceOut("######### - SORTStatusClick\n");
}

void TMainForm::WatchdogTimer(int nTimerID) {
    m_Timers.KillTimer(nTimerID);
    TraceOut("######### - WatchdogTimer %d\n", nTimerID);
}

int TMainForm::MultiExecuteDevice() {
    TraceOut("######### - MultiExecuteDevice\n");
    return 1;
}

bool TMainForm::CheckBinBeforeExecute() {
    TraceOut("######### - CheckBinBeforeExecute\n");
    return false;
}

void TMainForm::ShowYieldCount() {
    YieldLabeledEdit->SetText(QString::asprintf("%d / %d", AP_INIState.NumberOfPass, AP_INIState.TotalTestCount));
}

void TMainForm::ResetYieldButtonClick(QObject*) {
    TraceOut("######### - ResetYieldButtonClick\n");
}
