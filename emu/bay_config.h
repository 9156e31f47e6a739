// The bay description (bay.ini in the bay folder): root hubs, hubs, drives and fixture boards on
// the ports of a virtual USB tree. Every device sits at an instance id "<bus>-<port>[.<port>...]"
// that names the hub port it is plugged into, as on a real machine.
//
//   [RootHub1]  Bus=1  Speed=usb3 (usb2, usb3; usb1 is a full-speed root hub nobody walks)  Ports=4
//   [Hub1]      Id=1-1  Ports=8  [Fault=nodeinfo]
//   [Drive1]    Id=1-1.1  Bridge=jmicron|asmedia|unknown  [Chip=0583]  [Vendor=..]  [Product=..]
//               [Revision=..]  [Sectors=.. | CapacityMB=..]  [BlockLength=512]  [UsbVendor=0x..]
//               [UsbProduct=0x..]  [Plugged=1]  [Fault=none|noanswer|fail|unplugged]
//               [CommandLatencyUs=<us>]  [FaultAt=<when>:<what>,...]   (drive.h, fault_schedule.h)
//               [Transport=usb-storage|uas]  (the driver the disk listing names: bus "usb" or "scsi")
//   [Fixture1]  Id=1-2.3  [VendorId=0x0483]  [ProductId=0x5750]  [Plugged=1]
//               [Fault=none|noanswer|badecho]  [Slot1=Drive3 ... Slot8=<drive>]  [Current<n>=<mA>]
//               [NoLink=<slots>]  [LateLink=<slots>]  [PoweredAtStart=<slots>]   (fixture_protocol.h)
//     Slot<n>=<drive>: the drive sits in slot n (1 to 8), seated and (unless PoweredAtStart names the
//       slot) powered off at start, with plug counter 1; it is on the USB tree only while its slot is
//       powered. A slot without one is empty.
//     PoweredAtStart=<slots>: these slots (a list of slot numbers, "1,4") are switched on at start, their
//       drives on the USB tree from the start, as drives plugged in directly are (a station used without
//       the fixture window finds them); the board's commands switch them off and on as any other slot.
//       That start counts as the slot's first power-on.
//     Current<n>=<mA>: the supply current of slot n while powered (default 120.00; two decimals).
//     NoLink=<slots>: the drives of these slots (a list of slot numbers, "1,4") never show up when
//       powered. LateLink=<slots>: they show up from their second power-on.
//     Fault=noanswer: the board never replies. Fault=badecho: every reply carries another command's
//       code in byte 1.
//   [Bay]       [KeepState=0|1]   the drives keep their state in state/ between runs (bay_state.h)
//
// The controller behind the bridge reads more keys of a drive's section (nvme_drive_parts.h).
// Sections and keys of other kinds are kept for the layers that read them.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "emu/bay_ini.h"
#include "platform/usb.h"

namespace emu {

enum class BridgeKind { JMicron, ASMedia, Unknown };
enum class DriveFault { None, NoAnswer, Fail };

struct RootHubConfig {
    std::string name;
    unsigned bus = 1;
    unsigned ports = 4;
    platform::HubKind kind = platform::HubKind::RootUsb3;
};

struct HubConfig {
    std::string name;
    std::string id;
    unsigned ports = 4;
    bool failNodeInfo = false;  // the hub does not answer the port-count query
};

struct DriveConfig {
    std::string name;  // the section name; the pass-through path is "emu:" + name in lower case
    std::string id;    // the bridge's USB instance id
    BridgeKind bridge = BridgeKind::JMicron;
    std::string chip;
    std::string vendor;
    std::string product;
    std::string revision;
    std::uint16_t usbVendor = 0;
    std::uint16_t usbProduct = 0;
    std::uint64_t sectors = 0;
    std::uint32_t blockLength = 512;
    bool plugged = true;
    DriveFault fault = DriveFault::None;
    IniSection section;               // every key, for the layers behind the bridge
    std::filesystem::path bayFolder;  // the folder of bay.ini (empty for a bay made from text)
};

inline constexpr int kBoardSlots = 8;

struct BoardConfig {
    std::string name;
    std::string id;
    std::uint16_t vendorId = 0x0483;
    std::uint16_t productId = 0x5750;
    bool plugged = true;
    bool answers = true;
    bool badEcho = false;
    std::array<std::string, kBoardSlots> slotDrive;  // section name of each slot's drive; empty = none
    std::array<std::uint32_t, kBoardSlots> currentCentiMa{12000, 12000, 12000, 12000, 12000, 12000, 12000, 12000};
    std::uint8_t noLink = 0;          // bit n: slot n's drive never shows up
    std::uint8_t lateLink = 0;        // bit n: slot n's drive shows up from its second power-on
    std::uint8_t poweredAtStart = 0;  // bit n: slot n is switched on at start
};

struct BayConfig {
    std::vector<RootHubConfig> roots;
    std::vector<HubConfig> hubs;
    std::vector<DriveConfig> drives;
    std::vector<BoardConfig> boards;
    std::vector<IniSection> others;
};

// Nullopt and `error` set when the description is not sound (a bad line or value, a device on
// a port that does not exist or is taken, two devices with the same name).
std::optional<BayConfig> ParseBayConfig(std::string_view text, std::string* error);
std::optional<BayConfig> LoadBayConfig(const std::filesystem::path& folder, std::string* error);

// "2-1.3" -> bus 2, ports {1, 3}; nullopt when not of that form.
struct UsbPlace {
    unsigned bus = 0;
    std::vector<unsigned> ports;
};
std::optional<UsbPlace> ParseUsbPlace(std::string_view id);

}  // namespace emu
