// What the device listings report: USB disks (with the USB device they hang on), USB hubs with
// their ports, and USB device nodes. Records are plain values; hubs are opened as owned handles.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// One disk behind a USB storage driver (usb-storage or uas).
struct UsbDisk {
    std::string path;        // generic SCSI device used for pass-through: "/dev/sg2", "emu:drive3"
    std::string blockName;   // "sdb", or empty
    std::string instanceId;  // the parent USB device's id, lower-case: "2-1.3"
    std::string serial;      // the USB device's serial string, or empty
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint32_t devNode = 0;        // the disk's device number
    std::uint32_t parentDevNode = 0;  // the USB device's bus and address: bus << 16 | address
};

enum class HubKind : std::uint8_t {
    RootUsb2,   // root hub of a high-speed (USB 2) bus
    RootUsb3,   // root hub of a SuperSpeed (USB 3) bus
    RootOther,  // root hub of a full-speed only bus
    External,   // a hub plugged into a port
};

struct HubInterface {
    std::string path;  // what OpenHub takes
    HubKind kind = HubKind::External;
};

// A port's connection state, numbered as the hub walk traces them.
enum class PortConnection : std::uint8_t {
    NoDevice = 0,
    Connected = 1,
    EnumerationFailed = 2,
    GeneralFailure = 3,
    OverCurrent = 4,
    NotEnoughPower = 5,
};

struct PortInfo {
    PortConnection connection = PortConnection::NoDevice;
    bool isHub = false;  // the connected device is a hub
};

// An opened hub. Every query may fail (nullopt), as a hub that vanished mid-walk does.
class UsbHub {
  public:
    virtual ~UsbHub() = default;
    // A small number naming the open hub in traces.
    virtual int Handle() const = 0;
    virtual std::optional<unsigned> PortCount() = 0;
    // Ports are numbered from 1.
    virtual std::optional<PortInfo> Port(unsigned port) = 0;
    // The path of the device on the port (for a hub: what OpenHub takes).
    virtual std::optional<std::string> ConnectionName(unsigned port) = 0;
    // The driver key of the device on the port: the key that names its device node.
    virtual std::optional<std::string> DriverKeyName(unsigned port) = 0;
};

// A USB device node as the device tree lists it, depth first.
struct UsbDeviceNode {
    std::string driverKey;   // "bus/usb/002/005"
    std::string instanceId;  // "2-1.3"
};

// One whole disk of the disk listing (every disk, not only those behind USB).
struct DiskEntry {
    std::string path;  // the pass-through path: "/dev/sg2", "/dev/nvme0n1", "emu:drive3"
    std::string bus;   // "usb" behind usb-storage, "scsi" behind uas or another SCSI transport, else empty
};

// What a rescan of the disks did.
struct RescanResult {
    bool ok = false;
    bool noHost = false;  // there was nothing to rescan
    int error = 0;        // errno of the failed request
};

}  // namespace platform
