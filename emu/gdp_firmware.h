// The diagnostic firmware as the emulated controller runs it once the boot loader has jumped
// into it: its vendor commands, decoded from the packet bytes as the firmware sees them.
//   0x00 status fetch (in): byte 0 0xAA while the last command is busy, else the non-zero "done"
//        value 0x55; byte 1 the last command's result (1 success, else a NandResult code, 0 while
//        busy); a second fetch repeats it
//   0x11 init block (out): the parameter block the host builds for the firmware; its result is
//        InitMismatch when the block does not describe the flash the drive carries
//   0x4C interleaved page write (out): the page goes to every die, on each die's loader block of
//        the same copy (by the loader-block map of 0x4D; without one, to the same block everywhere)
//   0x4D loader-block map (out): byte 4 x channel + CE = bit n set for each loader block n
//   0x88 flash ID (in): bytes 0-5 the ID of the CE (byte 3 channel, byte 4 CE, the LUN in its high
//        nibble), byte 6 its seventh ID byte (0 unless given), zeros for a CE or LUN the flash does
//        not have
//   0x89 page read (in), 0x8A page write (out): byte 3 channel, byte 4 bank (CE in the low nibble,
//        LUN in the high one), bytes 5-6 block, 7-8 page (big-endian), 9 LDPC rate (bit 7 is the
//        host's inherit flag, not part of the rate), 10 scrambler, 11 block type
//   0x8B block erase: bytes 3-6 as above, 7 SLC, 8 single plane; a channel at or above the channel
//        count (255 too) means every channel, a bank whose CE nibble is at or above the CE count
//        (255 too) every CE and LUN.
//        With byte 8 = 1 bytes 5-6 name one block; otherwise a block unit u, and the blocks
//        u x planes to u x planes + planes - 1 are erased. The dies and planes work at once: an
//        erase (and an interleaved write) takes one operation time
// The bad-block scan (0x02) and the defect list (0x31) are installed beside these (gdp_badblock_scan.h).
// So are the hardware checks 0x05 0x21 0x3B 0x49 0x4A 0x4B 0x4E (gdp_diagnostics.h), the code-block
// pre-check 0x3A and map 0x07 (gdp_code_blocks.h), and the result-block scan 0x47 and table 0x48
// (gdp_result_blocks.h), and the SPI flash's erase 0x0A and program 0x0C (spi_flash.h).
// RAM, register and jump commands are the ones every program answers (boot_loader.h).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "emu/controller_core.h"
#include "emu/nand_model.h"

namespace emu {

namespace gdp_code {
inline constexpr std::uint8_t kGetReturn = 0x00;
inline constexpr std::uint8_t kInitGdp = 0x11;
inline constexpr std::uint8_t kPageWriteInterleave = 0x4C;
inline constexpr std::uint8_t kSetLoaderBlock = 0x4D;
inline constexpr std::uint8_t kReadFlashId = 0x88;
inline constexpr std::uint8_t kPageRead = 0x89;
inline constexpr std::uint8_t kPageWrite = 0x8A;
inline constexpr std::uint8_t kBlockErase = 0x8B;
}  // namespace gdp_code

inline constexpr std::uint8_t kGdpBusy = 0xAA;
inline constexpr std::uint8_t kGdpDone = 0x55;  // byte 0 of the status reply once a command has finished

// A CE that answers another flash ID than the rest (bay key FlashIdAt).
struct FlashIdAt {
    int channel = 0;
    int ce = 0;
    std::array<std::uint8_t, 7> id{};
    friend bool operator==(const FlashIdAt&, const FlashIdAt&) = default;
};

struct GdpSetup {
    int busyPolls = 0;         // status fetches that answer busy after each command
    bool busyForever = false;  // every status fetch answers busy (fault)
    std::array<std::uint8_t, 6> flashId{0x9B, 0xC4, 0x58, 0x32, 0xA6, 0x00};
    std::uint8_t flashIdByte6 = 0;  // the optional seventh ID byte
    std::vector<FlashIdAt> flashIdAt;
};

class GdpFirmware : public std::enable_shared_from_this<GdpFirmware> {
  public:
    GdpFirmware(std::shared_ptr<NandModel> nand, GdpSetup setup);

    // Puts the firmware's commands into the diagnostic program's table of `core`.
    void Install(ControllerCore& core);

    NandModel& Nand() { return *nand_; }
    void SetBusyPolls(int polls);
    void SetBusyForever(bool busy);
    void SetFlashId(const std::array<std::uint8_t, 6>& id);
    // The seven ID bytes the CE answers (its FlashIdAt entry, else the flash's ID).
    std::array<std::uint8_t, 7> FlashIdOf(int channel, int ce) const;

    // The last init block received (empty before the first) and how many were received.
    std::vector<std::uint8_t> InitBlock() const;
    int InitCount() const;
    // Why the last init block did not describe the flash (empty when it did, or before the first).
    std::string InitProblem() const;
    // Commands received by code (tests).
    int CommandCount(std::uint8_t code) const;

    // Ends a command: the status fetch answers busy for the configured polls plus `extraBusyPolls`,
    // then reports `result`. For commands installed beside the firmware's own.
    void Finish(NandResult result, int extraBusyPolls = 0);

  private:
    struct Target {
        int channel, ce, lun, block, page;
        std::uint8_t rate, scramble;
    };

    NvmeStatus GetReturn(std::span<std::uint8_t> data);
    NvmeStatus InitGdp(std::span<std::uint8_t> data);
    NvmeStatus PageRead(const VendorPacket& p, std::span<std::uint8_t> data);
    NvmeStatus PageWrite(const VendorPacket& p, std::span<std::uint8_t> data);
    NvmeStatus PageWriteInterleave(const VendorPacket& p, std::span<std::uint8_t> data);
    NvmeStatus SetLoaderBlock(std::span<std::uint8_t> data);
    NvmeStatus ReadFlashId(const VendorPacket& p, std::span<std::uint8_t> data);
    NvmeStatus BlockErase(const VendorPacket& p);

    std::shared_ptr<NandModel> nand_;
    mutable std::mutex mutex_;
    GdpSetup setup_;
    std::uint8_t result_ = 1;
    int busyLeft_ = 0;
    std::vector<std::uint8_t> initBlock_;
    int initCount_ = 0;
    std::string initProblem_;
    std::array<std::uint8_t, 32> loaderMap_{};
    bool loaderMapSet_ = false;
    std::array<int, 256> counts_{};
};

}  // namespace emu
