#include "app/run_text.h"

namespace app {

std::string ElapsedText(std::uint64_t seconds) {
    const std::uint64_t hours = seconds / 3600;
    const std::uint64_t minutes = seconds / 60 % 60;
    const std::uint64_t rest = seconds % 60;
    std::string text;
    if (hours != 0) text += std::to_string(hours) + " Hour ";
    if (minutes != 0) text += std::to_string(minutes) + " Min ";
    if (rest != 0) text += std::to_string(rest) + " Sec";
    return text;
}

}  // namespace app
