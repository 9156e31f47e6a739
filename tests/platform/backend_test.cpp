#include "platform/backend.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "platform/cancel.h"
#include "platform/linux/linux_backend.h"

namespace {

class NamedBackend : public platform::DeviceBackend {
  public:
    explicit NamedBackend(std::uint8_t mark) : mark_(mark) {}
    platform::PassThroughResult PassThrough(std::string_view, std::span<const std::uint8_t>, platform::DataDirection,
                                            std::span<std::uint8_t> data, unsigned) override {
        if (!data.empty()) data[0] = mark_;
        platform::PassThroughResult r;
        r.stage = platform::PassThroughResult::Stage::Done;
        r.transferred = static_cast<std::uint32_t>(data.size());
        ++calls;
        return r;
    }
    int calls = 0;

  private:
    std::uint8_t mark_;
};

TEST(BackendRegistry, PathsGoToTheBackendOfTheirPrefixAndListingsToTheChosenOne) {
    platform::ScopedBackends keep;
    auto system = std::make_shared<NamedBackend>(1);
    auto bay = std::make_shared<NamedBackend>(2);
    platform::ReplaceSystemBackend(system);
    EXPECT_EQ(platform::ListingBackend(), system);
    platform::InstallBackend("emu:", bay, true);
    EXPECT_EQ(platform::BackendFor("emu:drive1"), bay);
    EXPECT_EQ(platform::BackendFor("/dev/sg1"), system);
    EXPECT_EQ(platform::BackendFor("emu"), system);
    EXPECT_EQ(platform::ListingBackend(), bay);

    const std::uint8_t cdb[12] = {0x12};
    std::uint8_t data[4] = {};
    EXPECT_TRUE(platform::PassThrough("emu:drive1", cdb, platform::DataDirection::In, data, 10).Ok());
    EXPECT_EQ(data[0], 2);
    EXPECT_TRUE(platform::PassThrough("/dev/sg1", cdb, platform::DataDirection::In, data, 10).Ok());
    EXPECT_EQ(data[0], 1);

    // Operations a backend does not provide answer "not supported".
    int error = 0;
    EXPECT_EQ(bay->OpenHid("emu:hid", &error), nullptr);
    EXPECT_EQ(error, ENOTSUP);
    EXPECT_TRUE(bay->ListHubs().empty());
    EXPECT_FALSE(bay->DiskNumber("emu:drive1").ok);
}

TEST(BackendRegistry, ScopedBackendsPutTheRegistryBack) {
    auto before = platform::ListingBackend();
    {
        platform::ScopedBackends keep;
        platform::InstallBackend("emu:", std::make_shared<NamedBackend>(2), true);
        EXPECT_NE(platform::ListingBackend(), before);
    }
    EXPECT_EQ(platform::ListingBackend(), before);
}

TEST(BackendRegistry, ACancelledWorkerSendsNothing) {
    platform::ScopedBackends keep;
    auto system = std::make_shared<NamedBackend>(1);
    platform::ReplaceSystemBackend(system);
    auto token = std::make_shared<platform::CancelToken>();
    platform::ScopedCancelToken guard(token);
    token->Cancel();
    const std::uint8_t cdb[12] = {0x00};
    EXPECT_THROW(platform::PassThrough("/dev/sg1", cdb, platform::DataDirection::None, {}, 10), platform::Cancelled);
    EXPECT_EQ(system->calls, 0);
}

TEST(BackendRegistry, AThreadSeesChangesMadeOnAnother) {
    platform::ScopedBackends keep;
    auto first = std::make_shared<NamedBackend>(1);
    auto second = std::make_shared<NamedBackend>(2);
    platform::InstallBackend("emu:", first, false);
    const std::uint8_t cdb[12] = {0x12};
    auto markOnWorker = [&cdb] {
        std::uint8_t data[1] = {};
        std::thread worker([&] { platform::PassThrough("emu:drive1", cdb, platform::DataDirection::In, data, 10); });
        worker.join();
        return data[0];
    };
    std::uint8_t data[1] = {};
    platform::PassThrough("emu:drive1", cdb, platform::DataDirection::In, data, 10);  // this thread's view
    EXPECT_EQ(data[0], 1);
    EXPECT_EQ(markOnWorker(), 1);
    std::thread installer([&] { platform::InstallBackend("emu:", second, false); });
    installer.join();
    platform::PassThrough("emu:drive1", cdb, platform::DataDirection::In, data, 10);
    EXPECT_EQ(data[0], 2);
    EXPECT_EQ(markOnWorker(), 2);
}

TEST(SystemBackend, TheHotPlugMonitorNeverBlocks) {
    auto monitor = platform::linuxos::LinuxBackend().OpenHotPlugMonitor();
    if (!monitor) GTEST_SKIP() << "no udev netlink here";
    EXPECT_GE(monitor->Fd(), 0);
    EXPECT_FALSE(monitor->Next().has_value());
}

}  // namespace
