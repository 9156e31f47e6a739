#include "emu/fixture_board.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <deque>

#include "platform/clock.h"

namespace emu {

namespace {

class BoardHandle : public platform::HidDevice {
  public:
    explicit BoardHandle(std::shared_ptr<FixtureBoard> board) : board_(std::move(board)) {}

    std::optional<platform::HidAttributes> Attributes() override {
        return platform::HidAttributes{board_->Config().vendorId, board_->Config().productId};
    }

    platform::HidIoResult Write(std::span<const std::uint8_t> report) override {
        platform::HidIoResult r;
        if (!board_->Plugged()) {
            r.error = ENODEV;
            return r;
        }
        // The board's reports are unnumbered: report id 0 and 64 bytes.
        if (report.size() != 65 || report[0] != 0) {
            r.error = EINVAL;
            return r;
        }
        HidPayload request;
        std::copy(report.begin() + 1, report.end(), request.begin());
        if (auto reply = board_->Exchange(request)) replies_.push_back(*reply);
        r.ok = true;
        r.bytes = report.size();
        return r;
    }

    platform::HidIoResult Read(std::span<std::uint8_t> buffer, unsigned timeoutMs) override {
        platform::HidIoResult r;
        if (!board_->Plugged()) {
            r.error = ENODEV;
            return r;
        }
        if (replies_.empty()) {
            platform::Sleep(timeoutMs);  // nothing will come: the host's wait passes
            r.timedOut = true;
            r.error = ETIMEDOUT;
            return r;
        }
        // Like hidraw for an unnumbered report: the 64 bytes without a report id.
        const std::size_t n = std::min(buffer.size(), replies_.front().size());
        std::memcpy(buffer.data(), replies_.front().data(), n);
        replies_.pop_front();
        r.ok = true;
        r.bytes = n;
        return r;
    }

  private:
    std::shared_ptr<FixtureBoard> board_;
    std::deque<HidPayload> replies_;
};

}  // namespace

std::optional<HidPayload> EchoEndpoint::Answer(const HidPayload& request) {
    HidPayload reply = request;
    if (reply[0] == 0xAA) reply[0] = 0xBB;
    return reply;
}

FixtureBoard::FixtureBoard(BoardConfig config)
    : config_(std::move(config)),
      plugged_(config_.plugged),
      answers_(config_.answers),
      endpoint_(std::make_shared<EchoEndpoint>()) {
    path_ = "emu:";
    for (char c : config_.name) path_ += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

void FixtureBoard::SetEndpoint(std::shared_ptr<FixtureEndpoint> endpoint) {
    std::lock_guard lock(mutex_);
    endpoint_ = std::move(endpoint);
}

std::unique_ptr<platform::HidDevice> FixtureBoard::Open(int* error) {
    if (!Plugged()) {
        if (error != nullptr) *error = ENOENT;
        return nullptr;
    }
    if (error != nullptr) *error = 0;
    return std::make_unique<BoardHandle>(shared_from_this());
}

std::optional<HidPayload> FixtureBoard::Exchange(const HidPayload& request) {
    std::lock_guard lock(mutex_);
    ++requests_;
    if (!answers_.load() || !endpoint_) return std::nullopt;
    return endpoint_->Answer(request);
}

}  // namespace emu
