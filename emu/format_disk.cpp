#include "emu/format_disk.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>

#include "emu/bay.h"
#include "emu/namespace_store.h"
#include "emu/nvme_controller.h"
#include "emu/wire_bytes.h"

namespace emu {

namespace {

constexpr std::uint64_t kSector = NamespaceStore::kSectorBytes;
constexpr std::uint64_t kMiBSectors = 2048;
constexpr std::uint64_t kEntries = 128;
constexpr std::uint64_t kEntryBytes = 128;
constexpr std::uint64_t kEntrySectors = kEntries * kEntryBytes / kSector;  // 32
constexpr std::uint64_t kFirstPartitionLba = 2048;
// The basic-data type as it lies in an entry (the first three fields little-endian).
constexpr std::array<std::uint8_t, 16> kBasicData = {0xA2, 0xA0, 0xD0, 0xEB, 0xE5, 0xB9, 0x33, 0x44,
                                                     0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7};

std::uint32_t Crc32(const std::uint8_t* data, std::size_t length) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::uint64_t GetLe64(const std::uint8_t* p) {
    return std::uint64_t(wire::GetLe32(p)) | (std::uint64_t(wire::GetLe32(p + 4)) << 32);
}

// A GUID of our own, different per drive and use.
void FillGuid(std::uint8_t* out, std::uint32_t seed, std::uint8_t use) {
    for (int i = 0; i < 16; ++i) out[i] = static_cast<std::uint8_t>((seed * 131u + use * 29u + i * 17u) & 0xFF);
    out[7] = static_cast<std::uint8_t>(0x40 | (out[7] & 0x0F));  // version 4
    out[8] = static_cast<std::uint8_t>(0x80 | (out[8] & 0x3F));  // variant
}

std::vector<std::uint8_t> Sectors(const NamespaceStore& ns, std::uint64_t lba, std::uint64_t count) {
    std::vector<std::uint8_t> bytes(count * kSector);
    ns.Read(lba, bytes);
    return bytes;
}

std::optional<std::uint64_t> Number(std::string_view text) {
    std::uint64_t v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || r.ec != std::errc{} || r.ptr != text.data() + text.size()) return std::nullopt;
    return v;
}

}  // namespace

std::optional<FormatSetup> ReadFormatSetup(const DriveConfig& drive, std::string* error) {
    FormatSetup setup;
    auto fail = [&](const char* key, const std::string& value, const char* what) -> std::optional<FormatSetup> {
        if (error != nullptr) *error = "[" + drive.name + "] " + key + "=" + value + " is not " + what;
        return std::nullopt;
    };
    if (const auto v = drive.section.Get("FormatMs")) {
        const auto n = Number(*v);
        if (!n || *n > 86400000) return fail("FormatMs", *v, "a number of milliseconds up to 86400000");
        setup.formatMs = *n;
    }
    for (auto [key, flag] : {std::pair{"SystemDisk", &setup.systemDisk}, std::pair{"FormatFail", &setup.formatFail}}) {
        if (const auto v = drive.section.Get(key)) {
            if (*v != "0" && *v != "1") return fail(key, *v, "0 or 1");
            *flag = *v == "1";
        }
    }
    return setup;
}

void BayVolumes::Add(platform::Volume volume) {
    std::lock_guard lock(mutex_);
    volumes_.push_back(std::move(volume));
}

void BayVolumes::DropDisk(std::uint32_t disk) {
    std::lock_guard lock(mutex_);
    std::erase_if(volumes_, [disk](const platform::Volume& v) { return v.disk == disk; });
}

std::vector<platform::Volume> BayVolumes::List() const {
    std::lock_guard lock(mutex_);
    return volumes_;
}

bool WriteGpt(NamespaceStore& ns, bool withPartition, std::uint32_t seed, std::string& error) {
    const std::uint64_t n = ns.Sectors();
    if (n < kFirstPartitionLba + 2 * kMiBSectors) {
        error = "the namespace is too small for a partition";
        return false;
    }
    const std::uint64_t lastUsable = n - 2 - kEntrySectors;
    std::vector<std::uint8_t> mbr(kSector, 0);
    mbr[446 + 1] = 0x00;
    mbr[446 + 2] = 0x02;
    mbr[446 + 4] = 0xEE;
    mbr[446 + 5] = mbr[446 + 6] = mbr[446 + 7] = 0xFF;
    wire::PutLe32(&mbr[446 + 8], 1);
    wire::PutLe32(&mbr[446 + 12], static_cast<std::uint32_t>(std::min<std::uint64_t>(n - 1, 0xFFFFFFFFu)));
    mbr[510] = 0x55;
    mbr[511] = 0xAA;
    ns.Write(0, mbr);

    std::vector<std::uint8_t> entries(kEntrySectors * kSector, 0);
    if (withPartition) {
        std::copy(kBasicData.begin(), kBasicData.end(), entries.begin());
        FillGuid(&entries[16], seed, 1);
        wire::PutLe64(&entries[32], kFirstPartitionLba);
        wire::PutLe64(&entries[40], lastUsable);
        const char* name = "Basic data partition";
        for (std::size_t i = 0; name[i] != '\0'; ++i) entries[56 + 2 * i] = static_cast<std::uint8_t>(name[i]);
    }
    const std::uint32_t entriesCrc = Crc32(entries.data(), entries.size());
    auto header = [&](std::uint64_t self, std::uint64_t other, std::uint64_t entriesLba) {
        std::vector<std::uint8_t> h(kSector, 0);
        std::memcpy(h.data(), "EFI PART", 8);
        wire::PutLe32(&h[8], 0x00010000);
        wire::PutLe32(&h[12], 92);
        wire::PutLe64(&h[24], self);
        wire::PutLe64(&h[32], other);
        wire::PutLe64(&h[40], 2 + kEntrySectors);
        wire::PutLe64(&h[48], lastUsable);
        FillGuid(&h[56], seed, 0);
        wire::PutLe64(&h[72], entriesLba);
        wire::PutLe32(&h[80], kEntries);
        wire::PutLe32(&h[84], kEntryBytes);
        wire::PutLe32(&h[88], entriesCrc);
        wire::PutLe32(&h[16], Crc32(h.data(), 92));
        return h;
    };
    ns.Write(1, header(1, n - 1, 2));
    ns.Write(2, entries);
    ns.Write(n - 1 - kEntrySectors, entries);
    ns.Write(n - 1, header(n - 1, 1, n - 1 - kEntrySectors));
    return true;
}

std::optional<std::pair<std::uint64_t, std::uint64_t>> FirstGptPartition(const NamespaceStore& ns) {
    if (ns.Sectors() < 3) return std::nullopt;
    const auto header = Sectors(ns, 1, 1);
    if (std::memcmp(header.data(), "EFI PART", 8) != 0) return std::nullopt;
    const std::uint64_t entriesLba = GetLe64(&header[72]);
    if (!ns.Contains(entriesLba, 1)) return std::nullopt;
    const auto entry = Sectors(ns, entriesLba, 1);
    if (std::all_of(entry.begin(), entry.begin() + 16, [](std::uint8_t b) { return b == 0; })) return std::nullopt;
    const std::uint64_t first = GetLe64(&entry[32]), last = GetLe64(&entry[40]);
    if (last < first || !ns.Contains(first, last - first + 1)) return std::nullopt;
    return std::make_pair(first, last);
}

void WriteNtfsBootSectors(NamespaceStore& ns, std::uint64_t first, std::uint64_t last, std::uint32_t seed) {
    std::vector<std::uint8_t> boot(kSector, 0);
    const std::uint8_t jump[3] = {0xEB, 0x52, 0x90};
    std::copy(std::begin(jump), std::end(jump), boot.begin());
    std::memcpy(&boot[3], "NTFS    ", 8);
    wire::PutLe16(&boot[11], 512);  // bytes per sector
    boot[13] = 8;                   // sectors per cluster
    boot[21] = 0xF8;                // fixed disk
    wire::PutLe16(&boot[24], 63);
    wire::PutLe16(&boot[26], 255);
    wire::PutLe32(&boot[28], static_cast<std::uint32_t>(first));  // hidden sectors
    boot[36] = 0x80;
    boot[38] = 0x80;
    const std::uint64_t total = last - first;  // the last sector keeps the copy
    wire::PutLe64(&boot[40], total);
    wire::PutLe64(&boot[48], 4);              // the MFT's cluster
    wire::PutLe64(&boot[56], total / 8 / 2);  // its mirror's
    boot[64] = 0xF6;                          // 1,024-byte records
    boot[68] = 1;                             // one cluster per index record
    wire::PutLe64(&boot[72], 0x5EED000000000000ull | seed);
    boot[510] = 0x55;
    boot[511] = 0xAA;
    ns.Write(first, boot);
    ns.Write(last, boot);
}

template <class Step>
bool BayDiskOperations::OnNamespace(std::uint32_t disk, std::string& error, Step step) {
    last_ = disk;
    Drive* drive = bay_.DriveAt(disk);
    auto* controller = drive != nullptr ? dynamic_cast<NvmeController*>(drive->GetBridge().GetController()) : nullptr;
    if (controller == nullptr) {
        error = "disk " + std::to_string(disk) + " has no namespace";
        return false;
    }
    bool ok = false;
    drive->Locked([&] { ok = step(controller->Namespace()); });
    return ok;
}

std::optional<platform::DiskOwner> BayDiskOperations::Owner(std::uint32_t disk) {
    last_ = disk;
    Drive* drive = bay_.DriveAt(disk);
    if (drive == nullptr || !drive->Plugged()) return std::nullopt;
    return platform::DiskOwner{bay_.InstanceIdOf(*drive), bay_.UsbSerialOf(*drive)};
}

std::optional<std::string> BayDiskOperations::Refusal(std::uint32_t disk) {
    Drive* drive = bay_.DriveAt(disk);
    if (drive == nullptr || !drive->Plugged()) return "no disk " + std::to_string(disk);
    if (bay_.FormatSetupOf(disk).systemDisk) return drive->Path() + " is the system disk";
    return std::nullopt;
}

bool BayDiskOperations::Clean(std::uint32_t disk, std::string& error) {
    bay_.Volumes().DropDisk(disk);
    return OnNamespace(disk, error, [](NamespaceStore& ns) {
        const std::uint64_t n = ns.Sectors();
        const std::uint64_t head = std::min(n, kMiBSectors);
        const std::vector<std::uint8_t> zeros(head * kSector, 0);
        ns.Write(0, zeros);
        ns.Write(n - head, zeros);
        return true;
    });
}

bool BayDiskOperations::ConvertGpt(std::uint32_t disk, std::string& error) {
    return OnNamespace(disk, error, [&](NamespaceStore& ns) { return WriteGpt(ns, false, disk, error); });
}

bool BayDiskOperations::CreatePrimaryPartition(std::uint32_t disk, std::string& error) {
    return OnNamespace(disk, error, [&](NamespaceStore& ns) {
        if (!FirstGptPartition(ns) && ns.Sectors() >= 2) {
            const auto header = Sectors(ns, 1, 1);
            if (std::memcmp(header.data(), "EFI PART", 8) != 0) {
                error = "the disk is not a GPT disk";
                return false;
            }
        }
        return WriteGpt(ns, true, disk, error);
    });
}

bool BayDiskOperations::FormatNtfsQuick(std::uint32_t disk, std::string& error) {
    if (bay_.DriveAt(disk) != nullptr && bay_.FormatSetupOf(disk).formatFail) {
        last_ = disk;
        error = "the format failed (FormatFail)";
        return false;
    }
    return OnNamespace(disk, error, [&](NamespaceStore& ns) {
        const auto partition = FirstGptPartition(ns);
        if (!partition) {
            error = "no partition";
            return false;
        }
        WriteNtfsBootSectors(ns, partition->first, partition->second, disk);
        return true;
    });
}

bool BayDiskOperations::Assign(std::uint32_t disk, const std::filesystem::path& mountPoint, std::string& error) {
    const bool ntfs = OnNamespace(disk, error, [&](NamespaceStore& ns) {
        const auto partition = FirstGptPartition(ns);
        if (!partition) {
            error = "no partition";
            return false;
        }
        const auto boot = Sectors(ns, partition->first, 1);
        if (std::memcmp(&boot[3], "NTFS    ", 8) != 0) {
            error = "no file system on the partition";
            return false;
        }
        return true;
    });
    if (!ntfs) return false;
    Drive* drive = bay_.DriveAt(disk);
    platform::Volume v;
    v.mountPoint = mountPoint.string();
    v.source = drive->Path() + "p1";
    v.fsType = "ntfs";
    v.diskName = drive->Path();
    v.disk = disk;
    v.partition = 1;
    bay_.Volumes().DropDisk(disk);
    bay_.Volumes().Add(std::move(v));
    return true;
}

}  // namespace emu
