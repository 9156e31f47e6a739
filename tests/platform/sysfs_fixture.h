// The hand-written sysfs tree of tests/platform/data/sysfs: a USB 2 root hub (bus 1, 4 ports) with a
// JMicron-type bridge disk on port 1 (1-1, usb-storage, sg1/sdb) and a 4-port hub on port 2 (1-2)
// holding an ASMedia-type bridge disk (1-2.1, uas, sg2/sdc), an empty port and two fixture boards
// (1-2.3 hidraw0, 1-2.4 hidraw1); root ports 3 and 4 empty. A USB 3 root hub (bus 2, 2 empty
// ports), a full-speed root hub (bus 3) and a SATA disk (sg0/sda) that is not USB.
#pragma once

#include <filesystem>

namespace fixture {

inline std::filesystem::path SysfsRoot() {
    return std::filesystem::path(QV_SOURCE_DIR) / "tests/platform/data/sysfs";
}

// A copy of the tree that a test may change.
inline std::filesystem::path CopySysfs(const std::filesystem::path& to) {
    std::filesystem::remove_all(to);
    std::filesystem::copy(SysfsRoot(), to,
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks);
    return to;
}

}  // namespace fixture
