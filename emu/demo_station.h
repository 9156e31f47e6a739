// The demo station: the text files of the source station folder (settings, Para and timing
// files) plus the images and data files the station reads, generated, and a bay of emulated
// drives in its "bay" folder. Tests and `make run` use it.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "emu/image_generator.h"

namespace emu {

struct DemoStationPlan {
    // The system firmware's file names under SYS: the flash code names the host derives for each
    // part of the sample flash list with the sample settings (4 channels of 2 CEs, 400 MHz). Kept as
    // a list here, as the emulator does not include the host's derivation; a test derives them.
    // ("#" is a letter the derivation has no rule for: ONFI 3.0 at 400 MHz.)
    std::vector<std::string> systemFirmwareNames = {"TCJHCALC.bin", "TCFHCBLC.bin", "XEBHCALB.bin",
                                                    "#EMHCALC.bin", "JHMHCALC.bin", "TIJHCALI.bin"};
    std::string chip = "TEV1001";
    // The NAND data sets of the listed parts: BIN type (the first four letters of a part's name)
    // and set number.
    struct NandSet {
        std::string type;
        int set;
    };
    std::vector<NandSet> nandSets = {{"B27B", 0}, {"B17A", 1}, {"B16A", 0},
                                     {"B0KB", 2}, {"L06B", 0}, {"BIC3", 3}};
    std::vector<int> clocks = {33, 100, 200, 266, 333, 400};
    int drives = 8;  // on the 8-port hub, bridges alternating, in the fixture board's slots
};

// Every generated file, by its path relative to the station folder ('/' separators).
std::vector<std::pair<std::string, images::Bytes>> DemoStationFiles(const DemoStationPlan& plan);
std::string DemoBayIni(const DemoStationPlan& plan);

// Copies `source` into `out` and writes the generated files beside; false and `error` set on failure.
bool WriteDemoStation(const std::filesystem::path& source, const std::filesystem::path& out,
                      const DemoStationPlan& plan, std::string* error);

}  // namespace emu
