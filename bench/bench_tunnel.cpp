// The cost of one tunnelled vendor read of 8 sectors (VC_LDR_CmdReadRam: packet phase and data
// phase, four command blocks) through the whole host stack to an emulated drive, against the
// emulator's own handling of the same four command blocks called directly; and the aggregate
// throughput of 8 threads on 8 drives against 1 thread on 1 drive.
// Targets: the host stack adds less than 20 us per vendor command; 8 threads reach at least 4 x.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "commands/command_sets.h"
#include "commands/vendor_dispatch.h"
#include "emu/bay.h"
#include "emulated_bay.h"
#include "platform/backend.h"
#include "platform/trace_sink.h"
#include "transport/bridge_cdb.h"
#include "transport/nvme_entry.h"
#include "transport/port_instance.h"

namespace {

constexpr int kDrives = 8;
constexpr std::uint32_t kAddress = 0x00100000;

// One bay of 8 drives (odd ports JMicron type, even ASMedia type), ports 0-7 wired as the
// enumeration would, vendor mode on and 4 KB of RAM written on each.
struct Station {
    std::shared_ptr<emu::Bay> bay;
    std::vector<std::string> paths;

    Station() {
        platform::TraceToNothing();
        std::string ini = "[RootHub1]\nBus=1\nSpeed=usb3\nPorts=1\n[Hub1]\nId=1-1\nPorts=8\n";
        for (int i = 1; i <= kDrives; ++i) {
            ini += "[Drive" + std::to_string(i) + "]\nId=1-1." + std::to_string(i) +
                   "\nBridge=" + (i % 2 == 1 ? "jmicron" : "asmedia") + "\nProgram=system\n";
        }
        bay = bench::InstallBay(ini);
        for (int p = 0; p < kDrives; ++p) paths.push_back("emu:drive" + std::to_string(p + 1));
        std::vector<std::uint8_t> ram(4096, 0x5A);
        for (int p = 0; p < kDrives; ++p) {
            AP_Instance[p].pDevicePath = paths[static_cast<std::size_t>(p)].c_str();
            AP_Instance[p].bIsBridge = 1;
            AP_Instance[p].ucBridgeType = p % 2 == 0 ? 1 : 2;
            if (VC_EnableVendorCmd(p) != 1 || VC_LDR_CmdWriteRam(p, ram.data(), 8, kAddress) != 1) {
                std::fprintf(stderr, "drive %d does not answer\n", p + 1);
                std::abort();
            }
        }
    }
};

Station& TheStation() {
    static Station station;
    return station;
}

// The four command blocks of the vendor read, as the host sends them, replayed on the drive itself.
struct Replay {
    struct Block {
        std::vector<std::uint8_t> cdb;
        platform::DataDirection direction;
        std::vector<std::uint8_t> data;
    };
    std::vector<Block> blocks;

    explicit Replay(int bridgeType) {
        std::array<std::uint8_t, 512> packet{};
        packet[0] = 0xFF;
        packet[1] = 0xE5;
        packet[2] = 0x86;
        packet[4] = kAddress >> 24;
        packet[5] = (kAddress >> 16) & 0xFF;
        Add(bridgeType, transport::VendorWriteCommand(1, transport::kPacketSubCode),
            std::vector<std::uint8_t>(packet.begin(), packet.end()));
        Add(bridgeType, transport::VendorReadCommand(8, 0x86), std::vector<std::uint8_t>(4096));
    }

    void Add(int bridgeType, const transport::TunnelCommand& c, std::vector<std::uint8_t> data) {
        const auto entry = transport::BuildEntry(c.fields);
        const bool in = c.direction == transport::DataDirection::ToHost;
        const auto dir = in ? platform::DataDirection::In : platform::DataDirection::Out;
        if (bridgeType == 1) {
            const auto payload = transport::BuildJmPayloadBlock(entry);
            const auto cdb0 = transport::BuildJmCdb(transport::JmOperation::Payload, c.admin, 512);
            blocks.push_back(
                {{cdb0.begin(), cdb0.end()}, platform::DataDirection::Out, {payload.begin(), payload.end()}});
            const auto cdb1 =
                transport::BuildJmCdb(in ? transport::JmOperation::DataIn : transport::JmOperation::DataOut, c.admin,
                                      static_cast<std::uint32_t>(data.size()));
            blocks.push_back({{cdb1.begin(), cdb1.end()}, dir, std::move(data)});
        } else {
            const auto d = static_cast<std::uint8_t>(c.direction);
            const auto cdb0 = transport::BuildAsmCdb(true, transport::kAsmEntryPhase, c.admin, d, 64);
            blocks.push_back({{cdb0.begin(), cdb0.end()}, platform::DataDirection::Out, {entry.begin(), entry.end()}});
            const auto cdb1 = transport::BuildAsmCdb(!in, transport::kAsmDataPhase, c.admin, d,
                                                     static_cast<std::uint32_t>(data.size()));
            blocks.push_back({{cdb1.begin(), cdb1.end()}, dir, std::move(data)});
        }
    }
};

void BM_HostStackVendorRead8(benchmark::State& state) {
    TheStation();
    const int port = static_cast<int>(state.range(0)) == 1 ? 0 : 1;
    std::vector<std::uint8_t> buffer(4096);
    for (auto _ : state) {
        if (VC_LDR_CmdReadRam(port, buffer.data(), 8, kAddress) != 1) state.SkipWithError("vendor read failed");
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_EmulatorOnlyVendorRead8(benchmark::State& state) {
    Station& station = TheStation();
    const int type = static_cast<int>(state.range(0));
    emu::Drive* drive = station.bay->FindDrive(type == 1 ? "Drive1" : "Drive2");
    Replay replay(type);
    for (auto _ : state) {
        for (auto& b : replay.blocks) {
            const auto r = drive->Execute(b.cdb, b.direction, b.data, 10);
            if (!r.Ok()) state.SkipWithError("emulated drive refused a block");
        }
        benchmark::DoNotOptimize(replay.blocks.back().data.data());
    }
    state.SetItemsProcessed(state.iterations());
}

// Each benchmark thread drives its own port.
void BM_VendorReadThroughput(benchmark::State& state) {
    TheStation();
    const int port = state.thread_index() % kDrives;
    std::vector<std::uint8_t> buffer(4096);
    for (auto _ : state) {
        if (VC_LDR_CmdReadRam(port, buffer.data(), 8, kAddress) != 1) state.SkipWithError("vendor read failed");
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_HostStackVendorRead8)->Arg(1)->Arg(2)->ArgName("bridge");
BENCHMARK(BM_EmulatorOnlyVendorRead8)->Arg(1)->Arg(2)->ArgName("bridge");
BENCHMARK(BM_VendorReadThroughput)->Threads(1)->Threads(8)->UseRealTime();

// Keeps the results by name to print the two comparisons at the end, and shows them through the
// library's own display (which honours --benchmark_color and --benchmark_format: colours only on a
// terminal).
class Collector : public benchmark::BenchmarkReporter {
  public:
    bool ReportContext(const Context& context) override { return display_->ReportContext(context); }
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type == Run::RT_Iteration && !r.error_occurred) results[r.benchmark_name()] = r;
        }
        display_->ReportRuns(runs);
    }
    void Finalize() override { display_->Finalize(); }
    std::map<std::string, Run> results;

  private:
    // Held for the program's lifetime, never freed.
    benchmark::BenchmarkReporter* display_ = benchmark::CreateDefaultDisplayReporter();
};

double Nanoseconds(const benchmark::BenchmarkReporter::Run& r) {
    const double t = r.GetAdjustedRealTime();
    switch (r.time_unit) {
        case benchmark::kSecond:
            return t * 1e9;
        case benchmark::kMillisecond:
            return t * 1e6;
        case benchmark::kMicrosecond:
            return t * 1e3;
        default:
            return t;
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    const auto& res = collector.results;
    for (const char* type : {"1", "2"}) {
        const auto host = res.find(std::string("BM_HostStackVendorRead8/bridge:") + type);
        const auto emu = res.find(std::string("BM_EmulatorOnlyVendorRead8/bridge:") + type);
        if (host == res.end() || emu == res.end()) continue;
        const double added = (Nanoseconds(host->second) - Nanoseconds(emu->second)) / 1000.0;
        std::printf(
            "bridge type %s: whole stack %.2f us, emulator alone %.2f us, host stack adds %.2f us "
            "per vendor command (target < 20 us): %s\n",
            type, Nanoseconds(host->second) / 1000.0, Nanoseconds(emu->second) / 1000.0, added,
            added < 20.0 ? "met" : "NOT MET");
    }
    const auto one = res.find("BM_VendorReadThroughput/real_time/threads:1");
    const auto eight = res.find("BM_VendorReadThroughput/real_time/threads:8");
    if (one != res.end() && eight != res.end()) {
        const double a = one->second.counters.at("items_per_second");
        const double b = eight->second.counters.at("items_per_second");
        std::printf("throughput: 1 thread %.0f/s, 8 threads %.0f/s, %.2f x (target >= 4 x): %s\n", a, b, b / a,
                    b / a >= 4.0 ? "met" : "NOT MET");
        // CPU time per command tells contention apart from cores taken by other processes.
        const double cpu1 = one->second.cpu_accumulated_time / static_cast<double>(one->second.iterations);
        const double cpu8 = eight->second.cpu_accumulated_time / static_cast<double>(eight->second.iterations);
        std::printf(
            "CPU time per command: 1 thread %.0f ns, 8 threads %.0f ns (%.2f x); %.1f cores were busy, "
            "so 8 free cores would give %.1f x\n",
            cpu1 * 1e9, cpu8 * 1e9, cpu8 / cpu1, cpu8 / (Nanoseconds(eight->second) * 1e-9), 8.0 * cpu1 / cpu8);
    }
    benchmark::Shutdown();
    return 0;
}
