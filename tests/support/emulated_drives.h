// Emulated drives for the procedures' tests: a bay built from drive sections, installed as the
// "emu:" backend, with port p given drive p + 1 the way the enumeration would (path, bridge flag
// and bridge type: odd drives JMicron-type, even ones ASMedia-type). The test reaches each drive's
// controller and programs (flash, loader, diagnostic and system firmware) to set faults and look
// inside: the boot report is programs.loader->LastBoot(), the booted firmware programs.system.
//
// SlowBoot makes the JMicron-type drives' controllers miss every Identify Controller sent while
// the platform clock is inside a window, as a controller still booting after a jump would.
#pragma once

#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "emu/bay.h"
#include "emu/drive_programs.h"
#include "emu/nvme_drive_parts.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "transport/port_instance.h"

namespace test_support {

struct DriveHandles {
    std::shared_ptr<emu::NvmeController> controller;
    emu::DrivePrograms programs;
};

class SlowBoot : public platform::DeviceBackend {
  public:
    explicit SlowBoot(std::shared_ptr<platform::DeviceBackend> inner) : inner_(std::move(inner)) {}

    // Identifies sent while start <= clock < end are missed.
    void Window(std::uint64_t start, std::uint64_t end) {
        start_ = start;
        end_ = end;
    }
    int Identifies() const { return identifies_.load(); }
    // Command blocks sent to any drive.
    int Calls() const { return calls_.load(); }
    int Missed() const { return missed_.load(); }

    platform::PassThroughResult PassThrough(std::string_view path, std::span<const std::uint8_t> cdb,
                                            platform::DataDirection direction, std::span<std::uint8_t> data,
                                            unsigned timeout) override {
        ++calls_;
        const bool payload = cdb.size() == 12 && cdb[0] == 0xA1 && (cdb[1] & 0x03) == 0 &&
                             direction == platform::DataDirection::Out && data.size() >= 72 &&
                             std::memcmp(data.data(), "NVME", 4) == 0;
        if (payload && data[8] == 0x06 && data[8 + 40] == 1) {
            ++identifies_;
            const std::uint64_t now = platform::TickCount();
            if (now >= start_ && now < end_) {
                ++missed_;
                platform::PassThroughResult r;
                r.stage = platform::PassThroughResult::Stage::Done;
                r.scsiStatus = platform::kScsiCheckCondition;
                r.senseLength = 18;
                r.sense[0] = 0x70;
                r.sense[2] = 0x02;  // not ready
                return r;
            }
        }
        return inner_->PassThrough(path, cdb, direction, data, timeout);
    }

  private:
    std::shared_ptr<platform::DeviceBackend> inner_;
    std::atomic<std::uint64_t> start_{0}, end_{0};
    std::atomic<int> identifies_{0}, missed_{0}, calls_{0};
};

class EmulatedDrives {
  public:
    // `sections[p]` holds extra keys of drive p + 1.
    explicit EmulatedDrives(const std::vector<std::string>& sections) {
        std::string ini = "[RootHub1]\nBus=1\nSpeed=usb3\nPorts=2\n[Hub1]\nId=1-1\nPorts=16\n";
        for (std::size_t i = 0; i < sections.size(); ++i) {
            const std::string n = std::to_string(i + 1);
            ini += "[Drive" + n + "]\nId=1-1." + n + "\nBridge=" + (i % 2 == 0 ? "jmicron" : "asmedia") + "\n" +
                   (OwnSize(sections[i]) ? "" : "Sectors=4194304\n") + sections[i] + "\n";
        }
        std::string error;
        auto config = emu::ParseBayConfig(ini, &error);
        if (!config) {
            error_ = error;
            return;
        }
        emu::DriveParts parts = emu::NvmeDriveParts();
        parts.makeController = [this](const emu::DriveConfig& d) -> std::shared_ptr<emu::Controller> {
            auto controller = emu::MakeNvmeController(*emu::ReadControllerSetup(d, nullptr));
            DriveHandles& h = drives_[d.name];
            h.controller = controller;
            h.programs = emu::InstallDrivePrograms(controller->Core(), *emu::ReadProgramSetup(d, nullptr));
            controller->AttachSystemFirmware(*h.programs.system);
            return controller;
        };
        bay_ = emu::Bay::Create(std::move(*config), parts);
        slowBoot_ = std::make_shared<SlowBoot>(bay_);
        platform::InstallBackend("emu:", slowBoot_, false);
        for (std::size_t p = 0; p < sections.size(); ++p) paths_.push_back("emu:drive" + std::to_string(p + 1));
        for (std::size_t p = 0; p < sections.size(); ++p) {
            AP_Instance[p].pDevicePath = paths_[p].c_str();
            AP_Instance[p].bIsBridge = 1;
            AP_Instance[p].ucBridgeType = p % 2 == 0 ? 1 : 2;
        }
    }
    ~EmulatedDrives() {
        for (std::size_t p = 0; p < paths_.size(); ++p) AP_Instance[p] = AP_Instance_t{};
    }
    EmulatedDrives(const EmulatedDrives&) = delete;
    // A section that names its own size keeps it (the first of two equal keys would win).
    // A section names its own size by a key line "Sectors=" or "CapacityMB=" (not "FlashPageSectors=").
    static bool OwnSize(const std::string& keys) {
        const auto keyLine = [&keys](const std::string& key) {
            for (std::size_t at = keys.find(key); at != std::string::npos; at = keys.find(key, at + 1)) {
                if (at == 0 || keys[at - 1] == '\n') return true;
            }
            return false;
        };
        return keyLine("Sectors=") || keyLine("CapacityMB=");
    }
    EmulatedDrives& operator=(const EmulatedDrives&) = delete;

    const std::string& Error() const { return error_; }
    DriveHandles& Drive(int port) { return drives_.at("Drive" + std::to_string(port + 1)); }
    emu::ControllerCore& Core(int port) { return Drive(port).controller->Core(); }
    emu::NandModel& Nand(int port) { return *Drive(port).programs.nand; }
    // The boot ROM's report of the last jump to ROM with event 0, and the system firmware.
    emu::BootReport LastBoot(int port) { return Drive(port).programs.loader->LastBoot(); }
    emu::SystemFirmware& System(int port) { return *Drive(port).programs.system; }
    SlowBoot& Boot() { return *slowBoot_; }
    // The bay itself, to unplug and replug drives (Bay().Unplug(DriveName(port))) or reach its
    // faults without building a bay of the test's own.
    emu::Bay& Bay() { return *bay_; }
    // The bay's name of the drive on `port` ("Drive<port + 1>").
    static std::string DriveName(int port) { return "Drive" + std::to_string(port + 1); }

  private:
    platform::ScopedBackends keep_;
    std::string error_;
    std::map<std::string, DriveHandles> drives_;
    std::shared_ptr<emu::Bay> bay_;
    std::shared_ptr<SlowBoot> slowBoot_;
    std::vector<std::string> paths_;
};

}  // namespace test_support
