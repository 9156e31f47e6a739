// TMyThread, the panel thread of a run: every 10 ms of real time (a display cadence, not a drive
// wait, so it does not spin under a test's virtual clock) it copies the display slots of the run's
// devices onto their panels in one synchronised call; after the termination request it makes one
// last synchronised refresh and ends. Owned by the run that creates it: Finish (or the destructor)
// asks it to terminate and waits, serving events on the GUI thread.
#pragma once

#include <memory>

#include "forms/worker_thread.h"

class TMainForm;

class TMyThread {
  public:
    // Creates and starts the thread.
    explicit TMyThread(TMainForm& form);
    ~TMyThread();
    TMyThread(const TMyThread&) = delete;
    TMyThread& operator=(const TMyThread&) = delete;

    // Asks the thread to terminate and waits for its end (after its last refresh).
    void Finish();
    bool Finished() const { return thread_.Finished(); }

  private:
    std::uint32_t Execute(forms::WorkerThread& self);

    TMainForm& form_;
    forms::WorkerThread thread_;
};

// The panel thread of the current run (null between runs).
extern std::unique_ptr<TMyThread> g_pMyThread;
