#include "emu/loader_program.h"

#include <gtest/gtest.h>

#include <cstring>

#include "loader_block_pages.h"
#include "program_bench.h"

namespace {

using emu::Program;
using emu_test::Be32;
using emu_test::ProgramBench;
using Bytes = std::vector<std::uint8_t>;
namespace st = emu::nvme_status;

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A program image of `bytes` with "QVGDP" at 448 (or `tag`).
Bytes Image(std::size_t bytes, const char* tag = "QVGDP") {
    Bytes b(bytes, 0x3C);
    std::memcpy(&b[448], tag, 5);
    return b;
}

// The signature sector listing parts (address, length).
Bytes Signature(std::vector<std::pair<std::uint32_t, std::uint32_t>> parts) {
    Bytes s(512, 0);
    s[1] = static_cast<std::uint8_t>(parts.size());
    for (std::size_t j = 0; j < parts.size(); ++j) {
        for (int i = 0; i < 4; ++i) {
            s[16 + 8 * j + i] = static_cast<std::uint8_t>(parts[j].first >> (8 * i));
            s[20 + 8 * j + i] = static_cast<std::uint8_t>(parts[j].second >> (8 * i));
        }
    }
    return s;
}

emu::NvmeStatus WriteRam(ProgramBench& b, std::uint32_t address, Bytes data, std::uint8_t slot = 0) {
    return b.Run(0x87, Cat({slot}, Be32(address)), data);
}

TEST(LoaderProgram, StartsASignedProgramWhoseEveryPartArrived) {
    ProgramBench b;
    Bytes image = Image(65536 + 512);
    ASSERT_TRUE(WriteRam(b, 0, Bytes(image.begin(), image.begin() + 65536)).Ok());
    ASSERT_TRUE(WriteRam(b, 65536, Bytes(image.begin() + 65536, image.end())).Ok());
    ASSERT_TRUE(WriteRam(b, 0x100000, Bytes(1024, 1)).Ok());
    ASSERT_TRUE(WriteRam(b, 16, Signature({{0, 65536 + 512}, {0x100000, 1024}}), 10).Ok());
    ASSERT_TRUE(b.Run(0x82, {1}).Ok());
    EXPECT_EQ(b.core.Running(), Program::Diagnostic);
    EXPECT_EQ(b.programs.loader->Jumps(), std::vector<int>({1}));
    const std::vector<emu::RamWrite> expected = {{0, 65536, 0}, {65536, 512, 0}, {0x100000, 1024, 0}, {16, 512, 10}};
    EXPECT_EQ(b.programs.loader->Writes(), expected);
}

TEST(LoaderProgram, RefusesToJumpWithoutASoundSignatureOrATag) {
    struct Case {
        const char* name;
        const char* tag;
        Bytes signature;
        std::uint8_t slot;
    };
    const Case cases[] = {
        {"no signature block", "QVGDP", {}, 1},
        {"a part never written", "QVGDP", Signature({{0, 4096}, {0x200000, 16}}), 1},
        {"a part written short", "QVGDP", Signature({{0, 4097}}), 1},
        {"more codes than signatures", "QVGDP", Signature({{0, 4096}}), 2},
        {"slot 0", "QVGDP", Signature({{0, 4096}}), 0},
        {"no known tag", "QVXYZ", Signature({{0, 4096}}), 1},
        {"nine parts listed", "QVGDP", Signature(std::vector<std::pair<std::uint32_t, std::uint32_t>>(9, {0, 16})), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramBench b;
        ASSERT_TRUE(WriteRam(b, 0, Image(4096, c.tag)).Ok());
        if (!c.signature.empty()) {
            ASSERT_TRUE(WriteRam(b, 16, c.signature, 10).Ok());
        }
        EXPECT_EQ(b.Run(0x82, {c.slot}), st::kCommandSequenceError);
        EXPECT_EQ(b.core.Running(), Program::Loader);
    }
}

TEST(LoaderProgram, ARestartForgetsWhatWasLoaded) {
    ProgramBench b;
    ASSERT_TRUE(WriteRam(b, 0, Image(4096)).Ok());
    ASSERT_TRUE(b.Run(0x83, {1}).Ok());
    ASSERT_TRUE(WriteRam(b, 16, Signature({{0, 4096}}), 10).Ok());
    EXPECT_EQ(b.Run(0x82, {1}), st::kCommandSequenceError);
}

// Plants a loader block on (0, 0, 0, block): an info page and, with `tag`, one copy of a one-page
// firmware whose variable block carries the tag (without, a code map of no entries).
void LoaderBlock(emu::NandModel& nand, int block, const char* tag) {
    emu_test::LoaderBlockPlan plan;
    plan.copies = 1;
    plan.slotPage = false;
    if (tag != nullptr) {
        emu_test::VariableBlock v;
        v.tag = tag;
        plan.parts = {{emu_test::VariableBlockPage(v, plan.pageBytes), 0, 1}};
    }
    ASSERT_TRUE(emu_test::PlantLoaderBlock(nand, 0, 0, 0, block, plan));
}

TEST(LoaderProgram, JumpToRomByEvent) {
    struct Case {
        const char* name;
        std::uint8_t event;
        Program start;
        Program flashFirmware;
        int loaderBlock;  // -1: none
        const char* tag;
        Program expected;
    };
    const Case cases[] = {
        {"event 1 from GDP", 1, Program::Diagnostic, Program::System, -1, nullptr, Program::Loader},
        {"event 0, nothing on the flash", 0, Program::Diagnostic, Program::Loader, -1, nullptr, Program::Loader},
        {"event 0, an info page without code", 0, Program::Loader, Program::Loader, 1, nullptr, Program::Loader},
        {"event 0, system firmware in block 2", 0, Program::Diagnostic, Program::Loader, 2, "RAVEZ", Program::System},
        {"event 0, sorting firmware in block 0", 0, Program::Loader, Program::Loader, 0, "QVRDT", Program::Sorting},
        {"event 0, an unknown tag", 0, Program::Loader, Program::Loader, 3, "QVGDP", Program::Loader},
        {"event 0, block 4 is no loader block", 0, Program::Loader, Program::Loader, 4, "RAVEZ", Program::Loader},
        {"event 0, firmware the drive came with", 0, Program::Diagnostic, Program::Sorting, -1, nullptr,
         Program::Sorting},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramBench b;
        b.core.SetFlashProgram(c.flashFirmware);
        b.core.Start(c.start);
        if (c.loaderBlock >= 0) LoaderBlock(*b.programs.nand, c.loaderBlock, c.tag);
        ASSERT_TRUE(b.Run(0x83, {c.event}).Ok());
        EXPECT_EQ(b.core.Running(), c.expected);
        EXPECT_EQ(b.programs.loader->RomJumps(c.event), 1);
    }
    ProgramBench b;
    EXPECT_EQ(b.Run(0x83, {2}), st::kInvalidField);
}

}  // namespace
