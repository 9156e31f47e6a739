// A controller core with the boot loader, the diagnostic firmware and the flash installed, driven
// command by command as the vendor protocol would hand the packets over.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "device_bytes.h"
#include "emu/bay_ini.h"
#include "emu/boot_loader.h"
#include "emu/drive_programs.h"
#include "emu/poison.h"

namespace emu_test {

struct ProgramBench {
    emu::ControllerCore core;
    emu::DrivePrograms programs;

    explicit ProgramBench(const emu::ProgramSetup& setup = {}) {
        emu::InstallBootLoaderCommands(core);
        programs = emu::InstallDrivePrograms(core, setup);
    }

    // Runs `code` with packet bytes from byte 3; a data-in buffer arrives poisoned.
    emu::NvmeStatus Run(std::uint8_t code, std::vector<std::uint8_t> params, std::vector<std::uint8_t>& data,
                        bool dataIn = false) {
        emu::VendorPacket p{};
        p[0] = 0xFF;
        p[1] = 0xE5;
        p[2] = code;
        std::copy_n(params.begin(), std::min<std::size_t>(params.size(), 13), p.begin() + 3);
        const emu::VendorCommand* c = core.Find(code);
        if (c == nullptr) return emu::nvme_status::kInvalidOpcode;
        if (dataIn) emu::FillPoison(data);
        return c->run(core, p, data);
    }
    emu::NvmeStatus Run(std::uint8_t code, std::vector<std::uint8_t> params = {}) {
        std::vector<std::uint8_t> none;
        return Run(code, std::move(params), none);
    }
    // The status fetch: bytes 0 and 1.
    std::pair<int, int> Status() {
        std::vector<std::uint8_t> reply(512);
        Run(0x00, {}, reply, true);
        return {reply[0], reply[1]};
    }
};

// The setup of a drive section holding `keys` (a test failure when they are refused).
inline emu::ProgramSetup SetupFromKeys(const std::string& keys) {
    emu::DriveConfig d;
    d.name = "Drive1";
    d.section = emu::ParseIni("[Drive1]\n" + keys).sections.at(0);
    std::string error;
    auto s = emu::ReadProgramSetup(d, &error);
    EXPECT_TRUE(s.has_value()) << error;
    return s.value_or(emu::ProgramSetup{});
}

// A bench of the drive section `keys` with the diagnostic firmware running.
struct DiagnosticBench : ProgramBench {
    explicit DiagnosticBench(const std::string& keys = "") : ProgramBench(SetupFromKeys(keys)) {
        core.Start(emu::Program::Diagnostic);
    }
};

// Page command parameters: channel, bank, block and page (big-endian), rate, scrambler, block type.
inline std::vector<std::uint8_t> PageParams(int ch, int bank, int block, int page, int rate = 1, int scramble = 1,
                                            int type = 0) {
    return {
        static_cast<std::uint8_t>(ch),    static_cast<std::uint8_t>(bank),      static_cast<std::uint8_t>(block >> 8),
        static_cast<std::uint8_t>(block), static_cast<std::uint8_t>(page >> 8), static_cast<std::uint8_t>(page),
        static_cast<std::uint8_t>(rate),  static_cast<std::uint8_t>(scramble),  static_cast<std::uint8_t>(type)};
}

}  // namespace emu_test
