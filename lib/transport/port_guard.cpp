#include "transport/port_guard.h"

#include <array>

#include "transport/port_instance.h"

namespace transport {

namespace {

// One cache line per lock, so ports driven from different threads never share a line.
struct alignas(64) PortLock {
    std::recursive_mutex mutex;
};

}  // namespace

std::unique_lock<std::recursive_mutex> LockPort(int port) {
    static std::array<PortLock, kPortCount> locks;
    return std::unique_lock(locks[static_cast<std::size_t>(port)].mutex);
}

}  // namespace transport
