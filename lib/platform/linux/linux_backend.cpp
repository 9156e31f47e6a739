#include "platform/linux/linux_backend.h"

#include <string>

#include "platform/linux/sg_io.h"

namespace platform::linuxos {

PassThroughResult LinuxBackend::PassThrough(std::string_view path, std::span<const std::uint8_t> cdb,
                                            DataDirection direction, std::span<std::uint8_t> data,
                                            unsigned timeoutSeconds) {
    const std::string p(path);
    return SgIoPassThrough(p.c_str(), cdb, direction, data, timeoutSeconds);
}

}  // namespace platform::linuxos
