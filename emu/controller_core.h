// The heart of the emulated controller: which program runs (boot loader, diagnostic, sorting or
// system firmware), the RAM with the firmware-variable block at address 0 whose byte 448 carries
// the running program's tag, the register bytes, and one vendor-command table per program: a
// command code is looked up in the table of the program that runs, so the same code can mean
// different things in different programs, or nothing at all.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

#include "emu/controller_ram.h"
#include "emu/nvme_types.h"

namespace emu {

enum class Program : std::uint8_t { Loader = 1, Diagnostic = 2, Sorting = 3, System = 4 };

inline constexpr std::uint32_t kFwVariableBlockAddress = 0;
inline constexpr std::size_t kFwVariableBlockBytes = 4096;
inline constexpr std::size_t kFwTagOffset = 448;
inline constexpr std::size_t kFwTagBytes = 5;
// Register bytes of the GPIO inputs start here (input n is bit n % 8 of the byte at base + n / 8).
inline constexpr std::uint32_t kGpioRegisterBase = 0xF0000004;

// The 5-byte tag a program writes at byte 448 of its variable block; empty for the boot loader.
std::string_view ProgramTag(Program program);
// The program whose tag `bytes` (at least 5) carry, or the boot loader when none does.
Program ProgramFromTag(std::span<const std::uint8_t> bytes);

// A vendor packet as the controller received it: always 16 bytes (a 12-byte packet arrives
// with bytes 12 to 15 zero, since it travels at the start of a zero-filled sector).
using VendorPacket = std::array<std::uint8_t, 16>;

class ControllerCore;
// Runs one vendor command. `data` is the data phase (empty for a command without one); for a
// data-in command the controller has pre-filled it with the poison pattern.
using VendorHandler = std::function<NvmeStatus(ControllerCore&, const VendorPacket&, std::span<std::uint8_t> data)>;

struct VendorCommand {
    XferDir dir = XferDir::None;  // None: runs at the packet phase; otherwise at its data phase
    VendorHandler run;
};

class ControllerCore {
  public:
    ControllerCore();

    Program Running() const { return program_; }
    // Starts `program` as after a reset or jump: it publishes its tag in the variable block
    // (the loader clears the tag bytes), and the vendor-command mode falls back to off.
    void Start(Program program);
    // True once after every Start (the vendor protocol turns its mode off on it).
    bool TakeRestart();

    // A power-on: the RAM forgets what was written, then the controller starts as its ROM starts
    // it: in the boot loader when the loader request is set, else from the flash (the boot set by
    // SetPowerOnBoot, the boot loader's ROM boot when the drive's programs are installed; without
    // one, the flash program). Either way the vendor-command mode is off afterwards.
    void PowerOn(bool loaderRequest);
    void SetPowerOnBoot(std::function<void(ControllerCore&, bool loaderRequest)> boot) {
        powerOnBoot_ = std::move(boot);
    }

    // What the ROM boots on a jump with event 0: the firmware found on the flash (Loader when none).
    Program FlashProgram() const { return flashProgram_; }
    void SetFlashProgram(Program program) { flashProgram_ = program; }

    ControllerRam& Ram() { return ram_; }
    const ControllerRam& Ram() const { return ram_; }

    std::uint8_t Register(std::uint32_t address) const;
    void SetRegister(std::uint32_t address, std::uint8_t value) { registers_[address] = value; }
    // GPIO input n (0 to 255) as seen through the register bytes.
    void SetGpio(int input, bool high);

    void AddCommand(Program program, std::uint8_t code, VendorCommand command);
    // The command `code` in the table of the running program, or null.
    const VendorCommand* Find(std::uint8_t code) const;

    // Moments of scheduled faults: program starts ("loader", "gdp", "rdt", "system") and vendor
    // commands received ("code<hh>"), reported to the sink (none: nothing).
    void SetEventSink(std::function<void(std::string_view)> sink) { eventSink_ = std::move(sink); }
    void Notify(std::string_view event) const {
        if (eventSink_) eventSink_(event);
    }
    // Hears of every vendor command the running program has in its table, at its packet phase
    // (the system firmware's UART log notes the commands it serves).
    void SetServedObserver(std::function<void(Program, const VendorPacket&)> observer) {
        servedObserver_ = std::move(observer);
    }
    void NoteServed(const VendorPacket& packet) const {
        if (servedObserver_) servedObserver_(program_, packet);
    }
    // Named faults the programs can be switched into.
    void AddFaultSwitch(std::string name, std::function<void()> apply) {
        faultSwitches_[std::move(name)] = std::move(apply);
    }
    bool ApplyFault(std::string_view name) {
        const auto it = faultSwitches_.find(std::string(name));
        if (it == faultSwitches_.end()) return false;
        it->second();
        return true;
    }
    // RSA blocks written since the boot loader started (the loader's signed-load bookkeeping).
    int RsaBlocks() const { return rsaBlocks_; }
    void AddRsaBlock() { ++rsaBlocks_; }

  private:
    static std::size_t Index(Program p) { return static_cast<std::size_t>(p) - 1; }

    Program program_ = Program::Loader;
    Program flashProgram_ = Program::Loader;
    bool restarted_ = false;
    int rsaBlocks_ = 0;
    ControllerRam ram_;
    std::unordered_map<std::uint32_t, std::uint8_t> registers_;
    std::function<void(std::string_view)> eventSink_;
    std::function<void(ControllerCore&, bool)> powerOnBoot_;
    std::function<void(Program, const VendorPacket&)> servedObserver_;
    std::unordered_map<std::string, std::function<void()>> faultSwitches_;
    std::array<std::array<VendorCommand, 256>, 4> tables_;
};

}  // namespace emu
