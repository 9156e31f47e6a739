#include "emu/sorting_program.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "platform/clock.h"

namespace emu {

namespace {

constexpr std::uint8_t kScrambleOn = 1;

std::vector<std::string_view> Split(std::string_view text, char sep) {
    std::vector<std::string_view> out;
    std::size_t at = 0;
    while (!text.empty()) {
        const std::size_t next = text.find(sep, at);
        out.push_back(text.substr(at, next == std::string_view::npos ? std::string_view::npos : next - at));
        if (next == std::string_view::npos) break;
        at = next + 1;
    }
    return out;
}

bool Number(std::string_view text, long long& out, long long low, long long high) {
    const auto r = std::from_chars(text.data(), text.data() + text.size(), out);
    return !text.empty() && r.ec == std::errc{} && r.ptr == text.data() + text.size() && out >= low && out <= high;
}

}  // namespace

SortNandTimes SortingProgram::DieTimes(const SortDieResult& die) const {
    const NandOpTimes t = nand_->OpTimes(die.channel, die.ce, die.lun);
    auto word = [](unsigned v) { return static_cast<std::uint16_t>(std::min(v, 0xFFFFu)); };
    auto ms = [](unsigned us) { return static_cast<std::uint16_t>(std::min(us / 1000, 0xFFu)); };
    return {ms(t.slcEraseUs),  ms(t.eraseUs),     word(t.slcProgramUs),
            word(t.slcReadUs), word(t.programUs), word(t.readUs)};
}

std::optional<SortRunSetup> ReadSortRunSetup(const DriveConfig& drive, std::string* error) {
    SortRunSetup s;
    auto fail = [&](const char* key, std::string_view value, const char* what) {
        if (error != nullptr) *error = "[" + drive.name + "] " + key + "=" + std::string(value) + " is not " + what;
        return std::nullopt;
    };
    auto number = [&](const char* key, long long low, long long high, auto& out) -> bool {
        const auto v = drive.section.Get(key);
        long long n = 0;
        if (!v) return true;
        if (!Number(*v, n, low, high)) {
            fail(key, *v, ("a number from " + std::to_string(low) + " to " + std::to_string(high)).c_str());
            return false;
        }
        out = static_cast<std::remove_reference_t<decltype(out)>>(n);
        return true;
    };
    if (!number("SortPrepPolls", 0, 1000000, s.prepPolls) || !number("SortRunMs", 0, 86400000, s.runMs) ||
        !number("Temperature", -40, 150, s.temperature)) {
        return std::nullopt;
    }
    if (const auto v = drive.section.Get("ErrorBits")) {
        for (std::string_view item : Split(*v, ',')) {
            const auto f = Split(item, ':');
            long long n[5] = {};
            const long long high[5] = {15, 15, 15, 65535, 255};
            bool ok = f.size() == 5;
            for (std::size_t i = 0; ok && i < 5; ++i) ok = Number(f[i], n[i], 0, high[i]);
            if (!ok) return fail("ErrorBits", *v, "a list of <ch>:<ce>:<lun>:<block>:<bits>");
            s.errorBits[{int(n[0]), int(n[1]), int(n[2]), int(n[3])}] = int(n[4]);
        }
    }
    int defaultBits = -1;
    if (!number("SortErrorBitsDefault", 0, 255, defaultBits)) return std::nullopt;
    if (defaultBits >= 0) s.defaultErrorBits = defaultBits;
    if (const auto v = drive.section.Get("SortNoResultBlock")) {
        for (std::string_view item : Split(*v, ',')) {
            const auto f = Split(item, ':');
            long long n[3] = {};
            bool ok = f.size() == 3;
            for (std::size_t i = 0; ok && i < 3; ++i) ok = Number(f[i], n[i], 0, 15);
            if (!ok) return fail("SortNoResultBlock", *v, "a list of <ch>:<ce>:<lun>");
            s.resultFaults.noBlock.insert({int(n[0]), int(n[1]), int(n[2])});
        }
    }
    if (const auto v = drive.section.Get("SortUncPage")) {
        for (std::string_view item : Split(*v, ',')) {
            long long n = 0;
            if (!Number(item, n, 0, 65535)) return fail("SortUncPage", *v, "a list of page indexes");
            s.resultFaults.uncorrectablePages.insert(int(n));
        }
    }
    if (const auto v = drive.section.Get("SortNoSignature")) {
        for (std::string_view item : Split(*v, ',')) {
            if (item == "bb") {
                s.resultFaults.bbUnsigned = true;
            } else if (item == "mark") {
                s.resultFaults.markUnsigned = true;
            } else if (item == "ecc") {
                s.resultFaults.eccUnsigned = true;
            } else {
                return fail("SortNoSignature", *v, "a list of bb, mark and ecc");
            }
        }
    }
    return s;
}

SortingProgram::SortingProgram(std::shared_ptr<NandModel> nand, SortRunSetup setup)
    : nand_(std::move(nand)), setup_(std::move(setup)) {}

void SortingProgram::OnRomBoot(ControllerCore& core, const BootReport& report) {
    if (!report.booted || report.program != Program::Sorting) return;
    const int patternPage =
        report.pageMap.size() > kSortPatternPageIndex ? report.pageMap[kSortPatternPageIndex] : kSortPatternPageIndex;
    Start(core, {report.channel, report.ce, report.lun, report.block, 0}, patternPage);
}

void SortingProgram::Start(ControllerCore& core, const NandAddress& boot, int patternPage) {
    const std::uint64_t start = platform::TickCount();
    const FlashGeometry& g = nand_->Geometry();
    const NandGeometry carried = CarriedGeometry(g);
    std::vector<std::uint8_t> variables(kFwVariableBlockBytes);
    core.Ram().Read(kFwVariableBlockAddress, variables);

    std::string why;
    std::optional<SortRun> run;
    SortResultTable table{};
    const auto flash = SortFlashFromInitParam(variables, carried, &why);
    if (flash) {
        std::vector<std::uint8_t> page(g.PageBytes());
        const NandResult r =
            nand_->Read({boot.channel, boot.ce, boot.lun, boot.block, patternPage}, page, flash->ldpcRate, kScrambleOn);
        const auto settings = r == NandResult::Ok ? DecodePatternPage(page) : std::nullopt;
        if (!settings) {
            why = r == NandResult::Ok ? "the pattern page does not begin with SORT" : "the pattern page cannot be read";
        } else {
            run = RunSortingTest(*nand_, *flash, *settings, setup_.errorBits, start, setup_.defaultErrorBits);
            for (SortDieResult& die : run->dies) die.times = DieTimes(die);
            SortDriveFacts facts;
            facts.temperature = setup_.temperature;
            facts.runTicks = static_cast<std::uint32_t>(setup_.runMs / 1000 * 400 + setup_.runMs % 1000 * 400 / 1000);
            table = WriteSortResultBlocks(*nand_, *flash, *settings, *run, facts, setup_.resultFaults);
        }
    }
    std::lock_guard lock(mutex_);
    ++starts_;
    refused_ = !run.has_value();
    problem_ = why;
    run_ = std::move(run);
    table_ = table;
    startTick_ = start;
    prepLeft_ = setup_.prepPolls;
}

std::uint8_t SortingProgram::PollStatus() {
    std::lock_guard lock(mutex_);
    if (refused_ || !run_) return sort_status::kPatternNotLoaded;
    const std::uint8_t done = run_->flags == 0 ? sort_status::kPass : sort_status::kFail;
    if (setup_.runMs == 0) return done;
    if (prepLeft_ > 0) {
        --prepLeft_;
        return sort_status::kPreparing;
    }
    return platform::TickCount() - startTick_ < setup_.runMs ? sort_status::kRunning : done;
}

bool SortingProgram::StatusFixed() const {
    std::lock_guard lock(mutex_);
    return setup_.statusFixed;
}

std::string SortingProgram::Problem() const {
    std::lock_guard lock(mutex_);
    return problem_;
}

std::optional<SortRun> SortingProgram::LastRun() const {
    std::lock_guard lock(mutex_);
    return run_;
}

SortResultTable SortingProgram::ResultBlocks() const {
    std::lock_guard lock(mutex_);
    return table_;
}

int SortingProgram::Starts() const {
    std::lock_guard lock(mutex_);
    return starts_;
}

}  // namespace emu
