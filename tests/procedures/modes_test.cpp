// Controller identification, modes and jumps against emulated drives, with the waits on the
// virtual clock.
#include <gtest/gtest.h>

#include <cstring>

#include "commands/command_sets.h"
#include "commands/std_nvme.h"
#include "commands/vendor_dispatch.h"
#include "platform/clock.h"
#include "platform/trace_sink.h"
#include "procedures/V_Proc_Modes.h"
#include "support/emulated_drives.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using test_support::EmulatedDrives;

class Modes : public ::testing::Test {
  protected:
    platform::VirtualClock clock_;
    platform::ScopedClock useClock_{clock_};
    platform::TraceCapture trace_;
};

TEST_F(Modes, CurrentModeFromTheRamTag) {
    struct Case {
        const char* name;
        Bytes tag;
        int mode;
        const char* line;
    };
    const Case cases[] = {
        {"system firmware", {'R', 'A', 'V', 'E', 'Z'}, 4, "######### - [0]VP_GetCurrentMode is SYS FW\n"},
        {"RAVEZx", {'R', 'A', 'V', 'E', 'Z', 'x'}, 4, "######### - [0]VP_GetCurrentMode is SYS FW\n"},
        {"diagnostic firmware", {'Q', 'V', 'G', 'D', 'P'}, 2, "######### - [0]VP_GetCurrentMode is GDP\n"},
        {"sorting firmware", {'Q', 'V', 'R', 'D', 'T'}, 3, "######### - [0]VP_GetCurrentMode is RDT\n"},
        {"zeros", Bytes(8, 0), 1, "######### - [0]VP_GetCurrentMode is Loader\n"},
        {"four letters", {'R', 'A', 'V', 'E', 0}, 1, "######### - [0]VP_GetCurrentMode is Loader\n"},
        {"lower case", {'q', 'v', 'g', 'd', 'p'}, 1, "######### - [0]VP_GetCurrentMode is Loader\n"},
    };
    EmulatedDrives drives({""});
    ASSERT_EQ(drives.Error(), "");
    ASSERT_EQ(VC_EnableVendorCmd(0), 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(drives.Core(0).Ram().Write(448, c.tag));
        trace_.Clear();
        EXPECT_EQ(VP_GetCurrentMode(0), c.mode);
        EXPECT_EQ(trace_.Lines().back(), c.line);
    }
    ASSERT_EQ(VC_DisableVendorCmd(0), 1);  // the read fails
    EXPECT_EQ(VP_GetCurrentMode(0), 0);
    EXPECT_TRUE(trace_.Contains("######### - [0]VP_GetCurrentMode - VC_LDR_CmdReadRam fail!\n"));
}

TEST_F(Modes, IdentifyTextTellsLoaderAndGdp) {
    struct Case {
        const char* program;
        int loader;
        bool gdp;
    };
    for (const Case& c :
         {Case{"loader", 1, false}, Case{"gdp", 0, true}, Case{"rdt", 0, false}, Case{"system", 0, false}}) {
        SCOPED_TRACE(c.program);
        EmulatedDrives drives({std::string("Program=") + c.program});
        EXPECT_EQ(VP_IsLoaderMode(0), c.loader);
        EXPECT_EQ(VP_IsGDPMode(0), c.gdp);
    }
    EmulatedDrives drives({""});
    drives.Boot().Window(0, ~0ull);
    trace_.Clear();
    EXPECT_EQ(VP_IsLoaderMode(0), 0);
    EXPECT_FALSE(VP_IsGDPMode(0));
    EXPECT_TRUE(trace_.Contains("######### - [0]Read Identify fail!\n"));
}

TEST_F(Modes, JumpToSystemWaitsAndChecksTheMode) {
    struct Case {
        const char* name;
        const char* keys;
        std::uint64_t missFrom, missTo;  // identifies missed in this window of the clock
        bool result;
        std::uint64_t elapsed;
        int attempts;  // identifies after the two mode tests
    };
    const Case cases[] = {
        {"answers at once", "Program=gdp\nFlashFirmware=system", 0, 0, true, 1500, 1},
        {"answers on the 11th attempt", "Program=gdp\nFlashFirmware=system", 1, 11500, true, 11500, 11},
        {"never answers", "Program=gdp\nFlashFirmware=system", 1, ~0ull, false, 12500, 11},
        {"no firmware on the flash", "Program=gdp", 0, 0, false, 1500, 1},
        {"already in the system firmware", "Program=system", 0, 0, true, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EmulatedDrives drives({c.keys});
        ASSERT_EQ(drives.Error(), "");
        drives.Boot().Window(clock_.NowMs() + c.missFrom, c.missTo == ~0ull ? ~0ull : clock_.NowMs() + c.missTo);
        ASSERT_EQ(VC_EnableVendorCmd(0), 1);  // as the enumeration leaves a drive
        const std::uint64_t start = clock_.NowMs();
        trace_.Clear();
        Bytes identify(4096);
        EXPECT_EQ(VP_JumpToSystem(0, identify.data()), c.result);
        EXPECT_EQ(clock_.NowMs() - start, c.elapsed);
        EXPECT_EQ(drives.Boot().Identifies() - 2, c.attempts);
        EXPECT_EQ(trace_.Contains("######### - [0]VP_JumpToSystem fail!\n"), !c.result);
        if (c.attempts == 11 && c.result) {
            EXPECT_TRUE(trace_.Contains("######### - [0]VP_GetCurrentMode is SYS FW\n")) << "the mode is checked";
        }
        EXPECT_EQ(drives.Drive(0).programs.loader->RomJumps(0), c.attempts == 0 ? 0 : 1);
    }
}

TEST_F(Modes, JumpToSortingLooksForRdtInTheIdentifyText) {
    struct Case {
        const char* name;
        const char* keys;
        std::uint64_t missTo;
        bool result;
        std::uint64_t elapsed;
    };
    const Case cases[] = {
        {"from the loader", "Program=loader\nFlashFirmware=rdt", 0, true, 3000},
        {"fifth attempt", "Program=gdp\nFlashFirmware=rdt", 7000, true, 7000},
        {"the system firmware boots instead", "Program=gdp\nFlashFirmware=system", 0, false, 3000 + 11 * 1000},
        {"already sorting", "Program=rdt", 0, true, 0},
        {"already in the system firmware", "Program=system", 0, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EmulatedDrives drives({c.keys});
        drives.Boot().Window(clock_.NowMs() + 1, clock_.NowMs() + c.missTo);
        ASSERT_EQ(VC_EnableVendorCmd(0), 1);
        const std::uint64_t start = clock_.NowMs();
        trace_.Clear();
        Bytes identify(4096);
        EXPECT_EQ(VP_JumpToSorting(0, identify.data()), c.result);
        EXPECT_EQ(clock_.NowMs() - start, c.elapsed);
        if (c.result && c.elapsed != 0) {
            EXPECT_TRUE(trace_.Contains("######### - [0]Jump To Sorting is Pass\n"));
            EXPECT_TRUE(trace_.Contains("######### - Enable Vendor Cmd\n"));
            EXPECT_EQ(VP_GetCurrentMode(0), 3) << "vendor commands are on again";
        }
    }
    EmulatedDrives drives({"Program=loader\nFlashFirmware=rdt"});
    ASSERT_EQ(VC_EnableVendorCmd(0), 1);
    trace_.Clear();
    Bytes identify(4096);
    EXPECT_TRUE(CheckRDTFW(0, identify.data()));
    EXPECT_EQ(trace_.Lines().front(), "CheckRDTFW Port(1)\n");
    EXPECT_EQ(trace_.Lines().back(), " VP_Jump To System pass  Go RDT FW \n");
}

TEST_F(Modes, GpioBitReadsItsRegisterByte) {
    EmulatedDrives drives({""});
    ASSERT_EQ(VC_EnableVendorCmd(0), 1);
    drives.Core(0).SetRegister(0xF0000006, 0x20);
    struct Case {
        std::uint32_t bit;
        std::uint8_t value;
    };
    for (const Case& c : {Case{21, 1}, Case{20, 0}, Case{13, 0}, Case{5, 0}}) {
        SCOPED_TRACE(c.bit);
        std::uint8_t value = 0xEE;
        EXPECT_EQ(VP_GetGPIOValue(0, c.bit, &value), 1);
        EXPECT_EQ(value, c.value);
    }
    trace_.Clear();
    std::uint8_t value = 0;
    VP_GetGPIOValue(0, 21, &value);
    EXPECT_EQ(trace_.Lines().back(), "######### - ucGpioValue is 0x20\n");
    ASSERT_EQ(VC_DisableVendorCmd(0), 1);
    EXPECT_EQ(VP_GetGPIOValue(0, 21, &value), 0);
}

TEST_F(Modes, CapacityAndVendorSwitch) {
    EmulatedDrives drives({"Program=system", "VendorMode=refuse"});
    EXPECT_EQ(VP_GetCapacityMB(0), 2048u);  // 4,194,304 sectors
    EXPECT_TRUE(VP_EnableVendorCmd(0, 1));
    EXPECT_TRUE(VP_EnableVendorCmd(0, 0));
    EXPECT_FALSE(VP_EnableVendorCmd(1, 1)) << "a controller that refuses";
    AP_Instance[1].bIsBridge = 0;
    EXPECT_FALSE(VP_EnableVendorCmd(1, 1)) << "no path to the port";
    EXPECT_EQ(VP_GetCapacityMB(1), 0u);
}

// Sector images of partition tables.
Bytes Mbr(int typeAt, bool signature) {
    Bytes s(512, 0);
    if (typeAt != 0) s[static_cast<std::size_t>(typeAt)] = 7;
    if (signature) {
        s[510] = 0x55;
        s[511] = 0xAA;
    }
    return s;
}

Bytes GptEntries(int basicDataEntry, std::uint64_t lba) {
    static constexpr std::uint8_t kBasicData[16] = {0xA2, 0xA0, 0xD0, 0xEB, 0xE5, 0xB9, 0x33, 0x44,
                                                    0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7};
    Bytes s(512, 0);
    std::memcpy(&s[128 * basicDataEntry], kBasicData, 16);
    for (int i = 0; i < 8; ++i) s[128 * basicDataEntry + 32 + i] = static_cast<std::uint8_t>(lba >> (8 * i));
    return s;
}

TEST_F(Modes, NtfsPartitionInTheMbrOrTheFirstThreeGptEntries) {
    struct Case {
        const char* name;
        Bytes lba0, lba1, lba2, volume;
        bool expected;
    };
    Bytes efi(512, 0);
    std::memcpy(efi.data(), "EFI PART", 8);
    Bytes ntfs(512, 0);
    std::memcpy(&ntfs[3], "NTFS    ", 8);
    const Case cases[] = {
        {"MBR entry 2", Mbr(466, true), {}, {}, {}, true},
        {"MBR without its signature", Mbr(482, false), {}, {}, {}, false},
        {"MBR without signature, then GPT", Mbr(482, false), efi, GptEntries(2, 4096), ntfs, true},
        {"GPT, fourth entry only", Mbr(0, true), efi, GptEntries(3, 4096), ntfs, false},
        {"GPT, basic data without NTFS", Mbr(0, true), efi, GptEntries(0, 4096), Bytes(512, 0), false},
        {"nothing", Bytes(512, 0), {}, {}, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EmulatedDrives drives({"Program=system"});
        auto put = [](std::uint32_t lba, const Bytes& s) {
            if (!s.empty()) {
                ASSERT_EQ(VC_STD_Write(0, s.data(), 1, lba, 0), 1);
            }
        };
        put(0, c.lba0);
        put(1, c.lba1);
        put(2, c.lba2);
        put(4096, c.volume);
        EXPECT_EQ(VP_CheckNTFSPartition(0), c.expected);
    }
}

}  // namespace
