// The emulated bay a benchmark runs on, described by a bay text and installed as the backend of the
// "emu:" paths. A text that does not parse ends the program: there is nothing to measure.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include "emu/bay.h"
#include "platform/backend.h"

namespace bench {

inline std::shared_ptr<emu::Bay> InstallBay(const std::string& ini) {
    std::string error;
    auto config = emu::ParseBayConfig(ini, &error);
    if (!config) {
        std::fprintf(stderr, "bay: %s\n", error.c_str());
        std::abort();
    }
    auto bay = emu::Bay::Create(std::move(*config));
    platform::InstallBackend("emu:", bay, true);
    return bay;
}

}  // namespace bench
