#include "app/mp_access.h"

#include "forms/message_pump.h"
#include "platform/named_lock.h"

namespace app {

namespace {

// Created on first use and kept for the program's life.
platform::NamedLock& MpAccessLock() {
    static platform::NamedLock lock("QVMPAcess");
    return lock;
}

}  // namespace

MpAccessGuard::MpAccessGuard() {
    platform::NamedLock& lock = MpAccessLock();
    if (!forms::IsGuiThread()) {
        lock.lock();
        return;
    }
    while (!lock.try_lock()) forms::PumpUntil([] { return false; }, 10);
}

MpAccessGuard::~MpAccessGuard() {
    MpAccessLock().unlock();
}

}  // namespace app
