#include "dialogs/text_format.h"

#include <cstdarg>
#include <cstdio>

namespace dialogs {

std::string Format(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

}  // namespace dialogs
