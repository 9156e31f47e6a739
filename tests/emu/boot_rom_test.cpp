// The boot ROM and the system firmware it starts, over loader blocks planted page by page.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "device_bytes.h"
#include "emu/boot_loader.h"
#include "emu/drive_programs.h"
#include "emu/nvme_controller.h"
#include "emu/poison.h"
#include "loader_block_pages.h"

namespace {

using emu::Program;
using emu_test::LoaderBlockPlan;
using emu_test::PageBytes;
using emu_test::PlantLoaderBlock;
using emu_test::VariableBlock;
namespace st = emu::nvme_status;

constexpr std::size_t kPage = 16384;

emu::ProgramSetup Setup() {
    emu::ProgramSetup s;
    s.geometry = {.channels = 2, .ces = 2, .luns = 1, .blocks = 64, .pages = 256, .pageSectors = 32, .planes = 2};
    return s;
}

PageBytes Filler(std::size_t n, std::uint8_t seed) {
    PageBytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(seed + i * 7 + (i >> 9));
    return b;
}

// Part 0: two pages at RAM 0 whose first page is the variable block (enable 1); part 1: a
// checksummed part that ends inside its second page; part 2: a one-page parameter part.
LoaderBlockPlan Plan(const VariableBlock& v = {}) {
    LoaderBlockPlan plan;
    PageBytes part0 = emu_test::VariableBlockPage(v, kPage);
    const PageBytes second = Filler(kPage, 0x21);
    part0.insert(part0.end(), second.begin(), second.end());
    plan.parts = {{part0, 0x0, 1}, {Filler(20000, 0x35), 0x100000, 0}, {Filler(kPage, 0x47), 0x2000000, 1}};
    return plan;
}

// A controller with the drive's programs, following its system firmware's boots.
struct Drive {
    emu::NvmeController controller;
    emu::DrivePrograms programs;
    explicit Drive(Program flashFirmware = Program::Loader) {
        programs = emu::InstallDrivePrograms(controller.Core(), Setup());
        controller.AttachSystemFirmware(*programs.system);
        controller.Core().SetFlashProgram(flashFirmware);
    }
    emu::NandModel& Nand() { return *programs.nand; }
    emu::NvmeStatus Vendor(std::uint8_t code, std::vector<std::uint8_t> params, PageBytes& data) {
        emu::VendorPacket p{};
        p[0] = 0xFF;
        p[1] = 0xE5;
        p[2] = code;
        std::copy_n(params.begin(), std::min<std::size_t>(params.size(), 13), p.begin() + 3);
        const emu::VendorCommand* c = controller.Core().Find(code);
        if (c == nullptr) return st::kInvalidOpcode;
        emu::FillPoison(data);
        return c->run(controller.Core(), p, data);
    }
    emu::BootReport Boot() {
        PageBytes none;
        EXPECT_TRUE(Vendor(0x83, {0}, none).Ok());
        return programs.loader->LastBoot();
    }
    PageBytes Admin(std::uint8_t opcode, std::uint32_t cdw10, std::size_t bytes, std::uint32_t nsid = 0) {
        PageBytes data(bytes);
        EXPECT_TRUE(controller.Run(emu_test::Entry({.opcode = opcode, .nsid = nsid, .cdw10 = cdw10}), data).Ok());
        return data;
    }
};

std::string Text(const PageBytes& d, std::size_t at, std::size_t n) {
    return std::string(reinterpret_cast<const char*>(&d[at]), n);
}

bool Refused(const emu::BootReport& r, int block, int copy, const std::string& why) {
    return std::any_of(r.refusals.begin(), r.refusals.end(), [&](const emu::BootRefusal& x) {
        return x.block == block && x.copy == copy && x.why.find(why) != std::string::npos;
    });
}

TEST(BootRom, BootsTheFirstSoundCopyAndReportsWhyOthersWereRefused) {
    struct Case {
        const char* name;
        void (*arrange)(Drive&);
        Program running;
        int ce, block, copy;  // where it booted (channel and LUN 0)
        int refusedBlock, refusedCopy;
        const char* why;
    };
    const Case cases[] = {
        {"copy 0 of the first loader block",
         [](Drive& d) {
             ASSERT_TRUE(PlantLoaderBlock(d.Nand(), 0, 0, 0, 0, Plan()));
             ASSERT_TRUE(PlantLoaderBlock(d.Nand(), 0, 0, 0, 2, Plan()));
         },
         Program::System, 0, 0, 0, -1, 0, ""},
        {"an unreadable code page of copy 0: copy 1",
         [](Drive& d) {
             ASSERT_TRUE(PlantLoaderBlock(d.Nand(), 0, 0, 0, 1, Plan()));
             d.Nand().InjectUncorrectable({0, 0, 0, 1, 90});  // part 1's first page
         },
         Program::System, 0, 1, 1, 1, 0, "part 1: page 90 does not read"},
        {"a checksum mismatch in copy 0: copy 1",
         [](Drive& d) {
             LoaderBlockPlan plan = Plan();
             plan.corruptCopy = 0;
             ASSERT_TRUE(PlantLoaderBlock(d.Nand(), 0, 0, 0, 0, plan));
         },
         Program::System, 0, 0, 1, 0, 0, "part 1: checksum mismatch"},
        {"both loader blocks of the first die broken: the next die",
         [](Drive& d) {
             LoaderBlockPlan plan = Plan();
             plan.corruptCopy = 1;
             for (int block : {0, 3}) ASSERT_TRUE(PlantLoaderBlock(d.Nand(), 0, 0, 0, block, plan));
             d.Nand().InjectUncorrectable({0, 0, 0, 0, 0});   // block 0: its info page
             d.Nand().InjectUncorrectable({0, 0, 0, 3, 91});  // block 3: copy 0 unreadable, copy 1 corrupt
             ASSERT_TRUE(PlantLoaderBlock(d.Nand(), 0, 1, 0, 2, Plan()));
         },
         Program::System, 1, 2, 0, 3, 1, "checksum mismatch"},
        {"the sorting firmware",
         [](Drive& d) {
             VariableBlock v;
             v.tag = "QVRDT";
             ASSERT_TRUE(PlantLoaderBlock(d.Nand(), 0, 0, 0, 2, Plan(v)));
         },
         Program::Sorting, 0, 2, 0, -1, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Drive d;
        d.controller.Core().Start(Program::Diagnostic);
        c.arrange(d);
        const emu::BootReport r = d.Boot();
        EXPECT_EQ(d.controller.Core().Running(), c.running);
        ASSERT_TRUE(r.booted);
        EXPECT_EQ(r.program, c.running);
        EXPECT_EQ(r.channel, 0);
        EXPECT_EQ(r.ce, c.ce);
        EXPECT_EQ(r.lun, 0);
        EXPECT_EQ(r.block, c.block);
        EXPECT_EQ(r.copy, c.copy);
        EXPECT_EQ(r.partsLoaded, 3);
        if (c.refusedBlock >= 0) {
            EXPECT_TRUE(Refused(r, c.refusedBlock, c.refusedCopy, c.why)) << c.why;
        } else {
            EXPECT_TRUE(r.refusals.empty());
        }
        // Every part sits at its load address.
        const LoaderBlockPlan plan = Plan();
        PageBytes ram(20000);
        ASSERT_TRUE(d.controller.Core().Ram().Read(0x100000, ram));
        EXPECT_EQ(ram, plan.parts[1].bytes);
        ram.resize(kPage);
        ASSERT_TRUE(d.controller.Core().Ram().Read(0x2000000, ram));
        EXPECT_EQ(ram, plan.parts[2].bytes);
    }
}

TEST(BootRom, WithoutABootableCopyTheLoaderRunsAndWithoutLoaderBlocksTheDriveBehavesAsSetUp) {
    {
        Drive d(Program::System);
        VariableBlock v;
        v.tag = "QVXXX";
        ASSERT_TRUE(PlantLoaderBlock(d.Nand(), 0, 0, 0, 0, Plan(v)));
        const emu::BootReport r = d.Boot();
        EXPECT_FALSE(r.booted);
        EXPECT_TRUE(r.infoPageFound);
        EXPECT_TRUE(Refused(r, 0, 1, "no firmware tag"));
        EXPECT_EQ(d.controller.Core().Running(), Program::Loader);
    }
    Drive d(Program::System);
    const emu::BootReport r = d.Boot();
    EXPECT_FALSE(r.infoPageFound);
    EXPECT_EQ(d.controller.Core().Running(), Program::System);
    EXPECT_FALSE(d.programs.system->BootedFromFlash());
}

// The firmware's identity, namespace, SMART start, erase counts, page reads and bad units come
// from its variable block and its loader block; logical channel 0 is physical 1 and logical CE 0
// physical CE 1.
struct BootedSystem : ::testing::Test {
    void SetUp() override {
        VariableBlock v;
        v.capacitySectors = 1'000'000;
        std::copy_n(std::array<std::uint8_t, 2>{1, 0}.begin(), 2, v.channels);
        std::copy_n(std::array<std::uint8_t, 2>{1, 0}.begin(), 2, v.banks);
        v.loaderBlocks[0] = 0b0110;  // channel 0, CE 0: blocks 1 and 2
        LoaderBlockPlan plan = Plan(v);
        PageBytes system(kPage, 0);
        system[32] = 5;   // data units read
        system[112] = 7;  // power cycles
        emu_test::PutText(system, 512, "MPT 1.0.0");
        emu_test::PutText(system, 528, "GDP 1.2.3");
        emu_test::PutText(system, 544, "2026-12-10");
        PageBytes counts(2 * kPage, 0);
        for (std::size_t u = 0; u < counts.size() / 4; ++u)
            emu_test::PutLe32(counts, 4 * u, 100 + static_cast<std::uint32_t>(u));
        plan.extraPages = {
            {5, emu_test::DefectPage(kPage, 0, {{0, {3, 9}}})},
            {6, emu_test::DefectPage(kPage, 1, {{1, {17}}})},
            {13, emu_test::TablePage(kPage, 0x45, 0x79, 0xAA, 0x55)},
            {21, emu_test::TablePage(kPage, 0x9E, 0x68, 0x55, 0xAA)},
            {37, system},
            {38, PageBytes(counts.begin(), counts.begin() + kPage)},
            {39, PageBytes(counts.begin() + kPage, counts.end())},
        };
        ASSERT_TRUE(PlantLoaderBlock(d.Nand(), 0, 0, 0, 1, plan));
        report = d.Boot();
        ASSERT_TRUE(report.booted);
    }
    Drive d;
    emu::BootReport report;
};

TEST_F(BootedSystem, IdentityNamespaceAndSmartComeFromWhatItBooted) {
    EXPECT_EQ(d.controller.Core().Running(), Program::System);
    const PageBytes id = d.Admin(0x06, 1, 4096);
    EXPECT_EQ(Text(id, 4, 20), "SN-PLANTED-0001     ");
    EXPECT_EQ(Text(id, 24, 13), "PLANTED MODEL");
    EXPECT_EQ(Text(id, 64, 8), "REV00042");
    EXPECT_EQ(id[0] | (id[1] << 8), 0x1E4B);
    EXPECT_EQ(id[2] | (id[3] << 8), 0x1E4C);
    const PageBytes ns = d.Admin(0x06, 0, 4096, 1);
    EXPECT_EQ(ns[0] | (ns[1] << 8) | (ns[2] << 16), 1'000'000);
    const PageBytes smart = d.Admin(0x02, 0x02 | (128u << 16), 512);
    EXPECT_EQ(smart[112], 8) << "power cycles from the kept log, plus this boot";
    EXPECT_EQ(smart[32], 5);
    EXPECT_EQ(report.system.versions[0], "MPT 1.0.0");
    EXPECT_EQ(report.system.versions[2], "2026-12-10");

    d.Boot();  // a second boot counts once more
    EXPECT_EQ(d.Admin(0x02, 0x02 | (128u << 16), 512)[112], 8) << "the kept log is the start again";
    EXPECT_EQ(d.programs.system->Boots(), 2);
}

TEST_F(BootedSystem, BadUnitsFromTheDefectPagesMappedBackToPhysicalDies) {
    const std::vector<emu::BadUnit> expected = {{0, 0, 0, 17}, {1, 1, 0, 3}, {1, 1, 0, 9}};
    EXPECT_EQ(report.system.badUnits, expected);
    EXPECT_EQ(report.system.defectPages, 2);
    EXPECT_EQ(report.system.earlyPages, 1);
    EXPECT_EQ(report.system.remapPages, 1);
    EXPECT_TRUE(report.system.eraseCounts);
    EXPECT_TRUE(report.system.smartKept);
}

TEST_F(BootedSystem, EraseCountsAndPageReads) {
    PageBytes counts(2 * kPage);
    ASSERT_TRUE(d.Vendor(0x01, {}, counts).Ok());
    auto entry = [&](std::size_t u) {
        return counts[4 * u] | (counts[4 * u + 1] << 8) | (counts[4 * u + 2] << 16) |
               (std::uint32_t{counts[4 * u + 3]} << 24);
    };
    EXPECT_EQ(entry(0), 100u);
    EXPECT_EQ(entry(31), 131u) << "64 blocks of 2 planes: 32 units";
    EXPECT_EQ(entry(32), 0xFFFFFFFFu);
    EXPECT_EQ(entry(counts.size() / 4 - 1), 0xFFFFFFFFu);

    PageBytes page(kPage);
    // Unit 0 holds blocks 0 and 1; block 1 is the listed loader block.
    ASSERT_TRUE(d.Vendor(0x04, {0, 0x00, 0, 0, 0, 37, 2, 1}, page).Ok());
    EXPECT_EQ(Text(page, 512, 9), "MPT 1.0.0");
    // Unit 5 has no loader block: its first block, erased.
    ASSERT_TRUE(d.Vendor(0x04, {0, 0x00, 0, 5, 0, 37, 2, 1}, page).Ok());
    EXPECT_TRUE(std::all_of(page.begin(), page.end(), [](std::uint8_t b) { return b == 0xFF; }));
    // Another rate does not decode; a unit past the flash is refused.
    EXPECT_EQ(d.Vendor(0x04, {0, 0x00, 0, 0, 0, 37, 3, 1}, page), st::kDataTransferError);
    EXPECT_EQ(d.Vendor(0x04, {0, 0x00, 0, 32, 0, 37, 2, 1}, page), st::kInvalidField);
}

TEST_F(BootedSystem, RecordsGrownBadBlocksInTheLaterBadPageOfItsLoaderBlocks) {
    ASSERT_TRUE(d.programs.system->RecordGrownBad({{1, 1, 0, 7, 5}, {1, 0, 0, 12, 0}}));
    EXPECT_EQ(d.Nand().EraseCount(0, 0, 0, 1), 1u) << "the loader block was rewritten";
    const auto later = d.Nand().Peek({0, 0, 0, 1, 40});  // logical channel 0 = physical 1
    ASSERT_TRUE(later.has_value());
    const PageBytes& p = *later;
    EXPECT_EQ(PageBytes(p.begin(), p.begin() + 4), (PageBytes{0xE8, 0xDC, 0x55, 0xAA}));
    EXPECT_EQ(Text(p, 4, 11), "ZEL09A0V000");
    EXPECT_EQ(p[16], 2);
    // Block 7 = unit 3, plane 1, page 5, logical CE 0; block 12 = unit 6, plane 0, logical CE 1.
    EXPECT_EQ(PageBytes(p.begin() + 32, p.begin() + 48),
              (PageBytes{3, 0, 5, 0, 0, 1, 0, 0x00, 6, 0, 0, 0, 0, 0, 0, 0x01}));
    // The rewritten block still boots, with its tables.
    const emu::BootReport again = d.Boot();
    EXPECT_EQ(again.block, 1);
    EXPECT_EQ(again.system.badUnits.size(), 3u);
}

TEST(SystemFirmware, WithoutFlashStateEraseCountsAreTheFlashsOwn) {
    Drive d(Program::System);
    d.Boot();
    ASSERT_EQ(d.controller.Core().Running(), Program::System);
    d.Nand().Erase(0, 1, 0, 5);
    d.Nand().Erase(0, 1, 0, 5);
    d.Nand().Erase(1, 0, 0, 4);
    PageBytes counts(512);
    ASSERT_TRUE(d.Vendor(0x01, {}, counts).Ok());
    EXPECT_EQ(counts[0], 0);
    EXPECT_EQ(counts[8], 2) << "unit 2: the highest over its blocks on every die";
    EXPECT_EQ(counts[4 * 32], 0xFF);
    EXPECT_FALSE(d.programs.system->RecordGrownBad({{0, 0, 0, 4, 0}}));
}

}  // namespace

namespace {

// A power-on: RAM forgotten, vendor mode off, started by the ROM (the boot loader on the loader
// request), one more power cycle whether the system firmware booted or not; never a jump.
TEST_F(BootedSystem, APowerOnBootsTheFlashAgainAndCountsOnce) {
    emu::ControllerRam& ram = d.controller.Core().Ram();
    ASSERT_TRUE(ram.Write(0x200000, std::vector<std::uint8_t>(16, 0x11)));
    d.controller.PowerOn(false);
    EXPECT_EQ(d.controller.Core().Running(), Program::System);
    EXPECT_EQ(d.programs.system->Boots(), 2);
    EXPECT_EQ(d.programs.loader->RomJumps(0), 1) << "only the fixture's own boot was a jump";
    std::vector<std::uint8_t> back(16);
    ASSERT_TRUE(ram.Read(0x200000, back));
    EXPECT_EQ(back, std::vector<std::uint8_t>(16, emu::kPoison));
    EXPECT_EQ(d.Admin(0x02, 0x02 | (128u << 16), 512)[112], 8) << "the kept log, plus this power-on";

    d.controller.PowerOn(true);
    EXPECT_EQ(d.controller.Core().Running(), Program::Loader);
    EXPECT_EQ(d.controller.Smart().powerCycles, 9u) << "the loader booted nothing, the cycle still counts";
}

TEST(BootRom, APowerOnWithoutLoaderBlocksStartsTheFlashProgram) {
    Drive d(Program::Sorting);
    const std::uint64_t before = d.controller.Smart().powerCycles;
    d.controller.PowerOn(false);
    EXPECT_EQ(d.controller.Core().Running(), Program::Sorting);
    EXPECT_EQ(d.controller.Smart().powerCycles, before + 1);
    d.controller.PowerOn(true);
    EXPECT_EQ(d.controller.Core().Running(), Program::Loader);
}

}  // namespace
