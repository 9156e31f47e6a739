// The drive's report thread (bad-block statistics, UART log and the rest of the saved report). The
// refresh keeps one slot per device index; freeing a slot stops its thread and waits for it.
#pragma once

namespace vellumin {

class TMyThread {
  public:
    virtual ~TMyThread() = default;
};

}  // namespace vellumin
