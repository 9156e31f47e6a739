// A backend that records every command block it receives and answers as a test tells it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/backend.h"

namespace testing_support {

struct Recorded {
    std::string path;
    std::vector<std::uint8_t> cdb;
    platform::DataDirection direction;
    std::vector<std::uint8_t> dataOut;  // what the host sent (Out)
    std::size_t length;
    unsigned timeoutSeconds;
};

class RecordingBackend : public platform::DeviceBackend {
  public:
    // Fills the data-in buffer and gives the result; by default a good answer moving every byte.
    std::function<platform::PassThroughResult(const Recorded&, std::span<std::uint8_t>)> answer;
    std::vector<Recorded> requests;
    int hidOpens = 0;

    platform::PassThroughResult PassThrough(std::string_view path, std::span<const std::uint8_t> cdb,
                                            platform::DataDirection direction, std::span<std::uint8_t> data,
                                            unsigned timeoutSeconds) override {
        Recorded r{std::string(path), {cdb.begin(), cdb.end()}, direction, {}, data.size(), timeoutSeconds};
        if (direction == platform::DataDirection::Out) r.dataOut.assign(data.begin(), data.end());
        requests.push_back(r);
        if (answer) return answer(r, data);
        return Good(static_cast<std::uint32_t>(data.size()));
    }

    std::unique_ptr<platform::HidDevice> OpenHid(std::string_view, int* error) override {
        ++hidOpens;
        if (error != nullptr) *error = ENOENT;
        return nullptr;
    }

    static platform::PassThroughResult Good(std::uint32_t moved) {
        platform::PassThroughResult r;
        r.stage = platform::PassThroughResult::Stage::Done;
        r.transferred = moved;
        return r;
    }
    static platform::PassThroughResult CheckCondition(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
        platform::PassThroughResult r;
        r.stage = platform::PassThroughResult::Stage::Done;
        r.scsiStatus = platform::kScsiCheckCondition;
        r.driverStatus = 0x08;
        r.senseLength = 18;
        r.sense[0] = 0x70;
        r.sense[2] = key;
        r.sense[7] = 10;
        r.sense[12] = asc;
        r.sense[13] = ascq;
        return r;
    }
    static platform::PassThroughResult Failed(platform::PassThroughResult::Stage stage, int error) {
        platform::PassThroughResult r;
        r.stage = stage;
        r.error = error;
        return r;
    }
};

}  // namespace testing_support
