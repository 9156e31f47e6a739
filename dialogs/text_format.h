// The printf-style narrow lines of the dialogs' memos and traces, without Qt.
#pragma once

#include <string>

namespace dialogs {

// At most 1,023 characters.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace dialogs
