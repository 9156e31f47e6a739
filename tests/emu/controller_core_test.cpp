#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "device_bytes.h"
#include "emu/controller_ram.h"
#include "emu/nvme_controller.h"
#include "emu/poison.h"

namespace {

using emu::NvmeStatus;
using emu::Program;
using emu_test::Be32;
using emu_test::PacketSector;
namespace st = emu::nvme_status;

TEST(ControllerRam, KeepsWhatWasWrittenAndPoisonsTheRest) {
    emu::ControllerRam ram;
    std::vector<std::uint8_t> data(6000);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
    ASSERT_TRUE(ram.Write(0xCCCCCCCC, data));  // crosses a page boundary
    std::vector<std::uint8_t> back(6000);
    ASSERT_TRUE(ram.Read(0xCCCCCCCC, back));
    EXPECT_EQ(back, data);

    std::vector<std::uint8_t> fresh(64);
    ASSERT_TRUE(ram.Read(0x1000'0000, fresh));
    EXPECT_TRUE(emu::IsPoison(fresh));
}

TEST(ControllerRam, RefusesRangesOutsideTheAddressSpaceAndBeyondItsBound) {
    emu::ControllerRam ram(2 * emu::ControllerRam::kPageBytes);
    std::vector<std::uint8_t> two(16, 1);
    EXPECT_FALSE(ram.Write(0xFFFFFFF8, two));
    EXPECT_FALSE(ram.Read(0xFFFFFFF8, two));
    EXPECT_TRUE(ram.Write(0xFFFFFFF0, two));  // the last 16 bytes are fine

    std::vector<std::uint8_t> big(2 * emu::ControllerRam::kPageBytes, 2);
    EXPECT_FALSE(ram.Write(0x2000, big));  // needs two more pages, one is left
    EXPECT_EQ(ram.PagesHeld(), 1u);        // a refused write adds nothing
}

TEST(ControllerRam, StuckBitReadsItsValue) {
    emu::ControllerRam ram;
    std::vector<std::uint8_t> zero(8, 0);
    ram.Write(0x100, zero);
    ram.SetStuckBit(0x103, 2, true);
    std::vector<std::uint8_t> back(8);
    ram.Read(0x100, back);
    EXPECT_EQ(back[3], 0x04);
    EXPECT_EQ(back[2], 0x00);
}

// Drives the controller through its vendor opcodes, as the bridge would deliver them.
struct Controller {
    emu::NvmeController nvme;

    NvmeStatus Run(const emu::NvmeRequest& r, std::vector<std::uint8_t>& data) { return nvme.Run(r, data); }
    NvmeStatus On() {
        std::vector<std::uint8_t> none;
        return Run(emu_test::VendorOn(), none);
    }
    NvmeStatus Packet(std::uint8_t code, std::vector<std::uint8_t> params = {}) {
        auto sector = PacketSector(code, std::move(params));
        return Run(emu_test::VendorOut(1, 0xFF), sector);
    }
    NvmeStatus In(std::uint8_t code, std::uint32_t sectors, std::vector<std::uint8_t>& out) {
        out.assign(sectors * 512, 0);
        emu::FillPoison(out);
        return Run(emu_test::VendorIn(sectors, code), out);
    }
    NvmeStatus Out(std::uint8_t code, std::vector<std::uint8_t> data) {
        return Run(emu_test::VendorOut(static_cast<std::uint32_t>(data.size() / 512), code), data);
    }
    std::string Tag() {
        std::vector<std::uint8_t> block;
        EXPECT_TRUE(Packet(0x86, {0, 0, 0, 0, 0}).Ok());
        EXPECT_TRUE(In(0x86, 8, block).Ok());
        return std::string(reinterpret_cast<const char*>(&block[448]), 5);
    }
};

TEST(VendorProtocol, PacketsNeedVendorModeAndTheModeEndsWithEveryJump) {
    Controller c;
    EXPECT_EQ(c.Packet(0x86), st::kCommandSequenceError);
    ASSERT_TRUE(c.On().Ok());
    c.nvme.Core().SetFlashProgram(Program::System);
    ASSERT_TRUE(c.Packet(0x83, {0}).Ok());  // jump to ROM, event 0: boots the system firmware
    EXPECT_EQ(c.nvme.Core().Running(), Program::System);
    EXPECT_EQ(c.Packet(0x86), st::kCommandSequenceError);
    ASSERT_TRUE(c.On().Ok());
    EXPECT_EQ(c.Tag(), "RAVEZ");
}

TEST(VendorProtocol, DataPhaseMustFollowItsOwnPacketInItsDirection) {
    Controller c;
    ASSERT_TRUE(c.On().Ok());
    std::vector<std::uint8_t> out;
    EXPECT_EQ(c.In(0x86, 1, out), st::kCommandSequenceError);  // no packet
    ASSERT_TRUE(c.Packet(0x86).Ok());
    EXPECT_EQ(c.In(0x84, 1, out), st::kCommandSequenceError);  // sub-code is not the packet's code
    ASSERT_TRUE(c.Packet(0x86).Ok());
    EXPECT_EQ(c.Out(0x86, std::vector<std::uint8_t>(512)), st::kCommandSequenceError);  // wrong direction
    ASSERT_TRUE(c.Packet(0x86).Ok());
    ASSERT_TRUE(c.In(0x86, 1, out).Ok());
    EXPECT_EQ(c.In(0x86, 1, out), st::kCommandSequenceError);  // a packet runs once
}

TEST(VendorProtocol, RejectsMalformedPacketsAndLengths) {
    Controller c;
    ASSERT_TRUE(c.On().Ok());
    auto sector = PacketSector(0x86);
    sector[1] = 0xE4;
    EXPECT_EQ(c.Run(emu_test::VendorOut(1, 0xFF), sector), st::kInvalidField);
    EXPECT_EQ(c.Packet(0x55), st::kInvalidOpcode);  // no such command in the loader
    ASSERT_TRUE(c.Packet(0x86).Ok());
    auto r = emu_test::VendorIn(2, 0x86);
    emu_test::Le32(&r.entry[40], 100);  // CDW10 disagrees with CDW15
    std::vector<std::uint8_t> out(1024);
    EXPECT_EQ(c.Run(r, out), st::kInvalidField);
}

TEST(VendorProtocol, RefusedModeFault) {
    Controller c;
    c.nvme.Vendor().SetRefuseMode(true);
    EXPECT_FALSE(c.On().Ok());
    EXPECT_EQ(c.Packet(0x86), st::kCommandSequenceError);
}

TEST(BootLoader, RamWriteReadAndRegisterBytes) {
    Controller c;
    ASSERT_TRUE(c.On().Ok());
    std::vector<std::uint8_t> data(1024);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i);
    auto addr = Be32(0x00200000);
    std::vector<std::uint8_t> params{0};
    params.insert(params.end(), addr.begin(), addr.end());
    ASSERT_TRUE(c.Packet(0x87, params).Ok());
    ASSERT_TRUE(c.Out(0x87, data).Ok());
    std::vector<std::uint8_t> back;
    ASSERT_TRUE(c.Packet(0x86, params).Ok());
    ASSERT_TRUE(c.In(0x86, 2, back).Ok());
    EXPECT_EQ(back, data);

    c.nvme.Core().SetGpio(21, true);  // register 0xF0000006, bit 5
    ASSERT_TRUE(c.Packet(0x84, Be32(0xF0000006)).Ok());
    ASSERT_TRUE(c.In(0x84, 1, back).Ok());
    EXPECT_EQ(back[0], 0x20);
    EXPECT_TRUE(emu::IsPoison(std::span(back).subspan(1)));  // nothing else of the reply means anything
}

TEST(BootLoader, LoadedProgramStartsOnlyWithItsSignatureBlocks) {
    Controller c;
    ASSERT_TRUE(c.On().Ok());
    std::vector<std::uint8_t> image(512, 0);
    std::memcpy(&image[448], "QVGDP", 5);
    ASSERT_TRUE(c.Packet(0x87, {0, 0, 0, 0, 0}).Ok());
    ASSERT_TRUE(c.Out(0x87, image).Ok());
    EXPECT_EQ(c.Packet(0x82, {1}), st::kCommandSequenceError);  // no RSA block yet

    ASSERT_TRUE(c.Packet(0x87, {10, 0, 0, 0, 16}).Ok());  // key slot 10, address 16
    ASSERT_TRUE(c.Out(0x87, std::vector<std::uint8_t>(512, 0x5C)).Ok());
    EXPECT_EQ(c.Tag(), "QVGDP") << "the signature block does not land in RAM";
    EXPECT_EQ(c.Packet(0x82, {2}), st::kCommandSequenceError);  // two codes announced, one signed
    ASSERT_TRUE(c.Packet(0x82, {1}).Ok());
    EXPECT_EQ(c.nvme.Core().Running(), Program::Diagnostic);

    ASSERT_TRUE(c.On().Ok());
    EXPECT_EQ(c.Packet(0x82, {1}), st::kInvalidOpcode);                         // the jump belongs to the loader only
    EXPECT_EQ(c.Packet(0x87, {10, 0, 0, 0, 16}), st::kSuccess);                 // plain RAM writes are answered...
    EXPECT_EQ(c.Out(0x87, std::vector<std::uint8_t>(512)), st::kInvalidField);  // ...RSA blocks are not
    ASSERT_TRUE(c.Packet(0x83, {1}).Ok());
    EXPECT_EQ(c.nvme.Core().Running(), Program::Loader);
    ASSERT_TRUE(c.On().Ok());
    EXPECT_EQ(c.Tag(), std::string(5, '\0'));
}

TEST(ControllerCore, SameCodeMeansWhatTheRunningProgramSays) {
    Controller c;
    auto answer = [](std::uint8_t value) {
        return emu::VendorCommand{emu::XferDir::ToHost,
                                  [value](emu::ControllerCore&, const emu::VendorPacket&, std::span<std::uint8_t> d) {
                                      d[0] = value;
                                      return st::kSuccess;
                                  }};
    };
    c.nvme.Core().AddCommand(Program::Diagnostic, 0x04, answer(0xD1));
    c.nvme.Core().AddCommand(Program::System, 0x04, answer(0x51));
    std::vector<std::uint8_t> out;
    for (auto [program, expected] : {std::pair{Program::Diagnostic, 0xD1}, std::pair{Program::System, 0x51}}) {
        c.nvme.Core().Start(program);
        ASSERT_TRUE(c.On().Ok());
        ASSERT_TRUE(c.Packet(0x04).Ok());
        ASSERT_TRUE(c.In(0x04, 1, out).Ok());
        EXPECT_EQ(out[0], expected);
    }
    c.nvme.Core().Start(Program::Loader);
    ASSERT_TRUE(c.On().Ok());
    EXPECT_EQ(c.Packet(0x04), st::kInvalidOpcode);
}

}  // namespace
