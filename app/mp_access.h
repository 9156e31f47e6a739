// "QVMPAcess", the named lock that makes enumerations and panel repaints exclusive, in this
// program and between two running copies. Owned recursively: a repaint inside an enumeration takes
// it again. On the GUI thread the wait serves events between attempts (still without a time
// limit), so a fixture worker holding the lock can have its calls run on the GUI thread.
#pragma once

namespace app {

class MpAccessGuard {
  public:
    MpAccessGuard();
    ~MpAccessGuard();
    MpAccessGuard(const MpAccessGuard&) = delete;
    MpAccessGuard& operator=(const MpAccessGuard&) = delete;
};

}  // namespace app
