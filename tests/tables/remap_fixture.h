// Test helpers of the table checks, readers, logs and driver: the global records saved, cleared
// and restored around a test, geometries, GDP lists of chosen or random bad blocks, and a port's
// output buffers.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/trace_sink.h"
#include "settings/records.h"
#include "support/settings_records.h"
#include "tables/gdp_list.h"
#include "tables/rm_driver.h"
#include "tables/table_gen.h"
#include "tables/vector_info.h"
#include "transport/port_instance.h"
#include "transport/tool_records.h"

namespace remap_test {

inline constexpr int kPort = 5;

struct Geo {
    int channels;
    int banks;
    int dies;
    int planes;
    int dieUnit;
    int pageSector;
    bool superDie = false;
    int lunOffset = 0;
    int extendBlocks = 0;
};

// 2 channels, 2 banks, 1 die, 2 planes, 64 units, 4 KB pages.
inline constexpr Geo kSmall{2, 2, 1, 2, 64, 8};
// 2 channels, 1 bank, 2 dies in super-die mode, 4 planes, 64 units (LUN 1 from unit 64).
inline constexpr Geo kSuperDie{2, 1, 2, 4, 64, 32, true, 64};
// 4 channels, 2 banks, 2 dies, 4 planes, 512 units, 16 KB pages.
inline constexpr Geo kWide{4, 2, 2, 4, 512, 32};

// Settings for `g`: identity channel and CE maps, every die present, remap on, 3.0 % defect limit.
void ApplyGeometry(const Geo& g);

// Saves and clears the records the table builder reads, installs a virtual clock, captures the
// trace and points the program folder at a fresh temporary folder; restores everything afterwards.
class RemapTest : public ::testing::Test {
  protected:
    RemapTest();
    ~RemapTest() override;

    std::filesystem::path LogFolder() const { return folder_ / "log"; }
    std::vector<std::filesystem::path> LogFiles() const;

    platform::VirtualClock clock_;
    platform::TraceCapture trace_;
    std::filesystem::path folder_;

  private:
    test_support::SettingsRecordsGuard settings_;
    AP_Instance_t instance_;
    std::filesystem::path oldFolder_;
    platform::ScopedClock scoped_;
};

// GDP-list entry of channel `ch`, CE index `ce`, good-plane byte and unit.
std::uint32_t Entry(int ch, int ce, std::uint8_t planeByte, std::uint16_t unit);

// A 16 KB work buffer holding `entries` (zero-terminated).
std::vector<std::uint8_t> WorkBuffer(const std::vector<std::uint32_t>& entries);

// `count` distinct bad blocks (one bad plane each, units from 2 below wDieUnit) drawn with `seed`.
std::vector<std::uint32_t> RandomBadBlocks(std::uint32_t seed, int count);

// A port's output buffers.
struct Output {
    std::vector<std::uint8_t> image = std::vector<std::uint8_t>(kRemapTableBufSize, 0xCC);
    std::vector<std::uint8_t> badCount = std::vector<std::uint8_t>(kRemapAuxBufSize, 0xCC);
    std::vector<std::uint8_t> bitmap = std::vector<std::uint8_t>(kTablePageBufSize, 0xCC);
    RM_OutputBlock Block() { return {image, badCount, bitmap}; }
};

// The generators in the driver's call order, over a working set built from `entries` with the
// driver's remap steps (RemapEnable on).
void BuildTables(const std::vector<std::uint32_t>& entries, _VectorInfo& vi, RemapCounts& counts, RM_PageTable& pages);

// Little-endian u16 at `off`.
inline std::uint16_t Le16(const std::uint8_t* p, std::size_t off) {
    return static_cast<std::uint16_t>(p[off] | (p[off + 1] << 8));
}

// Failure record i of a work buffer: its first 12 bytes.
std::vector<std::uint8_t> RecordAt(const std::vector<std::uint8_t>& work, int i);

}  // namespace remap_test
