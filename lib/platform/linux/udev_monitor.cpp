#include "platform/linux/udev_monitor.h"

#include <libudev.h>

#include <cstring>
#include <string>

namespace platform::linuxos {

namespace {

class UdevMonitor : public HotPlugMonitor {
  public:
    UdevMonitor(udev* context, udev_monitor* monitor) : context_(context), monitor_(monitor) {}
    ~UdevMonitor() override {
        udev_monitor_unref(monitor_);
        udev_unref(context_);
    }
    UdevMonitor(const UdevMonitor&) = delete;
    UdevMonitor& operator=(const UdevMonitor&) = delete;

    int Fd() const override { return udev_monitor_get_fd(monitor_); }

    std::optional<HotPlugEvent> Next() override {
        for (;;) {
            udev_device* device = udev_monitor_receive_device(monitor_);
            if (device == nullptr) return std::nullopt;
            const char* action = udev_device_get_action(device);
            std::optional<HotPlugEvent> event;
            if (action != nullptr && (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0)) {
                HotPlugEvent e;
                e.kind = std::strcmp(action, "add") == 0 ? HotPlugEvent::Kind::Arrival : HotPlugEvent::Kind::Removal;
                if (const char* node = udev_device_get_devnode(device)) e.path = node;
                if (udev_device* usb = udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device")) {
                    if (const char* name = udev_device_get_sysname(usb)) e.instanceId = name;
                }
                event = std::move(e);
            }
            udev_device_unref(device);
            if (event) return event;
        }
    }

  private:
    udev* context_;
    udev_monitor* monitor_;
};

}  // namespace

std::unique_ptr<HotPlugMonitor> OpenUdevMonitor() {
    udev* context = udev_new();
    if (context == nullptr) return nullptr;
    udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
    if (monitor == nullptr || udev_monitor_filter_add_match_subsystem_devtype(monitor, "scsi_generic", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor) < 0) {
        if (monitor != nullptr) udev_monitor_unref(monitor);
        udev_unref(context);
        return nullptr;
    }
    return std::make_unique<UdevMonitor>(context, monitor);
}

}  // namespace platform::linuxos
