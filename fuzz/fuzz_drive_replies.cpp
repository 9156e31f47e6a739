// libFuzzer target for the replies the library decodes from a drive: INQUIRY and READ CAPACITY of
// the bridge recognition, Identify Controller and Namespace, the SMART log, the RAM tag of the mode
// test and the diagnostic firmware's status reply. A backend answers every data-in from the input
// (zeros once it runs out); byte 0 picks the bridge type and which calls fail.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

#include "commands/command_sets.h"
#include "fuzz_support.h"
#include "platform/backend.h"
#include "procedures/V_Proc_Modes.h"
#include "settings/records.h"
#include "transport/port_instance.h"
#include "transport/scsi_std.h"
#include "transport/tool_records.h"

namespace {

class InputDrive : public platform::DeviceBackend {
  public:
    std::span<const std::uint8_t> input;
    std::uint8_t failMask = 0;
    unsigned calls = 0;

    platform::PassThroughResult PassThrough(std::string_view, std::span<const std::uint8_t>,
                                            platform::DataDirection direction, std::span<std::uint8_t> data,
                                            unsigned) override {
        platform::PassThroughResult r;
        r.stage = platform::PassThroughResult::Stage::Done;
        if (((failMask >> (calls++ % 8)) & 1) != 0) {
            r.scsiStatus = platform::kScsiCheckCondition;
            return r;
        }
        if (direction == platform::DataDirection::In) {
            const std::size_t n = std::min(data.size(), input.size());
            std::memcpy(data.data(), input.data(), n);
            std::fill(data.begin() + static_cast<std::ptrdiff_t>(n), data.end(), std::uint8_t{0});
            input = input.subspan(n);
        }
        r.transferred = static_cast<std::uint32_t>(data.size());
        return r;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Quiet();
    if (size < 2) return 0;
    static const auto drive = [] {
        auto d = std::make_shared<InputDrive>();
        platform::InstallBackend("fz:", d, false);
        return d;
    }();
    AP_Instance[0] = {};
    AP_Instance[0].pDevicePath = "fz:0";
    AP_Instance[0].bIsBridge = 1;
    AP_Instance[0].ucBridgeType = static_cast<std::uint8_t>(1 + (data[0] & 1));
    AP_RDSetting.EnNoCheckBridge = static_cast<std::uint8_t>((data[0] >> 1) & 1);
    drive->failMask = static_cast<std::uint8_t>(data[1] & 0x11);  // at most two failing calls in eight
    drive->calls = 0;
    drive->input = std::span<const std::uint8_t>(data + 2, size - 2);

    GetBridgeType(0);
    std::uint8_t buffer[4096];
    if (VP_Identify(0, buffer, 1)) {
        char text[kIdentifyTextBytes + 1];
        procedures::IdentifyText(buffer, text);
        fuzz::Check(text[kIdentifyTextBytes] == '\0', "identify text terminated");
    }
    VP_Identify(0, buffer, 0);
    VP_GetCapacityMB(0);
    VP_GetSmartLog(0, buffer);
    VP_GetCurrentMode(0);
    VP_IsLoaderMode(0);
    std::uint8_t status = 0;
    VC_GDP_CmdGetReturn(0, &status, buffer);
    return 0;
}
