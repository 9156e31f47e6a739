// The boot loader as the emulated controller runs it, over the RAM and register commands of
// boot_loader.h:
//   0x87 write RAM; with a key slot in byte 3, one sector carrying a signature block. The block
//        lists the program's parts (byte 1 the count, at most 8; from byte 16, per part, the 32-bit
//        little-endian load address and length); it counts only when every listed part was
//        written into RAM since the loader started.
//   0x82 jump to the loaded program (byte 3: number of signed codes): only when that many sound
//        signature blocks arrived and RAM carries a known program tag at byte 448.
//   0x83 jump to ROM: event 1 restarts the loader; event 0 runs the boot ROM's flash boot
//        (boot_rom.h) and starts the program it found; when no block carries an info page the
//        firmware the drive was set up with starts instead (FlashFirmware=), else the loader
//        keeps running. The boot report of the last jump is kept for tests, and the ROM-boot
//        hook (the system firmware) hears of every jump.
// Every RAM write the loader receives is logged (tests look at the pieces).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "emu/boot_rom.h"
#include "emu/controller_core.h"
#include "emu/nand_model.h"

namespace emu {

struct RamWrite {
    std::uint32_t address = 0;
    std::uint32_t bytes = 0;
    std::uint8_t keySlot = 0;  // non-zero: a signature block
    friend bool operator==(const RamWrite&, const RamWrite&) = default;
};

class LoaderProgram : public std::enable_shared_from_this<LoaderProgram> {
  public:
    // `nand` may be null (no flash to boot from).
    explicit LoaderProgram(std::shared_ptr<NandModel> nand);

    // Replaces the loader's write and jump commands, and the jump to ROM of every program, and
    // becomes the controller's power-on boot.
    void Install(ControllerCore& core);
    // A power-on as the ROM runs it: the boot loader with the loader request, else the flash boot
    // of a jump to ROM with event 0 (not counted as a jump); the hook hears of it either way.
    void PowerOn(ControllerCore& core, bool loaderRequest);

    // The report of the last flash boot (empty before the first jump to ROM with event 0).
    BootReport LastBoot() const;
    // Called after every jump to ROM with the boot report (not booted for event 1).
    using RomBootHook = std::function<void(ControllerCore&, BootReport&)>;
    void SetRomBootHook(RomBootHook hook);

    std::vector<RamWrite> Writes() const;
    void ClearWrites();
    // Slots of the jumps into RAM that were accepted.
    std::vector<int> Jumps() const;
    int RomJumps(std::uint8_t event) const;

  private:
    void Restart(ControllerCore& core);
    bool Covered(std::uint32_t address, std::uint32_t length) const;
    void NoteWritten(std::uint32_t address, std::size_t length);
    NvmeStatus WriteRam(ControllerCore& core, const VendorPacket& p, std::span<std::uint8_t> data);
    NvmeStatus JumpToPram(ControllerCore& core, const VendorPacket& p);
    NvmeStatus JumpToRom(ControllerCore& core, const VendorPacket& p);
    // Restarts the loader, then with event 0 boots from the flash; reports to the hook.
    void BootRom(ControllerCore& core, std::uint8_t event);

    std::shared_ptr<NandModel> nand_;
    mutable std::mutex mutex_;
    std::map<std::uint64_t, std::uint64_t> written_;  // start -> end of RAM ranges written since the loader started
    int soundSignatures_ = 0;
    std::vector<RamWrite> log_;
    std::vector<int> jumps_;
    int romJumps_[2] = {0, 0};
    BootReport lastBoot_;
    RomBootHook hook_;
};

}  // namespace emu
