#include "transport/port_guard.h"

#include <array>

#include "transport/port_instance.h"

namespace transport {

std::unique_lock<std::recursive_mutex> LockPort(int port) {
    static std::array<std::recursive_mutex, kPortCount> locks;
    return std::unique_lock(locks[static_cast<std::size_t>(port)]);
}

}  // namespace transport
