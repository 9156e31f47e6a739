#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "device_bytes.h"
#include "emu/nvme_controller.h"
#include "emu/tunnel_asmedia_type.h"
#include "emu/tunnel_jmicron_type.h"

namespace {

using emu::Program;
using emu::ScsiReply;
using emu_test::Entry;
using platform::DataDirection;
using Bytes = std::vector<std::uint8_t>;

Bytes JmCdb(std::uint8_t op, std::uint32_t bytes) {
    Bytes cdb(12, 0);
    cdb[0] = 0xA1;
    cdb[1] = op;
    cdb[3] = static_cast<std::uint8_t>(bytes >> 16);
    cdb[4] = static_cast<std::uint8_t>(bytes >> 8);
    cdb[5] = static_cast<std::uint8_t>(bytes);
    return cdb;
}

Bytes Payload(const emu::NvmeRequest& r) {
    Bytes block(512, 0);
    std::memcpy(block.data(), "NVME", 4);
    std::memcpy(&block[8], r.entry.data(), 64);
    return block;
}

Bytes AsmCdb(std::uint8_t op, std::uint8_t phase, bool admin, std::uint8_t dir, std::uint32_t bytes) {
    Bytes cdb(16, 0);
    cdb[0] = op;
    cdb[1] = 0x5A;
    cdb[2] = phase;
    cdb[3] = admin ? 0 : 1;
    cdb[4] = dir;
    for (int i = 0; i < 4; ++i)
        cdb[10 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bytes >> (24 - 8 * i));
    return cdb;
}

void ExpectSense(const std::optional<ScsiReply>& a, std::uint8_t key, std::uint8_t asc) {
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(a->status, platform::kScsiCheckCondition);
    EXPECT_EQ(a->senseKey, key);
    EXPECT_EQ(a->asc, asc);
}

bool Good(const std::optional<ScsiReply>& a) {
    return a && a->status == platform::kScsiGood;
}

struct JmFixture : ::testing::Test {
    emu::NvmeController controller;
    emu::JmicronTypeTunnel tunnel;

    std::optional<ScsiReply> Send(const Bytes& cdb, DataDirection dir, Bytes& data) {
        return tunnel.Handle({cdb, dir, data}, &controller);
    }
    std::optional<ScsiReply> SendPayload(const emu::NvmeRequest& r) {
        auto block = Payload(r);
        return Send(JmCdb(r.admin ? 0x80 : 0x00, 512), DataDirection::Out, block);
    }
};

TEST_F(JmFixture, LeavesOtherBlocksToTheBridge) {
    Bytes none;
    EXPECT_FALSE(Send({0x12, 0, 0, 0, 40, 0}, DataDirection::In, none).has_value());
}

TEST_F(JmFixture, PayloadIsKeptUntilTheNextDataBlockRunsIt) {
    ASSERT_TRUE(Good(SendPayload(Entry({.opcode = 0x06, .cdw10 = 1}))));
    EXPECT_TRUE(tunnel.HasPendingEntry());
    Bytes id(4096);
    const auto reply = Send(JmCdb(0x82, 4096), DataDirection::In, id);
    ASSERT_TRUE(Good(reply));
    EXPECT_EQ(reply->transferred, 4096u);
    EXPECT_EQ(std::memcmp(&id[32], "Loader", 6), 0);
    EXPECT_FALSE(tunnel.HasPendingEntry());
    ExpectSense(Send(JmCdb(0x82, 4096), DataDirection::In, id), 0x05, 0x2C);  // the entry ran once
}

TEST_F(JmFixture, NonDataBlockRunsADatalessCommand) {
    ASSERT_TRUE(Good(SendPayload(emu_test::VendorOn())));
    Bytes none;
    ASSERT_TRUE(Good(Send(JmCdb(0x81, 0), DataDirection::None, none)));
    EXPECT_TRUE(controller.Vendor().ModeOn());
}

TEST_F(JmFixture, DataPhaseThatDisagreesWithTheCommandIsRefused) {
    struct Case {
        const char* what;
        emu::NvmeRequest entry;
        std::uint8_t op;
        std::uint32_t bytes;
        DataDirection dir;
    };
    const auto identify = Entry({.opcode = 0x06, .cdw10 = 1});
    const Case cases[] = {
        {"length", identify, 0x82, 2048, DataDirection::In},
        {"direction in the block", identify, 0x83, 4096, DataDirection::Out},
        {"direction of the host", identify, 0x82, 4096, DataDirection::Out},
        {"queue", identify, 0x02, 4096, DataDirection::In},
        {"data for a data-less command", emu_test::VendorOn(), 0x83, 512, DataDirection::Out},
        {"no data for a data command", identify, 0x81, 0, DataDirection::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(Good(SendPayload(c.entry)));
        Bytes data(c.bytes);
        ExpectSense(Send(JmCdb(c.op, c.bytes), c.dir, data), 0x05, 0x24);
        EXPECT_FALSE(tunnel.HasPendingEntry());
    }
    Bytes notPayload(512, 0);
    ExpectSense(Send(JmCdb(0x80, 512), DataDirection::Out, notPayload), 0x05, 0x24);
    Bytes data(4096);
    ExpectSense(Send(JmCdb(0x82, 4096), DataDirection::In, data), 0x05, 0x2C);
    ExpectSense(Send(JmCdb(0x84, 0), DataDirection::None, data), 0x05, 0x24);  // no such operation
}

TEST_F(JmFixture, ControllerErrorsBecomeCheckCondition) {
    ASSERT_TRUE(Good(SendPayload(emu_test::VendorOut(1, 0xFF))));
    auto packet = emu_test::PacketSector(0x86);
    ExpectSense(Send(JmCdb(0x83, 512), DataDirection::Out, packet), 0x05, 0x2C);  // vendor mode is off
}

TEST_F(JmFixture, IoCommandsTravelWithTheAdminBitClear) {
    controller.Core().Start(Program::System);
    Bytes sector(512, 0x77);
    ASSERT_TRUE(Good(SendPayload(Entry({.opcode = 0x01, .nsid = 1, .cdw10 = 5, .cdw12 = 1}, false))));
    ASSERT_TRUE(Good(Send(JmCdb(0x03, 512), DataDirection::Out, sector)));
    Bytes back(512);
    ASSERT_TRUE(Good(SendPayload(Entry({.opcode = 0x02, .nsid = 1, .cdw10 = 5, .cdw12 = 1}, false))));
    ASSERT_TRUE(Good(Send(JmCdb(0x02, 512), DataDirection::In, back)));
    EXPECT_EQ(back, sector);
}

TEST_F(JmFixture, NoControllerBehindTheBridge) {
    auto block = Payload(Entry({.opcode = 0x06, .cdw10 = 1}));
    ASSERT_TRUE(Good(tunnel.Handle({JmCdb(0x80, 512), DataDirection::Out, block}, nullptr)));
    Bytes id(4096);
    ExpectSense(tunnel.Handle({JmCdb(0x82, 4096), DataDirection::In, id}, nullptr), 0x02, 0x3A);
}

struct AsmFixture : ::testing::Test {
    emu::NvmeController controller;
    emu::AsmediaTypeTunnel tunnel;

    std::optional<ScsiReply> EntryPhase(const emu::NvmeRequest& r, std::uint8_t dir) {
        Bytes e(r.entry.begin(), r.entry.end());
        return tunnel.Handle({AsmCdb(0xEA, 0x80, r.admin, dir, 64), DataDirection::Out, e}, &controller);
    }
    std::optional<ScsiReply> DataPhase(std::uint8_t op, bool admin, std::uint8_t dir, Bytes& data) {
        const DataDirection hd = data.empty() ? DataDirection::None
                                 : op == 0xEA ? DataDirection::Out
                                              : DataDirection::In;
        return tunnel.Handle({AsmCdb(op, 0x81, admin, dir, static_cast<std::uint32_t>(data.size())), hd, data},
                             &controller);
    }
};

TEST_F(AsmFixture, EntryAtPhase80RunsAtPhase81) {
    ASSERT_TRUE(Good(EntryPhase(Entry({.opcode = 0x02, .cdw10 = 0x02 | (1024u << 16)}), 1)));
    Bytes log(4096);
    ASSERT_TRUE(Good(DataPhase(0xEB, true, 1, log)));
    EXPECT_EQ(log[3], 100);

    ASSERT_TRUE(Good(EntryPhase(emu_test::VendorOn(), 0)));
    Bytes none;
    ASSERT_TRUE(Good(DataPhase(0xEB, true, 0, none)));  // completion phase of a data-less command
    EXPECT_TRUE(controller.Vendor().ModeOn());
}

TEST_F(AsmFixture, DataPhaseWithoutEntryOrDisagreeingIsRefused) {
    Bytes log(4096);
    ExpectSense(DataPhase(0xEB, true, 1, log), 0x05, 0x2C);

    const auto smart = Entry({.opcode = 0x02, .cdw10 = 0x02 | (1024u << 16)});
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
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(Good(EntryPhase(smart, c.entryDir)));
        Bytes data(c.bytes);
        ExpectSense(DataPhase(c.op, c.admin, c.dataDir, data), 0x05, 0x24);
        EXPECT_FALSE(tunnel.HasPendingEntry());
    }
    Bytes shortEntry(32);
    ExpectSense(tunnel.Handle({AsmCdb(0xEA, 0x80, true, 1, 32), DataDirection::Out, shortEntry}, &controller), 0x05,
                0x24);
    Bytes e(64);
    auto bad = AsmCdb(0xEA, 0x80, true, 1, 64);
    bad[1] = 0x5B;
    ExpectSense(tunnel.Handle({bad, DataDirection::Out, e}, &controller), 0x05, 0x24);
}

}  // namespace
