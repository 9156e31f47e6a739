#include "transport/port_instance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "platform/trace_sink.h"

namespace {

// Page memory that records every block handed out, so a test sees each one released exactly once.
class CountingMemory : public transport::PortMemory {
  public:
    explicit CountingMemory(int failAt = -1) : failAt_(failAt) {}
    void* Map(std::size_t size) override {
        if (maps_ == failAt_) return nullptr;
        ++maps_;
        void* p = transport::PageMappedMemory().Map(size);
        live_[p] = size;
        return p;
    }
    void Unmap(void* block, std::size_t size) override {
        auto it = live_.find(block);
        ASSERT_NE(it, live_.end()) << "released twice or never handed out";
        EXPECT_EQ(it->second, size);
        live_.erase(it);
        ++unmaps_;
        transport::PageMappedMemory().Unmap(block, size);
    }
    int maps_ = 0;
    int unmaps_ = 0;
    int failAt_;
    std::map<void*, std::size_t> live_;
};

struct Range {
    const std::uint8_t* begin;
    std::size_t size;
};

std::vector<Range> AllBuffers() {
    std::vector<Range> all;
    for (int port = 0; port < kPortCount; ++port) {
        const AP_Instance_t& inst = AP_Instance[port];
        all.push_back({inst.pEraseCountBuf, kEraseCountBufSize});
        all.push_back({inst.pSmartLogBuf, kSmartLogBufSize});
        for (auto* item : g_pMPItemLog[port]) all.push_back({item, kItemLogBufSize});
        all.push_back({inst.pRemapTableBuf, kRemapTableBufSize});
        all.push_back({inst.pRemapAuxBuf, kRemapAuxBufSize});
        all.push_back({inst.pTablePageBuf, kTablePageBufSize});
    }
    return all;
}

TEST(PortBuffers, EveryPortHasEveryBufferWithoutOverlapAndEachIsReleasedOnce) {
    CountingMemory memory;
    ASSERT_TRUE(transport::AllocPortBuffers(memory));
    auto all = AllBuffers();
    ASSERT_EQ(all.size(), static_cast<std::size_t>(kPortCount) * (kItemLogCount + 5));
    for (const Range& r : all) ASSERT_NE(r.begin, nullptr);
    std::sort(all.begin(), all.end(), [](const Range& a, const Range& b) { return a.begin < b.begin; });
    for (std::size_t i = 1; i < all.size(); ++i) {
        ASSERT_GE(all[i].begin, all[i - 1].begin + all[i - 1].size) << "buffers overlap";
    }
    // The first and last byte of every buffer are writable (a port that never sees a drive too).
    for (const Range& r : all) {
        auto* p = const_cast<std::uint8_t*>(r.begin);
        p[0] = 0x5A;
        p[r.size - 1] = 0xA5;
    }
    // A second allocation while the buffers exist takes nothing more.
    EXPECT_TRUE(transport::AllocPortBuffers(memory));
    EXPECT_EQ(memory.maps_, kPortCount);

    FreePortBuffers();
    EXPECT_TRUE(memory.live_.empty());
    EXPECT_EQ(memory.unmaps_, memory.maps_);
    EXPECT_EQ(AP_Instance[0].pEraseCountBuf, nullptr);
    EXPECT_EQ(g_pMPItemLog[kPortCount - 1][kItemLogCount - 1], nullptr);
    FreePortBuffers();  // nothing left to release: no second release
    EXPECT_EQ(memory.unmaps_, memory.maps_);
}

TEST(PortBuffers, AFailedAllocationIsReportedAndTakesNothing) {
    platform::TraceCapture capture;
    CountingMemory memory(/*failAt=*/50);
    EXPECT_FALSE(transport::AllocPortBuffers(memory));
    EXPECT_TRUE(capture.Contains("AllocPortBuffers: port 50 buffers"));
    EXPECT_TRUE(memory.live_.empty());
    EXPECT_EQ(memory.unmaps_, 50);
    for (int port = 0; port < kPortCount; ++port) {
        EXPECT_EQ(AP_Instance[port].pRemapTableBuf, nullptr);
        EXPECT_EQ(g_pMPItemLog[port][0], nullptr);
    }
    // After a failure a later attempt can still succeed.
    CountingMemory second;
    EXPECT_TRUE(transport::AllocPortBuffers(second));
    FreePortBuffers();
    EXPECT_TRUE(second.live_.empty());
}

TEST(PortBuffers, DefaultAllocationAndRelease) {
    ASSERT_TRUE(AllocPortBuffers());
    AP_Instance[127].pTablePageBuf[kTablePageBufSize - 1] = 1;
    g_pMPItemLog[127][94][kItemLogBufSize - 1] = 1;
    FreePortBuffers();
    EXPECT_EQ(AP_Instance[127].pTablePageBuf, nullptr);
}

}  // namespace
