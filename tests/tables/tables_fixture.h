// Test helpers for the flash-table builder: the global records saved, cleared and restored around
// a test, fixture geometries, GDP list buffers, the rule steps in the driver's order, and a
// comparison of two working sets.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/trace_sink.h"
#include "settings/records.h"
#include "support/flash_geometry.h"
#include "support/settings_records.h"
#include "tables/block_units.h"
#include "tables/gdp_list.h"
#include "tables/remap_passes.h"
#include "tables/rm_driver.h"
#include "tables/table_gen.h"
#include "transport/port_instance.h"
#include "transport/tool_records.h"

namespace tables_test {

inline constexpr int kPort = 3;

struct Geo {
    int channels;
    int banks;
    int dies;
    int planes;
    int dieUnit;
    int pageSector;  // 512-byte sectors per page
    bool superDie = false;
    int lunOffset = 0;
    int extendBlocks = 0;
};

// 1 channel, 1 bank, 1 die, 2 planes, 16 units, 4 KB pages.
inline constexpr Geo kSmall{1, 1, 1, 2, 16, 8};
// The same with two dies per CE in super-die mode (LUN 1 from unit 16).
inline constexpr Geo kSmallSuperDie{1, 1, 2, 2, 16, 8, true, 16};
// 4 channels, 2 banks, 2 dies, 4 planes, 512 units per die, 16 KB pages.
inline constexpr Geo kRealistic{4, 2, 2, 4, 512, 32};

// Sets the settings records for `g`: identity channel and CE maps, every die present, remap on.
inline void ApplyGeometry(const Geo& g) {
    test_support::SetFlashGeometry({g.channels, g.banks, g.dies, g.planes, g.dieUnit, g.pageSector, g.superDie,
                                    g.lunOffset, g.extendBlocks});
    AP_INIState.RemapEnable = 1;
}

// Saves and clears the records the table builder reads, installs a virtual clock and captures the
// trace; everything is restored afterwards.
class TablesTest : public ::testing::Test {
  protected:
    TablesTest() : instance_(AP_Instance[kPort]), scoped_(clock_) { AP_Instance[kPort] = {}; }
    ~TablesTest() override { AP_Instance[kPort] = instance_; }

    platform::VirtualClock clock_;
    platform::TraceCapture trace_;

  private:
    test_support::SettingsRecordsGuard settings_;
    AP_Instance_t instance_;
    platform::ScopedClock scoped_;
};

// A 16 KB GDP list buffer with its view.
class GdpBuffer {
  public:
    GdpBuffer() : bytes_(16384, 0), list_(bytes_.data(), bytes_.size()) {}
    GdpBuffer(const GdpBuffer&) = delete;
    GdpBuffer& operator=(const GdpBuffer&) = delete;

    tables::GdpList& list() { return list_; }
    std::vector<std::uint8_t>& bytes() { return bytes_; }
    void Set(const std::vector<std::uint32_t>& entries) {
        std::fill(bytes_.begin(), bytes_.end(), 0);
        for (std::size_t i = 0; i < entries.size(); ++i) list_.Set(static_cast<std::uint32_t>(i), entries[i]);
    }
    std::vector<std::uint32_t> Entries() {
        std::vector<std::uint32_t> out;
        for (std::uint32_t i = 0; i < list_.Count(); ++i) out.push_back(list_.Get(i));
        return out;
    }

  private:
    std::vector<std::uint8_t> bytes_;
    tables::GdpList list_;
};

// Entry of channel `ch`, CE index `ce` (bank and LUN under the settings' bank count).
inline std::uint32_t Entry(int ch, int ce, std::uint8_t planeByte, std::uint16_t unit) {
    const int banks = AP_INIState.MaxPhyBank == 0 ? 1 : AP_INIState.MaxPhyBank;
    return RM_MakeGdpEntry(ch, ce % banks, ce / banks, planeByte, unit);
}

// A drive list of 900 bad-block entries drawn from `seed` over 4 channels, 4 CEs and 512 units
// (mostly one bad plane of four, now and then any plane byte), merged as the drive's list.
inline void RandomDrive(GdpBuffer& gdp, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint32_t> entries;
    for (int i = 0; i < 900; ++i) {
        const auto unit = static_cast<std::uint16_t>(rng() % 512);
        auto mask = static_cast<std::uint8_t>(0x0F & ~(1u << (rng() % 4)));
        if (rng() % 6 == 0) mask = static_cast<std::uint8_t>(rng() % 16);
        entries.push_back(Entry(static_cast<int>(rng() % 4), static_cast<int>(rng() % 4), mask, unit));
    }
    gdp.Set(entries);
    RM_MergeGdpList(gdp.list());
}

inline std::unique_ptr<_VectorInfo> NewWorkingSet() {
    return std::make_unique<_VectorInfo>();
}

// Distributes `list` and builds the block-unit list.
inline void Prepare(tables::GdpList& list, _VectorInfo& vi) {
    RM_DistributeGdpList(kPort, list, vi);
    RM_BuildBlockUnitList(vi);
}

// The remap steps in the driver's order (RemapEnable on), from a built block-unit list.
inline void RunRemapSteps(_VectorInfo& vi, std::vector<std::uint8_t>& hash) {
    hash.assign(RM_HASH_BYTES, 0);
    RmHashBuffer h(hash.data(), RM_HASH_BYTES);
    RM_SortUnitsByBadCount(vi, 1);
    if (AP_INIState.EnPartialTbl != 0 && AP_INIState.PartialRemapPolicy == 1 && AP_INIState.RmpPartialTHR != 0) {
        RM_PartialRemap(vi, h);
    } else {
        vRM_Remap(vi, h);
    }
    RM_RecountBlockUnits(vi);
    vRM_GetBoundOfSLC(kPort, vi);
    if (AP_INIState.EnPartialTbl != 0) {
        RM_UndoOverThreshold(vi);
    } else {
        RM_SortUnitsByBadCount(vi, 1);
        vRM_VirtualRemap(vi, h, 0);
        RM_UndoOverThreshold(vi);
        RM_SortVirtRemapLists(vi);
        vRM_BuildVirtualPlaneMap(vi);
    }
    RM_SortRemapLists(vi);
    RM_FillReserveLists(vi);
    RM_SortReserveLists(vi);
    RM_SortUnitsByUnit(vi);
}

// The generators in the driver's call order.
inline void GenerateAll(_VectorInfo& vi, RemapCounts& counts, RM_PageTable& pages) {
    vRM_GenerateTables(kPort, vi, counts, pages);
}

// Expected bytes of a page, as (offset, value) runs; every byte not listed must be 0.
struct ByteAt {
    std::size_t offset;
    std::vector<std::uint8_t> bytes;
};

inline ::testing::AssertionResult PageIs(const std::vector<std::uint8_t>& page, std::size_t size,
                                         const std::vector<ByteAt>& expected) {
    if (page.size() != size) {
        return ::testing::AssertionFailure() << "page size " << page.size() << ", expected " << size;
    }
    std::vector<std::uint8_t> want(size, 0);
    for (const ByteAt& b : expected) {
        for (std::size_t k = 0; k < b.bytes.size(); ++k) want[b.offset + k] = b.bytes[k];
    }
    for (std::size_t i = 0; i < size; ++i) {
        if (page[i] != want[i]) {
            return ::testing::AssertionFailure()
                   << "byte " << i << " is 0x" << std::hex << int{page[i]} << ", expected 0x" << int{want[i]};
        }
    }
    return ::testing::AssertionSuccess();
}

// Little-endian words as bytes.
inline std::vector<std::uint8_t> W(std::initializer_list<std::uint16_t> words) {
    std::vector<std::uint8_t> out;
    for (std::uint16_t w : words) {
        out.push_back(static_cast<std::uint8_t>(w));
        out.push_back(static_cast<std::uint8_t>(w >> 8));
    }
    return out;
}

// The 16 header bytes of a table kind.
inline std::vector<std::uint8_t> Header(std::initializer_list<std::uint8_t> sig) {
    std::vector<std::uint8_t> out(sig);
    const char* version = "ZEL09A0V000";
    out.insert(out.end(), version, version + 11);
    out.push_back(0);
    return out;
}

// An expected page written word by word from byte 16, after the header of its table type.
class ExpectedPage {
  public:
    explicit ExpectedPage(std::uint8_t type, std::size_t size = 16384) : bytes_(size, 0) {
        static const std::uint8_t sigs[5][4] = {{0xE9, 0x86, 0xAA, 0x55},
                                                {0x45, 0x79, 0xAA, 0x55},
                                                {0x9E, 0x68, 0x55, 0xAA},
                                                {0x41, 0x56, 0xAA, 0x55},
                                                {0x53, 0x59, 0x53, 0x50}};
        static const char version[] = "ZEL09A0V000";
        for (int i = 0; i < 4; ++i) bytes_[static_cast<std::size_t>(i)] = sigs[type / 8][i];
        for (int i = 0; i < 11; ++i) bytes_[static_cast<std::size_t>(4 + i)] = static_cast<std::uint8_t>(version[i]);
    }
    void Word(std::uint16_t w) {
        bytes_[at_++] = static_cast<std::uint8_t>(w);
        bytes_[at_++] = static_cast<std::uint8_t>(w >> 8);
    }
    void Byte(std::uint8_t b) { bytes_[at_++] = b; }
    void Seek(std::size_t at) { at_ = at; }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
    std::size_t at_ = 16;
};

// Field-by-field difference of two working sets' lists and block units ("" when equal).
std::string DiffWorkingSets(const _VectorInfo& a, const _VectorInfo& b);

}  // namespace tables_test
