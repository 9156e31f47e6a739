#include "transport/scsi_std.h"

#include <cstring>

#include "transport/port_instance.h"
#include "transport/scsi_passthrough.h"
#include "transport/tool_records.h"
#include "transport/trace.h"
#include "transport/usb_disks.h"

namespace {

constexpr std::uint8_t kCdbLength = 12;
constexpr std::uint32_t kSectorSize = 512;

bool BridgePort(int port) {
    return port >= 0 && port < kPortCount && AP_Instance[port].bIsBridge != 0;
}

int Send(int port, bool dataIn, const std::uint8_t (&cdb)[kCdbLength], std::uint8_t* buffer, std::uint32_t length) {
    if (!BridgePort(port)) return 2;
    return ScsiCdbPassThrough(port, dataIn, cdb, kCdbLength, buffer, length) == 1 ? 1 : 2;
}

// `length` bytes of the reply as a terminated text.
void TextAt(const std::uint8_t* reply, std::size_t offset, std::size_t length, char* out) {
    std::memcpy(out, reply + offset, length);
    out[length] = '\0';
}

}  // namespace

int VC_STD_Inquiry(int port, std::uint8_t* buffer) {
    const std::uint8_t cdb[kCdbLength] = {0x12, 0, 0, 0, 40};
    return Send(port, true, cdb, buffer, 40);
}

int VC_STD_ReadCapacity(int port, std::uint8_t* buffer, std::uint32_t sectors) {
    if (sectors == 0 || sectors > 0xFFFFFFFFU / kSectorSize) return 2;
    const std::uint8_t cdb[kCdbLength] = {0x25};
    return Send(port, true, cdb, buffer, sectors * kSectorSize);
}

int VC_STD_TestUnitReady(int port, std::uint8_t* buffer) {
    const std::uint8_t cdb[kCdbLength] = {0x00};
    return Send(port, false, cdb, buffer, 0);
}

int GetBridgeType(int port) {
    std::uint8_t buffer[512] = {};
    int type = 0;
    if (VC_STD_Inquiry(port, buffer) != 1) {
        TraceOut("######### - [%d]VC_STD_Inquiry fail!\n", port);
    } else {
        char vendor[9];
        char chip[5];
        TextAt(buffer, 8, 8, vendor);
        StrToLower(vendor);
        bool known = false;
        int candidate = 0;
        if (IsSubString(vendor, "asmedia")) {
            TraceOut("######### - Bridge type of port %d is Asmedia\n", port);
            TextAt(buffer, 19, 4, chip);
            TraceOut("######### - [%d]chipString is %s\n", port, chip);
            known = std::strcmp(chip, "2362") == 0;
            candidate = kBridgeASMedia;
        } else {
            TraceOut("######### - Bridge type of port %d is JMicron\n", port);
            TextAt(buffer, 36, 4, chip);
            TraceOut("######### - [%d]chipString is %s\n", port, chip);
            known = std::strcmp(chip, "0583") == 0 || std::strcmp(chip, "0562") == 0;
            candidate = kBridgeJMicron;
        }
        if (known) {
            std::memset(buffer, 0, sizeof buffer);
            if (VC_STD_TestUnitReady(port, buffer) != 1) {
                TraceOut("######### - [%d]VC_STD_TestUnitReady fail!\n", port);
            } else {
                std::memset(buffer, 0, sizeof buffer);
                if (VC_STD_ReadCapacity(port, buffer, 1) != 1) {
                    TraceOut("######### - [%d]VC_STD_ReadCapacity fail!\n", port);
                } else if (buffer[6] != 0) {  // second-lowest byte of the block length
                    type = candidate;
                }
            }
        }
    }
    if (AP_RDSetting.EnNoCheckBridge != 0) type = kBridgeJMicron;
    return type;
}
