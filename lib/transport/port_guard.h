// One lock per port, so that the phases of one command to a drive are never interleaved with
// another command to the same drive from another thread: a tunnelled command holds it across its
// entry and data phases, a vendor command across its packet and data phases (the lock is
// recursive, so the vendor command's own tunnelled commands take it again). Different ports
// never wait for each other.
#pragma once

#include <mutex>

namespace transport {

// `port` must be 0 to 127 (kPortCount - 1).
std::unique_lock<std::recursive_mutex> LockPort(int port);

}  // namespace transport
