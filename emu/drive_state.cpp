#include "emu/drive_state.h"

#include <cstring>
#include <map>
#include <memory>
#include <tuple>

#include "emu/nvme_controller.h"
#include "emu/uart_log.h"
#include "emu/wire_bytes.h"

namespace emu {

namespace {

constexpr char kMagic[8] = {'Q', 'V', 'S', 'T', 'A', 'T', 'E', '\0'};

class Writer {
  public:
    void U8(std::uint8_t v) { out_.push_back(static_cast<char>(v)); }
    void U16(std::uint16_t v) {
        std::uint8_t b[2];
        wire::PutLe16(b, v);
        Raw(b, 2);
    }
    void U32(std::uint32_t v) {
        std::uint8_t b[4];
        wire::PutLe32(b, v);
        Raw(b, 4);
    }
    void U64(std::uint64_t v) {
        std::uint8_t b[8];
        wire::PutLe64(b, v);
        Raw(b, 8);
    }
    void Raw(const void* p, std::size_t n) { out_.append(static_cast<const char*>(p), n); }
    void Bytes(std::string_view b) {
        U32(static_cast<std::uint32_t>(b.size()));
        Raw(b.data(), b.size());
    }
    std::string Take() { return std::move(out_); }

  private:
    std::string out_;
};

class Reader {
  public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    bool Has(std::size_t n) const { return n <= bytes_.size() - at_; }
    std::size_t Left() const { return bytes_.size() - at_; }
    bool U8(std::uint8_t& v) { return Fixed(&v, 1); }
    bool U16(std::uint16_t& v) {
        std::uint8_t b[2];
        if (!Fixed(b, 2)) return false;
        v = wire::GetLe16(b);
        return true;
    }
    bool U32(std::uint32_t& v) {
        std::uint8_t b[4];
        if (!Fixed(b, 4)) return false;
        v = wire::GetLe32(b);
        return true;
    }
    bool U64(std::uint64_t& v) {
        std::uint32_t lo = 0, hi = 0;
        if (!U32(lo) || !U32(hi)) return false;
        v = (std::uint64_t{hi} << 32) | lo;
        return true;
    }
    bool Fixed(void* p, std::size_t n) {
        if (!Has(n)) return false;
        std::memcpy(p, bytes_.data() + at_, n);
        at_ += n;
        return true;
    }
    // A u32 length and that many bytes, at most `limit`.
    bool Bytes(std::string& out, std::size_t limit) {
        std::uint32_t n = 0;
        if (!U32(n) || n > limit || !Has(n)) return false;
        out.assign(bytes_.data() + at_, n);
        at_ += n;
        return true;
    }
    // A u32 count of items of at least `itemBytes` each that the bytes left can hold.
    bool Count(std::uint32_t& n, std::size_t itemBytes) { return U32(n) && n <= Left() / itemBytes; }

  private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

bool Fail(std::string* why, const char* text) {
    if (why != nullptr) *why = text;
    return false;
}

constexpr std::size_t kBlockHeadBytes = 16, kPageEntryBytes = 12, kFailureBytes = 8;

bool ReadHead(Reader& r, DriveState& s, std::string* why) {
    char magic[sizeof kMagic];
    std::uint32_t version = 0, zero = 0;
    if (!r.Fixed(magic, sizeof magic) || std::memcmp(magic, kMagic, sizeof magic) != 0) {
        return Fail(why, "not a drive state file");
    }
    if (!r.U32(version) || !r.U32(zero)) return Fail(why, "the file is cut short");
    if (version != kDriveStateVersion) return Fail(why, "the file's version is not 1");
    std::uint32_t g[7];
    for (std::uint32_t& v : g) {
        if (!r.U32(v)) return Fail(why, "the file is cut short");
    }
    FlashGeometry& geo = s.geometry;
    int* fields[7] = {&geo.channels, &geo.ces, &geo.luns, &geo.blocks, &geo.pages, &geo.pageSectors, &geo.planes};
    for (int i = 0; i < 7; ++i) {
        if (g[i] > 65536) return Fail(why, "the geometry is not sound");
        *fields[i] = static_cast<int>(g[i]);
    }
    if (!geo.Sound()) return Fail(why, "the geometry is not sound");
    std::uint8_t program = 0, pad[3];
    if (!r.U8(program) || !r.Fixed(pad, 3)) return Fail(why, "the file is cut short");
    if (program < 1 || program > 4) return Fail(why, "the flash program is not 1 to 4");
    s.flashProgram = static_cast<Program>(program);
    SmartCounters& m = s.smart;
    for (std::uint64_t* v :
         {&m.sectorsRead, &m.sectorsWritten, &m.readCommands, &m.writeCommands, &m.powerCycles, &m.powerOnHours,
          &m.unsafeShutdowns, &s.failureCounts.reads, &s.failureCounts.programs, &s.failureCounts.erases}) {
        if (!r.U64(*v)) return Fail(why, "the file is cut short");
    }
    if (!r.Bytes(s.uartLog, kUartLogKeptBytes)) return Fail(why, "the UART log is cut short or too long");
    return true;
}

bool ReadNamespace(Reader& r, DriveState& s, std::string* why) {
    std::uint32_t n = 0;
    if (!r.Count(n, 8 + NamespaceStore::kChunkBytes)) return Fail(why, "the namespace blocks are cut short");
    s.namespaceChunks.reserve(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        std::uint64_t index = 0;
        std::vector<std::uint8_t> chunk(NamespaceStore::kChunkBytes);
        if (!r.U64(index) || !r.Fixed(chunk.data(), chunk.size()))
            return Fail(why, "the namespace blocks are cut short");
        s.namespaceChunks.emplace_back(index, std::move(chunk));
    }
    return true;
}

bool ReadFlash(Reader& r, DriveState& s, std::string* why) {
    const FlashGeometry& g = s.geometry;
    std::uint32_t n = 0;
    if (!r.Count(n, 4)) return Fail(why, "the page contents are cut short");
    std::vector<std::shared_ptr<const std::vector<std::uint8_t>>> contents;
    contents.reserve(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        std::string bytes;
        if (!r.Bytes(bytes, g.PageBytes())) return Fail(why, "a page content is cut short or longer than a page");
        contents.push_back(std::make_shared<const std::vector<std::uint8_t>>(bytes.begin(), bytes.end()));
    }
    if (!r.Count(n, kBlockHeadBytes)) return Fail(why, "the blocks are cut short");
    std::map<std::tuple<int, int, int, int>, bool> seen;
    for (std::uint32_t i = 0; i < n; ++i) {
        NandModel::StoredBlock b;
        std::uint8_t ch = 0, ce = 0, lun = 0, pad = 0;
        std::uint32_t block = 0, pages = 0;
        if (!r.U8(ch) || !r.U8(ce) || !r.U8(lun) || !r.U8(pad) || !r.U32(block) || !r.U32(b.eraseCount) ||
            !r.Count(pages, kPageEntryBytes)) {
            return Fail(why, "the blocks are cut short");
        }
        if (ch >= g.channels || ce >= g.ces || lun >= g.luns || block >= static_cast<std::uint32_t>(g.blocks) ||
            !seen.emplace(std::tuple{int{ch}, int{ce}, int{lun}, static_cast<int>(block)}, true).second) {
            return Fail(why, "a block lies outside the flash or comes twice");
        }
        b.channel = ch;
        b.ce = ce;
        b.lun = lun;
        b.block = static_cast<int>(block);
        for (std::uint32_t k = 0; k < pages; ++k) {
            NandModel::StoredPage p;
            std::uint32_t page = 0, content = 0;
            std::uint16_t zero = 0;
            if (!r.U32(page) || !r.U8(p.ldpcRate) || !r.U8(p.scramble) || !r.U16(zero) || !r.U32(content)) {
                return Fail(why, "the pages are cut short");
            }
            if (page >= static_cast<std::uint32_t>(g.pages) || content >= contents.size() ||
                (!b.pages.empty() && static_cast<int>(page) <= b.pages.back().page)) {
                return Fail(why, "a page lies outside its block, comes twice or names no content");
            }
            p.page = static_cast<int>(page);
            p.data = contents[content];
            b.pages.push_back(std::move(p));
        }
        s.blocks.push_back(std::move(b));
    }
    if (!r.Count(n, kFailureBytes)) return Fail(why, "the failures are cut short");
    for (std::uint32_t i = 0; i < n; ++i) {
        std::uint8_t ch = 0, ce = 0, lun = 0, type = 0;
        std::uint32_t block = 0;
        if (!r.U8(ch) || !r.U8(ce) || !r.U8(lun) || !r.U8(type) || !r.U32(block)) {
            return Fail(why, "the failures are cut short");
        }
        if (ch >= g.channels || ce >= g.ces || lun >= g.luns || block >= static_cast<std::uint32_t>(g.blocks) ||
            type < 4 || type > 6) {
            return Fail(why, "a failure lies outside the flash or has no known type");
        }
        s.failures.push_back({ch, ce, lun, static_cast<int>(block), static_cast<NandModel::Failure>(type)});
    }
    return true;
}

}  // namespace

std::string EncodeDriveState(const DriveState& s) {
    Writer w;
    w.Raw(kMagic, sizeof kMagic);
    w.U32(kDriveStateVersion);
    w.U32(0);
    const FlashGeometry& g = s.geometry;
    for (int v : {g.channels, g.ces, g.luns, g.blocks, g.pages, g.pageSectors, g.planes})
        w.U32(static_cast<std::uint32_t>(v));
    w.U8(static_cast<std::uint8_t>(s.flashProgram));
    w.U8(0);
    w.U16(0);
    const SmartCounters& m = s.smart;
    for (std::uint64_t v :
         {m.sectorsRead, m.sectorsWritten, m.readCommands, m.writeCommands, m.powerCycles, m.powerOnHours,
          m.unsafeShutdowns, s.failureCounts.reads, s.failureCounts.programs, s.failureCounts.erases}) {
        w.U64(v);
    }
    w.Bytes(s.uartLog);
    w.U32(static_cast<std::uint32_t>(s.namespaceChunks.size()));
    for (const auto& [index, chunk] : s.namespaceChunks) {
        w.U64(index);
        std::vector<std::uint8_t> whole(NamespaceStore::kChunkBytes, 0);
        std::memcpy(whole.data(), chunk.data(), std::min(chunk.size(), whole.size()));
        w.Raw(whole.data(), whole.size());
    }
    // Each distinct content once (a loader block written on every die holds one copy of a page).
    std::map<const std::vector<std::uint8_t>*, std::uint32_t> index;
    std::vector<const std::vector<std::uint8_t>*> contents;
    for (const NandModel::StoredBlock& b : s.blocks) {
        for (const NandModel::StoredPage& p : b.pages) {
            if (p.data && index.emplace(p.data.get(), static_cast<std::uint32_t>(contents.size())).second) {
                contents.push_back(p.data.get());
            }
        }
    }
    w.U32(static_cast<std::uint32_t>(contents.size()));
    for (const auto* c : contents) w.Bytes(std::string_view(reinterpret_cast<const char*>(c->data()), c->size()));
    w.U32(static_cast<std::uint32_t>(s.blocks.size()));
    for (const NandModel::StoredBlock& b : s.blocks) {
        w.U8(static_cast<std::uint8_t>(b.channel));
        w.U8(static_cast<std::uint8_t>(b.ce));
        w.U8(static_cast<std::uint8_t>(b.lun));
        w.U8(0);
        w.U32(static_cast<std::uint32_t>(b.block));
        w.U32(b.eraseCount);
        std::uint32_t pages = 0;
        for (const NandModel::StoredPage& p : b.pages) pages += p.data ? 1 : 0;
        w.U32(pages);
        for (const NandModel::StoredPage& p : b.pages) {
            if (!p.data) continue;
            w.U32(static_cast<std::uint32_t>(p.page));
            w.U8(p.ldpcRate);
            w.U8(p.scramble);
            w.U16(0);
            w.U32(index.at(p.data.get()));
        }
    }
    w.U32(static_cast<std::uint32_t>(s.failures.size()));
    for (const NandModel::ServedFailure& f : s.failures) {
        w.U8(static_cast<std::uint8_t>(f.channel));
        w.U8(static_cast<std::uint8_t>(f.ce));
        w.U8(static_cast<std::uint8_t>(f.lun));
        w.U8(static_cast<std::uint8_t>(f.type));
        w.U32(static_cast<std::uint32_t>(f.block));
    }
    return w.Take();
}

std::optional<DriveState> DecodeDriveState(std::string_view bytes, std::string* why) {
    Reader r(bytes);
    DriveState s;
    if (!ReadHead(r, s, why) || !ReadNamespace(r, s, why) || !ReadFlash(r, s, why)) return std::nullopt;
    if (r.Left() != 0) {
        Fail(why, "bytes follow the state");
        return std::nullopt;
    }
    return s;
}

std::optional<std::string> NvmeController::SaveState() const {
    if (!keptNand_ || !keptSystem_) return std::nullopt;
    DriveState s;
    s.geometry = keptNand_->Geometry();
    s.flashProgram = core_.FlashProgram();
    s.smart = smart_;
    s.failureCounts = keptNand_->ServedCounts();
    s.uartLog = keptSystem_->Uart().Text();
    s.namespaceChunks = namespace_.HeldChunks();
    s.blocks = keptNand_->StoredBlocks();
    s.failures = keptNand_->ServedFailures();
    return EncodeDriveState(s);
}

bool NvmeController::LoadState(std::string_view bytes, std::string* why) {
    if (!keptNand_ || !keptSystem_) return Fail(why, "the controller keeps no state");
    auto s = DecodeDriveState(bytes, why);
    if (!s) return false;
    const FlashGeometry& g = keptNand_->Geometry();
    const FlashGeometry& k = s->geometry;
    if (k.channels != g.channels || k.ces != g.ces || k.luns != g.luns || k.blocks != g.blocks || k.pages != g.pages ||
        k.pageSectors != g.pageSectors || k.planes != g.planes) {
        return Fail(why, "the state's flash geometry is not the drive's");
    }
    core_.SetFlashProgram(s->flashProgram);
    const int temperature = smart_.temperatureCelsius;
    smart_ = s->smart;
    smart_.temperatureCelsius = temperature;
    keptSystem_->Uart().SetText(std::move(s->uartLog));
    namespace_.RestoreChunks(s->namespaceChunks);
    keptNand_->Restore(s->blocks, s->failures, s->failureCounts);
    return true;
}

}  // namespace emu
