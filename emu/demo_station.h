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
    // The system firmware's file name under SYS: the flash code name of the sample part
    // (Toggle bus at 400 MHz, 4 planes, 2,016 blocks, 2,304 pages of 16 KB, one die per CE,
    // 4 channels of 2 CEs, TLC).
    std::string systemFirmwareName = "TCJHCALC.bin";
    std::string chip = "TEV1001";
    std::string flashType = "B27B";  // the first four letters of the sample part's name
    std::vector<int> nandMemSets = {0};
    std::vector<int> clocks = {200, 266, 333, 400};
    int drives = 8;  // on the 8-port hub, bridges alternating
};

// Every generated file, by its path relative to the station folder ('/' separators).
std::vector<std::pair<std::string, images::Bytes>> DemoStationFiles(const DemoStationPlan& plan);
std::string DemoBayIni(const DemoStationPlan& plan);

// Copies `source` into `out` and writes the generated files beside; false and `error` set on failure.
bool WriteDemoStation(const std::filesystem::path& source, const std::filesystem::path& out,
                      const DemoStationPlan& plan, std::string* error);

}  // namespace emu
