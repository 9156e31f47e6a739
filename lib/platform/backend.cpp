#include "platform/backend.h"

#include <cerrno>
#include <map>
#include <mutex>

#include "platform/linux/linux_backend.h"

namespace platform {

// The optional operations of a backend: "not supported" in one place.
std::optional<std::vector<UsbDisk>> DeviceBackend::ListUsbDisks() {
    return std::vector<UsbDisk>{};
}

DiskNumberResult DeviceBackend::DiskNumber(std::string_view) {
    DiskNumberResult r;
    r.error = ENOTSUP;
    return r;
}

std::vector<HubInterface> DeviceBackend::ListHubs() {
    return {};
}

std::unique_ptr<UsbHub> DeviceBackend::OpenHub(std::string_view, int* error) {
    if (error != nullptr) *error = ENOTSUP;
    return nullptr;
}

std::vector<UsbDeviceNode> DeviceBackend::ListUsbDeviceNodes() {
    return {};
}

std::vector<std::string> DeviceBackend::ListHidDevices() {
    return {};
}

std::unique_ptr<HidDevice> DeviceBackend::OpenHid(std::string_view, int* error) {
    if (error != nullptr) *error = ENOTSUP;
    return nullptr;
}

std::unique_ptr<HotPlugMonitor> DeviceBackend::OpenHotPlugMonitor() {
    return nullptr;
}

namespace {

struct Registry {
    std::shared_ptr<DeviceBackend> system;  // null until first use
    std::map<std::string, std::shared_ptr<DeviceBackend>, std::less<>> byPrefix;
    std::shared_ptr<DeviceBackend> listing;  // null: the system backend
};

std::mutex g_mutex;
Registry g_registry;

std::shared_ptr<DeviceBackend> SystemLocked() {
    if (!g_registry.system) g_registry.system = std::make_shared<linuxos::LinuxBackend>();
    return g_registry.system;
}

}  // namespace

std::shared_ptr<DeviceBackend> SystemBackend() {
    std::lock_guard lock(g_mutex);
    return SystemLocked();
}

std::shared_ptr<DeviceBackend> BackendFor(std::string_view path) {
    std::lock_guard lock(g_mutex);
    std::shared_ptr<DeviceBackend> best;
    std::size_t bestLength = 0;
    for (const auto& [prefix, backend] : g_registry.byPrefix) {
        if (prefix.size() > bestLength && path.substr(0, prefix.size()) == prefix) {
            best = backend;
            bestLength = prefix.size();
        }
    }
    return best ? best : SystemLocked();
}

std::shared_ptr<DeviceBackend> ListingBackend() {
    std::lock_guard lock(g_mutex);
    return g_registry.listing ? g_registry.listing : SystemLocked();
}

void InstallBackend(const std::string& prefix, std::shared_ptr<DeviceBackend> backend, bool lists) {
    if (prefix.empty() || !backend) return;
    std::lock_guard lock(g_mutex);
    g_registry.byPrefix[prefix] = backend;
    if (lists) g_registry.listing = std::move(backend);
}

void ReplaceSystemBackend(std::shared_ptr<DeviceBackend> backend) {
    std::lock_guard lock(g_mutex);
    g_registry.system = std::move(backend);
}

void ResetBackends() {
    std::lock_guard lock(g_mutex);
    g_registry = Registry{};
}

struct ScopedBackends::Saved {
    Registry registry;
};

ScopedBackends::ScopedBackends() : saved_(std::make_unique<Saved>()) {
    std::lock_guard lock(g_mutex);
    saved_->registry = g_registry;
}

ScopedBackends::~ScopedBackends() {
    std::lock_guard lock(g_mutex);
    g_registry = std::move(saved_->registry);
}

}  // namespace platform
