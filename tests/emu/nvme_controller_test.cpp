#include "emu/nvme_controller.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device_bytes.h"
#include "emu/nvme_drive_parts.h"
#include "emu/poison.h"

namespace {

using emu::Program;
using emu::TransferShape;
using emu::XferDir;
using emu_test::Entry;
namespace st = emu::nvme_status;

emu::ControllerIdentity Identity() {
    emu::ControllerIdentity id;
    id.model = "QV2262 512GB";
    id.serial = "SN-0042";
    id.firmwareRevision = "RAVEZ123";
    id.namespaceSectors = 1000;
    return id;
}

std::string Text(const std::vector<std::uint8_t>& d, std::size_t at, std::size_t n) {
    return std::string(reinterpret_cast<const char*>(&d[at]), n);
}

std::uint64_t Le64(const std::vector<std::uint8_t>& d, std::size_t at) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | d[at + static_cast<std::size_t>(i)];
    return v;
}

TEST(NvmeController, IdentifyReportsTheDriveAndTheRunningProgram) {
    emu::NvmeController c(Identity());
    c.Core().Start(Program::System);
    const auto ctrl = Entry({.opcode = 0x06, .cdw10 = 1});
    EXPECT_EQ(c.Shape(ctrl), (TransferShape{XferDir::ToHost, 4096}));
    std::vector<std::uint8_t> d(4096);
    ASSERT_TRUE(c.Run(ctrl, d).Ok());
    EXPECT_EQ(Text(d, 4, 20), "SN-0042             ");
    EXPECT_EQ(Text(d, 24, 40), "QV2262 512GB" + std::string(28, ' '));
    EXPECT_EQ(Text(d, 64, 8), "RAVEZ123");

    c.Core().Start(Program::Loader);
    ASSERT_TRUE(c.Run(ctrl, d).Ok());
    EXPECT_NE(Text(d, 32, 40).find("Loader"), std::string::npos);
    c.Core().Start(Program::Diagnostic);
    ASSERT_TRUE(c.Run(ctrl, d).Ok());
    EXPECT_NE(Text(d, 32, 40).find("GDP"), std::string::npos);

    ASSERT_TRUE(c.Run(Entry({.opcode = 0x06, .nsid = 1, .cdw10 = 0}), d).Ok());
    EXPECT_EQ(Le64(d, 0), 1000u);
    EXPECT_EQ(d[130], 9);  // 512-byte sectors
    EXPECT_EQ(c.Run(Entry({.opcode = 0x06, .nsid = 0, .cdw10 = 0}), d), st::kInvalidNamespace);
    EXPECT_EQ(c.Run(Entry({.opcode = 0x06, .cdw10 = 2}), d), st::kInvalidField);
}

TEST(NvmeController, SmartLogFillsItsPageAndLeavesTheRestPoisoned) {
    emu::NvmeController c(Identity());
    const auto log = Entry({.opcode = 0x02, .cdw10 = 0x02 | (1024u << 16)});
    EXPECT_EQ(c.Shape(log), (TransferShape{XferDir::ToHost, 4096}));
    std::vector<std::uint8_t> d(4096);
    emu::FillPoison(d);
    ASSERT_TRUE(c.Run(log, d).Ok());
    EXPECT_EQ(d[1] | (d[2] << 8), 35 + 273);
    EXPECT_EQ(d[3], 100);
    EXPECT_TRUE(emu::IsPoison(std::span(d).subspan(512)));
    EXPECT_EQ(c.Run(Entry({.opcode = 0x02, .cdw10 = 0x01 | (1024u << 16)}), d), st::kInvalidLogPage);
}

TEST(NvmeController, VendorSmartPageAndCounterPresetsOfTheBayKeys) {
    emu::DriveConfig d;
    d.name = "Drive1";
    d.sectors = 1000;
    d.section = emu::ParseIni("[Drive1]\nProgram=system\nVendorSmartIds=9,0,0xC2,0x77\nTemperature=45\n"
                              "SmartHostReads=4294967301\nSmartUnitsRead=0x123456789\nSmartPowerOnHours=18446744073709551615\n")
                    .sections.at(0);
    std::string error;
    const auto setup = emu::ReadControllerSetup(d, &error);
    ASSERT_TRUE(setup.has_value()) << error;
    auto c = emu::MakeNvmeController(*setup);
    std::vector<std::uint8_t> health(4096);
    ASSERT_TRUE(c->Run(Entry({.opcode = 0x02, .cdw10 = 0x02 | (1024u << 16)}), health).Ok());
    EXPECT_EQ(Le64(health, 64), 4294967301u);
    EXPECT_EQ(Le64(health, 32), 0x123456789u);
    EXPECT_EQ(Le64(health, 128), 18446744073709551615u);

    const auto vendorLog = Entry({.opcode = 0x02, .cdw10 = 0xC0 | (1024u << 16)});
    std::vector<std::uint8_t> page(4096);
    ASSERT_TRUE(c->Run(vendorLog, page).Ok());
    const std::uint8_t ids[] = {0x09, 0x00, 0xC2, 0x77, 0x00};
    for (std::size_t e = 0; e < sizeof ids; ++e) EXPECT_EQ(page[2 + 12 * e], ids[e]) << e;
    EXPECT_EQ(page[2 + 3], 100);
    EXPECT_EQ(Le64(page, 2 + 5) & 0xFFFFFFFFFFFFu, 0xFFFFFFFFFFFFu);  // power-on hours, 6 bytes of them
    EXPECT_EQ(page[2 + 24 + 5], 45);                                    // temperature, current
    EXPECT_EQ(page[2 + 36 + 5], 0);                                     // an unknown ID: raw 0

    c->Core().Start(Program::Loader);  // only the system firmware keeps the page
    EXPECT_EQ(c->Run(vendorLog, page), st::kInvalidLogPage);
    d.section = emu::ParseIni("[Drive1]\nProgram=system\nVendorSmart=fail\n").sections.at(0);
    auto failing = emu::MakeNvmeController(*emu::ReadControllerSetup(d, &error));
    EXPECT_EQ(failing->Run(vendorLog, page), st::kInvalidLogPage);
    for (const char* bad : {"VendorSmartIds=1,256", "SmartPowerCycles=-1", "VendorSmart=maybe"}) {
        d.section = emu::ParseIni(std::string("[Drive1]\n") + bad + "\n").sections.at(0);
        EXPECT_FALSE(emu::ReadControllerSetup(d, &error).has_value()) << bad;
    }
}

TEST(NvmeController, AdminAndIoOpcodesAreToldApart) {
    emu::NvmeController c(Identity());
    // 0x02 is Get Log Page on the admin queue and Read on the I/O queue.
    EXPECT_EQ(c.Shape(Entry({.opcode = 0x02, .nsid = 1, .cdw12 = 3}, false)), (TransferShape{XferDir::ToHost, 1536}));
    EXPECT_EQ(c.Shape(Entry({.opcode = 0x01, .nsid = 1, .cdw12 = 2}, false)), (TransferShape{XferDir::ToDevice, 1024}));
    EXPECT_EQ(c.Shape(Entry({.opcode = 0x00, .nsid = 1}, false)), TransferShape{});
}

TEST(NvmeController, ReadWriteOverTheNamespaceNeedTheSystemFirmware) {
    emu::NvmeController c(Identity());
    std::vector<std::uint8_t> block(2 * 512);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(i ^ 0x3C);
    const auto write = Entry({.opcode = 0x01, .nsid = 1, .cdw10 = 998, .cdw12 = 2}, false);
    EXPECT_EQ(c.Run(write, block), st::kNamespaceNotReady);  // boot loader: no namespace I/O
    c.Core().Start(Program::System);
    ASSERT_TRUE(c.Run(write, block).Ok());
    std::vector<std::uint8_t> back(block.size());
    ASSERT_TRUE(c.Run(Entry({.opcode = 0x02, .nsid = 1, .cdw10 = 998, .cdw12 = 2}, false), back).Ok());
    EXPECT_EQ(back, block);
    EXPECT_TRUE(c.Run(Entry({.opcode = 0x00, .nsid = 1}, false), back).Ok());
    EXPECT_EQ(c.Run(Entry({.opcode = 0x02, .nsid = 1, .cdw10 = 999, .cdw12 = 2}, false), back), st::kLbaOutOfRange);
    EXPECT_EQ(c.Run(Entry({.opcode = 0x02, .nsid = 1, .cdw10 = 0, .cdw11 = 1, .cdw12 = 1}, false), back),
              st::kLbaOutOfRange);  // CDW11 is the high half of the LBA
    EXPECT_EQ(c.Smart().writeCommands, 1u);
}

// The read/write test's faults, from the drive's keys: a failing write, read or flush stores or
// reads nothing; a corrupted sector reads with word 3 XORed with 0xA5A5.
TEST(NvmeController, IoFaultsOfTheBayKeys) {
    emu::DriveConfig d;
    d.name = "Drive1";
    d.sectors = 1000;
    d.section = emu::ParseIni("[Drive1]\nProgram=system\nIoFail=flush,write\nCorruptSector=10,501\n").sections.at(0);
    std::string error;
    const auto setup = emu::ReadControllerSetup(d, &error);
    ASSERT_TRUE(setup.has_value()) << error;
    auto c = emu::MakeNvmeController(*setup);
    std::vector<std::uint8_t> block(4 * 512, 0x5A);
    EXPECT_EQ(c->Run(Entry({.opcode = 0x01, .nsid = 1, .cdw10 = 8, .cdw12 = 4}, false), block), st::kDataTransferError);
    EXPECT_EQ(c->Run(Entry({.opcode = 0x00, .nsid = 1}, false), block), st::kInternalError);
    c->SetIoFaults({});
    ASSERT_TRUE(c->Run(Entry({.opcode = 0x01, .nsid = 1, .cdw10 = 8, .cdw12 = 4}, false), block).Ok());
    std::vector<std::uint8_t> back(block.size());
    ASSERT_TRUE(c->Run(Entry({.opcode = 0x02, .nsid = 1, .cdw10 = 8, .cdw12 = 4}, false), back).Ok());
    for (std::size_t i = 0; i < back.size(); ++i) {
        const bool changed = i == 2 * 512 + 6 || i == 2 * 512 + 7;  // sector 10, word 3
        EXPECT_EQ(back[i], changed ? 0x5A ^ 0xA5 : 0x5A) << i;
    }
    c->SetIoFaults({.read = true});
    EXPECT_EQ(c->Run(Entry({.opcode = 0x02, .nsid = 1, .cdw10 = 8, .cdw12 = 4}, false), back), st::kDataTransferError);

    d.section = emu::ParseIni("[Drive1]\nIoFail=erase\n").sections.at(0);
    EXPECT_FALSE(emu::ReadControllerSetup(d, &error).has_value());
    EXPECT_EQ(error, "[Drive1] IoFail=erase is not a list of write, read and flush");
}

TEST(NvmeController, SanitizeTakesTheMpActionAndErases) {
    emu::NvmeController c(Identity());
    c.Core().Start(Program::System);
    std::vector<std::uint8_t> one(512, 0xAB);
    ASSERT_TRUE(c.Run(Entry({.opcode = 0x01, .nsid = 1, .cdw12 = 1}, false), one).Ok());
    std::vector<std::uint8_t> none;
    for (std::uint32_t action : {0u, 5u, 6u}) {
        EXPECT_EQ(c.Run(Entry({.opcode = 0x84, .cdw10 = action}), none), st::kInvalidField) << action;
    }
    ASSERT_TRUE(c.Run(Entry({.opcode = 0x84, .cdw10 = 7}), none).Ok());
    EXPECT_EQ(c.LastSanitizeAction(), 7u);
    ASSERT_TRUE(c.Run(Entry({.opcode = 0x02, .nsid = 1, .cdw12 = 1}, false), one).Ok());
    EXPECT_EQ(one, std::vector<std::uint8_t>(512, 0));
}

}  // namespace

namespace {

TEST(NvmeController, RunsWhatTheBridgeHandsOverOnlyWhenItsDataPhaseAgrees) {
    emu::NvmeController c(Identity());
    const auto id = Entry({.opcode = 0x06, .cdw10 = 1});
    std::vector<std::uint8_t> d(4096);
    struct Case {
        emu::NvmeDirection dir;
        std::size_t bytes;
        bool runs;
    };
    for (Case k : {Case{emu::NvmeDirection::ToHost, 4096, true}, Case{emu::NvmeDirection::ToHost, 512, false},
                   Case{emu::NvmeDirection::FromHost, 4096, false}, Case{emu::NvmeDirection::None, 0, false}}) {
        d.assign(k.bytes, 0);
        const emu::NvmeCompletion done = c.Execute(std::span<const std::uint8_t, 64>(id.entry), true, k.dir, d);
        EXPECT_EQ(done.status == 0, k.runs);
        EXPECT_EQ(done.transferred, k.runs ? 4096u : 0u);
        if (!k.runs) {
            EXPECT_EQ(emu::DecodeStatus(done.status), st::kInvalidField);
        }
    }
}

}  // namespace
