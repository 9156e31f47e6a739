#include "utility/report_thread.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "commands/command_sets.h"
#include "forms/controls.h"
#include "forms/ui_port.h"
#include "forms/worker_thread.h"
#include "platform/clock.h"
#include "settings/records.h"
#include "transport/trace.h"
#include "utility/bad_block_info.h"
#include "utility/device_state.h"
#include "utility/main_form.h"
#include "utility/report_files.h"
#include "utility/uart_log.h"

#include <QPlainTextEdit>

namespace vellumin {

TMyThread::TMyThread(TMainForm* form, const char* systemInfoPath, std::uint8_t device)
    : form_(form), device_(device), systemInfoPath_(systemInfoPath != nullptr ? systemInfoPath : "") {
    worker_ = std::make_unique<forms::WorkerThread>([this](forms::WorkerThread&) -> std::uint32_t {
        Execute();
        return 0;
    });
    worker_->Start();
}

TMyThread::~TMyThread() {
    // Asked to stop, never cancelled: the thread runs its last steps before the object goes.
    worker_->RequestTerminate();
    worker_->Wait();
}

bool TMyThread::Finished() const { return worker_->Finished(); }

void TMyThread::Execute() {
    GetBadBlockReport();
    worker_->Synchronize([this] { ShowBadBlockSummary(); });
    worker_->Synchronize([this] { ShowBadBlockDetail(); });
    ParseUartLogInfo();
    worker_->Synchronize([this] { ShowUartLog(); });
}

void TMyThread::GetBadBlockReport() {
    const BadBlockShape shape = CurrentBadBlockShape();
    BadBlockCounters counters{};
    BadBlockTotals totals{};
    std::vector<char> detail(kDetailTextBytes, 0);
    std::vector<std::uint8_t> scratch(kTableBufferBytes, 0);
    const bool ok = VP_GetBadBlockInfo(device_, scratch.data(), counters, totals, detail.data()) == 1;
    summary_ = BadBlockSummaryText(shape, ok, counters, totals);
    detail_ = ok ? std::string(detail.data(), BoundedStrLen(detail.data(), detail.size())) : std::string();
    if (ok && g_nSaveAllMode == 1 && !systemInfoPath_.empty()) {
        AppendReportSection(systemInfoPath_.c_str(), "Bad Block Info", summary_ + "\r\n" + detail_);
    }
}

namespace {

int ThreadGaugeStep() { return g_nSaveAllMode == 1 && g_nDeviceCount > 0 ? 10 / g_nDeviceCount : 10; }

}  // namespace

void TMyThread::ShowBadBlockSummary() {
    form_->BadBlockSummaryMemo->setPlainText(QString::fromStdString(summary_));
    form_->CGauge1->SetProgress(form_->CGauge1->Progress() + ThreadGaugeStep());
}

void TMyThread::ShowBadBlockDetail() {
    form_->DetailedBadBlockInfoMemo->setPlainText(QString::fromStdString(detail_));
    form_->CGauge1->SetProgress(form_->CGauge1->Progress() + ThreadGaugeStep());
}

void TMyThread::ShowUartLog() {
    form_->UartLogMemo->setPlainText(QString::fromStdString(uart_));
    form_->CGauge1->SetProgress(form_->CGauge1->Progress() + 20);
    form_->SetGaugeColour(kGaugeLime);
    if (form_->CGauge1->Progress() == 100) form_->CGauge1->hide();
}

void TMyThread::ParseUartLogInfo() {
    UartLogIo io;
    io.read = [this](std::uint8_t* reply, std::uint32_t sectors, std::uint16_t index) {
        return VC_SYS_GetUartLog(device_, reply, sectors, index);
    };
    io.stopRequested = [this] { return worker_->Terminated(); };
    io.show = [this](const char* message) {
        const std::string text(message);
        worker_->Synchronize([&text] { forms::Ui().ShowMessage(text); });
    };
    if (g_nSaveAllMode == 1) io.chunk = [this](const char* chunk) { WriteUartLogToFile(chunk); };
    io.sleep = [](unsigned ms) { platform::Sleep(ms); };
    uart_ = ReadUartLog(UartReadSectors(AP_FlashSet.wPageSize, AP_FlashSet.ucPlanes), io);
    if (uart_.empty()) uart_ = "NO UART LOG INFO!";
    g_nSaveAllMode = 0;
}

void TMyThread::WriteUartLogToFile(const char* chunk) {
    if (device_ < g_DeviceInfo.size()) {
        char* kept = g_DeviceInfo[device_].sUartLogChunk;
        std::memset(kept, 0, kUartLogChunkBytes);
        std::strncpy(kept, chunk, kUartLogChunkBytes - 1);
    }
    std::FILE* file = std::fopen(g_sUartLogPath.c_str(), "a+");
    if (file == nullptr) return;
    const std::string bytes = TextModeBytes(chunk);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

}  // namespace vellumin
