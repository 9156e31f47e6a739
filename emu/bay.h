// The emulated bay: the drives and fixture boards of a bay description on a virtual USB tree,
// offered to the programs as a device backend. Paths "emu:<drive>" reach a drive's bridge,
// "emu:<board>" a fixture board, "emu:hub/<id>" a hub. Drives and boards are looked up by path
// without a bay-wide lock; each drive serialises its own commands.
//
// The bay answers StartElevated("qv-format", ...) itself: the format interpreter runs at once, in the
// caller's thread, with the disk operations of format_disk.h on the drive numbered n (the drive's index,
// as DiskNumber gives it), and the script, batch and owner file are deleted FormatMs of platform time
// later (platform::CallAt). A drive's USB serial is its UsbSerial key, else its Serial key, else empty.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "emu/bay_config.h"
#include "emu/bridge.h"
#include "emu/drive.h"
#include "emu/fixture_board.h"
#include "emu/format_disk.h"
#include "emu/hotplug_source.h"
#include "emu/usb_tree.h"
#include "platform/backend.h"

namespace emu {

class FixtureProtocol;

// What is plugged behind each drive's bridge when the bay is built: the tunnel of the bridge's
// own command blocks and the NVMe controller. Either may give null (the bridge then answers
// only the standard commands; tunnelled commands find no controller).
struct DriveParts {
    std::function<std::unique_ptr<Tunnel>(const DriveConfig&)> makeTunnel;
    std::function<std::shared_ptr<Controller>(const DriveConfig&)> makeController;
};

// The parts the emulator offers today.
DriveParts DefaultDriveParts();

class Bay : public platform::DeviceBackend, public Presence, public std::enable_shared_from_this<Bay> {
  public:
    // Reads <folder>/bay.ini; null and `error` set when it is missing or not sound.
    static std::shared_ptr<Bay> Load(const std::filesystem::path& folder, std::string* error,
                                     const DriveParts& parts = DefaultDriveParts());
    static std::shared_ptr<Bay> Create(BayConfig config, const DriveParts& parts = DefaultDriveParts(),
                                       std::filesystem::path folder = {});

    const std::filesystem::path& Folder() const { return folder_; }
    const std::vector<std::unique_ptr<Drive>>& Drives() const { return drives_; }
    // By section name ("Drive3") or path ("emu:drive3"), letter case ignored; null when none.
    Drive* FindDrive(std::string_view nameOrPath) const;
    // The drive numbered n (its index); null when none.
    Drive* DriveAt(std::uint32_t n) const;
    std::string InstanceIdOf(const Drive& drive) const;
    std::string UsbSerialOf(const Drive& drive) const;
    const FormatSetup& FormatSetupOf(std::uint32_t n) const { return formatSetups_.at(n); }
    BayVolumes& Volumes() { return volumes_; }
    FixtureBoard* FindBoard(std::string_view nameOrPath) const;
    // The protocol a board speaks, with its slots (fixture_protocol.h); null when no such board.
    FixtureProtocol* FindFixture(std::string_view nameOrPath) const;

    // Plugs a drive in or pulls it out, raising the hot-plug event; false when no such drive or
    // nothing changes.
    bool Plug(std::string_view drive);
    bool Unplug(std::string_view drive);
    bool PlugBoard(std::string_view board, bool plugged);
    // Powers a drive's controller on (Controller::PowerOn) without plugging it; false when no such
    // drive. A fixture slot switched on powers its drive on, then plugs it.
    bool PowerOn(std::string_view drive, bool loaderRequest);
    // Adds faults to a drive as its FaultAt key would (fault_schedule.h); false and `error` set when
    // there is no such drive or the text is not sound.
    bool ScheduleFault(std::string_view drive, std::string_view faultAt, std::string* error = nullptr);

    // The drives' kept state (drive_state.h, bay_state.cpp): whether [Bay] KeepState=1 asks for
    // it; every drive's state written to state/<drive>.bin through platform::WriteFileAtomic
    // (false and `error` naming the first that failed; the others are still written); and, at
    // program end, the same when the bay keeps state.
    bool KeepsState() const { return keepState_; }
    bool SaveState(std::string* error = nullptr);
    void Release();
    static std::filesystem::path StateFile(const std::filesystem::path& folder, const Drive& drive);

    // The device backend.
    platform::PassThroughResult PassThrough(std::string_view path, std::span<const std::uint8_t> cdb,
                                            platform::DataDirection direction, std::span<std::uint8_t> data,
                                            unsigned timeoutSeconds) override;
    std::optional<std::vector<platform::UsbDisk>> ListUsbDisks() override;
    platform::DiskNumberResult DiskNumber(std::string_view path) override;
    // The plugged drives, bus "usb", or "scsi" for a drive whose section says Transport=uas.
    std::vector<platform::DiskEntry> ListDisks() override;
    // Succeeds and changes nothing: the bay's disks are always current.
    platform::RescanResult RescanDisks() override;
    std::vector<platform::HubInterface> ListHubs() override;
    std::unique_ptr<platform::UsbHub> OpenHub(std::string_view path, int* error) override;
    std::vector<platform::UsbDeviceNode> ListUsbDeviceNodes() override;
    std::vector<std::string> ListHidDevices() override;
    std::unique_ptr<platform::HidDevice> OpenHid(std::string_view path, int* error) override;
    std::unique_ptr<platform::HotPlugMonitor> OpenHotPlugMonitor() override;
    std::vector<platform::Volume> ListVolumes() override;
    bool IsSystemDisk(std::uint32_t disk, const std::filesystem::path& programFolder) override;
    std::optional<std::string> FormatRefusal(std::uint32_t disk, const std::filesystem::path& programFolder) override;
    int StartElevated(std::string_view program, std::string_view parameters,
                      const std::filesystem::path& folder) override;

    // Presence of the tree's drives and boards.
    bool Present(const TreeNode& node) const override;
    std::string PathOf(const TreeNode& node) const override;

  private:
    Bay(BayConfig config, const DriveParts& parts, std::filesystem::path folder);
    // Reads each drive's state file (a file that does not load is traced; the drive starts fresh).
    void LoadState();

    std::filesystem::path folder_;
    BayConfig config_;
    UsbTree tree_;
    std::vector<std::unique_ptr<Drive>> drives_;
    // Each drive's path beside the drive, apart from the drives' own state, so a lookup reads
    // only lines that never change (no false sharing with a drive busy on another thread).
    std::vector<std::pair<std::string, Drive*>> drivePaths_;
    std::vector<std::shared_ptr<FixtureBoard>> boards_;
    std::vector<std::shared_ptr<FixtureProtocol>> fixtures_;  // beside boards_, by index
    std::vector<FormatSetup> formatSetups_;  // by drive index
    BayVolumes volumes_;
    HotPlugSource hotplug_;
    bool keepState_ = false;
};

// Loads the bay of `folder` and makes it the device backend of "emu:" paths and of the listings.
std::shared_ptr<Bay> InstallBay(const std::filesystem::path& folder, std::string* error);
// The same for the folder named by KESTRANE_BAY; null (and `error` empty) when it is not set.
std::shared_ptr<Bay> InstallBayFromEnvironment(std::string* error);

}  // namespace emu
