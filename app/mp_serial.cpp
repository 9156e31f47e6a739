#include "app/mp_serial.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "settings/param_text.h"
#include "transport/trace.h"
#include "transport/usb_disks.h"

namespace app {

namespace {

constexpr int kCheckSnLength = 68;
constexpr int kCheckMaxSn = 93;
constexpr int kMountSnTime = 94;

// The text of a fixed field, never running past it.
std::string Field(const char* text, std::size_t size) {
    return std::string(text, strnlen(text, size));
}

template <std::size_t N>
std::string Field(const char (&text)[N]) {
    return Field(text, N);
}

template <std::size_t N>
void Put(char (&target)[N], const std::string& text) {
    std::memset(target, 0, N);
    std::memcpy(target, text.data(), std::min(text.size(), N - 1));
}

bool DecimalValue(const std::string& text, std::int64_t& value) {
    if (text.empty()) return false;
    std::int64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        const int digit = c - '0';
        if (v > (INT64_MAX - digit) / 10) return false;
        v = v * 10 + digit;
    }
    value = v;
    return true;
}

// Upper-case hexadecimal digits only (as HexToU64 reads them); empty when `text` is not hexadecimal.
std::string HexDigits(const std::string& text) {
    std::string upper;
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return {};
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return upper;
}

std::uint64_t HexValue(const std::string& digits) {
    return HexToU64(digits.c_str(), digits.size());
}

}  // namespace

void ComposeBurnedSerial(int port, const AP_INIState_t& copy, char (&burned)[50]) {
    const std::uint8_t mode = AP_INIState.SNInputMode;
    if (mode <= 2) {
        const std::string prefix = Field(AP_INIState.SerialNumPrefix);
        const std::string number = Field(copy.SerialNum);
        const std::string suffix = Field(AP_INIState.SerialNumSuffix);
        Put(burned, prefix + number + suffix);
        if (!prefix.empty() && suffix.empty()) {
            TraceOut("######### - Prefix_### - pPortDevInfo->sBurnedSerialNum is %s\n", burned);
        } else if (!prefix.empty()) {
            TraceOut("######### - Prefix_###_Suffix - pPortDevInfo->sBurnedSerialNum is %s\n", burned);
        } else if (!suffix.empty()) {
            TraceOut("######### - ###_Suffix - pPortDevInfo->sBurnedSerialNum is %s\n", burned);
        } else {
            TraceOut("######### - ### - pPortDevInfo->sBurnedSerialNum is %s\n", burned);
        }
    } else if (mode == 3 && port >= 0 && port < 128) {
        const std::string barcode = Field(gJMGlobal.sBurnedSerialNum[port]);
        if (!barcode.empty()) {
            TraceOut("######### - gJMGlobal.sBurnedSerialNum[%d] is %s\n", port, barcode.c_str());
            Put(burned, barcode);
        }
    }
}

int CheckSerialLength(int port, const char* burned) {
    const std::size_t length = strnlen(burned, 50);
    if (length > kDriveSerialChars) {
        TraceOut("######### - [%d]The serial number %s is longer than %d characters!\n", port, burned,
                 static_cast<int>(kDriveSerialChars));
        return kCheckSnLength;
    }
    if (length == 0 && AP_INIState.SNInputMode == 3) {
        TraceOut("######### - [%d]No serial number was scanned for the drive!\n", port);
        return kCheckSnLength;
    }
    return 0;
}

int CheckMaxSerial(const AP_INIState_t& copy) {
    const std::string serial = Field(copy.SerialNum);
    const std::string maximum = Field(AP_INIState.MaxSerialNum);
    TraceOut("######### - AP_INIState_Thread.SerialNum is %s\n", serial.c_str());
    if (AP_INIState.SNInputMode == 1) {
        TraceOut("######### - AP_INIState.MaxSerialNum is %s\n", maximum.c_str());
        std::int64_t s = 0, m = 0;
        if (!DecimalValue(serial, s) || !DecimalValue(maximum, m)) {
            TraceOut("######### - (Dec)AP_INIState.SerialNum or AP_INIState.MaxSerialNum is not a decimal number!\n");
            return kCheckMaxSn;
        }
        if (s > m) {
            TraceOut("######### - (Dec)AP_INIState.SerialNum is over AP_INIState.MaxSerialNum!\n");
            return kCheckMaxSn;
        }
        return 0;
    }
    if (AP_INIState.SNInputMode != 2) return 0;
    const std::string s = HexDigits(serial);
    const std::string m = HexDigits(maximum);
    if (s.empty() || m.empty()) {
        TraceOut("######### - (Hex)AP_INIState.SerialNum or AP_INIState.MaxSerialNum is not a hexadecimal number!\n");
        return kCheckMaxSn;
    }
    constexpr std::size_t kPart2 = 10;
    if (s.size() <= kPart2) {
        if (m.find_first_not_of('0') != std::string::npos && m.size() - m.find_first_not_of('0') > 16) {
            TraceOut("######### - (Hex)AP_INIState.MaxSerialNum does not fit 64 bits!\n");
            return kCheckMaxSn;
        }
        if (HexValue(s) > HexValue(m)) {
            TraceOut("######### - (Hex)AP_INIState.SerialNum is over AP_INIState.MaxSerialNum!\n");
            return kCheckMaxSn;
        }
        return 0;
    }
    const auto split = [](const std::string& t) {
        const std::size_t cut = t.size() > kPart2 ? t.size() - kPart2 : 0;
        return std::pair{HexValue(t.substr(0, cut)), HexValue(t.substr(cut))};
    };
    const auto [s1, s2] = split(s);
    const auto [m1, m2] = split(m);
    if (s1 > m1) {
        TraceOut("######### - (Hex Part1)AP_INIState.SerialNum is over AP_INIState.MaxSerialNum!\n");
        return kCheckMaxSn;
    }
    if (s1 == m1 && s2 > m2) {
        TraceOut("######### - (Hex Part2)AP_INIState.SerialNum is over AP_INIState.MaxSerialNum!\n");
        return kCheckMaxSn;
    }
    return 0;
}

int AppendMountTime(const AP_INIState_t& copy, char (&burned)[50]) {
    const std::string serial = Field(burned);
    if (serial.size() > 13) {
        TraceOut("######### - Enable SN Mount Time - strlen(pPortDevInfo->sBurnedSerialNum) is over 13!\n");
        return kMountSnTime;
    }
    Put(burned, serial + Field(copy.SNTimeString));
    TraceOut("######### - Enable SN Mount Time - pPortDevInfo->sBurnedSerialNum is %s\n", burned);
    return 0;
}

}  // namespace app
