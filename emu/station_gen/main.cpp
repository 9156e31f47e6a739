// Writes the demo station: qv_station_gen <source station folder> <output folder>.
#include <cstdio>
#include <string>

#include "emu/demo_station.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <source station folder> <output folder>\n", argv[0]);
        return 2;
    }
    std::string error;
    if (!emu::WriteDemoStation(argv[1], argv[2], emu::DemoStationPlan{}, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}
