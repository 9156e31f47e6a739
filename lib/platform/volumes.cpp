#include "platform/volumes.h"

#include "platform/backend.h"

namespace platform {

std::vector<Volume> ListVolumes() {
    return ListingBackend()->ListVolumes();
}

bool IsSystemDisk(std::uint32_t disk, const std::filesystem::path& programFolder) {
    return ListingBackend()->IsSystemDisk(disk, programFolder);
}

std::optional<std::string> FormatRefusal(std::uint32_t disk, const std::filesystem::path& programFolder) {
    return ListingBackend()->FormatRefusal(disk, programFolder);
}

std::optional<DiskOwner> DiskOwnerOf(std::string_view devicePath) {
    const auto disks = BackendFor(devicePath)->ListUsbDisks();
    if (!disks) return std::nullopt;
    for (const UsbDisk& d : *disks) {
        if (d.path == devicePath) return DiskOwner{d.instanceId, d.serial};
    }
    return std::nullopt;
}

int StartElevated(std::string_view program, std::string_view parameters, const std::filesystem::path& folder) {
    return ListingBackend()->StartElevated(program, parameters, folder);
}

}  // namespace platform
