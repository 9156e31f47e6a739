#include "platform/linux/sg_io.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

using platform::DataDirection;
using platform::PassThroughResult;
namespace lx = platform::linuxos;

TEST(SgIoRequest, DirectionLengthCommandBlockAndTimeout) {
    const std::uint8_t cdb[12] = {0x12, 0, 0, 0, 40};
    std::uint8_t data[40];
    std::uint8_t sense[32];
    struct Case {
        DataDirection direction;
        std::size_t length;
        int expectDirection;
        unsigned expectLength;
    };
    const Case cases[] = {
        {DataDirection::In, 40, SG_DXFER_FROM_DEV, 40},
        {DataDirection::Out, 40, SG_DXFER_TO_DEV, 40},
        {DataDirection::None, 0, SG_DXFER_NONE, 0},
        {DataDirection::Out, 0, SG_DXFER_NONE, 0},  // a data-out of 0 bytes carries no data phase
        {DataDirection::In, 2, SG_DXFER_FROM_DEV, 2},
    };
    for (const Case& c : cases) {
        const sg_io_hdr_t h = lx::BuildSgIo(cdb, c.direction, std::span<std::uint8_t>(data, c.length), 10, sense);
        EXPECT_EQ(h.interface_id, 'S');
        EXPECT_EQ(h.dxfer_direction, c.expectDirection);
        EXPECT_EQ(h.dxfer_len, c.expectLength);
        EXPECT_EQ(h.dxferp, c.expectLength ? data : nullptr);
        EXPECT_EQ(h.cmd_len, 12);
        EXPECT_EQ(0, std::memcmp(h.cmdp, cdb, 12));
        EXPECT_EQ(h.sbp, sense);
        EXPECT_EQ(h.mx_sb_len, 32);
        EXPECT_EQ(h.timeout, 10000u);
    }
    // Time-out: milliseconds from seconds, never 0 (the kernel's default) and never overflowing.
    EXPECT_EQ(lx::BuildSgIo(cdb, DataDirection::None, {}, 0, sense).timeout, 1000u);
    EXPECT_EQ(lx::BuildSgIo(cdb, DataDirection::None, {}, 4294967u, sense).timeout, 4294967000u);
    EXPECT_EQ(lx::BuildSgIo(cdb, DataDirection::None, {}, 4294968u, sense).timeout, 4294967000u);
    const std::uint8_t cdb16[16] = {0xEA};
    EXPECT_EQ(lx::BuildSgIo(cdb16, DataDirection::None, {}, 10, sense).cmd_len, 16);
}

TEST(SgIoRequest, InvalidRequestsAreRefusedBeforeSending) {
    std::uint8_t data[4];
    const std::uint8_t cdb[17] = {};
    EXPECT_FALSE(lx::ValidRequest({}, DataDirection::None, {}));
    EXPECT_FALSE(lx::ValidRequest(std::span(cdb, 17), DataDirection::None, {}));
    EXPECT_FALSE(lx::ValidRequest(std::span(cdb, 12), DataDirection::None, data));
    EXPECT_TRUE(lx::ValidRequest(std::span(cdb, 12), DataDirection::In, data));
    EXPECT_TRUE(lx::ValidRequest(std::span(cdb, 16), DataDirection::Out, data));
    EXPECT_TRUE(lx::ValidRequest(std::span(cdb, 6), DataDirection::None, {}));
    // An unopenable path is reported at the open stage with its errno.
    const auto r = lx::SgIoPassThrough("/nonexistent/sg99", std::span(cdb, 12), DataDirection::None, {}, 1);
    EXPECT_EQ(r.stage, PassThroughResult::Stage::Open);
    EXPECT_EQ(r.error, ENOENT);
}

sg_io_hdr_t Answered(std::uint8_t status, std::uint16_t host, std::uint16_t driver, unsigned len, int resid) {
    sg_io_hdr_t h;
    std::memset(&h, 0, sizeof h);
    h.status = status;
    h.host_status = host;
    h.driver_status = driver;
    h.dxfer_len = len;
    h.resid = resid;
    return h;
}

TEST(SgIoResult, EachKindOfStatus) {
    struct Case {
        const char* name;
        sg_io_hdr_t hdr;
        int rc, err;
        PassThroughResult::Stage stage;
        int error;
        bool ok;
        unsigned transferred;
    };
    using S = PassThroughResult::Stage;
    const Case cases[] = {
        {"good", Answered(0, 0, 0, 512, 0), 0, 0, S::Done, 0, true, 512},
        {"short transfer", Answered(0, 0, 0, 512, 504), 0, 0, S::Done, 0, true, 8},
        {"ioctl failed", Answered(0, 0, 0, 512, 0), -1, EPERM, S::Transfer, EPERM, false, 0},
        {"host time-out", Answered(0, 0x03, 0, 512, 0), 0, 0, S::Transfer, ETIMEDOUT, false, 0},
        {"host no connection", Answered(0, 0x01, 0, 512, 0), 0, 0, S::Transfer, EIO, false, 0},
        {"driver error", Answered(0, 0, 0x04, 512, 0), 0, 0, S::Transfer, EIO, false, 0},
        {"driver time-out", Answered(0, 0, 0x06, 512, 0), 0, 0, S::Transfer, ETIMEDOUT, false, 0},
        {"check condition", Answered(0x02, 0, 0x08, 512, 512), 0, 0, S::Done, 0, false, 0},
        {"busy", Answered(0x08, 0, 0, 512, 0), 0, 0, S::Done, 0, false, 512},
    };
    for (const Case& c : cases) {
        const PassThroughResult r = lx::ReadSgIoResult(c.hdr, c.rc, c.err);
        EXPECT_EQ(r.stage, c.stage) << c.name;
        EXPECT_EQ(r.error, c.error) << c.name;
        EXPECT_EQ(r.Ok(), c.ok) << c.name;
        EXPECT_EQ(r.transferred, c.transferred) << c.name;
    }
}

TEST(SgIoResult, SenseDataIsKeptForTheTrace) {
    std::uint8_t sense[32] = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x20, 0x00};
    sg_io_hdr_t h = Answered(0x02, 0, 0x08, 40, 40);
    h.sbp = sense;
    h.sb_len_wr = 18;
    const PassThroughResult r = lx::ReadSgIoResult(h, 0, 0);
    EXPECT_TRUE(r.Delivered());
    EXPECT_FALSE(r.Ok());
    EXPECT_EQ(r.scsiStatus, 0x02);
    EXPECT_EQ(r.senseLength, 18);
    EXPECT_EQ(r.SenseKey(), 0x05);
    EXPECT_EQ(r.Asc(), 0x20);
    EXPECT_EQ(platform::DescribeResult(r),
              "SCSI status 0x02 (CHECK CONDITION), sense key 0x5 (ILLEGAL REQUEST), ASC 0x20, ASCQ 0x00");
    // Descriptor-format sense.
    std::uint8_t desc[8] = {0x72, 0x03, 0x11, 0x01};
    h.sbp = desc;
    h.sb_len_wr = 8;
    const PassThroughResult d = lx::ReadSgIoResult(h, 0, 0);
    EXPECT_EQ(d.SenseKey(), 0x03);
    EXPECT_EQ(d.Asc(), 0x11);
    EXPECT_EQ(d.Ascq(), 0x01);
}

}  // namespace
