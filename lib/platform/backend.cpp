#include "platform/backend.h"

#include <atomic>
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

std::vector<DiskEntry> DeviceBackend::ListDisks() {
    return {};
}

RescanResult DeviceBackend::RescanDisks() {
    RescanResult r;
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

std::vector<Volume> DeviceBackend::ListVolumes() {
    return {};
}

bool DeviceBackend::IsSystemDisk(std::uint32_t, const std::filesystem::path&) {
    return true;
}

std::optional<std::string> DeviceBackend::FormatRefusal(std::uint32_t, const std::filesystem::path&) {
    return "formatting is not supported here";
}

int DeviceBackend::StartElevated(std::string_view, std::string_view, const std::filesystem::path&) {
    return kStartFailed;
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
// Bumped under g_mutex by every change, so a thread's copy of the registry knows it is stale.
std::atomic<std::uint64_t> g_generation{1};

// The registry as the calling thread last saw it. Command blocks look their backend up here,
// without the lock and without touching shared counts, so drives on different threads never
// wait for each other in the registry; the copy is refreshed after any change.
struct ThreadView {
    std::uint64_t generation = 0;
    Registry registry;
};
thread_local ThreadView t_view;

void ChangedLocked() {
    g_generation.fetch_add(1, std::memory_order_release);
}

std::shared_ptr<DeviceBackend> SystemLocked() {
    if (!g_registry.system) {
        g_registry.system = std::make_shared<linuxos::LinuxBackend>();
        ChangedLocked();
    }
    return g_registry.system;
}

const std::shared_ptr<DeviceBackend>& Lookup(const Registry& r, std::string_view path) {
    const std::shared_ptr<DeviceBackend>* best = &r.system;
    std::size_t bestLength = 0;
    for (const auto& [prefix, backend] : r.byPrefix) {
        if (prefix.size() > bestLength && path.substr(0, prefix.size()) == prefix) {
            best = &backend;
            bestLength = prefix.size();
        }
    }
    return *best;
}

const Registry& ThreadRegistry() {
    if (t_view.generation != g_generation.load(std::memory_order_acquire)) {
        std::lock_guard lock(g_mutex);
        SystemLocked();
        t_view.registry = g_registry;
        t_view.generation = g_generation.load(std::memory_order_relaxed);
    }
    return t_view.registry;
}

}  // namespace

std::shared_ptr<DeviceBackend> SystemBackend() {
    std::lock_guard lock(g_mutex);
    return SystemLocked();
}

std::shared_ptr<DeviceBackend> BackendFor(std::string_view path) {
    return Lookup(ThreadRegistry(), path);
}

DeviceBackend& BackendForCall(std::string_view path) {
    return *Lookup(ThreadRegistry(), path);
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
    ChangedLocked();
}

void ReplaceSystemBackend(std::shared_ptr<DeviceBackend> backend) {
    std::lock_guard lock(g_mutex);
    g_registry.system = std::move(backend);
    ChangedLocked();
}

void ResetBackends() {
    std::lock_guard lock(g_mutex);
    g_registry = Registry{};
    ChangedLocked();
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
    ChangedLocked();
}

}  // namespace platform
