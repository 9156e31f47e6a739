#include "forms/timer_set.h"

#include <QThread>
#include <QTimer>
#include <algorithm>
#include <climits>

#include "forms/gui_call.h"

namespace forms {

TimerSet::TimerSet(Handler onTimer) : onTimer_(std::move(onTimer)) {}

TimerSet::~TimerSet() = default;

QTimer& TimerSet::TimerFor(int id) {
    std::unique_ptr<QTimer>& slot = timers_[id];
    if (!slot) {
        slot = std::make_unique<QTimer>();
        QObject::connect(slot.get(), &QTimer::timeout, &context_, [this, id] {
            if (onTimer_) onTimer_(id);
        });
    }
    return *slot;
}

bool TimerSet::SetTimer(int id, unsigned ms) {
    const int interval = static_cast<int>(std::clamp<unsigned>(ms, 1, INT_MAX));
    return CallIn(&context_, [&] {
        QTimer& timer = TimerFor(id);
        timer.start(interval);
    });
}

bool TimerSet::KillTimer(int id) {
    bool wasActive = false;
    CallIn(&context_, [&] {
        const auto it = timers_.find(id);
        if (it == timers_.end() || !it->second->isActive()) return;
        it->second->stop();
        wasActive = true;
    });
    return wasActive;
}

void TimerSet::KillAll() {
    CallIn(&context_, [&] {
        for (auto& [id, timer] : timers_) timer->stop();
    });
}

bool TimerSet::IsActive(int id) const {
    return Interval(id) != 0;
}

unsigned TimerSet::Interval(int id) const {
    unsigned interval = 0;
    CallIn(&context_, [&] {
        const auto it = timers_.find(id);
        if (it != timers_.end() && it->second->isActive()) interval = static_cast<unsigned>(it->second->interval());
    });
    return interval;
}

}  // namespace forms
