#include "procedures/V_Proc_SysSteps.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "commands/std_nvme.h"
#include "platform/clock.h"
#include "procedures/V_Proc_Modes.h"
#include "procedures/V_Proc_PageAccess.h"
#include "procedures/loader_block_common.h"
#include "settings/records.h"
#include "tables/page_format.h"
#include "transport/byte_order.h"
#include "transport/trace.h"

using transport::PutLe32;

namespace {

constexpr std::uint64_t kSectorsPerGiB = 2097152;
constexpr std::size_t kSampleBytes = kRwTestSectors * 512;

enum : std::uint32_t { kWriteFail = 1, kReadFail = 2, kCompareFail = 3, kJumpFail = 4, kFlushFail = 5 };

void Store(std::uint8_t* buffer, std::initializer_list<std::uint32_t> words) {
    std::size_t i = 0;
    for (std::uint32_t w : words) PutLe32(buffer + 4 * i++, w);
}

std::uint16_t PatternWord(std::uint32_t lba, std::uint32_t i) {
    return static_cast<std::uint16_t>(lba * 256U + i);
}

}  // namespace

bool VP_RWCompare(int bInstance, std::uint8_t* buffer, std::uint32_t sectors, std::uint32_t startLba,
                  std::uint32_t lbaHigh) {
    const std::size_t bytes = std::size_t{sectors} * 512;
    const std::size_t words = bytes / 2;
    for (std::size_t i = 0; i < words; ++i)
        transport::PutLe16(buffer + 2 * i, PatternWord(startLba, static_cast<std::uint32_t>(i)));
    if (VC_STD_Write(bInstance, buffer, sectors, startLba, lbaHigh) != 1) {
        Store(buffer, {kWriteFail, startLba, lbaHigh});
        return false;
    }
    std::memset(buffer, 0, bytes);
    if (VC_STD_Flush(bInstance) != 1) {
        Store(buffer, {kFlushFail, startLba, lbaHigh});
        return false;
    }
    platform::Sleep(100);
    if (VC_STD_Read(bInstance, buffer, sectors, startLba, lbaHigh) != 1) {
        Store(buffer, {kReadFail, startLba, lbaHigh});
        return false;
    }
    for (std::size_t i = 0; i < words; ++i) {
        const std::uint16_t expected = PatternWord(startLba, static_cast<std::uint32_t>(i));
        const std::uint16_t received = transport::GetLe16(buffer + 2 * i);
        if (received != expected) {
            Store(buffer, {kCompareFail, startLba, lbaHigh, expected, received, static_cast<std::uint32_t>(i)});
            return false;
        }
    }
    return true;
}

bool VP_ZeroWrite(int bInstance, std::uint8_t* buffer, std::uint32_t sectors, std::uint32_t startLba,
                  std::uint32_t lbaHigh) {
    std::memset(buffer, 0, std::size_t{sectors} * 512);
    return VC_STD_Write(bInstance, buffer, sectors, startLba, lbaHigh) == 1;
}

bool VP_Sanitize(int bInstance, std::uint32_t action) {
    TraceOut("######### - VP_Sanitize\n");
    return VC_STD_Sanitize(bInstance, action) == 1;
}

bool VP_PROC_RWTest(int bInstance, std::uint8_t* work, int* subCode) {
    TraceOut("######### - [%d]VP_PROC_RWTest\n", bInstance);
    if (!loader::PortValid(bInstance) || work == nullptr || subCode == nullptr) return false;
    if (!VP_JumpToSystem(bInstance, work)) {
        *subCode = kJumpFail;
        return false;
    }
    const std::uint32_t capacityMb = VP_GetCapacityMB(bInstance);
    // Positions in 64 bits with the high word sent, and the interval never cut to 8 bits, so drives
    // of 2 TiB and more are sampled across their whole size.
    const std::uint32_t capacityGb = capacityMb >> 10;
    const std::uint32_t interval = (capacityMb >> 14) + 1;
    const std::uint64_t intervalLba = std::uint64_t{interval} << 21;
    TraceOut("######### - wCapacityGB is %d\n", static_cast<int>(capacityGb));
    TraceOut("######### - ucInterval is %d\n", static_cast<int>(interval));
    TraceOut("######### - dwIntervalLBA is %d\n", static_cast<int>(static_cast<std::uint32_t>(intervalLba)));
    if (capacityMb == 0) {
        // No namespace size: a read failure at LBA 0 rather than a pass without a sample.
        Store(work, {kReadFail, 0, 0});
        *subCode = kReadFail;
        return false;
    }
    platform::Sleep(300);
    for (std::uint64_t g = 0; g < capacityGb; g += interval) {
        const std::uint64_t start = g * kSectorsPerGiB;
        const auto low = static_cast<std::uint32_t>(start);
        const auto high = static_cast<std::uint32_t>(start >> 32);
        TraceOut("######### - VP_PROC_RWTest - wGB_No is %d, dwStartLBA is %d\n", static_cast<int>(g),
                 static_cast<int>(low));
        if (!VP_RWCompare(bInstance, work, kRwTestSectors, low, high)) {
            *subCode = static_cast<int>(transport::GetLe32(work));
            return false;
        }
        platform::Sleep(100);
        if (!VP_ZeroWrite(bInstance, work, kRwTestSectors, low, high)) return false;
        platform::Sleep(100);
    }
    static_assert(kSampleBytes <= 262144);
    TraceOut("######### - Sanitize erase\n");
    if (!VP_Sanitize(bInstance, 7)) {
        TraceOut("######### - Sanitize erase Fail\n");
        return false;
    }
    TraceOut("######### - Sanitize erase Pass\n");
    platform::Sleep(1000);
    return true;
}

bool VP_PROC_CheckTables(int bInstance, std::uint8_t* work, int* subCode) {
    TraceOut("######### - [%d]VP_PROC_CheckTables\n", bInstance);
    if (!loader::PortValid(bInstance) || work == nullptr || subCode == nullptr) return false;
    if (!VP_JumpToSystem(bInstance, work)) {
        *subCode = kJumpFail;
        return false;
    }
    platform::Sleep(300);
    const int planes = AP_FlashSet.ucPlanes;
    if (planes == 0) {
        TraceOut("######### - [%d]VP_PROC_CheckTables fail! - plane count 0\n", bInstance);
        return false;
    }
    int foundCh = -1, foundBank = -1, foundBlock = -1;
    for (int block = 0; block < 4 && foundBlock < 0; ++block) {
        for (int ch = 0; ch < loader::ChannelCount() && foundBlock < 0; ++ch) {
            for (int bank = 0; bank < loader::BankCount() && foundBlock < 0; ++bank) {
                if (!loader::DiePresent(ch, bank)) continue;
                if (VA_SysReadPage(bInstance, static_cast<std::uint8_t>(ch), static_cast<std::uint8_t>(bank),
                                   static_cast<std::uint16_t>(block / planes), static_cast<std::uint16_t>(block),
                                   loader::PhysicalPage(loader::kInfoIndex), 1, 1, work, 8) == 1 &&
                    std::memcmp(work, loader::kInfoMark, 15) == 0) {
                    foundCh = ch;
                    foundBank = bank;
                    foundBlock = block;
                }
            }
        }
    }
    if (foundBlock < 0) {
        TraceOut("######### - [%d]VP_PROC_CheckTables fail! - Can't find valid loader block!\n", bInstance);
        return false;
    }
    struct Check {
        int index;
        int kind;  // -1: the LDPC page marks
        const char* mark;
    };
    std::vector<Check> checks = {{2, -1, "LDBK LDPC TABLE1"}, {3, -1, "LDBK LDPC TABLE2"}};
    const int channels = std::min<int>(AP_FlashSet.ucChannel, loader::kChannels);
    for (int c = 0; c < channels; ++c) checks.push_back({5 + c, RM_TBL_DEFECT, nullptr});
    for (int c = 0; c < channels; ++c) checks.push_back({13 + c, RM_TBL_EARLY, nullptr});
    if (AP_INIState.RemapEnable != 0) {
        for (int c = 0; c < channels; ++c) checks.push_back({21 + c, RM_TBL_REMAP, nullptr});
    }
    const std::size_t page = loader::PageBytes();
    for (const Check& check : checks) {
        const bool meta = check.kind < 0;
        const std::uint8_t rate = meta ? 1 : AP_FlashSet.ucLdpcMode;
        const std::uint32_t sectors = meta ? 8 : AP_FlashSet.bPageSector;
        if (VA_SysReadPage(bInstance, static_cast<std::uint8_t>(foundCh), static_cast<std::uint8_t>(foundBank),
                           static_cast<std::uint16_t>(foundBlock / planes), static_cast<std::uint16_t>(foundBlock),
                           loader::PhysicalPage(check.index), rate, 1, work, sectors) != 1) {
            continue;
        }
        bool match = false;
        if (meta) {
            char name[32];
            std::snprintf(name, sizeof name, "CHECK_TABLES_%d.raw", check.index);
            DumpRawFile(name, work, loader::kInfoBytes);
            match = std::memcmp(work, check.mark, 16) == 0;
        } else {
            match = RM_MatchTableHeader(work, page, check.kind);
        }
        if (!match) {
            *subCode = 1;
            work[0] = static_cast<std::uint8_t>(check.index);
            TraceOut("######### - [%d]VP_PROC_CheckTables fail! - Page %d\n", bInstance, check.index);
            return false;
        }
    }
    TraceOut("######### - [%d]VP_PROC_CheckTables pass!\n", bInstance);
    return true;
}
