// Window timers by id, owned by a form: SetTimer arms (or re-arms) a repeating timer that delivers its
// id to the form's handler until KillTimer. Ids are the form's own (watchdogs 1 to 16, 129, 131, 132).
// The set lives on the thread that created it (the GUI thread); SetTimer and KillTimer called from
// another thread take effect there before they return (a blocking call, so a worker that kills its
// watchdog knows it will not fire afterwards).
#pragma once

#include <QObject>
#include <functional>
#include <map>
#include <memory>

class QTimer;

namespace forms {

class TimerSet {
  public:
    using Handler = std::function<void(int id)>;

    explicit TimerSet(Handler onTimer);
    ~TimerSet();
    TimerSet(const TimerSet&) = delete;
    TimerSet& operator=(const TimerSet&) = delete;

    // Arms timer `id` to fire every `ms` milliseconds (at least 1); re-arming restarts it with the new
    // interval. False when the call could not reach the owning thread.
    bool SetTimer(int id, unsigned ms);
    // Stops timer `id`; false when it was not armed.
    bool KillTimer(int id);
    void KillAll();
    bool IsActive(int id) const;
    unsigned Interval(int id) const;  // 0 when not armed

  private:
    QTimer& TimerFor(int id);

    Handler onTimer_;
    mutable QObject context_;  // the owning thread, for calls from other threads
    // Kept after KillTimer (only stopped): a handler may kill its own timer while it is being delivered.
    std::map<int, std::unique_ptr<QTimer>> timers_;
};

}  // namespace forms
