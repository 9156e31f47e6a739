#include "emu/demo_station.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <system_error>

namespace emu {

namespace fs = std::filesystem;
using images::Bytes;

namespace {

std::string Format3(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%03d", n);
    return text;
}

void NandMemFiles(const DemoStationPlan& plan, std::vector<std::pair<std::string, Bytes>>& files) {
    struct Kind {
        const char* suffix;
        const char* title;
        std::size_t bytes;
    };
    constexpr Kind kKinds[] = {
        {"_op_map.map", "QV NAND OP MAP", 1024},        {"_sdr_op.bin", "QV NAND OP SDR", 6144},
        {"_ddr23_op.bin", "QV NAND OP DDR", 6144},      {"_cmd_sdr.map", "QV NAND CMD MAP SDR", 128},
        {"_cmd_ddr23.map", "QV NAND CMD MAP DDR", 128}, {"_sdr_cmd.bin", "QV NAND CMD SDR", 2048},
        {"_ddr23_cmd.bin", "QV NAND CMD DDR", 2048},
    };
    std::vector<std::string> typesDone;
    for (const DemoStationPlan::NandSet& nand : plan.nandSets) {
        const std::string& t = nand.type;
        const std::string folder = "DAT/" + t + "/";
        if (std::find(typesDone.begin(), typesDone.end(), t) == typesDone.end()) {
            typesDone.push_back(t);
            files.emplace_back(folder + "nandmem_" + t + "_sdr_page1.bin", images::DataFile("QV NAND MEM SDR", 4096));
            files.emplace_back(folder + "nandmem_" + t + "_ddr_page2.bin", images::DataFile("QV NAND MEM DDR", 4096));
        }
        for (int clock : plan.clocks) {
            const std::string sub = folder + Format3(nand.set) + "_" + Format3(clock) + "/" + t + "_" + Format3(nand.set);
            for (const Kind& k : kKinds) {
                files.emplace_back(sub + k.suffix,
                                   images::DataFile(std::string(k.title) + " " + Format3(clock), k.bytes));
            }
        }
    }
}

// A few factory bad blocks of drive `index` (3 to 5), different per drive and the same at every
// generation: "BadBlocks=<ch>:<ce>:0:<block>,...", on the 4 channels and 2 CEs of the demo flash and away
// from the blocks that may hold the loader.
std::string FactoryBadBlocks(int index) {
    std::uint32_t x = 0x9E3779B9u * static_cast<std::uint32_t>(index + 1);
    std::string key = "BadBlocks=";
    std::vector<std::string> taken;
    for (int k = 0, count = 3 + index % 3; k < count;) {
        x = x * 1664525u + 1013904223u;
        const std::string place = std::to_string((x >> 8) % 4) + ":" + std::to_string((x >> 12) % 2) +
                                  ":0:" + std::to_string(16 + (x >> 16) % 1984);
        if (std::find(taken.begin(), taken.end(), place) != taken.end()) continue;
        taken.push_back(place);
        key += (k++ == 0 ? "" : ",") + place;
    }
    return key + "\n";
}

// The fixture board on the root hub's free port, with the eight drives of the hub in its slots, switched
// on at start; a supply current of its own for each slot.
std::string FixtureBoardSection(int drives) {
    constexpr const char* kCurrents[] = {"118.25", "121.40", "119.85", "123.10",
                                         "117.60", "120.95", "122.30", "119.15"};
    std::string ini = "[Fixture1]\nId=2-3\n";
    std::string powered;
    for (int n = 1; n <= drives && n <= 8; ++n) {
        const std::string slot = std::to_string(n);
        ini += "Slot" + slot + "=Drive" + slot + "\nCurrent" + slot + "=" + kCurrents[n - 1] + "\n";
        powered += (n == 1 ? "" : ",") + slot;
    }
    return ini + "PoweredAtStart=" + powered + "\n";
}

bool WriteFile(const fs::path& path, const Bytes& bytes, std::string* error) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        if (error != nullptr) *error = "cannot write " + path.string();
        return false;
    }
    return true;
}

}  // namespace

std::vector<std::pair<std::string, Bytes>> DemoStationFiles(const DemoStationPlan& plan) {
    std::vector<std::pair<std::string, Bytes>> files;
    files.emplace_back("GDP.bin", images::BuildGdpImage(images::DemoGdpPlan()));
    const Bytes system = images::BuildFirmwareImage(images::DemoSystemFirmwarePlan(plan.chip));
    for (const std::string& name : plan.systemFirmwareNames) files.emplace_back("SYS/" + name, system);
    files.emplace_back("SORT/SORT.bin", images::BuildFirmwareImage(images::DemoSortFirmwarePlan()));
    files.emplace_back("NEP_ID_CODE.hex", images::IdCodeFile());
    files.emplace_back("DAT/opal.bin", images::DataFile("QV OPAL IMAGE", 40 * 1024));
    files.emplace_back("DAT/NvmExpressDxe.rom", images::DataFile("QV UEFI DRIVER", 64 * 1024));
    // The loader takes at most 256 bytes of NAND op updates and 640 of NIFC commands.
    files.emplace_back("DAT/ldr23_nops_op.bin", images::DataFile("QV LOADER NAND OPS", 256));
    files.emplace_back("DAT/ldr23_nifc_cmd.bin", images::DataFile("QV LOADER NAND CMD", 640));
    for (int rate = 1; rate <= 4; ++rate) {
        for (int page = 1; page <= 2; ++page) {
            files.emplace_back("DAT/ldpc_rate" + std::to_string(rate) + "_page" + std::to_string(page) + ".bin",
                               images::LdpcPage(rate, page));
        }
    }
    NandMemFiles(plan, files);
    const std::string bay = DemoBayIni(plan);
    files.emplace_back("bay/bay.ini", Bytes(bay.begin(), bay.end()));
    return files;
}

std::string DemoBayIni(const DemoStationPlan& plan) {
    std::string ini =
        "; Emulated drives of the demo station: eight drives on one 8-port hub on a USB 3 root hub, and a ninth\n"
        "; on the root hub's port 2, formatted as shipped (its system firmware runs).\n";
    ini += "; The drives keep their state in state/ between program runs (Kestrane, then Vellumin).\n";
    ini += "; The eight drives of the hub sit in the slots of the fixture board on port 3, switched on at start.\n";
    ini += "[Bay]\nKeepState=1\n";
    ini += "[RootHub1]\nBus=2\nSpeed=usb3\nPorts=4\n[Hub1]\nId=2-1\nPorts=8\n";
    for (int i = 0; i < plan.drives && i < 8; ++i) {
        ini += "[Drive" + std::to_string(i + 1) + "]\nId=2-1." + std::to_string(i + 1) + "\n";
        ini += i % 2 == 0 ? "Bridge=jmicron\nChip=0583\n" : "Bridge=asmedia\n";
        ini += "FlashChannels=4\nFlashCEs=2\nFlashLuns=1\nFlashBlocks=2016\nFlashPages=2304\nFlashPageSectors=32\n";
        ini += FactoryBadBlocks(i);
    }
    ini += "[Drive9]\nId=2-2\nBridge=jmicron\nChip=0583\nSystemState=formatted\n";
    ini += "FlashChannels=4\nFlashCEs=2\nFlashLuns=1\nFlashBlocks=2016\nFlashPages=2304\nFlashPageSectors=32\n";
    ini += FactoryBadBlocks(8);
    ini += FixtureBoardSection(plan.drives);
    return ini;
}

bool WriteDemoStation(const fs::path& source, const fs::path& out, const DemoStationPlan& plan, std::string* error) {
    std::error_code ec;
    fs::create_directories(out, ec);
    if (ec) {
        if (error != nullptr) *error = "cannot create " + out.string() + ": " + ec.message();
        return false;
    }
    fs::copy(source, out, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    if (ec) {
        if (error != nullptr) *error = "cannot copy " + source.string() + ": " + ec.message();
        return false;
    }
    for (const auto& [name, bytes] : DemoStationFiles(plan)) {
        if (!WriteFile(out / name, bytes, error)) return false;
    }
    return true;
}

}  // namespace emu
