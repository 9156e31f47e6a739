#include "app/sort_status.h"

#include <cstring>

#include "app/run_state.h"
#include "transport/trace.h"

namespace app {

SortStatusAction SortStatusActionFor(std::uint8_t code) {
    switch (code) {
        case 0:
            return {"(RDT-In Preparation)", kColourRunning, 3, 1, 14, false, SortLock::Keep,
                    "PROC_SORT_STATUS SORT FW In Preparation \n"};
        case 1:
            return {"(RDT-Running)", kColourRunning, 3, 1, 14, false, SortLock::On, ""};
        case 2:
            return {"(RDT-Fail)", kColourFail, 1, 2, 16, true, SortLock::Off, "SORT_RESULT_FAIL \n"};
        case 4:
            return {"(RDT-Done)", kColourPass, 1, 4, 15, true, SortLock::Off, "SORT_RESULT_PASS \n"};
        default:
            return {"(RDT-Fail)", kColourFail, 1, 2, 16, true, SortLock::Off,
                    "PROC_SORT_STATUS  not SORT ongoing string \n"};
    }
}

std::optional<std::uint8_t> SortStatusOfReply(const std::uint8_t* reply) {
    if (std::memcmp(reply, "SORT", 4) != 0) return std::nullopt;
    return reply[4];
}

void TraceSortStatusReply(const std::uint8_t* r) {
    TraceOut("%08X - %02X,%02X,%02X,%02X,%02X,%02X,%02X,%02X,%02X,%02X,%02X,%02X,%02X,%02X,%02X,%02X \n", 0u, r[0], r[1],
             r[2], r[3], r[4], r[5], r[6], r[7], r[8], r[9], r[10], r[11], r[12], r[13], r[14], r[15]);
}

}  // namespace app
