// The emulated NVMe controller as the bridge sees it: it reads a submission entry (admin or I/O),
// says what data transfer the command implies, and runs it over the controller core, the vendor
// protocol and the namespace store.
//
// Counts follow this controller family's firmware: the block count of Read and Write (CDW12 bits
// 0-15) and the dword count of Get Log Page (CDW10 bits 16-31, CDW11 bits 0-15) are the counts
// themselves, not counts minus one. I/O commands and sanitize need the system firmware to run.
#pragma once

#include <optional>
#include <set>
#include <span>

#include "emu/bridge.h"
#include "emu/controller_core.h"
#include "emu/namespace_store.h"
#include "emu/nvme_pages.h"
#include "emu/nvme_types.h"
#include "emu/system_firmware.h"
#include "emu/vendor_protocol.h"
#include "emu/vendor_smart.h"

namespace emu {

namespace nvme_opcode {
inline constexpr std::uint8_t kGetLogPage = 0x02;
inline constexpr std::uint8_t kIdentify = 0x06;
inline constexpr std::uint8_t kSanitize = 0x84;
inline constexpr std::uint8_t kFlush = 0x00;
inline constexpr std::uint8_t kWrite = 0x01;
inline constexpr std::uint8_t kRead = 0x02;
}  // namespace nvme_opcode

inline constexpr std::uint8_t kSmartLogId = 0x02;

struct IoFaults {
    bool write = false, read = false, flush = false;
};
inline constexpr std::size_t kCorruptWord = 3;
inline constexpr std::uint16_t kCorruptMask = 0xA5A5;

class NvmeController : public Controller {
  public:
    explicit NvmeController(ControllerIdentity identity = {});

    // What the bridge hands over: the command runs only when the direction and length of the
    // bridge's data phase agree with what the command implies (else Invalid Field, nothing run).
    // Data for the host is pre-filled with the poison pattern.
    NvmeCompletion Execute(std::span<const std::uint8_t, 64> entry, bool admin, NvmeDirection direction,
                           std::span<std::uint8_t> data) override;

    // The transfer the command implies; a command the controller does not know implies none.
    TransferShape Shape(const NvmeRequest& request) const;
    // Runs the command; `data` is exactly what Shape asked for.
    NvmeStatus Run(const NvmeRequest& request, std::span<std::uint8_t> data);

    ControllerCore& Core() { return core_; }
    void SetEventSink(std::function<void(std::string_view event)> sink) override {
        core_.SetEventSink(std::move(sink));
    }
    bool ApplyFault(std::string_view fault) override { return core_.ApplyFault(fault); }
    // RAM cleared, vendor mode off, started by the ROM; the SMART log counts one more power cycle
    // (a booting system firmware counts it on the log it reads from the flash).
    void PowerOn(bool loaderRequest) override;
    VendorProtocol& Vendor() { return vendor_; }
    NamespaceStore& Namespace() { return namespace_; }
    const ControllerIdentity& Identity() const { return identity_; }
    SmartCounters& Smart() { return smart_; }
    // The vendor SMART page (log 0xC0), answered while the system firmware runs (vendor_smart.h).
    void SetVendorSmart(VendorSmartSetup setup) { vendorSmart_ = std::move(setup); }
    int SanitizeCount() const { return sanitizeCount_; }
    // The flash and the system firmware whose state (with the namespace, the SMART counters and
    // the flash program) the drive keeps between program runs; SaveState and LoadState are in
    // drive_state.cpp.
    void KeepStateOf(std::shared_ptr<NandModel> nand, std::shared_ptr<SystemFirmware> system) {
        keptNand_ = std::move(nand);
        keptSystem_ = std::move(system);
    }
    NandModel* KeptNand() const { return keptNand_.get(); }
    SystemFirmware* KeptSystem() const { return keptSystem_.get(); }
    std::optional<std::string> SaveState() const override;
    bool LoadState(std::string_view bytes, std::string* why) override;
    // Follows the boots of `firmware` (the controller must outlive none of its commands).
    void AttachSystemFirmware(SystemFirmware& firmware);
    // The identity Identify Controller reports while the system firmware runs.
    const ControllerIdentity& ReportedIdentity() const;
    void SetIoFaults(IoFaults faults) { ioFaults_ = faults; }
    void AddCorruptSector(std::uint64_t lba) { corrupt_.insert(lba); }
    std::uint32_t LastSanitizeAction() const { return lastSanitizeAction_; }

  private:
    NvmeStatus Admin(const NvmeRequest& request, std::span<std::uint8_t> data);
    NvmeStatus Io(const NvmeRequest& request, std::span<std::uint8_t> data);
    NvmeStatus Identify(const NvmeRequest& request, std::span<std::uint8_t> data);
    NvmeStatus GetLogPage(const NvmeRequest& request, std::span<std::uint8_t> data);
    NvmeStatus Sanitize(const NvmeRequest& request);
    void ApplyBoot(const SystemBoot* boot);

    ControllerIdentity identity_;
    ControllerCore core_;
    VendorProtocol vendor_{core_};
    NamespaceStore namespace_;
    SmartCounters smart_;
    int sanitizeCount_ = 0;
    std::uint32_t lastSanitizeAction_ = 0;
    std::optional<ControllerIdentity> booted_;
    bool bootCounted_ = false;  // a system boot counted the power cycle
    IoFaults ioFaults_;
    std::set<std::uint64_t> corrupt_;
    VendorSmartSetup vendorSmart_;
    SystemFirmware* system_ = nullptr;
    std::shared_ptr<NandModel> keptNand_;
    std::shared_ptr<SystemFirmware> keptSystem_;
};

}  // namespace emu
