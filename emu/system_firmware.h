// The system firmware as the emulated controller runs it once the boot ROM has started it from a
// loader block (boot_rom.h). From what it booted it takes:
//   - its identity (serial number, model, revision, PCI and NVMe ids) and the namespace size
//     (CapacitySectorHigh/Low when not zero) from its variable block at RAM 0, decoded as a
//     parameter code page (sys_param_page_decoder.h);
//   - from its loader block: the system page (index 37: bytes 0-511 a SMART log the counters
//     start from when not all zero; the three version texts at 512, 528 and 544), the
//     erase-count table (indexes 38 and 39: u32 entry u = erase count of block unit u) and the
//     defect pages (indexes 5-12) with their CE header records (A0FB, CE, channel), bad-unit
//     records (unit, group, channel) and end record (D1FE), the logical channel and CE mapped
//     back through the channel and bank sets of its parameter page; it notes how many early
//     (13-20) and remap (21-28) pages carry their headers.
// Its vendor commands (besides the RAM and jump commands of every program):
//   0x01 erase counts (16-byte packet, in): `sectors` x 512 bytes of u32 entries, entry u the
//        count of block unit u, 0xFFFFFFFF past the units of a die. Booted from the flash: the
//        table of its loader block; otherwise the flash's own counts, the highest over the
//        unit's blocks on every die.
//   0x36 flash ID (16-byte packet, in): byte 3 channel, 4 bank (CE); the ID bytes of that CE, then
//        zeros; a channel or bank the flash does not have fails the command.
//   0x04 page read (16-byte packet, in): byte 3 channel (one at or above the channel count reads
//        channel 0), 4 bank (CE low nibble, LUN high), 5-6
//        block unit, 7-8 page (big-endian), 9 LDPC rate, 10 scrambler, 12-15 a value; the block
//        read is the lowest block of the unit that the parameter page lists as a loader block of
//        that die, else the unit's first block. A page the flash cannot decode fails the command
//        (an erased page reads 0xFF).
//   0x00 bad-unit list of one CE (system_bad_units.h).
//   0x21 one chunk of its UART log (uart_log.h), where it writes a few lines at each start and
//        one per vendor command it serves.
// Tests can make it record grown bad blocks: it rewrites each of its loader blocks (reads every
// page, erases the block, programs the pages back) with the later-bad page of each channel
// (index 40 + logical channel) listing them: header E8 DC 55 AA "ZEL09A0V000" 00, count at 16,
// 8-byte entries from 32 (u16 unit, u16 page, plane at 5, location at 7 = logical channel << 5 |
// logical CE).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "emu/boot_rom.h"
#include "emu/controller_core.h"
#include "emu/nand_model.h"
#include "emu/sys_param_page_decoder.h"
#include "emu/system_bad_units.h"
#include "emu/uart_log.h"

namespace emu {

namespace sys_code {
inline constexpr std::uint8_t kGetEraseCount = 0x01;
inline constexpr std::uint8_t kReadPage = 0x04;
inline constexpr std::uint8_t kGetFlashId = 0x36;
inline constexpr std::uint8_t kGetBadUnit = 0x00;
inline constexpr std::uint8_t kGetUartLog = 0x21;
}  // namespace sys_code

// The ID bytes a CE answers.
using FlashIdSource = std::function<std::array<std::uint8_t, 7>(int channel, int ce)>;

// What the controller takes over from a firmware booted from the flash.
struct SystemBoot {
    SysParamPage param;
    std::optional<std::array<std::uint8_t, 512>> smartLog;  // the system page's log, when kept
};

struct GrownBad {
    int channel = 0, ce = 0, lun = 0, block = 0, page = 0;
};

class SystemFirmware : public std::enable_shared_from_this<SystemFirmware> {
  public:
    explicit SystemFirmware(std::shared_ptr<NandModel> nand, BadUnitSetup badUnits = {}, UartSetup uart = {});

    // Puts the firmware's vendor commands into the system program's table of `core`.
    void Install(ControllerCore& core);

    // Called by the boot ROM after every jump to ROM: `report` is where it booted from (the
    // firmware adds its findings to it); a report that did not boot the system firmware leaves
    // the firmware without flash state. The listener hears of it (null: not booted from flash).
    void OnRomBoot(ControllerCore& core, BootReport& report);
    using BootListener = std::function<void(const SystemBoot*)>;
    void SetBootListener(BootListener listener);
    // Where the 0x36 command takes the ID bytes from (none: zeros).
    void SetFlashIds(FlashIdSource source);

    bool BootedFromFlash() const;
    std::optional<SysParamPage> Param() const;
    int Boots() const;
    // The erase-count table as the 0x01 command answers it, `bytes` long.
    std::vector<std::uint8_t> EraseCounts(std::size_t bytes) const;

    // Records grown bad blocks in the later-bad pages of its loader blocks; false and `why` set
    // when it did not boot from the flash or a block could not be rewritten.
    bool RecordGrownBad(const std::vector<GrownBad>& blocks, std::string* why = nullptr);

    // Its UART log (system_firmware_log.cpp), kept with the drive's state.
    UartLog& Uart() { return *uart_; }

  private:
    struct State {
        SysParamPage param;
        BootReport report;
        std::vector<std::uint8_t> eraseTable;  // pages 38 and 39
    };

    // The bad-unit list and the UART log (system_firmware_log.cpp).
    void InstallLogCommands(ControllerCore& core);
    void WriteStartLines(ControllerCore& core, const BootReport& report);
    NvmeStatus GetEraseCount(std::span<std::uint8_t> data) const;
    NvmeStatus ReadPage(const VendorPacket& p, std::span<std::uint8_t> data) const;
    NvmeStatus GetFlashId(const VendorPacket& p, std::span<std::uint8_t> data) const;
    // The loader blocks of die (channel, ce, lun) that the parameter page lists (bit n: block n).
    std::uint8_t LoaderBits(const State& s, int channel, int ce, int lun) const;
    int LogicalChannel(const State& s, int channel) const;
    int LogicalCe(const State& s, int ce, int lun) const;

    std::shared_ptr<NandModel> nand_;
    const BadUnitSetup badUnits_;
    std::shared_ptr<UartLog> uart_;
    mutable std::mutex mutex_;
    std::optional<State> state_;
    BootListener listener_;
    FlashIdSource flashIds_;
    int boots_ = 0;
};

}  // namespace emu
