// The fixture board's HID endpoint: it takes one 65-byte report (report id 0, then 64 bytes) and
// answers with one 64-byte report. What it answers is the endpoint's business; until the board's
// protocol is emulated the endpoint echoes the request framing (0xAA becomes 0xBB).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>

#include "emu/bay_config.h"
#include "platform/hid.h"

namespace emu {

using HidPayload = std::array<std::uint8_t, 64>;

class FixtureEndpoint {
  public:
    virtual ~FixtureEndpoint() = default;
    // The reply to one request, or nullopt for none.
    virtual std::optional<HidPayload> Answer(const HidPayload& request) = 0;
};

class EchoEndpoint : public FixtureEndpoint {
  public:
    std::optional<HidPayload> Answer(const HidPayload& request) override;
};

class FixtureBoard : public std::enable_shared_from_this<FixtureBoard> {
  public:
    explicit FixtureBoard(BoardConfig config);

    const BoardConfig& Config() const { return config_; }
    const std::string& Path() const { return path_; }
    bool Plugged() const { return plugged_.load(); }
    void SetPlugged(bool plugged) { plugged_.store(plugged); }
    bool Answers() const { return answers_.load(); }
    void SetAnswers(bool answers) { answers_.store(answers); }
    void SetEndpoint(std::shared_ptr<FixtureEndpoint> endpoint);
    // Reports the board has received (tests).
    unsigned long Requests() const { return requests_.load(); }

    // An open handle, as hidraw gives one: its replies queue from the moment it is opened.
    std::unique_ptr<platform::HidDevice> Open(int* error);

    // Runs one request through the endpoint (under the board's lock).
    std::optional<HidPayload> Exchange(const HidPayload& request);

  private:
    BoardConfig config_;
    std::string path_;
    std::atomic<bool> plugged_;
    std::atomic<bool> answers_;
    std::atomic<unsigned long> requests_{0};
    std::mutex mutex_;
    std::shared_ptr<FixtureEndpoint> endpoint_;
};

}  // namespace emu
