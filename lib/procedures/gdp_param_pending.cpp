#include "procedures/gdp_param_pending.h"

#include <algorithm>
#include <cstring>

bool PatchGdpImage(int, std::uint8_t*, std::size_t) {
    return true;
}

bool Write_GDP_Init_Param(int, std::uint8_t* buffer, std::size_t size) {
    if (buffer == nullptr || size < 1536) return false;
    std::memset(buffer, 0, 1536);
    return true;
}
