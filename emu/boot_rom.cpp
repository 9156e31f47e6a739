#include "emu/boot_rom.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "emu/wire_bytes.h"

namespace emu {

namespace {

constexpr int kCandidateBlocks = 4;
constexpr std::size_t kInfoBytes = 4096;
constexpr char kInfoTag[] = "LDBK BLOCKS V00";   // compared with its terminating zero
constexpr char kSlotTag[] = "LDBK FWSLOT MARK";  // 16 characters, no terminator
constexpr std::size_t kPageMapAt = 1056;
constexpr std::size_t kCodeMapAt = 544;
constexpr std::size_t kEntryBytes = 16;
constexpr int kMaxEntries = 16;
constexpr int kMaxCopies = 7;
constexpr int kSlotPageIndex = 4;

struct Entry {
    std::uint16_t first = 0, last = 0;
    std::uint32_t length = 0, address = 0;
    std::uint16_t enable = 0, checksum = 0;
};

Entry DecodeEntry(const std::uint8_t* p) {
    return {wire::GetLe16(p),     wire::GetLe16(p + 2),  wire::GetLe32(p + 4),
            wire::GetLe32(p + 8), wire::GetLe16(p + 12), wire::GetLe16(p + 14)};
}

struct Die {
    int channel, ce, lun;
};

class Candidate {
  public:
    Candidate(NandModel& nand, ControllerRam& ram, Die die, int block, BootReport& report)
        : nand_(nand), ram_(ram), die_(die), block_(block), report_(report) {}

    // True when a copy of this block booted (the report then says where).
    bool Try() {
        std::vector<std::uint8_t> info(kInfoBytes);
        const NandResult r = nand_.Read({die_.channel, die_.ce, die_.lun, block_, 0}, info, 1, 1);
        if (r == NandResult::ReadEmpty) return false;  // an erased block is no candidate
        if (r != NandResult::Ok) return Refuse(-1, "the info page does not read");
        if (std::memcmp(info.data(), kInfoTag, sizeof kInfoTag) != 0) return Refuse(-1, "no info page");
        report_.infoPageFound = true;
        pageMap_.resize(kLoaderPageMapEntries);
        for (int i = 0; i < kLoaderPageMapEntries; ++i) pageMap_[i] = wire::GetLe16(&info[kPageMapAt + 2 * i]);
        pageBytes_ = std::size_t{info[164]} * 4096;
        rate_ = static_cast<std::uint8_t>(wire::GetLe16(&info[68]));
        const int entries = info[163];
        if (pageBytes_ == 0 || pageBytes_ > nand_.Geometry().PageBytes()) {
            return Refuse(-1, "the page size " + std::to_string(pageBytes_) + " does not fit the flash");
        }
        if (entries == 0 || entries > kMaxEntries) {
            return Refuse(-1, "the code map has " + std::to_string(entries) + " entries");
        }
        const int copies = std::clamp<int>(info[180], 1, kMaxCopies);
        std::optional<std::vector<std::uint8_t>> slot;
        for (int copy = 0; copy < copies; ++copy) {
            std::vector<Entry> map;
            if (copy == 0) {
                for (int e = 0; e < entries; ++e) map.push_back(DecodeEntry(&info[kCodeMapAt + kEntryBytes * e]));
            } else {
                if (!slot) slot = SlotPage();
                if (slot->empty()) return Refuse(copy, "no firmware-slot page");
                const std::uint32_t at = wire::GetLe32(&(*slot)[16 + 4 * static_cast<std::size_t>(copy)]);
                if (std::uint64_t{at} + kEntryBytes * entries > slot->size()) {
                    Refuse(copy, "the slot entries lie outside the page");
                    continue;
                }
                for (int e = 0; e < entries; ++e) map.push_back(DecodeEntry(&(*slot)[at + kEntryBytes * e]));
            }
            if (Load(copy, map)) return true;
        }
        return false;
    }

  private:
    bool Refuse(int copy, std::string why) {
        report_.refusals.push_back({die_.channel, die_.ce, die_.lun, block_, copy, std::move(why)});
        return false;
    }

    // The firmware-slot page, or empty when it does not read or lacks its mark.
    std::vector<std::uint8_t> SlotPage() {
        std::vector<std::uint8_t> page(pageBytes_);
        const int physical = pageMap_[kSlotPageIndex];
        if (physical >= nand_.Geometry().pages ||
            nand_.Read({die_.channel, die_.ce, die_.lun, block_, physical}, page, rate_, 1) != NandResult::Ok ||
            std::memcmp(page.data(), kSlotTag, 16) != 0) {
            return {};
        }
        return page;
    }

    bool Load(int copy, const std::vector<Entry>& map) {
        for (std::size_t e = 0; e < map.size(); ++e) {
            const Entry& entry = map[e];
            const std::string part = "part " + std::to_string(e);
            if (entry.first > entry.last || entry.last >= kLoaderPageMapEntries) {
                return Refuse(copy, part + " names pages outside the page map");
            }
            const std::size_t pages = std::size_t{entry.last} - entry.first + 1;
            const std::size_t bytes = std::min<std::size_t>(entry.length, pages * pageBytes_);
            const std::size_t needed = (bytes + pageBytes_ - 1) / pageBytes_;  // pages holding the length
            std::vector<std::uint8_t> image(needed * pageBytes_);
            for (std::size_t i = 0; i < needed; ++i) {
                const int index = entry.first + static_cast<int>(i);
                const int physical = pageMap_[static_cast<std::size_t>(index)];
                const std::span<std::uint8_t> out(&image[i * pageBytes_], pageBytes_);
                if (physical >= nand_.Geometry().pages ||
                    nand_.Read({die_.channel, die_.ce, die_.lun, block_, physical}, out, rate_, 1) != NandResult::Ok) {
                    return Refuse(copy, part + ": page " + std::to_string(index) + " does not read");
                }
            }
            image.resize(bytes);
            if ((entry.enable & 0xFF) != 1 && entry.checksum != 0xFFFF && PartSum(image) != entry.checksum) {
                return Refuse(copy, part + ": checksum mismatch");
            }
            if (!ram_.Write(entry.address, image)) return Refuse(copy, part + " does not fit controller RAM");
        }
        std::array<std::uint8_t, kFwTagBytes> tag{};
        ram_.Read(kFwVariableBlockAddress + kFwTagOffset, tag);
        const Program program = ProgramFromTag(tag);
        if (program != Program::System && program != Program::Sorting) return Refuse(copy, "no firmware tag in RAM");
        report_.booted = true;
        report_.program = program;
        report_.channel = die_.channel;
        report_.ce = die_.ce;
        report_.lun = die_.lun;
        report_.block = block_;
        report_.copy = copy;
        report_.partsLoaded = static_cast<int>(map.size());
        report_.pageMap = pageMap_;
        report_.pageBytes = pageBytes_;
        report_.codeRate = rate_;
        return true;
    }

    NandModel& nand_;
    ControllerRam& ram_;
    Die die_;
    int block_;
    BootReport& report_;
    std::vector<std::uint16_t> pageMap_;
    std::size_t pageBytes_ = 0;
    std::uint8_t rate_ = 0;
};

}  // namespace

std::uint16_t PartSum(std::span<const std::uint8_t> part) {
    std::uint32_t sum = 0;
    const std::size_t body = part.size() >= 4 ? part.size() - 4 : 0;
    for (std::size_t i = 0; i + 1 < body; i += 2) sum += wire::GetLe16(&part[i]);
    if (body % 2 != 0) sum += part[body - 1];
    return static_cast<std::uint16_t>(sum);
}

BootReport BootFromFlash(NandModel& nand, ControllerRam& ram) {
    BootReport report;
    const FlashGeometry& g = nand.Geometry();
    for (int ch = 0; ch < g.channels; ++ch) {
        for (int ce = 0; ce < g.ces; ++ce) {
            for (int lun = 0; lun < g.luns; ++lun) {
                for (int block = 0; block < std::min(kCandidateBlocks, g.blocks); ++block) {
                    if (Candidate(nand, ram, {ch, ce, lun}, block, report).Try()) return report;
                }
            }
        }
    }
    return report;
}

}  // namespace emu
