#include "emu/system_bad_units.h"

#include <algorithm>
#include <charconv>
#include <map>

#include "emu/wire_bytes.h"

namespace emu {

namespace {

constexpr std::size_t kHeaderBytes = 4;
constexpr std::size_t kEntryBytes = 8;
constexpr int kMaskBits = 32;

bool Number(std::string_view text, int& out, int high) {
    unsigned long v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || r.ec != std::errc{} || r.ptr != text.data() + text.size() || v > static_cast<unsigned>(high)) {
        return false;
    }
    out = static_cast<int>(v);
    return true;
}

bool Fail(std::string* error, const DriveConfig& d, const std::string& what) {
    if (error != nullptr) *error = "[" + d.name + "] " + what;
    return false;
}

bool ReadGrown(const DriveConfig& d, const FlashGeometry& g, BadUnitSetup& s, std::string* error) {
    const std::string text = d.section.GetOr("GrownBad", "");
    const std::string bad = "GrownBad=" + text + " is not a list of <ch>:<ce>:<lun>:<block>:<type 0-255>";
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        const std::string_view item = std::string_view(text).substr(at, comma - at);
        int f[5] = {0, 0, 0, 0, 0};
        std::size_t from = 0;
        for (int i = 0; i < 5; ++i) {
            const std::size_t colon = i < 4 ? item.find(':', from) : item.size();
            if (colon == std::string_view::npos ||
                !Number(item.substr(from, colon - from), f[i], i < 4 ? 65535 : 255)) {
                return Fail(error, d, bad);
            }
            from = colon + 1;
        }
        if (from <= item.size()) return Fail(error, d, bad);  // a sixth field
        if (f[0] >= g.channels || f[1] >= g.ces || f[2] >= g.luns || f[3] >= g.blocks) {
            return Fail(error, d, "GrownBad names a place outside the flash");
        }
        s.grown.push_back({f[0], f[1], f[2], f[3], static_cast<std::uint8_t>(f[4])});
        at = comma + 1;
    }
    return true;
}

}  // namespace

std::optional<BadUnitSetup> ReadBadUnitSetup(const DriveConfig& drive, const FlashGeometry& geometry,
                                             std::string* error) {
    BadUnitSetup s;
    if (!ReadGrown(drive, geometry, s, error)) return std::nullopt;
    const std::string mode = drive.section.GetOr("BadUnit", "answer");
    if (!EqualNoCase(mode, "answer") && !EqualNoCase(mode, "fail")) {
        Fail(error, drive, "BadUnit=" + mode + " is not answer or fail");
        return std::nullopt;
    }
    s.fail = EqualNoCase(mode, "fail");
    return s;
}

NvmeStatus BuildBadUnitList(const NandModel& nand, const BadUnitSetup& setup, int ce, std::span<std::uint8_t> reply) {
    if (setup.fail) return nvme_status::kInternalError;
    const FlashGeometry& g = nand.Geometry();
    const int banks = g.ces;
    if (ce < 0 || ce >= banks * g.luns) return nvme_status::kInvalidField;
    const int bank = ce % banks, lun = ce / banks;
    const int planes = std::max(1, g.planes);

    // Per channel, the type each bad unit of this CE has there (lower rank: overridden).
    struct Mark {
        std::uint8_t type = 0;
        int rank = -1;
    };
    std::map<int, std::map<int, Mark>> byUnit;  // unit -> channel -> mark
    auto mark = [&](int channel, int block, std::uint8_t type, int rank) {
        Mark& m = byUnit[block / planes][channel];
        if (rank > m.rank) m = {type, rank};
    };
    for (int ch = 0; ch < g.channels; ++ch) {
        for (int b = 0; b < g.blocks; ++b) {
            if (nand.IsFactoryBad(ch, bank, lun, b)) mark(ch, b, 1, 0);
        }
    }
    for (const NandModel::ServedFailure& f : nand.ServedFailures()) {
        if (f.ce == bank && f.lun == lun) mark(f.channel, f.block, static_cast<std::uint8_t>(f.type), 1);
    }
    for (const GrownBadEntry& e : setup.grown) {
        if (e.ce == bank && e.lun == lun) mark(e.channel, e.block, e.type, 2);
    }

    std::fill(reply.begin(), reply.end(), 0);
    if (reply.size() < kHeaderBytes) return nvme_status::kInvalidField;
    const std::size_t room = std::min<std::size_t>((reply.size() - kHeaderBytes) / kEntryBytes, 0xFFFF);
    std::size_t count = 0;
    for (const auto& [unit, channels] : byUnit) {
        if (count == room) break;
        std::uint32_t mask = 0;
        for (const auto& [ch, m] : channels) {
            const int bit = ce * g.channels + ch;
            if (bit < kMaskBits) mask |= 1u << bit;
        }
        if (mask == 0) continue;
        std::uint8_t* e = &reply[kHeaderBytes + kEntryBytes * count];
        wire::PutLe16(e, static_cast<std::uint16_t>(unit));
        e[2] = channels.begin()->second.type;
        wire::PutLe32(e + 4, mask);
        ++count;
    }
    wire::PutLe16(reply.data(), static_cast<std::uint16_t>(count));
    return nvme_status::kSuccess;
}

}  // namespace emu
