// Texts of the run that need no window: the elapsed time and the run's start lock rules.
#pragma once

#include <cstdint>
#include <string>

namespace app {

// "<h> Hour <m> Min <s> Sec", each part only when it is not 0 ("" for 0 seconds).
std::string ElapsedText(std::uint64_t seconds);

}  // namespace app
