// The diagnostic firmware's hardware checks, installed beside its other commands. Reply bytes not
// listed stay the poison byte the data-in buffer arrives with.
//   0x05 flash module and 0x3B auto-detect (in, one sector), one reply for both:
//        bytes 0-5   flash ID of channel 0 CE 0 (as 0x88 answers it)
//        byte 6      its seventh ID byte (the optional seventh value of FlashId, else 0)
//        byte 7      channel count          byte 8  CE count
//        bytes 10-13 bank map, entry i = i  bytes 14-21 channel map, entry i = i
//        bytes 67-130 thirty-two failed positions (CE, channel), each "none": 0xFF, 0xFF, unless
//                    ModuleFailAt gives them (in order, the values as given)
//        bytes 131-162 die flags [8 channels][4 CEs] at 131 + 4 x channel + CE: 1 where the flash
//                    has that CE, else 0
//        With AutoDetect=fail, 0x3B fails (an NVMe error status; 0x05 still answers).
//   0x21 flash diagnostic (in, one sector): byte 3 the kind, byte 6 the value (both recorded);
//        reply byte 0: 1 pass, 0 for a kind listed in FlashDiagFail.
//   0x4A DRAM test (no data): bytes 3-4 the profile, 5-6 the size (big-endian, recorded); the status
//        fetch answers busy for DramTestPolls fetches (beyond GdpBusyPolls), then result 1, or the
//        code of DramFail.
//   0x4B NAND time (in, one sector): byte 3 channel, 4 CE, 5 LUN, 6-7 block; reply bytes 0-3, 4-7
//        and 8-11 the program, read and erase times of that die (32-bit little-endian). An address
//        outside the flash fails the command (an NVMe error status).
//   0x4E PCIe loop-back (no data): counted; fails (an NVMe error status) with PcieLoopBack=fail.
//   0x49 switch to legacy (no data): counted and accepted.
//   0x0A SPI erase and 0x0C SPI program: the drive's SPI flash (spi_flash.h).
// Bay keys (drive section, all optional):
//   AutoDetect=fail                        0x3B fails
//   FlashDiagFail=<kind>[,<kind>...]       0x21 answers 0 for these kinds (0-255)
//   DramTestPolls=<n>                      busy fetches after 0x4A (default 1)
//   DramFail=<code>                        0x4A ends with this result (1-255) instead of 1
//   NandTimes=<prog>,<read>,<erase>        every die's times (default 220,60,3000)
//   NandTimesAt=<ch>:<ce>:<lun>:<prog>,<read>,<erase>[;...]   one die's times
//   PcieLoopBack=fail                      0x4E fails
//   ModuleFailAt=<ce>:<channel>[,...]      the flash-module reply's failed positions, in order (at
//                                          most 32; each value 0-255, also outside the flash)
//   FlashId=<6 or 7 hex bytes>             (drive_programs.h) the seventh is byte 6 of the reply
//   SpiFlashBytes=<n>                      the SPI flash's size (default 4 MiB, 4096 to 256 MiB)
//   SpiFault=erase                         0x0A fails and erases nothing
//   SpiFault=program@<offset>              a 0x0C whose range holds the byte offset fails
//                                          (both: SpiFault=erase,program@<offset>)
//   FlashIdAt=<ch>:<ce>:<id>[;...]         another ID for one CE (0x88 too); <id> is 6 or 7 hex
//                                          bytes, comma-separated (2C,64,44,4B,A9,00) or not (2C64444BA900)
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "emu/controller_core.h"
#include "emu/gdp_firmware.h"

namespace emu {

namespace gdp_code {
inline constexpr std::uint8_t kGetFlashModule = 0x05;
inline constexpr std::uint8_t kFlashDiagnostic = 0x21;
inline constexpr std::uint8_t kAutoDetect = 0x3B;
inline constexpr std::uint8_t kSwitchToLegacy = 0x49;
inline constexpr std::uint8_t kDramTest = 0x4A;
inline constexpr std::uint8_t kCheckNandTime = 0x4B;
inline constexpr std::uint8_t kPcieLoopBack = 0x4E;
}  // namespace gdp_code

struct NandTimes {
    std::uint32_t program = 220;
    std::uint32_t read = 60;
    std::uint32_t erase = 3000;
    friend bool operator==(const NandTimes&, const NandTimes&) = default;
};

struct NandTimesAt {
    int channel = 0;
    int ce = 0;
    int lun = 0;
    NandTimes times;
    friend bool operator==(const NandTimesAt&, const NandTimesAt&) = default;
};

inline constexpr std::size_t kFailedPositionEntries = 32;

// One failed position of the flash-module reply, as the reply carries it.
struct FailedPosition {
    std::uint8_t ce = 0xFF;
    std::uint8_t channel = 0xFF;
    friend bool operator==(const FailedPosition&, const FailedPosition&) = default;
};

struct DiagSetup {
    bool autoDetectFails = false;
    std::vector<std::uint8_t> flashDiagFail;  // kinds that fail
    int dramTestPolls = 1;
    std::optional<std::uint8_t> dramFail;
    NandTimes nandTimes;
    std::vector<NandTimesAt> nandTimesAt;
    bool pcieLoopBackFails = false;
    std::vector<FailedPosition> moduleFailAt;  // at most kFailedPositionEntries
};

struct FlashDiagRun {
    std::uint8_t kind = 0;
    std::uint8_t value = 0;
    friend bool operator==(const FlashDiagRun&, const FlashDiagRun&) = default;
};

struct DramTestRun {
    std::uint16_t profile = 0;
    std::uint16_t size = 0;
    friend bool operator==(const DramTestRun&, const DramTestRun&) = default;
};

inline constexpr std::size_t kFlashModuleFailedAt = 67;
inline constexpr std::size_t kFlashModuleDieFlagsAt = 131;

class GdpDiagnostics : public std::enable_shared_from_this<GdpDiagnostics> {
  public:
    GdpDiagnostics(std::shared_ptr<GdpFirmware> gdp, DiagSetup setup)
        : gdp_(std::move(gdp)), setup_(std::move(setup)) {}

    void Install(ControllerCore& core);

    void SetAutoDetectFails(bool fails);
    void SetFlashDiagFail(std::vector<std::uint8_t> kinds);
    void SetDramTest(int polls, std::optional<std::uint8_t> fail);
    void SetNandTimes(NandTimes every, std::vector<NandTimesAt> at = {});
    void SetPcieLoopBackFails(bool fails);
    void SetModuleFailAt(std::vector<FailedPosition> positions);

    // What the host sent (tests).
    std::vector<FlashDiagRun> FlashDiagRuns() const;
    std::vector<DramTestRun> DramTestRuns() const;
    // 0x4B packets that named a die of the flash: channel, CE, LUN.
    std::vector<std::array<int, 3>> NandTimeRuns() const;
    int PcieLoopBacks() const;
    int LegacySwitches() const;

    // The flash-module reply into `reply` (its undefined bytes untouched).
    void FillFlashModule(std::span<std::uint8_t> reply);

  private:
    NvmeStatus FlashModule(std::span<std::uint8_t> data, bool autoDetect);
    NvmeStatus FlashDiagnostic(const VendorPacket& p, std::span<std::uint8_t> data);
    NvmeStatus DramTest(const VendorPacket& p);
    NvmeStatus CheckNandTime(const VendorPacket& p, std::span<std::uint8_t> data);
    NvmeStatus PcieLoopBack();
    NvmeStatus SwitchToLegacy();

    std::shared_ptr<GdpFirmware> gdp_;
    mutable std::mutex mutex_;
    DiagSetup setup_;
    std::vector<FlashDiagRun> diagRuns_;
    std::vector<DramTestRun> dramRuns_;
    std::vector<std::array<int, 3>> timeRuns_;
    int loopBacks_ = 0;
    int legacySwitches_ = 0;
};

}  // namespace emu
