// The drive's report thread: the bad-block statistics, the UART log and, in save-all mode, their
// report sections. It starts when created; the refresh keeps one per device index. Destroying it asks
// it to stop and waits (serving events on the GUI thread): a thread stopped early still finishes its
// bad-block report, leaves the UART reading at its next pass and runs its last steps.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace forms {
class WorkerThread;
}

namespace vellumin {

class TMainForm;

class TMyThread {
  public:
    TMyThread(TMainForm* form, const char* systemInfoPath, std::uint8_t device);
    virtual ~TMyThread();
    TMyThread(const TMyThread&) = delete;
    TMyThread& operator=(const TMyThread&) = delete;

    bool Finished() const;
    const std::string& SummaryText() const { return summary_; }
    const std::string& DetailText() const { return detail_; }
    const std::string& UartText() const { return uart_; }

  private:
    void Execute();
    void GetBadBlockReport();
    void ShowBadBlockSummary();
    void ShowBadBlockDetail();
    void ShowUartLog();
    void ParseUartLogInfo();
    void WriteUartLogToFile(const char* chunk);

    TMainForm* form_;
    std::uint8_t device_;
    std::string summary_, detail_, uart_;
    std::string systemInfoPath_;
    std::unique_ptr<forms::WorkerThread> worker_;
};

}  // namespace vellumin
