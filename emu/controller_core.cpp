#include "emu/controller_core.h"

#include <algorithm>
#include <cstring>

namespace emu {

std::string_view ProgramTag(Program program) {
    switch (program) {
        case Program::Diagnostic:
            return "QVGDP";
        case Program::Sorting:
            return "QVRDT";
        case Program::System:
            return "RAVEZ";
        case Program::Loader:
            break;
    }
    return {};
}

Program ProgramFromTag(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kFwTagBytes) return Program::Loader;
    for (Program p : {Program::Diagnostic, Program::Sorting, Program::System}) {
        const std::string_view tag = ProgramTag(p);
        if (std::memcmp(bytes.data(), tag.data(), kFwTagBytes) == 0) return p;
    }
    return Program::Loader;
}

ControllerCore::ControllerCore() {
    Start(Program::Loader);
}

void ControllerCore::Start(Program program) {
    program_ = program;
    restarted_ = true;
    if (program == Program::Loader) rsaBlocks_ = 0;
    std::array<std::uint8_t, kFwTagBytes> tag{};
    const std::string_view text = ProgramTag(program);
    std::copy(text.begin(), text.end(), tag.begin());
    // The variable block's page always exists, so this write cannot be refused.
    ram_.Write(kFwVariableBlockAddress + kFwTagOffset, tag);
    switch (program) {
        case Program::Loader:
            Notify("loader");
            break;
        case Program::Diagnostic:
            Notify("gdp");
            break;
        case Program::Sorting:
            Notify("rdt");
            break;
        case Program::System:
            Notify("system");
            break;
    }
}

void ControllerCore::PowerOn(bool loaderRequest) {
    ram_.Clear();
    if (powerOnBoot_) {
        powerOnBoot_(*this, loaderRequest);
    } else {
        Start(loaderRequest ? Program::Loader : flashProgram_);
    }
}

bool ControllerCore::TakeRestart() {
    const bool was = restarted_;
    restarted_ = false;
    return was;
}

std::uint8_t ControllerCore::Register(std::uint32_t address) const {
    const auto it = registers_.find(address);
    return it == registers_.end() ? 0 : it->second;
}

void ControllerCore::SetGpio(int input, bool high) {
    const auto address = kGpioRegisterBase + static_cast<std::uint32_t>((input & 0xFF) / 8);
    const auto mask = static_cast<std::uint8_t>(1u << (input & 7));
    const std::uint8_t old = Register(address);
    SetRegister(address, static_cast<std::uint8_t>(high ? (old | mask) : (old & ~mask)));
}

void ControllerCore::AddCommand(Program program, std::uint8_t code, VendorCommand command) {
    tables_[Index(program)][code] = std::move(command);
}

const VendorCommand* ControllerCore::Find(std::uint8_t code) const {
    const VendorCommand& command = tables_[Index(program_)][code];
    return command.run ? &command : nullptr;
}

}  // namespace emu
