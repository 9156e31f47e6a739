// The display slots: a reader on another thread only ever sees a slot as it was published.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "app/run_state.h"

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kFlips = 25000;  // the sanitisers slow every copy and lock down
#else
constexpr int kFlips = 1000000;
#endif

TEST(DeviceSlots, AReaderNeverSeesAMixOfTwoPublishedSlots) {
    // Long texts (beyond any small-string buffer), every field different between the two.
    const DeviceSlot a{std::string(300, 'a') + " Download", kColourRunning, 40, std::string(64, '1')};
    const DeviceSlot b{std::string(500, 'b') + " (H00) Dram Test Fail", kColourFail, 100, std::string(40, '2')};
    const int device = 5;
    g_DeviceSlots.Publish(device, a);
    std::atomic<bool> done{false};
    std::atomic<int> mixed{0}, reads{0}, seenA{0}, seenB{0};
    std::thread reader([&] {
        while (!done.load()) {
            const DeviceSlot s = g_DeviceSlots.Read(device);
            if (s == a) {
                ++seenA;
            } else if (s == b) {
                ++seenB;
            } else {
                ++mixed;
            }
            ++reads;
        }
    });
    for (int i = 0; i < kFlips; ++i) g_DeviceSlots.Publish(device, i % 2 == 0 ? b : a);
    // The writer may finish before the reader got going: let it read at least some slots.
    while (reads.load() < 1000) std::this_thread::yield();
    done = true;
    reader.join();
    EXPECT_EQ(mixed.load(), 0);
    EXPECT_GT(seenA.load() + seenB.load(), 0);
    EXPECT_EQ(g_DeviceSlots.Read(device), a);  // the last one published
    // The other slots were never touched; a device outside 0 to 15 reads and publishes nothing.
    EXPECT_EQ(g_DeviceSlots.Read(4), DeviceSlot{});
    g_DeviceSlots.Publish(16, b);
    g_DeviceSlots.Publish(-1, b);
    EXPECT_EQ(g_DeviceSlots.Read(16), DeviceSlot{});
    g_DeviceSlots.ResetAll();
}

// A worker's field edits replace the slot whole, keeping the other fields.
TEST(DeviceSlots, FieldEditsKeepTheOtherFields) {
    g_DeviceSlots.Publish(0, {"Preformat", kColourRunning, 30, "SN1"});
    g_DeviceSlots.SetProgress(0, 70);
    g_DeviceSlots.SetStatus(0, "(C00) Preformat Fail", kColourFail);
    g_DeviceSlots.SetSerialNumber(0, "SN2");
    EXPECT_EQ(g_DeviceSlots.Read(0), (DeviceSlot{"(C00) Preformat Fail", kColourFail, 70, "SN2"}));
    g_DeviceSlots.ResetAll();
}

}  // namespace
