#include "emu/boot_loader.h"

#include <array>

#include "emu/wire_bytes.h"

namespace emu {

namespace {

NvmeStatus JumpToPram(ControllerCore& core, const VendorPacket& packet, std::span<std::uint8_t>) {
    const int codes = packet[3];
    // A program starts only when every code it consists of came with its signature block.
    if (codes == 0 || codes != core.RsaBlocks()) return nvme_status::kCommandSequenceError;
    std::array<std::uint8_t, kFwTagBytes> tag{};
    core.Ram().Read(kFwVariableBlockAddress + kFwTagOffset, tag);
    const Program target = ProgramFromTag(tag);
    if (target == Program::Loader) return nvme_status::kCommandSequenceError;
    core.Start(target);
    return nvme_status::kSuccess;
}

NvmeStatus JumpToRom(ControllerCore& core, const VendorPacket& packet, std::span<std::uint8_t>) {
    const std::uint8_t event = packet[3];
    if (event > 1) return nvme_status::kInvalidField;
    core.Start(Program::Loader);
    if (event == 0 && core.FlashProgram() != Program::Loader) core.Start(core.FlashProgram());
    return nvme_status::kSuccess;
}

NvmeStatus GetReg(ControllerCore& core, const VendorPacket& packet, std::span<std::uint8_t> data) {
    data[0] = core.Register(wire::GetBe32(&packet[3]));
    return nvme_status::kSuccess;
}

NvmeStatus ReadRam(ControllerCore& core, const VendorPacket& packet, std::span<std::uint8_t> data) {
    return core.Ram().Read(wire::GetBe32(&packet[4]), data) ? nvme_status::kSuccess : nvme_status::kInvalidField;
}

NvmeStatus WriteRamPlain(ControllerCore& core, const VendorPacket& packet, std::span<std::uint8_t> data) {
    if (packet[3] != 0) return nvme_status::kInvalidField;
    return core.Ram().Write(wire::GetBe32(&packet[4]), data) ? nvme_status::kSuccess : nvme_status::kCapacityExceeded;
}

NvmeStatus WriteRamLoader(ControllerCore& core, const VendorPacket& packet, std::span<std::uint8_t> data) {
    if (packet[3] == 0) return WriteRamPlain(core, packet, data);
    // A signature block: one sector, kept by the loader beside the RAM image it signs.
    if (data.size() != kSectorBytes) return nvme_status::kInvalidField;
    core.AddRsaBlock();
    return nvme_status::kSuccess;
}

}  // namespace

void InstallBootLoaderCommands(ControllerCore& core) {
    using namespace loader_code;
    core.AddCommand(Program::Loader, kJumpToPram, {XferDir::None, JumpToPram});
    core.AddCommand(Program::Loader, kWriteRam, {XferDir::ToDevice, WriteRamLoader});
    for (Program p : {Program::Loader, Program::Diagnostic, Program::Sorting, Program::System}) {
        core.AddCommand(p, kJumpToRom, {XferDir::None, JumpToRom});
        core.AddCommand(p, kGetReg, {XferDir::ToHost, GetReg});
        core.AddCommand(p, kReadRam, {XferDir::ToHost, ReadRam});
        if (p != Program::Loader) core.AddCommand(p, kWriteRam, {XferDir::ToDevice, WriteRamPlain});
    }
}

}  // namespace emu
