// The USB-to-NVMe bridge of an emulated drive, seen from the device's side: it receives SCSI
// command blocks, answers INQUIRY, TEST UNIT READY and READ CAPACITY itself, and hands its own
// tunnel command blocks to a Tunnel, which passes NVMe submission entries to the Controller.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "emu/bay_config.h"
#include "platform/scsi.h"

namespace emu {

// Reply bytes that the host must not rely on.
inline constexpr std::uint8_t kPoison = 0xA5;

// One command block as the device receives it, with the host's data buffer: read it for Out,
// fill it for In.
struct ScsiCommand {
    std::span<const std::uint8_t> cdb;
    platform::DataDirection direction = platform::DataDirection::None;
    std::span<std::uint8_t> data;
};

struct ScsiReply {
    std::uint8_t status = platform::kScsiGood;
    std::uint8_t senseKey = 0;
    std::uint8_t asc = 0;
    std::uint8_t ascq = 0;
    std::uint32_t transferred = 0;

    static ScsiReply Good(std::uint32_t transferred) { return {platform::kScsiGood, 0, 0, 0, transferred}; }
    static ScsiReply Check(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq = 0) {
        return {platform::kScsiCheckCondition, key, asc, ascq, 0};
    }
};

// Sense keys and codes the bridge answers with.
inline constexpr std::uint8_t kSenseNotReady = 0x02;
inline constexpr std::uint8_t kSenseHardwareError = 0x04;
inline constexpr std::uint8_t kSenseIllegalRequest = 0x05;
inline constexpr std::uint8_t kAscInvalidOpcode = 0x20;
inline constexpr std::uint8_t kAscInvalidFieldInCdb = 0x24;
inline constexpr std::uint8_t kAscInternalTargetFailure = 0x44;

enum class NvmeDirection { None, ToHost, FromHost };

struct NvmeCompletion {
    std::uint16_t status = 0;  // status field (type and code); 0 is success
    std::uint32_t dw0 = 0;     // command-specific dword 0
    std::uint32_t transferred = 0;
};

// The NVMe controller behind the bridge.
class Controller {
  public:
    virtual ~Controller() = default;
    // Runs one submission entry with its data (filled for ToHost, read for FromHost).
    virtual NvmeCompletion Execute(std::span<const std::uint8_t, 64> entry, bool admin, NvmeDirection direction,
                                   std::span<std::uint8_t> data) = 0;
    // Scheduled faults (fault_schedule.h): the controller reports its moments ("gdp", "code02") to
    // `sink`, and turns on a named fault ("vendorrefuse", "busy"); false when it has no such fault.
    virtual void SetEventSink(std::function<void(std::string_view event)> sink) { (void)sink; }
    virtual bool ApplyFault(std::string_view fault) {
        (void)fault;
        return false;
    }
    // Power comes back after being off: what was volatile is lost and the controller starts again
    // (in its boot loader when `loaderRequest` is set). A controller without power states ignores it.
    virtual void PowerOn(bool loaderRequest) { (void)loaderRequest; }
    // The state the drive keeps between program runs (drive_state.h), or nullopt when the
    // controller keeps none; and back: false and `why` set (nothing changed) when it does not load.
    virtual std::optional<std::string> SaveState() const { return std::nullopt; }
    virtual bool LoadState(std::string_view bytes, std::string* why) {
        (void)bytes;
        if (why != nullptr) *why = "the controller keeps no state";
        return false;
    }
};

// A bridge's own command blocks that carry NVMe commands. Keeps whatever state lies between the
// phases of one tunnelled command.
class Tunnel {
  public:
    virtual ~Tunnel() = default;
    // The reply to a tunnel command block, or nullopt when `command` is not one (the bridge then
    // answers it as a standard command). `controller` may be null (no drive behind the bridge).
    virtual std::optional<ScsiReply> Handle(const ScsiCommand& command, Controller* controller) = 0;
};

class Bridge {
  public:
    explicit Bridge(const DriveConfig& config);

    ScsiReply Handle(const ScsiCommand& command);

    void SetTunnel(std::unique_ptr<Tunnel> tunnel) { tunnel_ = std::move(tunnel); }
    void SetController(std::shared_ptr<Controller> controller) { controller_ = std::move(controller); }
    Controller* GetController() const { return controller_.get(); }
    BridgeKind Kind() const { return kind_; }

    // The standard INQUIRY data (96 bytes): chip text at 36-39 (JMicron-type) or 19-22 (ASMedia-type).
    std::array<std::uint8_t, 96> InquiryData() const;

  private:
    ScsiReply Inquiry(const ScsiCommand& c) const;
    ScsiReply ReadCapacity(const ScsiCommand& c) const;

    BridgeKind kind_;
    std::string vendor_, product_, revision_, chip_;
    std::uint64_t sectors_;
    std::uint32_t blockLength_;
    std::unique_ptr<Tunnel> tunnel_;
    std::shared_ptr<Controller> controller_;
};

}  // namespace emu
