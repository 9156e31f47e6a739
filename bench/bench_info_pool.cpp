// Resident memory of Vellumin's per-port pool: after AllocInfoPortBuffers and one ClearInfoPortBuffers
// (which touches the first page of each buffer), as a share of the bytes the pool maps. Target: under 2 %.
#include <cstdio>

#include "resident_memory.h"
#include "utility/device_state.h"

int main() {
    const long before = VmRssKb();
    if (!vellumin::AllocInfoPortBuffers()) {
        std::printf("AllocInfoPortBuffers failed\n");
        return 1;
    }
    const long allocated = VmRssKb();
    vellumin::ClearInfoPortBuffers();
    const long cleared = VmRssKb();
    const double mappedKb = static_cast<double>(vellumin::InfoPoolBytes()) / 1024;
    const double share = 100.0 * static_cast<double>(cleared - before) / mappedKb;
    std::printf("pool mapped: %.0f kB\n", mappedKb);
    std::printf("VmRSS before: %ld kB, after AllocInfoPortBuffers: %ld kB, after ClearInfoPortBuffers: %ld kB\n",
                before, allocated, cleared);
    std::printf("resident share of the pool: %.2f %% (target < 2 %%)\n", share);
    vellumin::FreeInfoPortBuffers();
    return share < 2.0 ? 0 : 2;
}
