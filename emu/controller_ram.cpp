#include "emu/controller_ram.h"

#include <algorithm>
#include <cstring>

#include "emu/poison.h"

namespace emu {

bool ControllerRam::Write(std::uint32_t address, std::span<const std::uint8_t> bytes) {
    if (!InRange(address, bytes.size())) return false;
    if (bytes.empty()) return true;
    // Count the pages this write would add before touching anything, so a refused write changes nothing.
    const std::uint64_t first = address / kPageBytes;
    const std::uint64_t last = (std::uint64_t{address} + bytes.size() - 1) / kPageBytes;
    std::size_t missing = 0;
    for (std::uint64_t p = first; p <= last; ++p) {
        if (!pages_.contains(static_cast<std::uint32_t>(p))) ++missing;
    }
    if (pages_.size() + missing > maxPages_) return false;

    std::uint64_t at = address;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto pageNo = static_cast<std::uint32_t>(at / kPageBytes);
        const std::size_t offset = static_cast<std::size_t>(at % kPageBytes);
        const std::size_t n = std::min(kPageBytes - offset, bytes.size() - done);
        auto& page = pages_[pageNo];
        if (!page) {
            page = std::make_unique<Page>();
            FillPoison(*page);
        }
        std::memcpy(page->data() + offset, bytes.data() + done, n);
        done += n;
        at += n;
    }
    return true;
}

bool ControllerRam::Read(std::uint32_t address, std::span<std::uint8_t> out) const {
    if (!InRange(address, out.size())) return false;
    std::uint64_t at = address;
    std::size_t done = 0;
    while (done < out.size()) {
        const auto pageNo = static_cast<std::uint32_t>(at / kPageBytes);
        const std::size_t offset = static_cast<std::size_t>(at % kPageBytes);
        const std::size_t n = std::min(kPageBytes - offset, out.size() - done);
        const auto it = pages_.find(pageNo);
        if (it != pages_.end()) {
            std::memcpy(out.data() + done, it->second->data() + offset, n);
        } else {
            FillPoison(out.subspan(done, n));
        }
        done += n;
        at += n;
    }
    if (!stuck_.empty()) {
        for (const auto& [addr, s] : stuck_) {
            if (addr >= address && std::uint64_t{addr} < std::uint64_t{address} + out.size()) {
                std::uint8_t& b = out[addr - address];
                b = static_cast<std::uint8_t>((b & ~s.mask) | (s.value & s.mask));
            }
        }
    }
    return true;
}

void ControllerRam::SetStuckBit(std::uint32_t address, int bit, bool value) {
    auto& s = stuck_[address];
    const auto m = static_cast<std::uint8_t>(1u << (bit & 7));
    s.mask |= m;
    s.value = static_cast<std::uint8_t>(value ? (s.value | m) : (s.value & ~m));
}

}  // namespace emu
