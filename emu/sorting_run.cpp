#include "emu/sorting_run.h"

#include <algorithm>

#include "platform/clock.h"

namespace emu {

namespace {

constexpr std::uint8_t kScrambleOn = 1;
constexpr std::uint8_t kUndecodable = 0xFF;

class DieTest {
  public:
    DieTest(NandModel& nand, const SortFlash& flash, const SortTestSettings& settings, const SortErrorBits& errorBits,
            std::optional<int> defaultBits, std::uint64_t startTick, SortDieResult& die,
            std::vector<SortErrorRecord>& errors)
        : nand_(nand), flash_(flash), s_(settings), bits_(errorBits), defaultBits_(defaultBits), start_(startTick),
          die_(die), errors_(errors) {
        page_.resize(nand.Geometry().PageBytes());
        back_.resize(page_.size());
    }

    void Block(int block) {
        const int ch = die_.channel, ce = die_.ce, lun = die_.lun;
        auto& state = die_.blocks[static_cast<std::size_t>(block)];
        if (s_.scanFactoryBad && nand_.IsFactoryBad(ch, ce, lun, block)) {
            state = SortBlockState::FactoryBad;
            return;
        }
        const int lastPage = std::max(0, flash_.pagesPerBlock - 1);
        for (std::uint32_t loop = 0; loop < s_.loops; ++loop) {
            if ((loop > 0 || s_.eraseAll) && nand_.Erase(ch, ce, lun, block) != NandResult::Ok) {
                return Fail(block, SortErrorType::Erase, SortAction::Erase, 0, 0, loop);
            }
            std::fill(page_.begin(), page_.end(), 0);
            const std::uint16_t word = s_.Pattern(loop);
            for (std::size_t i = 0; i + 1 < page_.size(); i += 2) {
                page_[i] = static_cast<std::uint8_t>(word);
                page_[i + 1] = static_cast<std::uint8_t>(word >> 8);
            }
            for (int page : {0, lastPage}) {
                if (nand_.Program({ch, ce, lun, block, page}, page_, flash_.ldpcRate, kScrambleOn) != NandResult::Ok) {
                    return Fail(block, SortErrorType::Program, SortAction::Program, page, 0, loop);
                }
                const NandResult r = nand_.Read({ch, ce, lun, block, page}, back_, flash_.ldpcRate, kScrambleOn);
                if (r != NandResult::Ok || back_ != page_) {
                    die_.maxErrBits[static_cast<std::size_t>(block)] = kUndecodable;
                    return Fail(block, SortErrorType::Uncorrectable, SortAction::PageRead, page, 0, loop);
                }
                const int bits = ErrorBits(block);
                auto& kept = die_.maxErrBits[static_cast<std::size_t>(block)];
                kept = static_cast<std::uint8_t>(std::max<int>(kept, std::min(bits, 0xFE)));
                if (bits > s_.ldpcThreshold) {
                    return Fail(block, SortErrorType::OverThreshold, SortAction::PageRead, page, bits, loop);
                }
                if (lastPage == 0) break;
            }
        }
        // A good block is left erased.
        if (nand_.Erase(ch, ce, lun, block) != NandResult::Ok) {
            return Fail(block, SortErrorType::Erase, SortAction::Erase, 0, 0, s_.loops);
        }
        state = SortBlockState::Good;
    }

  private:
    int ErrorBits(int block) const {
        const auto it = bits_.find({die_.channel, die_.ce, die_.lun, block});
        if (it != bits_.end()) return it->second;
        if (defaultBits_) return *defaultBits_;
        // A small count below the threshold, the same on every run.
        const int below = std::min<int>(s_.ldpcThreshold, 8);
        return below == 0 ? 0 : (block * 7 + die_.channel * 3 + die_.ce + die_.lun) % below;
    }

    void Fail(int block, SortErrorType type, SortAction action, int page, int bits, std::uint32_t loop) {
        die_.blocks[static_cast<std::size_t>(block)] = SortBlockState::Failed;
        SortErrorRecord r;
        r.channel = die_.channel;
        r.fwBank = die_.fwBank;
        r.block = block;
        r.type = type;
        r.action = action;
        r.page = page;
        r.maxErrBits = bits;
        r.readFailure = type == SortErrorType::OverThreshold || type == SortErrorType::Uncorrectable;
        r.loop = loop;
        r.ticks = static_cast<std::uint32_t>((platform::TickCount() - start_) * 400 / 1000);
        errors_.push_back(r);
    }

    NandModel& nand_;
    const SortFlash& flash_;
    const SortTestSettings& s_;
    const SortErrorBits& bits_;
    std::optional<int> defaultBits_;
    std::uint64_t start_;
    SortDieResult& die_;
    std::vector<SortErrorRecord>& errors_;
    std::vector<std::uint8_t> page_, back_;
};

// Counts the die's blocks by plane and sets its flags from the limits.
void Judge(SortDieResult& die, const std::vector<SortErrorRecord>& errors, const SortFlash& flash,
           const SortTestSettings& s) {
    const auto planes = static_cast<std::size_t>(flash.planes);
    die.badPerPlane.assign(planes, 0);
    die.eccPerPlane.assign(planes, 0);
    die.programPerPlane.assign(planes, 0);
    die.erasePerPlane.assign(planes, 0);
    for (std::size_t b = 0; b < die.blocks.size(); ++b) {
        const SortBlockState state = die.blocks[b];
        if (state != SortBlockState::FactoryBad && state != SortBlockState::Failed) continue;
        ++die.badPerPlane[b % planes];
        ++die.bad;
        if (state == SortBlockState::FactoryBad) ++die.factoryBad;
    }
    for (const SortErrorRecord& r : errors) {
        if (r.channel != die.channel || r.fwBank != die.fwBank) continue;
        const std::size_t plane = static_cast<std::size_t>(r.block) % planes;
        switch (r.type) {
            case SortErrorType::OverThreshold:
            case SortErrorType::Uncorrectable:
                ++die.eccPerPlane[plane];
                ++die.eccFail;
                break;
            case SortErrorType::Program:
                ++die.programPerPlane[plane];
                ++die.programFail;
                break;
            case SortErrorType::Erase:
                ++die.erasePerPlane[plane];
                ++die.eraseFail;
                break;
        }
    }
    auto over = [](const std::vector<int>& counts, int limit) {
        return std::any_of(counts.begin(), counts.end(), [&](int n) { return n > limit; });
    };
    if (over(die.eccPerPlane, s.maxReadFail)) die.flags |= 0x01;
    if (over(die.badPerPlane, s.maxBadPerPlane) || die.bad > s.maxBadPerDie) die.flags |= 0x02;
    if (over(die.programPerPlane, s.maxProgramFail)) die.flags |= 0x04;
    if (over(die.erasePerPlane, s.maxEraseFail)) die.flags |= 0x08;
    if (die.factoryBad > s.maxFactoryBadPerDie) die.flags |= 0x80;
}

}  // namespace

SortRun RunSortingTest(NandModel& nand, const SortFlash& flash, const SortTestSettings& settings,
                       const SortErrorBits& errorBits, std::uint64_t startTick, std::optional<int> defaultBits) {
    SortRun run;
    const FlashGeometry& g = nand.Geometry();
    const int blocks = std::min(flash.blocksPerDie, g.blocks);
    for (int ch = 0; ch < g.channels; ++ch) {
        for (int ce = 0; ce < g.ces; ++ce) {
            for (int lun = 0; lun < g.luns; ++lun) {
                if (!flash.Tested(ch, ce, lun)) continue;
                SortDieResult die;
                die.channel = ch;
                die.ce = ce;
                die.lun = lun;
                die.fwBank = flash.FwBank(ce, lun);
                die.tagDie = die.fwBank * flash.channels + ch;
                die.blocks.assign(static_cast<std::size_t>(blocks), SortBlockState::Untested);
                die.maxErrBits.assign(static_cast<std::size_t>(blocks), 0);
                DieTest test(nand, flash, settings, errorBits, defaultBits, startTick, die, run.errors);
                for (int block = 0; block < blocks; ++block) {
                    if (!flash.IsLoaderBlock(ch, ce, block)) test.Block(block);
                }
                run.dies.push_back(std::move(die));
            }
        }
    }
    for (SortDieResult& die : run.dies) {
        Judge(die, run.errors, flash, settings);
        run.flags |= die.flags;
        run.bad += die.bad;
        run.eccFail += die.eccFail;
        run.programFail += die.programFail;
        run.eraseFail += die.eraseFail;
        run.factoryBad += die.factoryBad;
    }
    return run;
}

}  // namespace emu
