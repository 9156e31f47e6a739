// A device backend for golden tests: it records every command block, direction, length and
// data-out payload it is given, answers data-in from a filler, and fails the calls it is told to
// fail (CHECK CONDITION). RecordedPort points one AP_Instance entry at it for a test's life.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "platform/backend.h"
#include "transport/port_instance.h"

namespace test_support {

struct RecordedCall {
    std::string path;
    std::vector<std::uint8_t> cdb;
    platform::DataDirection direction = platform::DataDirection::None;
    std::size_t length = 0;
    std::vector<std::uint8_t> out;  // the data-out payload
    std::thread::id thread;
};

class RecordingBackend : public platform::DeviceBackend {
  public:
    using Filler = std::function<void(std::size_t callIndex, std::span<std::uint8_t> data)>;
    // A filler that also sees the command block it answers (the data phase's block; the entry
    // it belongs to is in Calls()).
    using CdbFiller = std::function<void(std::size_t callIndex, std::span<const std::uint8_t> cdb,
                                         std::span<std::uint8_t> data)>;

    platform::PassThroughResult PassThrough(std::string_view path, std::span<const std::uint8_t> cdb,
                                            platform::DataDirection direction, std::span<std::uint8_t> data,
                                            unsigned) override {
        std::lock_guard lock(mutex_);
        RecordedCall call;
        call.path = std::string(path);
        call.cdb.assign(cdb.begin(), cdb.end());
        call.direction = direction;
        call.length = data.size();
        if (direction == platform::DataDirection::Out) call.out.assign(data.begin(), data.end());
        call.thread = std::this_thread::get_id();
        const std::size_t index = calls_.size();
        calls_.push_back(std::move(call));
        platform::PassThroughResult r;
        r.stage = platform::PassThroughResult::Stage::Done;
        if (fail_.contains(index)) {
            r.scsiStatus = platform::kScsiCheckCondition;
            r.senseLength = 18;
            r.sense[0] = 0x70;
            r.sense[2] = 0x05;
            r.sense[12] = 0x24;
            return r;
        }
        if (direction == platform::DataDirection::In && filler_) filler_(index, data);
        if (direction == platform::DataDirection::In && cdbFiller_) cdbFiller_(index, cdb, data);
        r.transferred = static_cast<std::uint32_t>(data.size());
        return r;
    }

    void FailCall(std::size_t index) {
        std::lock_guard lock(mutex_);
        fail_.insert(index);
    }
    void SetFiller(Filler filler) {
        std::lock_guard lock(mutex_);
        filler_ = std::move(filler);
        cdbFiller_ = nullptr;
    }
    void SetFiller(CdbFiller filler) {
        std::lock_guard lock(mutex_);
        cdbFiller_ = std::move(filler);
        filler_ = nullptr;
    }
    std::vector<RecordedCall> Calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        calls_.clear();
        fail_.clear();
    }

  private:
    mutable std::mutex mutex_;
    std::vector<RecordedCall> calls_;
    std::set<std::size_t> fail_;
    Filler filler_;
    CdbFiller cdbFiller_;
};

// Points AP_Instance[port] at a fresh recording backend ("rec:<port>") and puts everything back after.
class RecordedPort {
  public:
    RecordedPort(int port, std::uint8_t bridgeType, std::uint8_t isBridge = 1)
        : port_(port), saved_(AP_Instance[port]), path_("rec:" + std::to_string(port)) {
        backend = std::make_shared<RecordingBackend>();
        platform::InstallBackend("rec:", backend, false);
        AP_Instance[port].pDevicePath = path_.c_str();
        AP_Instance[port].bIsBridge = isBridge;
        AP_Instance[port].ucBridgeType = bridgeType;
    }
    ~RecordedPort() { AP_Instance[port_] = saved_; }
    RecordedPort(const RecordedPort&) = delete;
    RecordedPort& operator=(const RecordedPort&) = delete;

    std::shared_ptr<RecordingBackend> backend;

  private:
    platform::ScopedBackends keep_;
    int port_;
    AP_Instance_t saved_;
    std::string path_;
};

// Little-endian dword n (10..15) of an entry, or the NSID (n = 1).
inline std::uint32_t EntryDword(const std::array<std::uint8_t, 64>& e, int n) {
    const std::size_t at = static_cast<std::size_t>(4 * n);
    return std::uint32_t{e[at]} | (std::uint32_t{e[at + 1]} << 8) | (std::uint32_t{e[at + 2]} << 16) |
           (std::uint32_t{e[at + 3]} << 24);
}

// One tunnelled command as it reached the bridge: the entry (decoded from the JMicron payload
// block or the ASMedia entry phase) and the call that carried its data or completion phase.
struct SentCommand {
    std::array<std::uint8_t, 64> entry{};
    RecordedCall entryCall;
    RecordedCall dataCall;
    std::uint32_t Dword(int n) const { return EntryDword(entry, n); }
};

// Pairs the recorded calls two by two (entry phase, data phase).
inline std::vector<SentCommand> Decode(const std::vector<RecordedCall>& calls) {
    std::vector<SentCommand> out;
    for (std::size_t i = 0; i + 1 < calls.size(); i += 2) {
        SentCommand c;
        c.entryCall = calls[i];
        c.dataCall = calls[i + 1];
        const auto& d = calls[i].out;
        const std::size_t at = calls[i].cdb.size() == 12 ? 8 : 0;
        if (d.size() >= at + 64) std::copy_n(d.begin() + static_cast<std::ptrdiff_t>(at), 64, c.entry.begin());
        out.push_back(std::move(c));
    }
    return out;
}

}  // namespace test_support
