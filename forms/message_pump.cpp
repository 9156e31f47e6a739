#include "forms/message_pump.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdint>

#include "platform/clock.h"

namespace forms {

namespace {
constexpr unsigned kVirtualSliceMs = 10;
}

bool IsGuiThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

void ProcessMessages() {
    if (!IsGuiThread()) return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool PumpUntil(const std::function<bool()>& done, long long timeoutMs) {
    if (!IsGuiThread()) return done();
    const QDeadlineTimer deadline =
        timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(timeoutMs, Qt::PreciseTimer);
    QTimer wake;  // its event ends the sleep of processEvents when nothing else arrives in time
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        if (!deadline.isForever()) {
            wake.start(static_cast<int>(std::clamp<qint64>(deadline.remainingTime(), 1, 60'000)));
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

unsigned DelayWithMessages(unsigned ms) {
    if (ms == 0) return 0;
    platform::Clock& clock = platform::CurrentClock();
    const std::uint64_t start = clock.NowMs();
    auto elapsed = [&] { return clock.NowMs() - start; };
    auto result = [&] { return static_cast<unsigned>(std::min<std::uint64_t>(elapsed(), UINT32_MAX)); };
    if (!IsGuiThread()) {
        platform::Sleep(ms);
        return result();
    }
    if (dynamic_cast<platform::SystemClock*>(&clock) == nullptr) {
        // A test's clock: time moves only by sleeping on it.
        for (;;) {
            ProcessMessages();
            const std::uint64_t passed = elapsed();
            if (passed >= ms) return result();
            platform::Sleep(static_cast<unsigned>(std::min<std::uint64_t>(ms - passed, kVirtualSliceMs)));
        }
    }
    ProcessMessages();
    for (std::uint64_t passed = elapsed(); passed < ms; passed = elapsed()) {
        PumpUntil([] { return false; }, static_cast<long long>(ms - passed));
    }
    return result();
}

}  // namespace forms
