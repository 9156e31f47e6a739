// The sorting-result fetch run ("Scan Device"): one worker per selected and connected drive, the
// wait that serves the GUI thread, the result boxes; and the read of one drive's results.
#include <QFrame>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <cstring>
#include <memory>
#include <vector>

#include "app/main_form.h"
#include "app/panel_thread.h"
#include "app/run_state.h"
#include "app/sort_fetch.h"
#include "forms/colours.h"
#include "forms/gui_call.h"
#include "forms/message_pump.h"
#include "forms/ui_port.h"
#include "platform/cancel.h"
#include "settings/records.h"
#include "transport/trace.h"

namespace {

void SetLines(QPlainTextEdit* memo, const std::vector<std::string>& lines) {
    memo->clear();
    for (const std::string& line : lines) memo->appendPlainText(QString::fromLatin1(line.c_str()));
    QTextCursor caret = memo->textCursor();
    caret.movePosition(QTextCursor::Start);
    memo->setTextCursor(caret);
}

}  // namespace

void TMainForm::ScanSortResult_btnClick(QObject*) {
    TraceOut("ScanSortResult Click !\n");
    Main_RDTSettingMemo->clear();
    for (int d = 0; d < kDeviceCount; ++d) {
        EasyResult_GB[d]->setEnabled(false);
        EasyResult_GB[d]->setTitle(QString());
        EasyResult_Memo[d]->clear();
        forms::SetColour(EasyResult_Memo[d], kColourSilver);
    }
    MultiGetSORTResult();
    for (int d = 0; d < kDeviceCount; ++d) {
        if (!DeviceConnected(d)) continue;
        const int port = g_DeviceToPortMap[d];
        const app::SortResultBoxes b = app::SortResultBoxesFor(g_ucSortResult[d], port);
        if (b.panelEnabled) ResultPanel[d]->setEnabled(*b.panelEnabled);
        if (b.panelColour) forms::SetColour(ResultPanel[d], *b.panelColour);
        if (b.caption) EasyResult_GB[d]->setTitle(QString::fromLatin1(b.caption->c_str()));
        if (b.groupEnabled) EasyResult_GB[d]->setEnabled(*b.groupEnabled);
        if (b.memoColour) forms::SetColour(EasyResult_Memo[d], *b.memoColour);
        if (b.summary) {
            SetLines(EasyResult_Memo[d],
                     b.summaryLines ? app::SortSummaryLines(m_SortSummary[d]) : std::vector<std::string>{});
        }
    }
}

int TMainForm::MultiGetSORTResult() {
    // 1. Cleared tables.
    std::memset(&m_DieTestInfo, 0, sizeof m_DieTestInfo);
    for (auto& s : m_SortSummary) s = app::SortSummary{};
    for (auto& device : m_SortError) {
        for (auto& e : device) e = app::SortErrorEntry{};
    }
    std::memset(g_ucSortResult, app::kSortNotFetched, sizeof g_ucSortResult);
    // 2. The panel thread.
    if (g_nEnabledPortNum != 0) {
        forms::ProcessMessages();
        g_pMyThread = std::make_unique<TMyThread>(*this);
    }
    // 3. and 4. The settings as the controls hold them.
    UpdateUI2Struct();
    ChangeGlobalParameter();
    if (CheckNandMemBin() == 0) TraceOut("######### - ScanSortResult! - CheckNandMemBin\n");
    // 5. One block and one worker per selected and connected device, at most g_nEnabledPortNum.
    const int limit = std::min<int>(g_nEnabledPortNum, kDeviceCount);
    std::vector<std::unique_ptr<app::ThreadParam>> params;
    std::vector<int> devices;
    for (int d = 0; d < kDeviceCount; ++d) {
        TraceOut("######### - 1 - [%d]g_SelectedDevice is 0x%02X\n", d, g_SelectedDevice);
        if (static_cast<int>(params.size()) >= limit) break;
        if (!DeviceSelected(d) || g_DeviceToPortMap[d] == kNoPort) continue;
        TraceOut("######### - g_DeviceToPortMap[%d] is %d\n", d, g_DeviceToPortMap[d]);
        if (!DeviceConnected(d)) continue;
        auto param = std::make_unique<app::ThreadParam>();
        param->form = this;
        param->timers = &m_Timers;
        param->port = g_DeviceToPortMap[d];
        param->device = d;
        param->AP_INIState_Thread = AP_INIState;
        app::ResetOutcomeClaim(d);
        app::ThreadParam* p = param.get();
        m_hThread[d] = std::make_unique<forms::WorkerThread>(
            [p](forms::WorkerThread&) { return app::DeviceSortResultThread(*p); });
        params.push_back(std::move(param));
        if (m_hThread[d]->Start()) {
            devices.push_back(d);
        } else {
            forms::Ui().ShowMessage(QString::asprintf("Create thread fail[%d]", d).toStdString());
            m_hThread[d].reset();
        }
    }
    // 6. Wait for every worker started, whatever its exit code, serving the GUI thread.
    WaitForWorkers(devices);
    // 7. and 8. Blocks freed, threads closed.
    params.clear();
    for (int d : devices) {
        TraceOut("######### - Close thread %d\n", d);
        m_hThread[d].reset();
    }
    // 9. The panel thread stopped, the panels repainted.
    if (g_pMyThread) {
        g_pMyThread->Finish();
        g_pMyThread.reset();
    }
    forms::ProcessMessages();
    UpdateDrawPanel();
    return 1;
}

std::uint8_t TMainForm::GetDeviceSortResult(std::uint8_t port, std::uint8_t device) {
    if (device >= kDeviceCount) return app::kSortCmdFail;
    const app::DeviceSortTables tables{&m_DieTestInfo[device], &m_SortSummary[device], m_SortError[device]};
    app::SortReadOutput output;
    output.message = [](const std::string& text) { forms::Ui().ShowMessage(text); };
    output.settingsBanner = [this](const std::vector<std::string>& lines) {
        if (!forms::CallOnGui([&] { SetLines(Main_RDTSettingMemo, lines); })) throw platform::Cancelled();
    };
    return app::ReadDeviceSortResult(port, device, tables, output);
}
