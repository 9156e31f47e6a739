// The erase-count page's text for the largest geometry the bad-unit map holds (8 channels, 8 dies,
// 4,096 block units: 262,144 cells), against formatting the same numbers with snprintf into one
// buffer. Target: at most 3 times the snprintf time.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "utility/erase_count_text.h"

namespace {

constexpr int kChannels = 8, kDies = 8, kUnits = 4096;

std::vector<std::uint8_t> Counts() {
    std::vector<std::uint8_t> bytes(4 * kUnits);
    for (int u = 0; u < kUnits; ++u) {
        const std::uint32_t v = u % 97 == 0 ? 0xFFFFFFFFu : 1000u + 37u * static_cast<std::uint32_t>(u);
        for (int i = 0; i < 4; ++i) bytes[4 * static_cast<std::size_t>(u) + static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(v >> (8 * i));
    }
    return bytes;
}

void EraseCountText(benchmark::State& state) {
    const auto counts = Counts();
    vellumin::EraseCountShape shape{kUnits, kDies, kChannels};
    const vellumin::BadUnitLookup bad = [](int c, int b, int u) { return ((c + b + u) & 63) == 0; };
    for (auto _ : state) {
        std::string text = vellumin::EraseCountText(shape, counts.data(), bad);
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(EraseCountText)->Unit(benchmark::kMillisecond);

void SnprintfSameNumbers(benchmark::State& state) {
    const auto counts = Counts();
    std::vector<char> buffer(std::size_t{kUnits} * (kChannels * kDies * 12 + 16));
    for (auto _ : state) {
        std::size_t at = 0;
        for (int u = 0; u < kUnits; ++u) {
            at += static_cast<std::size_t>(std::snprintf(&buffer[at], buffer.size() - at, "%04d\t", u));
            const std::uint32_t v = counts[4 * std::size_t(u)] | counts[4 * std::size_t(u) + 1] << 8 |
                                    counts[4 * std::size_t(u) + 2] << 16 |
                                    std::uint32_t{counts[4 * std::size_t(u) + 3]} << 24;
            for (int m = 0; m < kChannels * kDies; ++m) {
                at += static_cast<std::size_t>(std::snprintf(&buffer[at], buffer.size() - at, "%lu\t",
                                                             static_cast<unsigned long>(v)));
            }
            at += static_cast<std::size_t>(std::snprintf(&buffer[at], buffer.size() - at, "\r\n"));
        }
        benchmark::DoNotOptimize(buffer.data());
    }
}
BENCHMARK(SnprintfSameNumbers)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
