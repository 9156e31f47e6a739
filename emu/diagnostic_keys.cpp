#include "emu/diagnostic_keys.h"

#include <charconv>
#include <string_view>
#include <vector>

namespace emu {

namespace {

std::optional<std::uint64_t> Number(std::string_view text, int base = 10) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    std::uint64_t v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v, base);
    if (text.empty() || r.ec != std::errc{} || r.ptr != text.data() + text.size()) return std::nullopt;
    return v;
}

std::vector<std::string_view> Split(std::string_view text, char sep) {
    std::vector<std::string_view> out;
    std::size_t at = 0;
    while (true) {
        const std::size_t next = text.find(sep, at);
        out.push_back(text.substr(at, next == std::string_view::npos ? std::string_view::npos : next - at));
        if (next == std::string_view::npos) return out;
        at = next + 1;
    }
}

// 6 or 7 hex bytes, comma-separated or as one run of 12 or 14 digits.
bool HexId(std::string_view text, std::array<std::uint8_t, 7>& id) {
    id.fill(0);
    std::vector<std::string_view> bytes;
    if (text.find(',') != std::string_view::npos) {
        bytes = Split(text, ',');
    } else {
        if (text.size() % 2 != 0) return false;
        for (std::size_t i = 0; i < text.size(); i += 2) bytes.push_back(text.substr(i, 2));
    }
    if (bytes.size() != 6 && bytes.size() != 7) return false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = Number(bytes[i], 16);
        if (!b || *b > 0xFF) return false;
        id[i] = static_cast<std::uint8_t>(*b);
    }
    return true;
}

bool ThreeTimes(std::string_view text, NandTimes& t) {
    const auto f = Split(text, ',');
    if (f.size() != 3) return false;
    std::uint32_t v[3] = {};
    for (int i = 0; i < 3; ++i) {
        const auto n = Number(f[static_cast<std::size_t>(i)]);
        if (!n || *n > 0xFFFFFFFFull) return false;
        v[i] = static_cast<std::uint32_t>(*n);
    }
    t = {v[0], v[1], v[2]};
    return true;
}

class Keys {
  public:
    Keys(const DriveConfig& d, std::string* error) : d_(d), error_(error) {}

    std::optional<std::string> Get(const char* key) const { return d_.section.Get(key); }

    bool Fail(const char* key, const std::string& value, const char* what) {
        if (error_ != nullptr) *error_ = "[" + d_.name + "] " + key + "=" + value + " is not " + what;
        return false;
    }

    // "fail" sets the flag; "none" or no key leaves it.
    bool FailFlag(const char* key, bool& out) {
        const auto v = Get(key);
        if (!v || EqualNoCase(*v, "none")) return true;
        if (!EqualNoCase(*v, "fail")) return Fail(key, *v, "fail or none");
        out = true;
        return true;
    }

    bool Int(const char* key, int& out, int low, int high) {
        const auto v = Get(key);
        if (!v) return true;
        const auto n = Number(*v);
        if (!n || *n < std::uint64_t(low) || *n > std::uint64_t(high)) {
            return Fail(key, *v, ("a number from " + std::to_string(low) + " to " + std::to_string(high)).c_str());
        }
        out = static_cast<int>(*n);
        return true;
    }

    bool FlashIdsAt(std::vector<FlashIdAt>& out) {
        const auto v = Get("FlashIdAt");
        if (!v) return true;
        for (std::string_view item : Split(*v, ';')) {
            const auto f = Split(item, ':');
            FlashIdAt at;
            const auto ch = f.size() == 3 ? Number(f[0]) : std::nullopt;
            const auto ce = f.size() == 3 ? Number(f[1]) : std::nullopt;
            if (!ch || !ce || *ch > 255 || *ce > 255 || !HexId(f[2], at.id)) {
                return Fail("FlashIdAt", *v, "a list of <ch>:<ce>:<6 or 7 hex bytes>");
            }
            at.channel = static_cast<int>(*ch);
            at.ce = static_cast<int>(*ce);
            out.push_back(at);
        }
        return true;
    }

    bool Kinds(std::vector<std::uint8_t>& out) {
        const auto v = Get("FlashDiagFail");
        if (!v) return true;
        for (std::string_view item : Split(*v, ',')) {
            const auto n = Number(item);
            if (!n || *n > 255) return Fail("FlashDiagFail", *v, "a list of diagnostic kinds (0-255)");
            out.push_back(static_cast<std::uint8_t>(*n));
        }
        return true;
    }

    bool DramFail(std::optional<std::uint8_t>& out) {
        const auto v = Get("DramFail");
        if (!v) return true;
        const auto n = Number(*v);
        if (!n || *n < 1 || *n > 255) return Fail("DramFail", *v, "a result code from 1 to 255");
        out = static_cast<std::uint8_t>(*n);
        return true;
    }

    bool Times(NandTimes& every, std::vector<NandTimesAt>& at) {
        if (const auto v = Get("NandTimes"); v && !ThreeTimes(*v, every)) {
            return Fail("NandTimes", *v, "<prog>,<read>,<erase>");
        }
        const auto v = Get("NandTimesAt");
        if (!v) return true;
        for (std::string_view item : Split(*v, ';')) {
            const auto f = Split(item, ':');
            NandTimesAt t;
            bool ok = f.size() == 4 && ThreeTimes(f[3], t.times);
            int* place[3] = {&t.channel, &t.ce, &t.lun};
            for (std::size_t i = 0; ok && i < 3; ++i) {
                const auto n = Number(f[i]);
                ok = n && *n <= 255;
                if (ok) *place[i] = static_cast<int>(*n);
            }
            if (!ok) return Fail("NandTimesAt", *v, "a list of <ch>:<ce>:<lun>:<prog>,<read>,<erase>");
            at.push_back(t);
        }
        return true;
    }

    // <ce>:<channel>[,...]: at most the reply's 32 failed-position entries, each value 0-255.
    bool ModuleFailAt(std::vector<FailedPosition>& out) {
        const auto v = Get("ModuleFailAt");
        if (!v) return true;
        const auto items = Split(*v, ',');
        if (items.size() > kFailedPositionEntries) {
            return Fail("ModuleFailAt", *v, "at most 32 <ce>:<channel> entries");
        }
        for (std::string_view item : items) {
            const auto f = Split(item, ':');
            const auto ce = f.size() == 2 ? Number(f[0]) : std::nullopt;
            const auto ch = f.size() == 2 ? Number(f[1]) : std::nullopt;
            if (!ce || !ch || *ce > 255 || *ch > 255) {
                return Fail("ModuleFailAt", *v, "a list of <ce>:<channel> (each 0-255)");
            }
            out.push_back({static_cast<std::uint8_t>(*ce), static_cast<std::uint8_t>(*ch)});
        }
        return true;
    }

    bool SortStatus(std::optional<std::uint8_t>& out) {
        const auto v = Get("SortStatus");
        if (!v) return true;
        if (EqualNoCase(*v, "nolog")) {
            out.reset();
            return true;
        }
        const auto n = Number(*v);
        if (!n || *n > 255) return Fail("SortStatus", *v, "a status from 0 to 255 or nolog");
        out = static_cast<std::uint8_t>(*n);
        return true;
    }

    bool SpiFlashBytes(std::uint32_t& out) {
        const auto v = Get("SpiFlashBytes");
        if (!v) return true;
        const auto n = Number(*v);
        if (!n || *n < kSpiMinBytes || *n > kSpiMaxBytes) {
            return Fail("SpiFlashBytes", *v, "a size from 4096 to 268435456 bytes");
        }
        out = static_cast<std::uint32_t>(*n);
        return true;
    }

    // "erase", "program@<offset>" (inside the flash of `spi.bytes`) or "none", comma-separated.
    bool SpiFaults(SpiSetup& spi) {
        const auto v = Get("SpiFault");
        if (!v) return true;
        constexpr std::string_view kProgram = "program@";
        for (std::string_view item : Split(*v, ',')) {
            const bool program =
                item.size() > kProgram.size() && EqualNoCase(item.substr(0, kProgram.size()), kProgram);
            constexpr std::uint64_t kNoOffset = ~std::uint64_t{0};
            const std::uint64_t at = program ? Number(item.substr(kProgram.size())).value_or(kNoOffset) : kNoOffset;
            if (EqualNoCase(item, "erase")) {
                spi.eraseFails = true;
            } else if (at < spi.bytes) {
                spi.programFailAt = static_cast<std::uint32_t>(at);
            } else if (!EqualNoCase(item, "none")) {
                return Fail("SpiFault", *v, "erase or program@<offset inside the SPI flash>");
            }
        }
        return true;
    }

  private:
    const DriveConfig& d_;
    std::string* error_;
};

}  // namespace

bool ReadSpiKeys(const DriveConfig& drive, SpiSetup& spi, std::string* error) {
    Keys k(drive, error);
    return k.SpiFlashBytes(spi.bytes) && k.SpiFaults(spi);
}

bool ReadDiagnosticKeys(const DriveConfig& drive, GdpSetup& gdp, DiagSetup& diag, SortSetup& sort, std::string* error) {
    Keys k(drive, error);
    return k.FlashIdsAt(gdp.flashIdAt) && k.FailFlag("AutoDetect", diag.autoDetectFails) &&
           k.Kinds(diag.flashDiagFail) && k.Int("DramTestPolls", diag.dramTestPolls, 0, 1000000) &&
           k.DramFail(diag.dramFail) && k.Times(diag.nandTimes, diag.nandTimesAt) &&
           k.FailFlag("PcieLoopBack", diag.pcieLoopBackFails) && k.ModuleFailAt(diag.moduleFailAt) && k.SortStatus(sort.status) &&
           k.Int("SortBusyPolls", sort.busyPolls, 0, 1000000);
}

}  // namespace emu
