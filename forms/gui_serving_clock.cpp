#include "forms/gui_serving_clock.h"

#include <QCoreApplication>

#include "forms/gui_call.h"
#include "forms/message_pump.h"
#include "platform/cancel.h"

namespace forms {

void GuiServingClock::SleepMs(unsigned ms) {
    platform::ThrowIfCancelled();
    if (QCoreApplication::instance() != nullptr && !IsGuiThread()) {
        // Twice: a socket notifier's activation may post the handler's own work.
        CallOnGui([] {
            ProcessMessages();
            ProcessMessages();
        });
    }
    platform::VirtualClock::SleepMs(ms);
}

}  // namespace forms
