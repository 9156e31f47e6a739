#include "settings/shared_record_lock.h"

namespace settings {

std::mutex& SharedRecordLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace settings
