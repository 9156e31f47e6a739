#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "device_bytes.h"
#include "emu/tunnel_asmedia_type.h"
#include "emu/tunnel_jmicron_type.h"

namespace {

using emu::HostDir;
using emu::Program;
using emu::ScsiAnswer;
using emu_test::Entry;

std::vector<std::uint8_t> JmCdb(std::uint8_t op, std::uint32_t bytes) {
    std::vector<std::uint8_t> cdb(12, 0);
    cdb[0] = 0xA1;
    cdb[1] = op;
    cdb[3] = static_cast<std::uint8_t>(bytes >> 16);
    cdb[4] = static_cast<std::uint8_t>(bytes >> 8);
    cdb[5] = static_cast<std::uint8_t>(bytes);
    return cdb;
}

std::vector<std::uint8_t> Payload(const emu::NvmeRequest& r) {
    std::vector<std::uint8_t> block(512, 0);
    std::memcpy(block.data(), "NVME", 4);
    std::memcpy(&block[8], r.entry.data(), 64);
    return block;
}

std::vector<std::uint8_t> AsmCdb(std::uint8_t op, std::uint8_t phase, bool admin, std::uint8_t dir,
                                 std::uint32_t bytes) {
    std::vector<std::uint8_t> cdb(16, 0);
    cdb[0] = op;
    cdb[1] = 0x5A;
    cdb[2] = phase;
    cdb[3] = admin ? 0 : 1;
    cdb[4] = dir;
    for (int i = 0; i < 4; ++i)
        cdb[10 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bytes >> (24 - 8 * i));
    return cdb;
}

void ExpectSense(const ScsiAnswer& a, std::uint8_t key, std::uint8_t asc) {
    EXPECT_EQ(a.status, ScsiAnswer::kCheckCondition);
    EXPECT_EQ(a.senseKey, key);
    EXPECT_EQ(a.asc, asc);
}

struct JmFixture : ::testing::Test {
    emu::NvmeController controller;
    emu::JmicronTypeTunnel tunnel{controller};

    ScsiAnswer Send(const std::vector<std::uint8_t>& cdb, HostDir dir, std::vector<std::uint8_t>& data) {
        return tunnel.Handle(cdb, dir, data);
    }
    ScsiAnswer SendPayload(const emu::NvmeRequest& r) {
        auto block = Payload(r);
        return Send(JmCdb(r.admin ? 0x80 : 0x00, 512), HostDir::ToDevice, block);
    }
};

TEST_F(JmFixture, PayloadIsKeptUntilTheNextDataBlockRunsIt) {
    ASSERT_TRUE(SendPayload(Entry({.opcode = 0x06, .cdw10 = 1})).IsGood());
    EXPECT_TRUE(tunnel.HasPendingEntry());
    std::vector<std::uint8_t> id(4096);
    ASSERT_TRUE(Send(JmCdb(0x82, 4096), HostDir::FromDevice, id).IsGood());
    EXPECT_EQ(std::memcmp(&id[32], "Loader", 6), 0);
    EXPECT_FALSE(tunnel.HasPendingEntry());
    ExpectSense(Send(JmCdb(0x82, 4096), HostDir::FromDevice, id), 0x05, 0x2C);  // the entry ran once
}

TEST_F(JmFixture, NonDataBlockRunsADatalessCommand) {
    ASSERT_TRUE(SendPayload(emu_test::VendorOn()).IsGood());
    std::vector<std::uint8_t> none;
    ASSERT_TRUE(Send(JmCdb(0x81, 0), HostDir::ToDevice, none).IsGood());
    EXPECT_TRUE(controller.Vendor().ModeOn());
}

TEST_F(JmFixture, DataPhaseThatDisagreesWithTheCommandIsRefused) {
    struct Case {
        const char* what;
        emu::NvmeRequest entry;
        std::uint8_t op;
        std::uint32_t bytes;
        HostDir dir;
    };
    const auto identify = Entry({.opcode = 0x06, .cdw10 = 1});
    const Case cases[] = {
        {"length", identify, 0x82, 2048, HostDir::FromDevice},
        {"direction in the block", identify, 0x83, 4096, HostDir::ToDevice},
        {"direction of the host", identify, 0x82, 4096, HostDir::ToDevice},
        {"queue", identify, 0x02, 4096, HostDir::FromDevice},
        {"data for a data-less command", emu_test::VendorOn(), 0x83, 512, HostDir::ToDevice},
        {"no data for a data command", identify, 0x81, 0, HostDir::None},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(SendPayload(c.entry).IsGood()) << c.what;
        std::vector<std::uint8_t> data(c.bytes);
        ExpectSense(Send(JmCdb(c.op, c.bytes), c.dir, data), 0x05, 0x24);
        EXPECT_FALSE(tunnel.HasPendingEntry()) << c.what;
    }
    std::vector<std::uint8_t> notPayload(512, 0);
    ExpectSense(Send(JmCdb(0x80, 512), HostDir::ToDevice, notPayload), 0x05, 0x24);
    std::vector<std::uint8_t> data(4096);
    ExpectSense(Send(JmCdb(0x82, 4096), HostDir::FromDevice, data), 0x05, 0x2C);
}

TEST_F(JmFixture, ControllerErrorsBecomeCheckConditionWithTheNvmeStatus) {
    ASSERT_TRUE(SendPayload(emu_test::VendorOut(1, 0xFF)).IsGood());
    auto packet = emu_test::PacketSector(0x86);
    const ScsiAnswer a = Send(JmCdb(0x83, 512), HostDir::ToDevice, packet);  // vendor mode is off
    ExpectSense(a, 0x05, 0x2C);
    EXPECT_EQ(a.nvme, emu::nvme_status::kCommandSequenceError);
}

TEST_F(JmFixture, IoCommandsTravelWithTheAdminBitClear) {
    controller.Core().Start(Program::System);
    std::vector<std::uint8_t> sector(512, 0x77);
    ASSERT_TRUE(SendPayload(Entry({.opcode = 0x01, .nsid = 1, .cdw10 = 5, .cdw12 = 1}, false)).IsGood());
    ASSERT_TRUE(Send(JmCdb(0x03, 512), HostDir::ToDevice, sector).IsGood());
    std::vector<std::uint8_t> back(512);
    ASSERT_TRUE(SendPayload(Entry({.opcode = 0x02, .nsid = 1, .cdw10 = 5, .cdw12 = 1}, false)).IsGood());
    ASSERT_TRUE(Send(JmCdb(0x02, 512), HostDir::FromDevice, back).IsGood());
    EXPECT_EQ(back, sector);
}

struct AsmFixture : ::testing::Test {
    emu::NvmeController controller;
    emu::AsmediaTypeTunnel tunnel{controller};

    ScsiAnswer Entry(const emu::NvmeRequest& r, std::uint8_t dir) {
        std::vector<std::uint8_t> e(r.entry.begin(), r.entry.end());
        return tunnel.Handle(AsmCdb(0xEA, 0x80, r.admin, dir, 64), HostDir::ToDevice, e);
    }
    ScsiAnswer Data(std::uint8_t op, bool admin, std::uint8_t dir, std::vector<std::uint8_t>& data) {
        const HostDir hd = op == 0xEA ? HostDir::ToDevice : HostDir::FromDevice;
        return tunnel.Handle(AsmCdb(op, 0x81, admin, dir, static_cast<std::uint32_t>(data.size())), hd, data);
    }
};

TEST_F(AsmFixture, EntryAtPhase80RunsAtPhase81) {
    ASSERT_TRUE(Entry(emu_test::Entry({.opcode = 0x02, .cdw10 = 0x02 | (1024u << 16)}), 1).IsGood());
    std::vector<std::uint8_t> log(4096);
    ASSERT_TRUE(Data(0xEB, true, 1, log).IsGood());
    EXPECT_EQ(log[3], 100);

    ASSERT_TRUE(Entry(emu_test::VendorOn(), 0).IsGood());
    std::vector<std::uint8_t> none;
    ASSERT_TRUE(Data(0xEB, true, 0, none).IsGood());  // completion phase of a data-less command
    EXPECT_TRUE(controller.Vendor().ModeOn());
}

TEST_F(AsmFixture, DataPhaseWithoutEntryOrDisagreeingIsRefused) {
    std::vector<std::uint8_t> log(4096);
    ExpectSense(Data(0xEB, true, 1, log), 0x05, 0x2C);

    const auto smart = emu_test::Entry({.opcode = 0x02, .cdw10 = 0x02 | (1024u << 16)});
    struct Case {
        const char* what;
        std::uint8_t entryDir, op, dataDir;
        bool admin;
        std::size_t bytes;
    };
    const Case cases[] = {
        {"length", 1, 0xEB, 1, true, 512},
        {"direction byte changed between phases", 1, 0xEB, 0, true, 0},
        {"direction of the command", 2, 0xEA, 2, true, 4096},
        {"opcode against direction byte", 1, 0xEA, 1, true, 4096},
        {"queue", 1, 0xEB, 1, false, 4096},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(Entry(smart, c.entryDir).IsGood()) << c.what;
        std::vector<std::uint8_t> data(c.bytes);
        ExpectSense(Data(c.op, c.admin, c.dataDir, data), 0x05, 0x24);
        EXPECT_FALSE(tunnel.HasPendingEntry()) << c.what;
    }
    std::vector<std::uint8_t> shortEntry(32);
    ExpectSense(tunnel.Handle(AsmCdb(0xEA, 0x80, true, 1, 32), HostDir::ToDevice, shortEntry), 0x05, 0x24);
    std::vector<std::uint8_t> e(64);
    auto bad = AsmCdb(0xEA, 0x80, true, 1, 64);
    bad[1] = 0x5B;
    ExpectSense(tunnel.Handle(bad, HostDir::ToDevice, e), 0x05, 0x24);
}

}  // namespace
