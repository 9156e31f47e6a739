#include "emu/bay.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "emu/fixture_protocol.h"
#include "emu/bay_state.h"
#include "emu/nvme_drive_parts.h"
#include "platform/clock.h"
#include "platform/format_script.h"

namespace emu {

namespace {

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// "emu:drive3" and "Drive3" both name the section Drive3.
bool Names(std::string_view wanted, const std::string& section, const std::string& path) {
    return SameName(wanted, section) || wanted == path;
}

}  // namespace

DriveParts DefaultDriveParts() {
    return NvmeDriveParts();
}

Bay::Bay(BayConfig config, const DriveParts& parts, std::filesystem::path folder)
    : folder_(std::move(folder)), config_(std::move(config)), tree_(config_) {
    for (std::size_t i = 0; i < config_.drives.size(); ++i) {
        auto drive = std::make_unique<Drive>(config_.drives[i], static_cast<int>(i));
        if (parts.makeTunnel) drive->GetBridge().SetTunnel(parts.makeTunnel(config_.drives[i]));
        if (parts.makeController) drive->GetBridge().SetController(parts.makeController(config_.drives[i]));
        Drive* raw = drive.get();
        if (Controller* controller = drive->GetBridge().GetController()) {
            controller->SetEventSink([raw](std::string_view event) { raw->OnControllerEvent(event); });
        }
        raw->SetUnplugHandler([this, raw] { Unplug(raw->Path()); });
        drivePaths_.emplace_back(drive->Path(), drive.get());
        drives_.push_back(std::move(drive));
        formatSetups_.push_back(ReadFormatSetup(config_.drives[i], nullptr).value_or(FormatSetup{}));
    }
    for (const BoardConfig& b : config_.boards) {
        auto board = std::make_shared<FixtureBoard>(b);
        auto protocol = std::make_shared<FixtureProtocol>(*this, b);
        board->SetEndpoint(protocol);
        // A drive in a slot is off the USB tree until its slot is powered.
        for (int n = 0; n < kBoardSlots; ++n) {
            const std::string& name = b.slotDrive[n];
            if (Drive* d = name.empty() ? nullptr : FindDrive(name)) d->SetPlugged(protocol->DriveShowsUp(n));
        }
        fixtures_.push_back(std::move(protocol));
        boards_.push_back(std::move(board));
    }
}

std::shared_ptr<Bay> Bay::Create(BayConfig config, const DriveParts& parts, std::filesystem::path folder) {
    return std::shared_ptr<Bay>(new Bay(std::move(config), parts, std::move(folder)));
}

std::shared_ptr<Bay> Bay::Load(const std::filesystem::path& folder, std::string* error, const DriveParts& parts) {
    auto config = LoadBayConfig(folder, error);
    if (!config) return nullptr;
    for (const DriveConfig& d : config->drives) {
        if (!CheckDriveTimingAndFaults(d, error) || !CheckDriveFiles(d, error) || !ReadFormatSetup(d, error)) {
            return nullptr;
        }
    }
    const auto keep = ReadKeepState(*config, error);
    if (!keep) return nullptr;
    auto bay = Create(std::move(*config), parts, folder);
    bay->keepState_ = *keep;
    if (bay->keepState_) bay->LoadState();
    return bay;
}

Drive* Bay::FindDrive(std::string_view nameOrPath) const {
    for (const auto& d : drives_) {
        if (Names(nameOrPath, d->Config().name, d->Path())) return d.get();
    }
    return nullptr;
}

Drive* Bay::DriveAt(std::uint32_t n) const {
    return n < drives_.size() ? drives_[n].get() : nullptr;
}

std::string Bay::InstanceIdOf(const Drive& drive) const {
    const TreeNode* node = tree_.DriveNode(drive.Index());
    return node != nullptr ? node->id : drive.Config().id;
}

std::string Bay::UsbSerialOf(const Drive& drive) const {
    if (auto serial = drive.Config().section.Get("UsbSerial")) return *serial;
    return drive.Config().section.Get("Serial").value_or("");
}

FixtureBoard* Bay::FindBoard(std::string_view nameOrPath) const {
    for (const auto& b : boards_) {
        if (Names(nameOrPath, b->Config().name, b->Path())) return b.get();
    }
    return nullptr;
}

bool Bay::Plug(std::string_view name) {
    Drive* d = FindDrive(name);
    if (d == nullptr || d->Plugged()) return false;
    d->SetPlugged(true);
    hotplug_.Raise({platform::HotPlugEvent::Kind::Arrival, d->Path(), d->Config().id});
    return true;
}

bool Bay::PowerOn(std::string_view name, bool loaderRequest) {
    Drive* d = FindDrive(name);
    if (d == nullptr) return false;
    d->PowerOn(loaderRequest);
    return true;
}

bool Bay::Unplug(std::string_view name) {
    Drive* d = FindDrive(name);
    if (d == nullptr || !d->Plugged()) return false;
    d->SetPlugged(false);
    hotplug_.Raise({platform::HotPlugEvent::Kind::Removal, d->Path(), d->Config().id});
    return true;
}

bool Bay::ScheduleFault(std::string_view drive, std::string_view faultAt, std::string* error) {
    Drive* d = FindDrive(drive);
    if (d == nullptr) {
        if (error != nullptr) *error = "no drive " + std::string(drive);
        return false;
    }
    auto faults = ParseFaultAt(faultAt, error);
    if (!faults) return false;
    d->ScheduleFaults(std::move(*faults));
    return true;
}

FixtureProtocol* Bay::FindFixture(std::string_view nameOrPath) const {
    for (std::size_t i = 0; i < boards_.size(); ++i) {
        if (Names(nameOrPath, boards_[i]->Config().name, boards_[i]->Path())) return fixtures_[i].get();
    }
    return nullptr;
}

bool Bay::PlugBoard(std::string_view name, bool plugged) {
    FixtureBoard* b = FindBoard(name);
    if (b == nullptr || b->Plugged() == plugged) return false;
    b->SetPlugged(plugged);
    return true;
}

platform::PassThroughResult Bay::PassThrough(std::string_view path, std::span<const std::uint8_t> cdb,
                                             platform::DataDirection direction, std::span<std::uint8_t> data,
                                             unsigned timeoutSeconds) {
    for (const auto& [drivePath, drive] : drivePaths_) {
        if (drivePath == path) return drive->Execute(cdb, direction, data, timeoutSeconds);
    }
    platform::PassThroughResult r;
    r.stage = platform::PassThroughResult::Stage::Open;
    r.error = ENOENT;
    return r;
}

std::optional<std::vector<platform::UsbDisk>> Bay::ListUsbDisks() {
    std::vector<platform::UsbDisk> disks;
    for (const auto& d : drives_) {
        if (!d->Plugged()) continue;
        const DriveConfig& c = d->Config();
        const TreeNode* node = tree_.DriveNode(d->Index());
        platform::UsbDisk disk;
        disk.path = d->Path();
        disk.instanceId = node != nullptr ? node->id : c.id;
        disk.serial = UsbSerialOf(*d);
        disk.vendorId = c.usbVendor;
        disk.productId = c.usbProduct;
        disk.devNode = static_cast<std::uint32_t>(d->Index() + 1);
        if (node != nullptr) disk.parentDevNode = (node->bus << 16) | node->address;
        disks.push_back(std::move(disk));
    }
    return disks;
}

std::vector<platform::DiskEntry> Bay::ListDisks() {
    std::vector<platform::DiskEntry> disks;
    for (const auto& d : drives_) {
        if (!d->Plugged()) continue;
        const bool uas = EqualNoCase(d->Config().section.GetOr("Transport", "usb-storage"), "uas");
        disks.push_back({d->Path(), uas ? "scsi" : "usb"});
    }
    return disks;
}

platform::RescanResult Bay::RescanDisks() {
    platform::RescanResult r;
    r.ok = true;
    return r;
}

platform::DiskNumberResult Bay::DiskNumber(std::string_view path) {
    platform::DiskNumberResult r;
    Drive* d = nullptr;
    for (const auto& drive : drives_) {
        if (drive->Path() == path) d = drive.get();
    }
    if (d == nullptr || !d->Plugged()) {
        r.error = ENOENT;
        return r;
    }
    r.opened = true;
    r.ok = true;
    r.number = static_cast<std::uint32_t>(d->Index());
    return r;
}

std::vector<platform::HubInterface> Bay::ListHubs() {
    return tree_.Hubs();
}

std::unique_ptr<platform::UsbHub> Bay::OpenHub(std::string_view path, int* error) {
    return tree_.OpenHub(path, shared_from_this(), error);
}

std::vector<platform::UsbDeviceNode> Bay::ListUsbDeviceNodes() {
    return tree_.DeviceNodes(*this);
}

std::vector<std::string> Bay::ListHidDevices() {
    std::vector<std::string> paths;
    for (const auto& b : boards_) {
        if (b->Plugged()) paths.push_back(b->Path());
    }
    return paths;
}

std::unique_ptr<platform::HidDevice> Bay::OpenHid(std::string_view path, int* error) {
    for (const auto& b : boards_) {
        if (b->Path() == path) return b->Open(error);
    }
    if (error != nullptr) *error = ENOENT;
    return nullptr;
}

std::unique_ptr<platform::HotPlugMonitor> Bay::OpenHotPlugMonitor() {
    return hotplug_.Open();
}

std::vector<platform::Volume> Bay::ListVolumes() {
    return volumes_.List();
}

bool Bay::IsSystemDisk(std::uint32_t disk, const std::filesystem::path&) {
    return disk < formatSetups_.size() && formatSetups_[disk].systemDisk;
}

std::optional<std::string> Bay::FormatRefusal(std::uint32_t disk, const std::filesystem::path& programFolder) {
    return BayDiskOperations(*this, programFolder).Refusal(disk);
}

int Bay::StartElevated(std::string_view program, std::string_view parameters, const std::filesystem::path& folder) {
    if (program != "qv-format") return platform::kStartNotFound;
    const platform::FormatJob job = platform::ReadFormatJob(folder, parameters);
    BayDiskOperations ops(*this, folder);
    platform::RunFormatScript(ops, job);
    std::uint64_t ms = FormatSetup{}.formatMs;
    if (const auto disk = ops.LastDisk(); disk && *disk < formatSetups_.size()) ms = formatSetups_[*disk].formatMs;
    platform::CallAt(platform::TickCount() + ms, [job] { platform::FinishFormatJob(job); });
    return platform::kStarted;
}

bool Bay::Present(const TreeNode& node) const {
    switch (node.type) {
        case TreeNode::Type::Drive:
            return drives_[static_cast<std::size_t>(node.item)]->Plugged();
        case TreeNode::Type::Board:
            return boards_[static_cast<std::size_t>(node.item)]->Plugged();
        default:
            return true;
    }
}

std::string Bay::PathOf(const TreeNode& node) const {
    switch (node.type) {
        case TreeNode::Type::Drive:
            return drives_[static_cast<std::size_t>(node.item)]->Path();
        case TreeNode::Type::Board:
            return boards_[static_cast<std::size_t>(node.item)]->Path();
        default:
            return UsbTree::HubPath(node);
    }
}

std::shared_ptr<Bay> InstallBay(const std::filesystem::path& folder, std::string* error) {
    auto bay = Bay::Load(folder, error);
    if (bay) platform::InstallBackend("emu:", bay, true);
    return bay;
}

std::shared_ptr<Bay> InstallBayFromEnvironment(std::string* error) {
    if (error != nullptr) error->clear();
    const char* folder = std::getenv("KESTRANE_BAY");
    if (folder == nullptr || *folder == '\0') return nullptr;
    return InstallBay(folder, error);
}

}  // namespace emu
