#include "remap_fixture.h"

#include <algorithm>
#include <set>

#include "support/flash_geometry.h"
#include "tables/block_units.h"

namespace remap_test {

void ApplyGeometry(const Geo& g) {
    test_support::SetFlashGeometry({g.channels, g.banks, g.dies, g.planes, g.dieUnit, g.pageSector, g.superDie,
                                    g.lunOffset, g.extendBlocks});
    AP_INIState.RemapEnable = 1;
    AP_INIState.DefPercentage = 30;
    for (int i = 0; i < AP_PAGE_MAP_COUNT; ++i) AP_FlashSet.wPageMap[i] = static_cast<std::uint16_t>(i);
}

namespace {

std::filesystem::path FreshFolder() {
    static int serial = 0;
    const auto base = std::filesystem::temp_directory_path() /
                      ("remap_test_" + std::to_string(::getpid()) + "_" + std::to_string(serial++));
    std::filesystem::remove_all(base);
    std::filesystem::create_directories(base);
    return base;
}

}  // namespace

RemapTest::RemapTest()
    : folder_(FreshFolder()), instance_(AP_Instance[kPort]), oldFolder_(platform::ProgramFolder()), scoped_(clock_) {
    AP_Instance[kPort] = {};
    std::strcpy(AP_Instance[kPort].sLogSerialNum, "SN123");
    platform::SetProgramFolder(folder_);
}

RemapTest::~RemapTest() {
    AP_Instance[kPort] = instance_;
    platform::SetProgramFolder(oldFolder_);
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
}

std::vector<std::filesystem::path> RemapTest::LogFiles() const {
    std::vector<std::filesystem::path> out;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(LogFolder(), ec)) out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

std::uint32_t Entry(int ch, int ce, std::uint8_t planeByte, std::uint16_t unit) {
    const int banks = AP_INIState.MaxPhyBank == 0 ? 1 : AP_INIState.MaxPhyBank;
    return RM_MakeGdpEntry(ch, ce % banks, ce / banks, planeByte, unit);
}

std::vector<std::uint8_t> WorkBuffer(const std::vector<std::uint32_t>& entries) {
    std::vector<std::uint8_t> work(RM_GDP_LIST_BYTES, 0);
    for (std::size_t i = 0; i < entries.size() && i < RM_GDP_MAX_ENTRIES; ++i) {
        for (int b = 0; b < 4; ++b) work[4 * i + b] = static_cast<std::uint8_t>(entries[i] >> (8 * b));
    }
    return work;
}

std::vector<std::uint32_t> RandomBadBlocks(std::uint32_t seed, int count) {
    std::mt19937 rng(seed);
    const int channels = AP_INIState.MaxPhyChannel;
    const int ces = AP_INIState.MaxPhyBank * AP_FlashSet.ucDiePerCE;
    const int planes = AP_FlashSet.ucPlanes;
    const int units = AP_FlashSet.wDieUnit;
    const std::uint8_t full = static_cast<std::uint8_t>((1u << planes) - 1u);
    std::set<std::uint32_t> seen;
    std::vector<std::uint32_t> out;
    while (static_cast<int>(out.size()) < count) {
        const int ch = static_cast<int>(rng() % channels);
        const int ce = static_cast<int>(rng() % ces);
        const int p = static_cast<int>(rng() % planes);
        const auto unit = static_cast<std::uint16_t>(2 + rng() % (units - 2));
        if (!seen.insert((static_cast<std::uint32_t>(ch * 8 + ce) << 16) | unit).second) continue;
        out.push_back(Entry(ch, ce, static_cast<std::uint8_t>(full & ~(1u << p)), unit));
    }
    return out;
}

void BuildTables(const std::vector<std::uint32_t>& entries, _VectorInfo& vi, RemapCounts& counts, RM_PageTable& pages) {
    std::vector<std::uint8_t> bytes = WorkBuffer(entries);
    tables::GdpList list(bytes.data(), bytes.size());
    RM_DistributeGdpList(kPort, list, vi);
    RM_BuildBlockUnitList(vi);
    vRM_RunRemapPasses(kPort, vi);
    vRM_GenerateTables(kPort, vi, counts, pages);
}

std::vector<std::uint8_t> RecordAt(const std::vector<std::uint8_t>& work, int i) {
    const std::size_t off = 1 + 32 * static_cast<std::size_t>(i);
    return std::vector<std::uint8_t>(work.begin() + static_cast<long>(off), work.begin() + static_cast<long>(off + 12));
}

}  // namespace remap_test
