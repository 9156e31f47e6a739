#include "settings/idema_capacity.h"

#include <cmath>

namespace settings {

float IdemaTenthsToCapacity(std::uint16_t tenths) {
    return static_cast<float>(tenths) / 10.0f;
}

std::uint16_t IdemaCapacityToTenths(float capacity) {
    // The product stays in single precision: rounding it to float is what makes n / 10 * 10 give n
    // back for every 16-bit n (in double precision a quarter of them would come back one lower).
    const float product = capacity * 10.0f;
    if (!std::isfinite(product) || product <= -2147483648.0f || product >= 2147483648.0f) return 0;
    return static_cast<std::uint16_t>(static_cast<std::int32_t>(product));
}

}  // namespace settings
