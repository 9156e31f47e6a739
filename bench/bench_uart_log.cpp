// The emulated system firmware serving an endless UART log: 2,049 full chunks, each filling one
// 64 KiB multi-plane page (16 KiB pages, 4 planes), read with VC_SYS_GetUartLog through the whole
// host stack on the virtual clock. It prints the firmware's own charged time to produce them
// (UartChunkUs each) beside the virtual time the reads took, and the real time per chunk: the
// emulator's side of the UART report benchmark. The second benchmark reads the same log as Vellumin's
// report does (ReadUartLog, with its 10 ms pause after each chunk): the virtual time of the reading
// (host_ms), the firmware's own time (firmware_ms), the host's time without the pauses (host_reads_ms)
// and the resident memory the reading grew by beside the log's size.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "commands/command_sets.h"
#include "commands/vendor_dispatch.h"
#include "emu/bay.h"
#include "emu/nvme_controller.h"
#include "emulated_bay.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/trace_sink.h"
#include "resident_memory.h"
#include "transport/port_instance.h"
#include "utility/uart_log.h"

namespace {

constexpr int kChunks = 2049;
constexpr std::uint32_t kSectors = 128;  // 16 KiB x 4 planes
constexpr unsigned kChunkUs = 5000;

struct Station {
    std::shared_ptr<emu::Bay> bay;
    std::string path = "emu:drive1";
    emu::UartLog* log = nullptr;

    Station() {
        platform::TraceToNothing();
        const std::string ini =
            "[RootHub1]\nBus=1\nSpeed=usb3\nPorts=1\n[Drive1]\nId=1-1\nBridge=jmicron\nProgram=system\n"
            "FlashPageSectors=32\nFlashPlanes=4\nUartEndless=1\nUartChunkBytes=65532\nUartChunkUs=" +
            std::to_string(kChunkUs) + "\n";
        bay = bench::InstallBay(ini);
        AP_Instance[0].pDevicePath = path.c_str();
        AP_Instance[0].bIsBridge = 1;
        AP_Instance[0].ucBridgeType = 1;
        auto& c = dynamic_cast<emu::NvmeController&>(*bay->FindDrive("Drive1")->GetBridge().GetController());
        log = &c.KeptSystem()->Uart();
        if (VC_EnableVendorCmd(0) != 1) {
            std::fprintf(stderr, "the drive does not answer\n");
            std::abort();
        }
    }
};

void BM_UartLogEndlessChunks(benchmark::State& state) {
    static Station station;
    platform::VirtualClock clock(0);
    platform::ScopedClock scoped(clock);
    std::vector<std::uint8_t> reply(kSectors * 512);
    std::uint64_t virtualMs = 0, firmwareUs = 0, bytes = 0;
    for (auto _ : state) {
        const std::uint64_t startMs = clock.NowMs(), startUs = station.log->Latency().TotalUs();
        for (int i = 0; i < kChunks; ++i) {
            if (VC_SYS_GetUartLog(0, reply.data(), kSectors, static_cast<std::uint16_t>(i)) != 1) {
                state.SkipWithError("a chunk read failed");
                return;
            }
            bytes += reply[0] | (reply[1] << 8) | (reply[2] << 16);
        }
        virtualMs += clock.NowMs() - startMs;
        firmwareUs += station.log->Latency().TotalUs() - startUs;
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["virtual_ms"] = static_cast<double>(virtualMs) / runs;
    state.counters["firmware_ms"] = static_cast<double>(firmwareUs) / 1000.0 / runs;
    state.counters["text_MiB"] = static_cast<double>(bytes) / (1 << 20) / runs;
    state.counters["chunks"] = benchmark::Counter(runs * kChunks, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_UartLogEndlessChunks)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_UartReportEndlessLog(benchmark::State& state) {
    static Station station;
    platform::VirtualClock clock(0);
    platform::ScopedClock scoped(clock);
    vellumin::UartLogIo io;
    unsigned pausesMs = 0;
    io.read = [](std::uint8_t* reply, std::uint32_t sectors, std::uint16_t index) {
        return VC_SYS_GetUartLog(0, reply, sectors, index);
    };
    io.show = [](const char* message) { std::fprintf(stderr, "%s\n", message); };
    io.sleep = [&pausesMs](unsigned ms) {
        pausesMs += ms;
        platform::Sleep(ms);
    };
    const std::uint32_t sectors = vellumin::UartReadSectors(16, 4);
    double hostMs = 0, firmwareMs = 0, pauses = 0, growthKb = 0, logKb = 0;
    for (auto _ : state) {
        pausesMs = 0;
        const std::uint64_t startMs = clock.NowMs(), startUs = station.log->Latency().TotalUs();
        const long rssBefore = VmRssKb();
        long peak = rssBefore;
        std::string text;
        text = vellumin::ReadUartLog(sectors, io);
        peak = std::max({peak, VmRssKb(), VmHwmKb()});  // the high-water mark bounds the reading's peak
        hostMs += static_cast<double>(clock.NowMs() - startMs);
        firmwareMs += static_cast<double>(station.log->Latency().TotalUs() - startUs) / 1000.0;
        pauses += pausesMs;
        growthKb += static_cast<double>(peak - rssBefore);
        logKb += static_cast<double>(text.size()) / 1024.0;
        benchmark::DoNotOptimize(text.data());
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["host_ms"] = hostMs / runs;
    state.counters["firmware_ms"] = firmwareMs / runs;
    state.counters["host_reads_ms"] = (hostMs - pauses) / runs;
    state.counters["rss_growth_MiB"] = growthKb / 1024.0 / runs;
    state.counters["log_MiB"] = logKb / 1024.0 / runs;
}
BENCHMARK(BM_UartReportEndlessLog)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
