// NVMe commands and vendor commands through the whole stack — command wrappers, vendor dispatch,
// bridge tunnel, pass-through, backend registry — to emulated drives of both bridge types.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "commands/command_sets.h"
#include "commands/std_nvme.h"
#include "commands/vendor_dispatch.h"
#include "emu/bay.h"
#include "platform/backend.h"
#include "platform/trace_sink.h"
#include "transport/port_instance.h"
#include "transport/scsi_std.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string DriveSection(int n, const char* bridge, const std::string& extra = "", const std::string& place = "") {
    const std::string id = std::to_string(n);
    return "[Drive" + id + "]\nId=" + (place.empty() ? "1-1." + id : place) + "\nBridge=" + bridge +
           "\nSectors=4194304\nProgram=system\n" + "Model=QV2262 512GB Port " + id + "\nSerial=SN0000" + id +
           "\nTemperature=41\nGpioHigh=21,6\n" + extra;
}

std::string BayIni(int drives, const std::string& extra = "") {
    std::string ini = "[RootHub1]\nBus=1\nSpeed=usb3\nPorts=2\n[Hub1]\nId=1-1\nPorts=" + std::to_string(drives) + "\n";
    for (int i = 1; i <= drives; ++i) ini += DriveSection(i, i % 2 == 1 ? "jmicron" : "asmedia");
    return ini + extra;
}

// A bay installed as the "emu:" backend, with port p (0-based) given drive p + 1 the way the
// enumeration would: path, bIsBridge, and ucBridgeType from the bridge recognition.
class BayPorts : public ::testing::Test {
  protected:
    void Install(const std::string& ini, int ports) {
        std::string error;
        auto config = emu::ParseBayConfig(ini, &error);
        ASSERT_TRUE(config.has_value()) << error;
        bay_ = emu::Bay::Create(std::move(*config));
        platform::InstallBackend("emu:", bay_, true);
        for (int p = 0; p < ports; ++p) {
            paths_.push_back("emu:drive" + std::to_string(p + 1));
        }
        for (int p = 0; p < ports; ++p) {
            AP_Instance[p].pDevicePath = paths_[static_cast<std::size_t>(p)].c_str();
            AP_Instance[p].bIsBridge = 1;
            AP_Instance[p].ucBridgeType = static_cast<std::uint8_t>((GetBridgeType(p) >> 12) & 0xF);
        }
    }
    void TearDown() override {
        for (auto& inst : AP_Instance) inst = AP_Instance_t{};
    }

    platform::ScopedBackends keep_;
    platform::TraceCapture quiet_;
    std::shared_ptr<emu::Bay> bay_;
    std::vector<std::string> paths_;
};

std::string Text(const Bytes& d, std::size_t at, std::size_t n) {
    return std::string(reinterpret_cast<const char*>(&d[at]), n);
}

Bytes Pattern(std::size_t bytes, std::uint32_t seed) {
    Bytes b(bytes);
    for (std::size_t i = 0; i < bytes; i += 2) {
        const auto w = static_cast<std::uint16_t>(seed + i / 2);
        b[i] = static_cast<std::uint8_t>(w);
        b[i + 1] = static_cast<std::uint8_t>(w >> 8);
    }
    return b;
}

TEST_F(BayPorts, EveryPathOnBothBridgeTypes) {
    Install(BayIni(2), 2);
    for (int port : {0, 1}) {
        SCOPED_TRACE(port == 0 ? "JMicron type" : "ASMedia type");
        EXPECT_EQ(AP_Instance[port].ucBridgeType, port == 0 ? 1 : 2);

        Bytes block(4096);
        EXPECT_EQ(VC_LDR_CmdReadRam(port, block.data(), 8, 0), 2) << "a vendor packet before vendor mode is on";
        ASSERT_EQ(VC_EnableVendorCmd(port), 1);

        const Bytes ram = Pattern(16384, 4096 + 11u * static_cast<std::uint32_t>(port));
        ASSERT_EQ(VC_LDR_CmdWriteRam(port, ram.data(), 32, 0xCCCCCCCC), 1);
        Bytes back(16384);
        ASSERT_EQ(VC_LDR_CmdReadRam(port, back.data(), 32, 0xCCCCCCCC), 1);
        EXPECT_EQ(back, ram);

        ASSERT_EQ(VC_LDR_CmdReadRam(port, block.data(), 8, 0), 1);
        EXPECT_EQ(Text(block, 448, 5), "RAVEZ");

        std::uint8_t gpio = 0;
        ASSERT_EQ(VC_LDR_CmdGetReg(port, 0xF0000006, &gpio), 1);
        EXPECT_EQ(gpio & 0x20, 0x20);  // input 21

        Bytes id(4096);
        ASSERT_EQ(VC_STD_Identify(port, id.data(), 1), 1);
        const std::string n = std::to_string(port + 1);
        EXPECT_EQ(Text(id, 4, 20), ("SN0000" + n).append(20 - 6 - n.size(), ' '));
        EXPECT_EQ(Text(id, 24, 40), ("QV2262 512GB Port " + n).append(40 - 18 - n.size(), ' '));
        ASSERT_EQ(VC_STD_Identify(port, id.data(), 0), 1);
        std::uint64_t size = 0;
        for (int i = 7; i >= 0; --i) size = (size << 8) | id[static_cast<std::size_t>(i)];
        EXPECT_EQ(size, 4194304u);

        Bytes smart(4096);
        ASSERT_EQ(VC_STD_GetSmartLog(port, smart.data()), 1);
        EXPECT_EQ(smart[1] | (smart[2] << 8), 41 + 273);
        EXPECT_EQ(smart[3], 100);

        const Bytes data = Pattern(65536, 0x1234u + static_cast<std::uint32_t>(port));
        ASSERT_EQ(VC_STD_Write(port, data.data(), 128, 2097152, 0), 1);
        ASSERT_EQ(VC_STD_Flush(port), 1);
        Bytes read(65536);
        ASSERT_EQ(VC_STD_Read(port, read.data(), 128, 2097152, 0), 1);
        EXPECT_EQ(read, data);
        EXPECT_EQ(VC_STD_Read(port, read.data(), 1, 4194304, 0), 2) << "past the end of the namespace";

        ASSERT_EQ(VC_STD_Sanitize(port, 7), 1);
        ASSERT_EQ(VC_STD_Read(port, read.data(), 128, 2097152, 0), 1);
        EXPECT_EQ(read, Bytes(65536, 0));
    }
}

TEST_F(BayPorts, JumpsRestartTheControllerAndEndVendorMode) {
    Install(BayIni(2), 2);
    for (int port : {0, 1}) {
        ASSERT_EQ(VC_EnableVendorCmd(port), 1);
        ASSERT_EQ(VC_LDR_CmdJumpToROM(port, 1), 1);  // into the boot loader
        Bytes block(4096);
        EXPECT_EQ(VC_LDR_CmdReadRam(port, block.data(), 8, 0), 2);
        ASSERT_EQ(VC_EnableVendorCmd(port), 1);
        ASSERT_EQ(VC_LDR_CmdReadRam(port, block.data(), 8, 0), 1);
        EXPECT_EQ(Text(block, 448, 5), std::string(5, '\0'));
        Bytes id(4096);
        ASSERT_EQ(VC_STD_Identify(port, id.data(), 1), 1);
        EXPECT_NE(Text(id, 32, 40).find("Loader"), std::string::npos);
        EXPECT_EQ(VC_STD_Read(port, id.data(), 1, 0, 0), 2) << "the loader has no namespace I/O";

        ASSERT_EQ(VC_LDR_CmdJumpToROM(port, 0), 1);  // boots the system firmware from the flash
        ASSERT_EQ(VC_EnableVendorCmd(port), 1);
        ASSERT_EQ(VC_LDR_CmdReadRam(port, block.data(), 8, 0), 1);
        EXPECT_EQ(Text(block, 448, 5), "RAVEZ");
    }
}

TEST_F(BayPorts, RefusedVendorModeAndUnknownBridge) {
    Install("[RootHub1]\nBus=1\nSpeed=usb3\nPorts=2\n" + DriveSection(1, "asmedia", "VendorMode=refuse\n", "1-1") +
                "[Drive2]\nId=1-2\nBridge=unknown\nChip=9999\n",
            2);
    EXPECT_EQ(VC_EnableVendorCmd(0), 2);
    EXPECT_EQ(AP_Instance[1].ucBridgeType, 0);
    const auto before = bay_->FindDrive("Drive2")->Commands();
    Bytes smart(4096);
    EXPECT_EQ(VC_STD_GetSmartLog(1, smart.data()), 2);
    EXPECT_EQ(VC_EnableVendorCmd(1), 2);
    EXPECT_EQ(bay_->FindDrive("Drive2")->Commands(), before) << "nothing reaches a drive of unknown bridge type";
}

TEST_F(BayPorts, SixteenDrivesFromSixteenThreadsWithoutCrossTalk) {
    constexpr int kDrives = 16;
    Install(BayIni(kDrives), kDrives);
    std::vector<std::string> failures(kDrives);
    std::vector<std::thread> workers;
    for (int port = 0; port < kDrives; ++port) {
        workers.emplace_back([port, &failures] {
            auto fail = [&](const std::string& what) { failures[static_cast<std::size_t>(port)] += what + "; "; };
            if (VC_EnableVendorCmd(port) != 1) return fail("enable");
            for (std::uint32_t round = 0; round < 20; ++round) {
                const std::uint32_t seed = static_cast<std::uint32_t>(port) * 1000 + round;
                const Bytes ram = Pattern(4096, seed);
                Bytes back(4096);
                if (VC_LDR_CmdWriteRam(port, ram.data(), 8, 0x00100000) != 1) return fail("RAM write");
                if (VC_LDR_CmdReadRam(port, back.data(), 8, 0x00100000) != 1 || back != ram) return fail("RAM read");
                const Bytes lba = Pattern(4096, seed ^ 0x5555);
                if (VC_STD_Write(port, lba.data(), 8, round * 8, 0) != 1) return fail("LBA write");
                if (VC_STD_Read(port, back.data(), 8, round * 8, 0) != 1 || back != lba) return fail("LBA read");
                Bytes id(4096);
                if (VC_STD_Identify(port, id.data(), 1) != 1) return fail("identify");
                const std::string serial = "SN0000" + std::to_string(port + 1);
                if (Text(id, 4, serial.size()) != serial || id[4 + serial.size()] != ' ') return fail("serial");
            }
        });
    }
    for (auto& w : workers) w.join();
    for (int port = 0; port < kDrives; ++port) EXPECT_EQ(failures[static_cast<std::size_t>(port)], "") << port;
}

}  // namespace
