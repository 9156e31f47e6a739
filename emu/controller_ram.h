// The controller's RAM as a sparse store of 4 KB pages over the 32-bit address space. Bytes
// never written read as the poison byte: the host may rely only on what it wrote itself or
// on what the running program publishes (its firmware-variable block at address 0).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <unordered_map>

namespace emu {

class ControllerRam {
  public:
    static constexpr std::size_t kPageBytes = 4096;
    static constexpr std::uint64_t kAddressSpace = std::uint64_t{1} << 32;

    // `maxBytes` bounds what the store may hold, so a host cannot make the emulator grow without end.
    explicit ControllerRam(std::size_t maxBytes = 64u << 20) : maxPages_(maxBytes / kPageBytes) {}

    // False (nothing changed) when the range leaves the 32-bit space or the store is full.
    bool Write(std::uint32_t address, std::span<const std::uint8_t> bytes);
    // False (nothing read) when the range leaves the 32-bit space.
    bool Read(std::uint32_t address, std::span<std::uint8_t> out) const;

    // A RAM bit that always reads as `value` (the stuck-bit fault). Cleared by ClearStuckBits.
    void SetStuckBit(std::uint32_t address, int bit, bool value);
    void ClearStuckBits() { stuck_.clear(); }

    // Forgets every byte written (a power-off); stuck bits are the hardware's and stay.
    void Clear() { pages_.clear(); }

    std::size_t PagesHeld() const { return pages_.size(); }

  private:
    using Page = std::array<std::uint8_t, kPageBytes>;
    struct Stuck {
        std::uint8_t mask = 0;
        std::uint8_t value = 0;
    };

    static bool InRange(std::uint32_t address, std::size_t length) {
        return std::uint64_t{address} + length <= kAddressSpace;
    }

    std::unordered_map<std::uint32_t, std::unique_ptr<Page>> pages_;
    std::unordered_map<std::uint32_t, Stuck> stuck_;
    std::size_t maxPages_;
};

}  // namespace emu
