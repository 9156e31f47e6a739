// The emulated sorting firmware: its settings, its run over the flash with injected faults, the
// result blocks it leaves (decoded by the tests' own reader) and its status.
#include "emu/sorting_program.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "emu/controller_core.h"
#include "platform/clock.h"
#include "program_bench.h"
#include "support/sorting_result_reader.h"
#include "tables/sort_result_pages.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using emu::FlashGeometry;
using emu::NandModel;
using emu::SortingProgram;
using test_support::ReadSortResultBlock;
using test_support::SortBbEntry;
using test_support::SortResultBlockRead;

constexpr std::uint8_t kRate = 2;
constexpr int kBootBlock = 0;
constexpr char kSerial[] = "SN-SORT-0001";

void Le16(Bytes& b, std::size_t at, int v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// The variable block with an init block describing `g`: every die tested, blocks 0 and 1 loader blocks.
Bytes VariableBlock(const FlashGeometry& g) {
    Bytes v(4096, 0);
    const std::size_t at = 1248;
    v[at + 1] = 1;  // flash type: not SLC
    Le16(v, at + 2, g.blocks * g.luns);
    Le16(v, at + 4, g.pages);
    Le16(v, at + 6, g.pageSectors / 2);
    v[at + 8] = static_cast<std::uint8_t>(g.luns);
    v[at + 9] = static_cast<std::uint8_t>(g.planes);
    v[at + 10] = kRate;
    v[at + 12] = static_cast<std::uint8_t>(g.channels);
    v[at + 13] = static_cast<std::uint8_t>(g.ces);
    for (int ch = 0; ch < g.channels; ++ch) {
        for (int ce = 0; ce < g.ces; ++ce) {
            v[at + 32 + 4 * ch + ce] = 0x03;
            v[at + 688 + 4 * ch + ce] = static_cast<std::uint8_t>((1 << g.luns) - 1);
        }
    }
    std::fill(v.begin() + at + 720, v.begin() + at + 912, 0xFF);
    return v;
}

struct Limits {
    int perPlane = 20, perDie = 3, readFail = 5, program = 5, erase = 5, factoryPerDie = 10, threshold = 60;
};

// The pattern page as the host lays it out: 0xAA fill, the settings, a retry area and a tag block.
Bytes PatternPage(const FlashGeometry& g, const Limits& l) {
    Bytes p(g.PageBytes(), 0xAA);
    std::memcpy(p.data(), "SORT", 4);
    p[4] = p[5] = 0;
    Le16(p, 8, l.perPlane);
    Le16(p, 10, l.perDie);
    p[12] = 1;
    p[13] = 1;  // scan factory bad
    Le16(p, 14, l.threshold);
    std::fill(p.begin() + 19, p.begin() + 67, 0);
    std::memcpy(p.data() + 19, kSerial, sizeof kSerial - 1);
    Le16(p, 67, l.readFail);
    p[69] = 1;  // erase all
    Le16(p, 73, 2);
    Le16(p, 75, 0);
    Le16(p, 91, l.program);
    Le16(p, 93, l.erase);
    Le16(p, 95, 0x1234);
    Le16(p, 97, 0x5678);
    Le16(p, 109, l.factoryPerDie);
    p[142] = 30;
    Le16(p, 143, 0x0123);
    for (std::size_t i = 1024; i < 3072 && i < p.size(); ++i) p[i] = static_cast<std::uint8_t>(i * 7);
    for (std::size_t i = 3072; i < 3184 && i < p.size(); ++i) p[i] = static_cast<std::uint8_t>(0x20 + i % 90);
    return p;
}

class SortingProgramTest : public ::testing::Test {
  protected:
    void Build(const FlashGeometry& g, const emu::SortRunSetup& setup = {}, const Limits& limits = {}) {
        nand_ = std::make_shared<NandModel>(g);
        fw_ = std::make_unique<SortingProgram>(nand_, setup);
        core_.Ram().Write(0, VariableBlock(g));
        pattern_ = PatternPage(g, limits);
        ASSERT_EQ(nand_->Program({0, 0, 0, kBootBlock, 4}, pattern_, kRate, 1), emu::NandResult::Ok);
    }
    SortResultBlockRead Read(int ch, int ce, int lun, int block) {
        const FlashGeometry& g = nand_->Geometry();
        return ReadSortResultBlock(
            [&](int index) -> std::optional<Bytes> {
                Bytes page(g.PageBytes());
                if (nand_->Read({ch, ce, lun, block, index}, page, kRate, 1) != emu::NandResult::Ok)
                    return std::nullopt;
                return page;
            },
            g.blocks);
    }

    platform::VirtualClock clock_{1000};
    platform::ScopedClock useClock_{clock_};
    emu::ControllerCore core_;
    std::shared_ptr<NandModel> nand_;
    std::unique_ptr<SortingProgram> fw_;
    Bytes pattern_;
};

// A place on the flash and how it fails.
struct Fault {
    int ch, ce, block;
    int type;  // error record type, or -1 for factory bad
};

TEST_F(SortingProgramTest, TheResultBlocksOfADemoDriveReadBackAsLaidOut) {
    emu::SortRunSetup setup;
    setup.temperature = 47;
    setup.errorBits[{2, 1, 0, 500}] = 90;
    Build(FlashGeometry{}, setup);
    // The flash's own times, one die slower than the others.
    nand_->SetOpTimes({45, 90, 450, 1800, 5000, 5400});
    nand_->SetOpTimeScale(3, 1, 0, 150);
    const std::vector<Fault> faults = {{0, 0, 100, -1}, {1, 0, 200, 3},  {1, 1, 300, 2},
                                       {2, 0, 400, 1},  {2, 1, 500, 0},  {3, 1, 600, -1},
                                       {3, 1, 601, -1}, {3, 1, 602, -1}, {3, 1, 603, -1}};
    nand_->MarkFactoryBad(0, 0, 0, 100);
    nand_->InjectEraseFailure(1, 0, 0, 200);
    nand_->InjectProgramFailure(1, 1, 0, 300);
    nand_->InjectUncorrectable({2, 0, 0, 400, 0});
    for (int b = 600; b < 604; ++b) nand_->MarkFactoryBad(3, 1, 0, b);

    fw_->Start(core_, {0, 0, 0, kBootBlock, 0});
    ASSERT_EQ(fw_->Problem(), "");
    const emu::SortResultTable table = fw_->ResultBlocks();
    EXPECT_LE(nand_->StoredContents(), 200u);

    for (int ch = 0; ch < 4; ++ch) {
        for (int ce = 0; ce < 2; ++ce) {
            SCOPED_TRACE(testing::Message() << "channel " << ch << ", CE " << ce);
            ASSERT_EQ(table[ch][ce], 2015) << "the highest good block";
            const SortResultBlockRead r = Read(ch, ce, 0, 2015);
            const int tagDie = ce * 4 + ch;

            // Bad blocks by unit and plane.
            std::map<int, int> units;
            std::vector<int> factory;
            for (const Fault& f : faults) {
                if (f.ch != ch || f.ce != ce) continue;
                units[f.block / 4] |= 1 << (f.block % 4);
                if (f.type < 0) factory.push_back(f.block);
            }
            std::vector<SortBbEntry> bb;
            for (auto [unit, mask] : units)
                bb.push_back({static_cast<std::uint16_t>(unit), static_cast<std::uint8_t>(mask)});
            ASSERT_TRUE(r.bbValid);
            EXPECT_EQ(r.bb, bb);

            ASSERT_TRUE(r.markValid);
            EXPECT_EQ(r.tagBK, ce);
            EXPECT_EQ(r.tagCH, ch);
            EXPECT_EQ(r.tagDie, tagDie);
            EXPECT_EQ(r.verdict, 0x02);
            EXPECT_EQ(std::tie(r.driveBad, r.driveEcc, r.driveProgram, r.driveErase, r.driveFactory),
                      std::make_tuple(9, 2, 1, 1, 5));
            EXPECT_EQ(r.errorPages, 1);
            EXPECT_EQ(r.factoryPages, 2) << "the bitmap up to channel 3, bank 1: 19,500 bytes";

            // The drive's error list, and this die's part of it.
            ASSERT_TRUE(r.errorEndFound);
            EXPECT_EQ(r.allErrors.size(), 4u);
            std::vector<std::tuple<int, int, int, int, int>> mine, expected;
            for (const auto& e : r.errors) {
                mine.emplace_back(e.type, e.planeMask, e.page, e.unit, e.maxErrBit);
                EXPECT_FALSE(e.slc);
                EXPECT_EQ(e.tsad & 0xFF, 0x23);
                EXPECT_EQ(e.action, e.type == 3 ? 2 : e.type == 2 ? 1 : 6);
                EXPECT_EQ(e.readLoop, e.type <= 1 ? 1 : 0);
                EXPECT_EQ(e.failLoop, 0);
            }
            for (const Fault& f : faults) {
                if (f.ch == ch && f.ce == ce && f.type >= 0) {
                    expected.emplace_back(f.type, 1 << (f.block % 4), 0, f.block / 4, f.type == 0 ? 90 : 0);
                }
            }
            EXPECT_EQ(mine, expected);
            EXPECT_EQ(r.factoryBad, factory);

            ASSERT_TRUE(r.wholeRead);
            EXPECT_EQ(r.result, 0x02);
            EXPECT_EQ(r.runTicks, 24000u);
            EXPECT_EQ(std::tie(r.badLimit, r.dieBadLimit, r.readFailLimit, r.programLimit, r.eraseLimit),
                      std::make_tuple(20, 3, 5, 5, 5));
            EXPECT_EQ(r.serial, kSerial);
            EXPECT_TRUE(r.serialEndsBefore74);
            for (int d = 0; d < 64; ++d) EXPECT_EQ(r.dieFlags[d], d == 7 ? 0x02 : 0) << "die " << d;
            EXPECT_EQ(std::tie(r.eccThreshold, r.slcThreshold, r.temperature, r.tsad),
                      std::make_tuple(60, 30, 47, 0x0123));
            Bytes echo(pattern_.begin() + 4, pattern_.begin() + 1024);
            echo[142] = 47;
            EXPECT_EQ(r.echo, echo);
            EXPECT_EQ(r.version, Bytes(pattern_.begin() + 3072, pattern_.begin() + 3184));

            ASSERT_TRUE(r.dieEndFound);
            ASSERT_EQ(r.dieEntries.size(), 8u);
            ASSERT_TRUE(r.ownEntry.has_value());
            const auto& own = *r.ownEntry;
            EXPECT_EQ(own.totalBad, units.empty() ? 0 : std::popcount(static_cast<unsigned>(units.begin()->second)));
            EXPECT_EQ(own.factoryBad, factory.size());
            EXPECT_EQ(own.testResult, tagDie == 7 ? 0x02 : 0);
            EXPECT_EQ(
                std::tie(own.tEraseSlc, own.tErase, own.tProgSlc, own.tReadSlc, own.tProg, own.tRead),
                tagDie == 7 ? std::make_tuple(7, 8, 675, 67, 2700, 135) : std::make_tuple(5, 5, 450, 45, 1800, 90));

            EXPECT_TRUE(r.eccSignature);
            EXPECT_EQ(r.eccBank, ce);
            EXPECT_EQ(r.eccChannel, ch);
            ASSERT_EQ(r.eccBits.size(), 2016u);
            for (int b = 2; b < 2016; ++b) {
                const int bits = r.eccBits[b];
                if (ch == 2 && ce == 1 && b == 500) {
                    EXPECT_EQ(bits, 90);
                } else if (ch == 2 && ce == 0 && b == 400) {
                    EXPECT_EQ(bits, 0xFF);
                } else {
                    ASSERT_LT(bits, 60) << "block " << b;
                }
            }
        }
    }
    const auto run = fw_->LastRun();
    ASSERT_TRUE(run.has_value());
    EXPECT_EQ(run->dies[7].flags, 0x02) << "four bad blocks over the die's limit of three";
    // Every tested good block is left erased; the loader blocks are untouched.
    EXPECT_EQ(nand_->EraseCount(0, 0, 0, 1), 0u);
    EXPECT_EQ(nand_->EraseCount(0, 0, 0, 7), 3u) << "erase all, the second loop's erase, the last erase";
    EXPECT_FALSE(nand_->Peek({0, 0, 0, 7, 0}).has_value());
}

TEST_F(SortingProgramTest, ADriveOfOneDieWithoutFailures) {
    FlashGeometry g{1, 1, 1, 64, 32, 8, 2};
    Build(g);
    fw_->Start(core_, {0, 0, 0, kBootBlock, 0});
    ASSERT_EQ(fw_->Problem(), "");
    EXPECT_EQ(fw_->ResultBlocks()[0][0], 63);
    const SortResultBlockRead r = Read(0, 0, 0, 63);
    EXPECT_TRUE(r.bbValid);
    EXPECT_TRUE(r.bb.empty());
    EXPECT_EQ(r.verdict, 0);
    EXPECT_EQ(r.errorPages, 1);
    EXPECT_TRUE(r.errorEndFound);
    EXPECT_TRUE(r.allErrors.empty());
    EXPECT_EQ(r.dieEntries.size(), 1u);
    EXPECT_TRUE(r.dieEndFound);
    EXPECT_TRUE(r.ownEntry.has_value());
    EXPECT_EQ(r.result, 0);
    EXPECT_TRUE(r.version.empty()) << "a 4 KB page ends before the version block";
    EXPECT_EQ(r.echo.size(), 1020u);
}

// The host's decoders read the emulated result blocks as the tests' own reader does.
TEST_F(SortingProgramTest, TheHostDecodersAgreeWithTheTestReader) {
    for (const FlashGeometry& g : {FlashGeometry{2, 2, 1, 256, 64, 32, 4}, FlashGeometry{2, 2, 1, 512, 64, 8, 2}}) {
        emu::SortRunSetup setup;
        setup.errorBits[{1, 1, 0, 300}] = 120;
        Build(g, setup);
        nand_->MarkFactoryBad(1, 0, 0, 100);
        nand_->InjectEraseFailure(0, 1, 0, 200);
        nand_->InjectUncorrectable({1, 1, 0, 301, 0});
        fw_->Start(core_, {0, 0, 0, kBootBlock, 0});
        ASSERT_EQ(fw_->Problem(), "");
        for (int ch = 0; ch < g.channels; ++ch) {
            for (int ce = 0; ce < g.ces; ++ce) {
                SCOPED_TRACE(testing::Message() << g.pageSectors << " sectors, channel " << ch << ", CE " << ce);
                const int block = fw_->ResultBlocks()[ch][ce];
                const SortResultBlockRead r = Read(ch, ce, 0, block);
                auto page = [&](int index) {
                    Bytes b(g.PageBytes());
                    EXPECT_EQ(nand_->Read({ch, ce, 0, block, index}, b, kRate, 1), emu::NandResult::Ok);
                    return b;
                };
                const auto bb = tables::DecodeSortBadBlockPage(page(0), g.blocks);
                ASSERT_EQ(bb.state, tables::SortBbState::Valid);
                ASSERT_EQ(bb.entries.size(), r.bb.size());
                for (std::size_t i = 0; i < r.bb.size(); ++i) {
                    EXPECT_EQ(std::tie(bb.entries[i].unit, bb.entries[i].planeMask),
                              std::tie(r.bb[i].unit, r.bb[i].planeMask));
                }
                const auto mark = tables::DecodeSortMarkPage(page(2));
                ASSERT_TRUE(mark.Valid());
                EXPECT_EQ(std::tie(mark.verdict, mark.driveBad, mark.driveEcc, mark.driveFactory, mark.tagBK,
                                   mark.tagCH, mark.tagDie),
                          std::tie(r.verdict, r.driveBad, r.driveEcc, r.driveFactory, r.tagBK, r.tagCH, r.tagDie));
                EXPECT_EQ(mark.errorPages, r.errorPages);

                Bytes area;
                std::vector<std::uint8_t> readFlags;
                for (unsigned i = 0; i < mark.errorPages; ++i) {
                    const Bytes p = page(3 + static_cast<int>(i));
                    area.insert(area.end(), p.begin(), p.end());
                }
                const bool read[4] = {true, true, true, true};
                const auto errors = tables::DecodeSortErrorList(area, g.PageBytes(), read);
                const auto own = tables::SortErrorsOfDie(errors, mark.tagCH, mark.tagBK);
                EXPECT_EQ(errors.records.size(), r.allErrors.size());
                ASSERT_EQ(own.size(), r.errors.size());
                for (std::size_t i = 0; i < own.size(); ++i) {
                    const auto& a = own[i];
                    const auto& b = r.errors[i];
                    EXPECT_EQ(std::tie(a.errorType, a.planeMask, a.page, a.unit, a.maxErrBit, a.action, a.tsad, a.ticks),
                              std::tie(b.type, b.planeMask, b.page, b.unit, b.maxErrBit, b.action, b.tsad, b.ticks));
                }
                Bytes factory;
                for (unsigned i = 0; i < mark.factoryPages; ++i) {
                    const Bytes p = page(7 + static_cast<int>(i));
                    factory.insert(factory.end(), p.begin(), p.end());
                }
                std::vector<int> blocks;
                for (const auto& f : tables::DecodeSortFactoryBad(factory, mark.tagCH, mark.tagBK, g.planes))
                    blocks.push_back(f.block);
                EXPECT_EQ(blocks, r.factoryBad);

                const auto whole = tables::DecodeSortWholeInfo(page(15));
                EXPECT_EQ(std::tie(whole.result, whole.runTicks, whole.badLimit, whole.tsad, whole.temperature),
                          std::tie(r.result, r.runTicks, r.badLimit, r.tsad, r.temperature));
                EXPECT_EQ(whole.serial, r.serial);
                EXPECT_TRUE(std::equal(r.echo.begin(), r.echo.end(), whole.echo.begin()));
                const auto dies = tables::DecodeSortDieInfoList(page(16));
                ASSERT_TRUE(r.ownEntry.has_value());
                const auto entry = dies.Own(mark.tagDie);
                ASSERT_TRUE(entry.has_value());
                EXPECT_EQ(std::tie(entry->TotalBadNum, entry->FactoryBadNum, entry->ECCFailNum, entry->EraseFailNum,
                                   entry->TestResult, entry->tProg, entry->tRead),
                          std::tie(r.ownEntry->totalBad, r.ownEntry->factoryBad, r.ownEntry->eccFail,
                                   r.ownEntry->eraseFail, r.ownEntry->testResult, r.ownEntry->tProg, r.ownEntry->tRead));
                const auto ecc = tables::DecodeSortEccInfo(page(17), g.blocks);
                EXPECT_TRUE(ecc.signature);
                EXPECT_EQ(ecc.bits, r.eccBits);
            }
        }
    }
}

TEST_F(SortingProgramTest, TheStatusMovesFromPreparationToItsVerdict) {
    emu::SortRunSetup setup;
    setup.prepPolls = 2;
    setup.runMs = 5000;
    FlashGeometry g{2, 1, 1, 32, 16, 8, 2};
    Build(g, setup);
    fw_->Start(core_, {0, 0, 0, kBootBlock, 0});
    EXPECT_EQ(fw_->PollStatus(), 0);
    EXPECT_EQ(fw_->PollStatus(), 0);
    EXPECT_EQ(fw_->PollStatus(), 1);
    clock_.Advance(4999);
    EXPECT_EQ(fw_->PollStatus(), 1);
    clock_.Advance(1);
    EXPECT_EQ(fw_->PollStatus(), 4);

    // A failing die: too many factory-bad blocks.
    nand_->MarkFactoryBad(1, 0, 0, 10);
    nand_->MarkFactoryBad(1, 0, 0, 11);
    setup.runMs = 0;
    Limits strict;
    strict.factoryPerDie = 1;
    Build(g, setup, strict);
    nand_->MarkFactoryBad(1, 0, 0, 10);
    nand_->MarkFactoryBad(1, 0, 0, 11);
    fw_->Start(core_, {0, 0, 0, kBootBlock, 0});
    EXPECT_EQ(fw_->PollStatus(), 2) << "run time 0: done at the first read";
    EXPECT_EQ(fw_->LastRun()->flags, 0x80);
}

TEST_F(SortingProgramTest, NoPatternOrAForeignInitBlockMeansNoRun) {
    const FlashGeometry g{2, 1, 1, 32, 16, 8, 2};
    struct Case {
        const char* what;
        std::function<void(NandModel&, emu::ControllerCore&)> spoil;
    };
    const Case cases[] = {
        {"unreadable pattern page",
         [](NandModel& n, emu::ControllerCore&) {
             n.InjectUncorrectable({0, 0, 0, 0, 4});
         }},
        {"pattern page without SORT",
         [](NandModel& n, emu::ControllerCore&) {
             n.Erase(0, 0, 0, 0);
             Bytes p(4096, 0xAA);
             n.Program({0, 0, 0, 0, 4}, p, kRate, 1);
         }},
        {"init block of another flash",
         [](NandModel&, emu::ControllerCore& c) {
             c.Ram().Write(1248 + 4, Bytes{0x00, 0x02});
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Build(g);
        c.spoil(*nand_, core_);
        fw_->Start(core_, {0, 0, 0, kBootBlock, 0});
        EXPECT_NE(fw_->Problem(), "");
        EXPECT_EQ(fw_->PollStatus(), 7);
        EXPECT_EQ(fw_->ResultBlocks()[0][0], 0);
        EXPECT_EQ(nand_->EraseCount(1, 0, 0, 20), 0u) << "no run";
    }
}

// The status command of the running sorting firmware reports the run, unless SortStatus fixes it.
TEST(SortingStatusCommand, ReportsTheRunUnlessFixed) {
    platform::VirtualClock clock(500);
    platform::ScopedClock use(clock);
    const std::string flash =
        "FlashChannels=2\nFlashCEs=1\nFlashBlocks=32\nFlashPages=16\nFlashPageSectors=8\nFlashPlanes=2\n";
    for (const char* extra : {"SortRunMs=1000\n", "SortRunMs=1000\nSortStatus=3\n"}) {
        SCOPED_TRACE(extra);
        const bool fixed = std::string(extra).find("SortStatus") != std::string::npos;
        emu_test::ProgramBench b(emu_test::SetupFromKeys(flash + extra));
        const FlashGeometry& g = b.programs.nand->Geometry();
        b.core.Ram().Write(0, VariableBlock(g));
        ASSERT_EQ(b.programs.nand->Program({0, 0, 0, kBootBlock, 4}, PatternPage(g, {}), kRate, 1),
                  emu::NandResult::Ok);
        b.core.Start(emu::Program::Sorting);
        b.programs.sortRun->Start(b.core, {0, 0, 0, kBootBlock, 0});
        auto status = [&] {
            Bytes reply(512);
            EXPECT_TRUE(b.Run(0x3C, {}, reply, true).Ok());
            EXPECT_EQ(std::string(reply.begin(), reply.begin() + 4), "SORT");
            return int(reply[4]);
        };
        EXPECT_EQ(status(), fixed ? 3 : 0);
        EXPECT_EQ(status(), fixed ? 3 : 1);
        clock.Advance(1000);
        EXPECT_EQ(status(), fixed ? 3 : 4);
    }
}

}  // namespace
