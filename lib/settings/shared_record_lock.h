// One lock for the few values every MP worker writes into the shared settings records while a
// run is going (the code-copy count of AP_Bins, the read-retry counts and the block-unit stage of
// AP_RDTSet, the retry-table path of AP_Param). Every worker computes the same value, but two
// unsynchronised writes are still a data race; writers and the readers that run beside them take
// this lock.
#pragma once

#include <mutex>

namespace settings {

std::mutex& SharedRecordLock();

}  // namespace settings
