#include "platform/named_lock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>

namespace {

class NamedLockTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() / ("named-lock-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
        platform::SetLockFolder(folder_);
    }
    void TearDown() override {
        platform::SetLockFolder({});
        std::filesystem::remove_all(folder_);
    }
    std::filesystem::path folder_;
};

TEST_F(NamedLockTest, TwoThreadsExcludeEachOtherAndTheOwnerMayReenter) {
    platform::NamedLock lock("VEZUVOrovu-threads");
    std::unique_lock held(lock);
    lock.lock();  // recursive: the owner takes it again
    lock.unlock();

    std::atomic<bool> entered{false};
    std::thread other([&] {
        platform::NamedLock same("VEZUVOrovu-threads");
        EXPECT_FALSE(same.try_lock());
        std::lock_guard guard(same);  // waits for the first thread
        entered = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(entered);
    held.unlock();
    other.join();
    EXPECT_TRUE(entered);
    EXPECT_TRUE(std::filesystem::exists(folder_ / "kestrane-VEZUVOrovu-threads.lock"));
}

TEST_F(NamedLockTest, TwoProcessesExcludeEachOther) {
    int toParent[2], toChild[2];
    ASSERT_EQ(::pipe(toParent), 0);
    ASSERT_EQ(::pipe(toChild), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        platform::NamedLock lock("VEZUVOrovu");
        lock.lock();
        char c = 'L';
        (void)!::write(toParent[1], &c, 1);
        (void)!::read(toChild[0], &c, 1);  // hold until the parent has tried
        lock.unlock();
        c = 'U';
        (void)!::write(toParent[1], &c, 1);
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(toParent[0], &c, 1), 1);
    ASSERT_EQ(c, 'L');
    platform::NamedLock lock("VEZUVOrovu");
    EXPECT_FALSE(lock.try_lock()) << "the other process holds the lock";
    c = 'G';
    ASSERT_EQ(::write(toChild[1], &c, 1), 1);
    ASSERT_EQ(::read(toParent[0], &c, 1), 1);
    ASSERT_EQ(c, 'U');
    {
        std::lock_guard guard(lock);  // free again once the other process released it
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]}) ::close(fd);
}

}  // namespace
