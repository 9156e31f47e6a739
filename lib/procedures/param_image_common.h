// Pieces both firmware parameter images share: the port check, the loader-block bits of a die and
// the refusal trace.
#pragma once

#include <cstdint>
#include <string>

#include "transport/port_instance.h"
#include "transport/trace.h"

namespace procedures {

inline bool ValidPort(int port) {
    return port >= 0 && port < kPortCount;
}

// Bit n set for each of the die's two loader blocks numbered n (below 8).
inline std::uint8_t LoaderBlockBits(int port, int channel, int bank) {
    std::uint8_t bits = 0;
    for (int k = 0; k < 2; ++k) {
        const std::uint16_t block = AP_Instance[port].aLoaderBlockNo[channel][bank][k];
        if (block < 8) bits = static_cast<std::uint8_t>(bits | (1U << block));
    }
    return bits;
}

inline bool RefuseImage(int port, const char* writer, const std::string& why) {
    TraceOut("######### - [%d]%s - %s fail!\n", port, writer, why.c_str());
    return false;
}

}  // namespace procedures
