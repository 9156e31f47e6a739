#include "transport/scsi_passthrough.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>

#include "fake_backend.h"
#include "platform/trace_sink.h"
#include "transport/port_instance.h"

namespace {

using testing_support::RecordingBackend;
using Stage = platform::PassThroughResult::Stage;

class PassThroughTest : public ::testing::Test {
  protected:
    void SetUp() override {
        backend_ = std::make_shared<RecordingBackend>();
        platform::ReplaceSystemBackend(backend_);
    }
    void TearDown() override { AP_Instance[3].pDevicePath = nullptr; }

    platform::ScopedBackends keep_;
    std::shared_ptr<RecordingBackend> backend_;
    platform::TraceCapture trace_;
    const std::uint8_t cdb_[12] = {0x12, 0, 0, 0, 40};
};

TEST_F(PassThroughTest, AOneByteTransferTravelsAsTwoAndTheCallerSeesItsOne) {
    backend_->answer = [](const testing_support::Recorded&, std::span<std::uint8_t> data) {
        data[0] = 0x5A;
        data[1] = 0x77;
        return RecordingBackend::Good(2);
    };
    std::uint8_t in[2] = {0, 0xEE};
    std::uint32_t moved = 99;
    EXPECT_EQ(ReadSCSICommandWithTimeOutValue("/dev/sg1", cdb_, 12, in, 1, &moved, 10), 1);
    ASSERT_EQ(backend_->requests.size(), 1u);
    EXPECT_EQ(backend_->requests[0].length, 2u);
    EXPECT_EQ(backend_->requests[0].direction, platform::DataDirection::In);
    EXPECT_EQ(in[0], 0x5A);
    EXPECT_EQ(in[1], 0xEE) << "the byte after the caller's one is not touched";
    EXPECT_EQ(moved, 1u);

    const std::uint8_t out[2] = {0x42, 0x99};
    EXPECT_EQ(WriteSCSICommandWithTimeOutValue("/dev/sg1", cdb_, 12, out, 1, nullptr, 10), 1);
    EXPECT_EQ(backend_->requests[1].direction, platform::DataDirection::Out);
    EXPECT_EQ(backend_->requests[1].dataOut, (std::vector<std::uint8_t>{0x42, 0x00}));
}

TEST_F(PassThroughTest, DirectionLengthAndTimeoutReachTheBackend) {
    std::uint8_t buf[512];
    EXPECT_EQ(ReadSCSICommandWithTimeOutValue("/dev/sg1", cdb_, 12, buf, 512, nullptr, 7), 1);
    EXPECT_EQ(WriteSCSICommandWithTimeOutValue("/dev/sg1", cdb_, 16, buf, 0, nullptr, 3), 1);
    ASSERT_EQ(backend_->requests.size(), 2u);
    EXPECT_EQ(backend_->requests[0].length, 512u);
    EXPECT_EQ(backend_->requests[0].timeoutSeconds, 7u);
    EXPECT_EQ(backend_->requests[0].cdb.size(), 12u);
    EXPECT_EQ(backend_->requests[1].direction, platform::DataDirection::None);  // a data-out of 0 bytes
    EXPECT_EQ(backend_->requests[1].cdb.size(), 16u);
    EXPECT_EQ(backend_->requests[1].timeoutSeconds, 3u);
    EXPECT_TRUE(trace_.Lines().empty());
}

TEST_F(PassThroughTest, EachFailureIsReportedWithItsTrace) {
    struct Case {
        const char* name;
        platform::PassThroughResult result;
        bool read;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"open, read",
         RecordingBackend::Failed(Stage::Open, ENOENT),
         true,
         {"ReadSCSICommandWithTimeOutValue(INVALID_HANDLE_VALUE) = /dev/sg1\r\n"}},
        {"open, write",
         RecordingBackend::Failed(Stage::Open, ENOENT),
         false,
         {"WriteSCSICommandWithTimeOutValue(INVALID_HANDLE_VALUE) = /dev/sg1\r\n"}},
        {"time-out, write",
         RecordingBackend::Failed(Stage::Transfer, ETIMEDOUT),
         false,
         {"LastError(WriteSCSICommandWithTimeOutValue)[1] = 110\r\n",
          "######### - WriteSCSICommandWithTimeOutValue: not delivered: Connection timed out (errno 110), "
          "host status 0x00 (ok), driver status 0x00\n"}},
        // A data-in that ended in CHECK CONDITION is a failure too, with its sense key.
        {"check condition, read",
         RecordingBackend::CheckCondition(0x05, 0x24, 0x00),
         true,
         {"SCSI Status Fail = 2\n", "######### - Sense Key = 0x5, ASC = 0x24, ASCQ = 0x00\n"}},
        {"check condition, write",
         RecordingBackend::CheckCondition(0x04, 0x44, 0x00),
         false,
         {"SCSI Status Fail = 2\n", "######### - Sense Key = 0x4, ASC = 0x44, ASCQ = 0x00\n"}},
    };
    for (const Case& c : cases) {
        trace_.Clear();
        backend_->answer = [&](const testing_support::Recorded&, std::span<std::uint8_t>) { return c.result; };
        std::uint8_t buf[40];
        const int rc = c.read ? ReadSCSICommandWithTimeOutValue("/dev/sg1", cdb_, 12, buf, 40, nullptr, 10)
                              : WriteSCSICommandWithTimeOutValue("/dev/sg1", cdb_, 12, buf, 40, nullptr, 10);
        EXPECT_EQ(rc, 0) << c.name;
        const auto lines = trace_.Lines();
        ASSERT_GE(lines.size(), c.lines.size()) << c.name;
        for (std::size_t i = 0; i < c.lines.size(); ++i) EXPECT_EQ(lines[i], c.lines[i]) << c.name;
    }
}

TEST_F(PassThroughTest, PortWithoutAPathSendsNothing) {
    std::uint8_t buf[40];
    for (const char* path : {static_cast<const char*>(nullptr), ""}) {
        AP_Instance[3].pDevicePath = path;
        trace_.Clear();
        EXPECT_EQ(ScsiCdbPassThrough(3, true, cdb_, 12, buf, 40), -1);
        EXPECT_EQ(trace_.Text(), "ScsiCdbPassThrough 0 \r\n");
    }
    EXPECT_EQ(ScsiCdbPassThrough(-1, true, cdb_, 12, buf, 40), -1);
    EXPECT_EQ(ScsiCdbPassThrough(kPortCount, true, cdb_, 12, buf, 40), -1);
    EXPECT_TRUE(backend_->requests.empty());
}

TEST_F(PassThroughTest, PortCommandsUseThePortPathAndTenSeconds) {
    AP_Instance[3].pDevicePath = "/dev/sg7";
    std::uint8_t buf[40];
    EXPECT_EQ(ScsiCdbPassThrough(3, true, cdb_, 12, buf, 40), 1);
    EXPECT_EQ(ScsiCdbPassThrough(3, false, cdb_, 12, buf, 40), 1);
    ASSERT_EQ(backend_->requests.size(), 2u);
    EXPECT_EQ(backend_->requests[0].path, "/dev/sg7");
    EXPECT_EQ(backend_->requests[0].timeoutSeconds, 10u);
    EXPECT_EQ(backend_->requests[0].direction, platform::DataDirection::In);
    EXPECT_EQ(backend_->requests[1].direction, platform::DataDirection::Out);

    backend_->answer = [](const testing_support::Recorded&, std::span<std::uint8_t>) {
        return RecordingBackend::Failed(Stage::Transfer, EIO);
    };
    trace_.Clear();
    EXPECT_EQ(ScsiCdbPassThrough(3, true, cdb_, 12, buf, 40), -2);
    EXPECT_TRUE(trace_.Contains("ScsiCdbPassThrough -2 \r\n"));
}

}  // namespace
