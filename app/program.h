// The forms of the program, created in their order at start-up. An exception out of a constructor
// or creation handler is shown in the application's exception dialog and nothing is created.
#pragma once

#include <memory>

class TMainForm;

namespace app {

std::unique_ptr<TMainForm> CreateForms();

}  // namespace app
