// Resident memory of an idle program before and after the per-port buffers are allocated.
// The target is under 40 MB resident after AllocPortBuffers.
#include <cstdio>
#include <cstring>

#include "resident_memory.h"
#include "transport/port_instance.h"

int main() {
    const long before = VmRssKb();
    if (!AllocPortBuffers()) {
        std::printf("AllocPortBuffers failed\n");
        return 1;
    }
    const long after = VmRssKb();
    // A worker that writes one failure detail and its table page touches only those pages.
    std::memset(g_pMPItemLog[3][17], 0xEE, kItemLogBufSize);
    std::memset(AP_Instance[3].pTablePageBuf, 0, kTablePageBufSize);
    const long touched = VmRssKb();
    FreePortBuffers();
    const long freed = VmRssKb();
    std::printf("VmRSS before AllocPortBuffers: %ld kB\n", before);
    std::printf("VmRSS after AllocPortBuffers:  %ld kB (target < 40960 kB)\n", after);
    std::printf("VmRSS after one port's worker writes: %ld kB\n", touched);
    std::printf("VmRSS after FreePortBuffers:   %ld kB\n", freed);
    return after >= 0 && after < 40 * 1024 ? 0 : 2;
}
