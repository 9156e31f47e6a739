#include "transport/hid_fixture.h"

#include <cstring>
#include <string>

#include "platform/backend.h"
#include "transport/trace.h"

int FindHidDevicePath(char* path, std::size_t pathSize) {
    if (path == nullptr || pathSize == 0) return 0;
    for (const std::string& candidate : platform::ListingBackend()->ListHidDevices()) {
        int error = 0;
        auto device = platform::BackendFor(candidate)->OpenHid(candidate, &error);
        if (!device) continue;
        const auto ids = device->Attributes();
        if (!ids || ids->vendorId != kFixtureVendorId || ids->productId != kFixtureProductId) continue;
        if (candidate.size() >= pathSize) {
            TraceOut("######### - HID device path %s longer than %zu characters!\n", candidate.c_str(), pathSize - 1);
            continue;
        }
        std::memcpy(path, candidate.c_str(), candidate.size() + 1);
        TraceOut("The VID: 0x%4X   PID: 0x%4X\r\n", ids->vendorId, ids->productId);
        TraceOut("HID DEVICE PATH IS %s\r\n", path);
        return 1;
    }
    return 0;
}

bool HidWriteRead(const char* path, std::uint8_t* payload, int length, bool read) {
    if (length != kHidPayloadLength || payload == nullptr) {
        TraceOut("######### - buff size err!\n");
        return false;
    }
    std::uint8_t report[kHidPayloadLength + 1] = {0};
    std::memcpy(report + 1, payload, kHidPayloadLength);
    if (path == nullptr) path = "";
    int error = 0;
    auto device = platform::BackendFor(path)->OpenHid(path, &error);
    if (!device) {
        TraceOut("######### - INVALID_HANDLE_VALUE!\n");
        return false;
    }
    if (!device->Write(report).ok) {
        TraceOut("######### - WriteFile fail!\n");
        return false;
    }
    if (!read) return true;
    TraceOut("######### - read cmd!\n");
    std::uint8_t reply[kHidPayloadLength + 1] = {0};
    const auto r = device->Read(reply, kHidReadTimeoutMs);
    // A numbered report arrives with its id first (65 bytes); hidraw gives an unnumbered one as its 64 bytes.
    if (!r.ok || (r.bytes != kHidPayloadLength + 1 && r.bytes != kHidPayloadLength)) {
        TraceOut("######### - ReadFile fail!\n");
        return false;
    }
    std::memcpy(payload, r.bytes == kHidPayloadLength + 1 ? reply + 1 : reply, kHidPayloadLength);
    return true;
}
