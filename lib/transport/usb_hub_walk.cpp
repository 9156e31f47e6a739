#include "transport/usb_hub_walk.h"

#include <strings.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>

#include "platform/backend.h"
#include "platform/clock.h"
#include "transport/trace.h"

PortDevInfo g_USBPortInfo[kUsbPortRecords]{};
int g_StartUSBPortIndex = 0;
std::uint8_t g_USBNodeError = 0;

namespace {

constexpr int kMaxHubInterfaces = 80;
constexpr int kMaxHubDepth = 6;  // five tiers of hubs below a root hub is all USB allows
constexpr unsigned kRetryDelayMs = 500;

char g_deviceIdBuffer[512];

const char* ConnectionText(platform::PortConnection c) {
    static const char* const kTexts[] = {
        "No device connected",    "Device connected",          "Device FAILED enumeration",
        "Device general FAILURE", "Device caused overcurrent", "Not enough power for device",
    };
    const auto i = static_cast<unsigned>(c);
    return i < sizeof kTexts / sizeof kTexts[0] ? kTexts[i] : "Unknown connection status";
}

void TraceRetryWarning(int place) {
    std::string line = std::to_string(place) + " ";
    for (int i = 0; i < 13; ++i) line += "*** WARM *** ";
    line += "  Rescan DeviceIoControl  \n";
    TraceOut("%s", line.c_str());
}

// A hub query, tried once more after 500 ms when the first attempt fails.
template <typename Query>
auto WithRetry(int place, Query query) -> decltype(query()) {
    auto answer = query();
    if (!answer) {
        TraceRetryWarning(place);
        platform::Sleep(kRetryDelayMs);
        answer = query();
    }
    return answer;
}

template <std::size_t N>
bool CopyField(char (&field)[N], const char* text) {
    const std::size_t n = std::strlen(text);
    if (n >= N) {
        field[0] = '\0';
        return false;
    }
    std::memcpy(field, text, n + 1);
    return true;
}

bool IsWalkedRoot(platform::HubKind kind) {
    return kind == platform::HubKind::RootUsb2 || kind == platform::HubKind::RootUsb3;
}

// Records the device on `port` as port number p; false when the walk of the current hub must stop.
bool RecordDevice(platform::UsbHub& hub, unsigned port, int p) {
    TraceOut(
        "=================================================================================> I/O device connected\n");
    const auto name = WithRetry(2, [&] { return hub.ConnectionName(port); });
    if (!name) {
        TraceOut("*** ERROR *** Node connection name not returned\n");
        g_USBNodeError = 1;
        return false;
    }
    TraceOut("CONECTION NAME: %s\n", name->c_str());
    PortDevInfo& record = g_USBPortInfo[p - 1];
    std::unique_ptr<char[]> key = GetDriverKeyName(hub, port);
    TraceOut("DriverKeyName: %s\n", key ? key.get() : "(null)");
    if (key) {
        const char* id = GetDeviceIdFromDriverKey(key.get());
        TraceOut("Device Desc: %s\n", id != nullptr ? id : "(null)");
        if (id != nullptr) {
            if (!CopyField(record.sDriverKeyName, key.get()) || !CopyField(record.deviceDesc, id)) {
                record.sDriverKeyName[0] = '\0';
                record.deviceDesc[0] = '\0';
                TraceOut("######### - Port %d: driver key or device id too long, not recorded\n", p);
            }
        }
    }
    TraceOut("*******************************  Port(%d) Connect is True  *******************************\n", p);
    TraceOut("##### g_StartUSBPortIndex = %d  , PortIndex = %d\n", g_StartUSBPortIndex, p);
    record.iUsbPortPresent = 1;
    record.hUsbHub = hub.Handle();
    return true;
}

// Walks the hub on `port`; false when the walk of the current hub must stop.
bool WalkChildHub(platform::UsbHub& hub, unsigned port, int depth) {
    TraceOut("=================================================================================> Hub connected\n");
    const auto name = WithRetry(3, [&] { return hub.ConnectionName(port); });
    if (!name) {
        TraceOut(" *** ERROR *** HubHandle %d :  Node connection name not returned\n", hub.Handle());
        g_USBNodeError = 1;
        return false;
    }
    int error = 0;
    std::unique_ptr<platform::UsbHub> child = platform::ListingBackend()->OpenHub(*name, &error);
    if (!child) {
        TraceOut(" *** ERROR *** Connected hub %s not opened (%d)\n", name->c_str(), error);
        g_USBNodeError = 1;
        return false;
    }
    TraceOut("Connected hub handle %d created\n", child->Handle());
    const auto ports = WithRetry(4, [&] { return child->PortCount(); });
    if (!ports) {
        TraceOut(" *** ERROR *** Node information not returned\n");
        g_USBNodeError = 1;
        return false;
    }
    TraceOut("##### g_StartUSBPortIndex = %d \n", g_StartUSBPortIndex);
    TraceOut("##### Recursively GetPortData  g_StartUSBPortIndex--  #####\n");
    --g_StartUSBPortIndex;  // a hub port gets no number of its own
    GetPortData(*child, *ports, depth + 1);
    TraceOut("##### g_StartUSBPortIndex = %d  , HubDepth = %d  , NodeInformation.HubDescriptor.bNumberOfPorts = %d\n",
             g_StartUSBPortIndex, depth, static_cast<int>(*ports));
    TraceOut("Closing connected hub handle %d\n", child->Handle());
    return true;
}

}  // namespace

void GetPortData(platform::UsbHub& hub, unsigned ports, int depth) {
    TraceOut("GetPortData hub handle %d, NumberOfPorts %d, HubDepth %d\n", hub.Handle(), static_cast<int>(ports),
             depth);
    if (depth > kMaxHubDepth) {
        TraceOut(" *** ERROR *** Hub depth %d beyond what USB allows\n", depth);
        g_USBNodeError = 1;
        return;
    }
    for (unsigned j = 1; j <= ports; ++j) {
        if (g_StartUSBPortIndex >= kUsbPortRecords) {
            TraceOut(" *** ERROR *** More than %d ports, the rest are not recorded\n", kUsbPortRecords);
            g_USBNodeError = 1;
            return;
        }
        const int p = ++g_StartUSBPortIndex;
        TraceOut("Port[%d] = g_StartUSBPortIndex %d", static_cast<int>(j), p);
        const auto info = WithRetry(1, [&] { return hub.Port(j); });
        if (!info) {
            TraceOut(" *** ERROR *** Node connection information not returned\n");
            g_USBNodeError = 1;
            return;
        }
        if (info->connection != platform::PortConnection::Connected) {
            TraceOut("Port %d : %s\n", static_cast<int>(j), ConnectionText(info->connection));
            continue;
        }
        if (info->isHub) {
            if (!WalkChildHub(hub, j, depth)) return;
        } else if (!RecordDevice(hub, j, p)) {
            return;
        }
    }
}

int EnumerateRootHub(const char* hubPath) {
    TraceOut("EnumerateRootHub %s\n", hubPath);
    int error = 0;
    std::unique_ptr<platform::UsbHub> hub = platform::ListingBackend()->OpenHub(hubPath, &error);
    if (!hub) return error != 0 ? error : -1;
    TraceOut(">>>>>>>>>>>>>>>>>>Root hub handle %d created\n", hub->Handle());
    const auto ports = hub->PortCount();
    TraceOut("Root hub handle %d  have NumberOfPorts %d\n", hub->Handle(), static_cast<int>(ports.value_or(0)));
    if (!ports) {
        g_USBNodeError = 1;  // a failed hub query: the ports after this hub would be numbered wrongly
        return EIO;
    }
    GetPortData(*hub, *ports, 0);
    TraceOut(">>>>>>>>>>>>>>>>>>Closing root hub handle %d\n", hub->Handle());
    return 0;
}

int SetupDi_DisplayUSB() {
    TraceOut("######### - SetupDi_DisplayUSB begin\n");
    g_USBNodeError = 0;
    g_StartUSBPortIndex = 0;
    const auto hubs = platform::ListingBackend()->ListHubs();
    for (std::size_t i = 0; i < hubs.size(); ++i) {
        if (i >= kMaxHubInterfaces) {
            TraceOut("######### - More than %d hub interfaces, the rest are not walked\n", kMaxHubInterfaces);
            break;
        }
        const int index = static_cast<int>(i);
        TraceOut("Check pDetail->DevicePath[%d] bResult(%d) , %s\n", index, 1, hubs[i].path.c_str());
        if (!IsWalkedRoot(hubs[i].kind)) continue;
        TraceOut(
            "SetupDi_DisplayUSB =========================================================> "
            "pDetail->DevicePath[%d] %s\n",
            index, hubs[i].path.c_str());
        EnumerateRootHub(hubs[i].path.c_str());
    }
    TraceOut("######### - SetupDi_DisplayUSB end, %d ports\n", g_StartUSBPortIndex);
    return g_StartUSBPortIndex;
}

std::unique_ptr<char[]> GetDriverKeyName(platform::UsbHub& hub, unsigned port) {
    const auto key = hub.DriverKeyName(port);
    if (!key || key->empty()) return nullptr;
    auto text = std::make_unique<char[]>(key->size() + 1);
    std::memcpy(text.get(), key->c_str(), key->size() + 1);
    return text;
}

const char* GetDeviceIdFromDriverKey(const char* driverKey) {
    if (driverKey == nullptr) return nullptr;
    for (const platform::UsbDeviceNode& node : platform::ListingBackend()->ListUsbDeviceNodes()) {
        if (::strcasecmp(node.driverKey.c_str(), driverKey) != 0) continue;
        if (node.instanceId.size() >= sizeof g_deviceIdBuffer) return nullptr;
        std::memcpy(g_deviceIdBuffer, node.instanceId.c_str(), node.instanceId.size() + 1);
        return g_deviceIdBuffer;
    }
    return nullptr;
}

std::unique_ptr<char[]> WideToNarrow(const wchar_t* text) {
    if (text == nullptr) return nullptr;
    std::string narrow;
    for (const wchar_t* p = text; *p != L'\0'; ++p) {
        const auto c = static_cast<std::uint32_t>(*p);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return nullptr;
        if (c < 0x80) {
            narrow += static_cast<char>(c);
        } else if (c < 0x800) {
            narrow += static_cast<char>(0xC0 | (c >> 6));
            narrow += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            narrow += static_cast<char>(0xE0 | (c >> 12));
            narrow += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            narrow += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            narrow += static_cast<char>(0xF0 | (c >> 18));
            narrow += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            narrow += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            narrow += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    auto out = std::make_unique<char[]>(narrow.size() + 1);
    std::memcpy(out.get(), narrow.c_str(), narrow.size() + 1);
    return out;
}
