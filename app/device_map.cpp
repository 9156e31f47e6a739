#include "app/device_map.h"

#include "app/run_state.h"
#include "forms/str_to_int.h"
#include "transport/trace.h"

namespace app {

int AutoMapPort(int port) {
    for (int k = 0; k < kDeviceCount; ++k) {
        if (g_CustomizePortMap[k] == port) return -1;
    }
    for (int j = 0; j < kDeviceCount; ++j) {
        if (g_CustomizePortMap[j] != kNoPort) continue;
        g_CustomizePortMap[j] = static_cast<std::uint16_t>(port);
        TraceOut("######### - g_CustomizePortMap[%d] is %d\n", j, port);
        return j;
    }
    return -1;
}

std::string AutoMappingPrompt(int j) {
    const char* format = j == 0   ? "Please insert the %dnd device!"
                         : j == 1 ? "Please insert the %drd device!"
                                  : "Please insert the %dth device!";
    char text[64];
    std::snprintf(text, sizeof text, format, j + 2);
    return text;
}

int MapPortToDevice(int port) {
    for (int k = 0; k < kDeviceCount; ++k) {
        const bool fits = g_EnCustomizePortMap != 0 ? g_CustomizePortMap[k] == port : g_DeviceToPortMap[k] == kNoPort;
        if (!fits) continue;
        g_DeviceToPortMap[k] = static_cast<std::uint16_t>(port);
        return k;
    }
    return -1;
}

std::optional<std::string> CheckSequenceEdits(const std::vector<SequenceEdit>& edits) {
    bool used[kDeviceCount + 1] = {};
    for (const SequenceEdit& e : edits) {
        if (!e.enabled) continue;
        if (e.text.empty()) return "Device number can't be empty!";
        const std::optional<std::int32_t> n = forms::StrToInt(e.text);
        if (!n || *n < 1 || *n > kDeviceCount) return "Device number must be 1 to 16!";
        if (used[*n]) return "Device number is duplicated!";
        used[*n] = true;
    }
    return std::nullopt;
}

}  // namespace app
