#include "emu/drive_programs.h"

#include <charconv>

#include "emu/diagnostic_keys.h"

namespace emu {

namespace {

bool ParseNumber(std::string_view text, std::uint64_t& out, int base = 10) {
    if (base == 16 && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);
    if (base == 10 && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    const auto r = std::from_chars(text.data(), text.data() + text.size(), out, base);
    return !text.empty() && r.ec == std::errc{} && r.ptr == text.data() + text.size();
}

std::vector<std::string_view> Split(std::string_view text, char sep) {
    std::vector<std::string_view> out;
    if (text.empty()) return out;
    std::size_t at = 0;
    while (true) {
        const std::size_t next = text.find(sep, at);
        out.push_back(text.substr(at, next == std::string_view::npos ? std::string_view::npos : next - at));
        if (next == std::string_view::npos) break;
        at = next + 1;
    }
    return out;
}

class Reader {
  public:
    Reader(const DriveConfig& d, std::string* error) : d_(d), error_(error) {}

    bool Fail(const std::string& key, const std::string& value, const char* what) {
        if (error_ != nullptr) *error_ = "[" + d_.name + "] " + key + "=" + value + " is not " + what;
        return false;
    }

    bool Int(const char* key, int& out, int low, int high) {
        const auto v = d_.section.Get(key);
        if (!v) return true;
        std::uint64_t n = 0;
        if (!ParseNumber(*v, n) || n < std::uint64_t(low) || n > std::uint64_t(high)) {
            return Fail(key, *v, ("a number from " + std::to_string(low) + " to " + std::to_string(high)).c_str());
        }
        out = static_cast<int>(n);
        return true;
    }

    // A list of colon-separated places with `minFields` to `maxFields` numbers each.
    bool Places(const char* key, std::vector<NandAddress>& out, std::size_t minFields, std::size_t maxFields) {
        const auto v = d_.section.Get(key);
        if (!v) return true;
        for (std::string_view item : Split(*v, ',')) {
            const auto fields = Split(item, ':');
            if (fields.size() < minFields || fields.size() > maxFields) return Fail(key, *v, "a list of flash places");
            int n[5] = {0, 0, 0, 0, -1};
            for (std::size_t i = 0; i < fields.size(); ++i) {
                std::uint64_t x = 0;
                if (!ParseNumber(fields[i], x) || x > 65535) return Fail(key, *v, "a list of flash places");
                n[i] = static_cast<int>(x);
            }
            out.push_back({n[0], n[1], n[2], n[3], n[4]});
        }
        return true;
    }

    bool StuckBits(std::vector<StuckBit>& out) {
        const auto v = d_.section.Get("StuckRamBit");
        if (!v) return true;
        for (std::string_view item : Split(*v, ',')) {
            const auto f = Split(item, ':');
            std::uint64_t address = 0, bit = 0, value = 0;
            if (f.size() != 3 || !ParseNumber(f[0], address) || address > 0xFFFFFFFFull || !ParseNumber(f[1], bit) ||
                bit > 7 || !ParseNumber(f[2], value) || value > 1) {
                return Fail("StuckRamBit", *v, "a list of <address>:<bit 0-7>:<0|1>");
            }
            out.push_back({static_cast<std::uint32_t>(address), static_cast<int>(bit), value == 1});
        }
        return true;
    }

    bool FlashId(std::array<std::uint8_t, 6>& id, std::uint8_t& byte6) {
        const auto v = d_.section.Get("FlashId");
        if (!v) return true;
        const auto bytes = Split(*v, ',');
        if (bytes.size() != id.size() && bytes.size() != id.size() + 1) {
            return Fail("FlashId", *v, "six or seven hexadecimal bytes");
        }
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            std::uint64_t b = 0;
            if (!ParseNumber(bytes[i], b, 16) || b > 0xFF) return Fail("FlashId", *v, "six or seven hexadecimal bytes");
            (i < id.size() ? id[i] : byte6) = static_cast<std::uint8_t>(b);
        }
        return true;
    }

    bool Busy(GdpSetup& gdp) {
        if (!Int("GdpBusyPolls", gdp.busyPolls, 0, 1000000)) return false;
        const auto v = d_.section.Get("GdpBusy");
        if (!v) return true;
        if (EqualNoCase(*v, "forever")) {
            gdp.busyForever = true;
        } else if (!EqualNoCase(*v, "no")) {
            return Fail("GdpBusy", *v, "forever or no");
        }
        return true;
    }

  private:
    const DriveConfig& d_;
    std::string* error_;
};

// Each time from its microsecond key, else its millisecond key.
bool Latency(Reader& r, NandLatency& l) {
    const char* keys[3][2] = {{"ReadLatencyMs", "ReadLatencyUs"},
                              {"ProgramLatencyMs", "ProgramLatencyUs"},
                              {"EraseLatencyMs", "EraseLatencyUs"}};
    unsigned* out[3] = {&l.readUs, &l.programUs, &l.eraseUs};
    for (int i = 0; i < 3; ++i) {
        int ms = 0, us = -1;
        if (!r.Int(keys[i][0], ms, 0, 60000) || !r.Int(keys[i][1], us, 0, 60000000)) return false;
        *out[i] = us >= 0 ? static_cast<unsigned>(us) : static_cast<unsigned>(ms) * 1000u;
    }
    return true;
}

// NandTimeScale: a bare percentage for every die, <ch>:<ce>:<lun>:<percent> for one.
bool TimeScales(Reader& r, const DriveConfig& d, ProgramSetup& s) {
    const auto v = d.section.Get("NandTimeScale");
    if (!v) return true;
    const char* what = "a percentage (1 to 10000) or a list of <ch>:<ce>:<lun>:<percent>";
    const auto items = Split(*v, ',');
    if (items.empty()) return r.Fail("NandTimeScale", *v, what);
    for (std::string_view item : items) {
        const auto f = Split(item, ':');
        std::uint64_t n[4] = {};
        bool ok = f.size() == 1 || f.size() == 4;
        for (std::size_t i = 0; ok && i < f.size(); ++i) ok = ParseNumber(f[i], n[i]) && n[i] <= 10000;
        // The percentage is the item's last field; an item of another field count has none.
        const std::uint64_t percent = ok ? n[f.size() - 1] : 0;
        if (percent == 0) return r.Fail("NandTimeScale", *v, what);
        if (f.size() == 1) {
            s.timeScale = static_cast<unsigned>(percent);
        } else {
            s.dieTimeScales.push_back({static_cast<int>(n[0]), static_cast<int>(n[1]), static_cast<int>(n[2]),
                                       static_cast<unsigned>(percent)});
        }
    }
    return true;
}

bool InsideGeometry(const ProgramSetup& s, std::string* error, const std::string& drive) {
    auto check = [&](const std::vector<NandAddress>& list, const char* key, bool page) {
        for (const NandAddress& a : list) {
            const FlashGeometry& g = s.geometry;
            const bool in = a.channel < g.channels && a.ce < g.ces && a.lun < g.luns && a.block < g.blocks &&
                            (!page || a.page < g.pages);
            if (!in) {
                if (error != nullptr) *error = "[" + drive + "] " + key + " names a place outside the flash";
                return false;
            }
        }
        return true;
    };
    std::vector<NandAddress> scaled;
    for (const ProgramSetup::DieTimeScale& d : s.dieTimeScales) scaled.push_back({d.channel, d.ce, d.lun, 0, 0});
    return check(s.badBlocks, "BadBlocks", false) && check(s.readUnc, "ReadUnc", true) &&
           check(s.programFail, "ProgramFail", true) && check(s.eraseFail, "EraseFail", false) &&
           check(scaled, "NandTimeScale", false);
}

}  // namespace

std::optional<ProgramSetup> ReadProgramSetup(const DriveConfig& drive, std::string* error) {
    ProgramSetup s;
    Reader r(drive, error);
    FlashGeometry& g = s.geometry;
    const bool ok = r.Int("FlashChannels", g.channels, 1, 16) && r.Int("FlashCEs", g.ces, 1, 16) &&
                    r.Int("FlashLuns", g.luns, 1, 16) && r.Int("FlashBlocks", g.blocks, 1, 65536) &&
                    r.Int("FlashPages", g.pages, 1, 65536) && r.Int("FlashPageSectors", g.pageSectors, 1, 128) &&
                    r.Int("FlashPlanes", g.planes, 1, 16) && r.FlashId(s.gdp.flashId, s.gdp.flashIdByte6) &&
                    r.Places("BadBlocks", s.badBlocks, 4, 4) && r.Places("ReadUnc", s.readUnc, 5, 5) &&
                    r.Places("ProgramFail", s.programFail, 4, 5) && r.Places("EraseFail", s.eraseFail, 4, 4) &&
                    r.StuckBits(s.stuckBits) && r.Busy(s.gdp) && Latency(r, s.latency) && TimeScales(r, drive, s) &&
                    ReadDiagnosticKeys(drive, s.gdp, s.diag, s.sort, error) && ReadSpiKeys(drive, s.spi, error);
    if (!ok || !InsideGeometry(s, error, drive.name)) return std::nullopt;
    auto sorting = ReadSortRunSetup(drive, error);
    if (!sorting) return std::nullopt;
    sorting->statusFixed = drive.section.Get("SortStatus").has_value();
    for (const auto& [place, bits] : sorting->errorBits) {
        const auto [ch, ce, lun, block] = place;
        if (ch >= g.channels || ce >= g.ces || lun >= g.luns || block >= g.blocks) {
            if (error != nullptr) *error = "[" + drive.name + "] ErrorBits names a place outside the flash";
            return std::nullopt;
        }
    }
    auto badUnits = ReadBadUnitSetup(drive, g, error);
    auto uart = ReadUartSetup(drive, error);
    if (!badUnits || !uart) return std::nullopt;
    s.badUnits = std::move(*badUnits);
    s.uart = std::move(*uart);
    s.sortRun = std::move(*sorting);
    return s;
}

DrivePrograms InstallDrivePrograms(ControllerCore& core, const ProgramSetup& setup) {
    DrivePrograms p;
    p.nand = std::make_shared<NandModel>(setup.geometry, setup.latency);
    p.nand->SetOpTimeScale(setup.timeScale);
    for (const ProgramSetup::DieTimeScale& d : setup.dieTimeScales)
        p.nand->SetOpTimeScale(d.channel, d.ce, d.lun, d.percent);
    for (const NandAddress& a : setup.badBlocks) p.nand->MarkFactoryBad(a.channel, a.ce, a.lun, a.block);
    for (const NandAddress& a : setup.readUnc) p.nand->InjectUncorrectable(a);
    for (const NandAddress& a : setup.programFail)
        p.nand->InjectProgramFailure(a.channel, a.ce, a.lun, a.block, a.page);
    for (const NandAddress& a : setup.eraseFail) p.nand->InjectEraseFailure(a.channel, a.ce, a.lun, a.block);
    for (const StuckBit& b : setup.stuckBits) core.Ram().SetStuckBit(b.address, b.bit, b.value);
    p.loader = std::make_shared<LoaderProgram>(p.nand);
    p.loader->Install(core);
    p.gdp = std::make_shared<GdpFirmware>(p.nand, setup.gdp);
    p.gdp->Install(core);
    p.scan = std::make_shared<GdpBadBlockScan>(p.gdp);
    p.scan->Install(core);
    p.diag = std::make_shared<GdpDiagnostics>(p.gdp, setup.diag);
    p.diag->Install(core);
    p.codeBlocks = std::make_shared<GdpCodeBlocks>(p.gdp);
    p.codeBlocks->Install(core);
    p.resultBlocks = std::make_shared<GdpResultBlocks>(p.gdp);
    p.resultBlocks->Install(core);
    p.spi = std::make_shared<SpiFlash>(p.gdp, setup.spi);
    p.spi->Install(core);
    p.sortRun = std::make_shared<SortingProgram>(p.nand, setup.sortRun);
    p.sorting = std::make_shared<SortingFirmware>(setup.sort, p.sortRun);
    p.sorting->Install(core);
    p.sortResults = std::make_shared<SortResultAccess>(p.nand, p.sortRun, p.sorting);
    p.sortResults->Install(core);
    p.system = std::make_shared<SystemFirmware>(p.nand, setup.badUnits, setup.uart);
    p.system->Install(core);
    p.system->SetFlashIds([gdp = p.gdp](int channel, int ce) { return gdp->FlashIdOf(channel, ce); });
    p.loader->SetRomBootHook([system = p.system, sortRun = p.sortRun](ControllerCore& c, BootReport& r) {
        system->OnRomBoot(c, r);
        sortRun->OnRomBoot(c, r);
    });
    return p;
}

}  // namespace emu
