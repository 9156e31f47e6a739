// The checks of the two firmware images: "GDP.bin" into AP_GDPBins and the system firmware (MP)
// or "SORT.bin" (SORT) into AP_Bins.
#include <cstring>

#include "app/file_check_support.h"
#include "app/file_checks.h"
#include "forms/ui_port.h"
#include "settings/firmware_bins.h"
#include "settings/flash_param.h"
#include "settings/records.h"
#include "transport/trace.h"

namespace app {

namespace {

using files::Le16;
using files::Le32;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kGdpHeaderBytes = 352;
constexpr std::size_t kFwHeaderBytes = 624;
constexpr std::uint64_t kPartsStart = 4096;
constexpr std::uint64_t kTagTextOffset = 4544;
constexpr std::uint64_t kCertOffset = 2048;
constexpr char kFwTag[] = "ZEL09_FWTAG_V001";
constexpr int kItemDownload = 8;  // [TestItems] EnDownload
constexpr std::size_t kIdCodeBytes = 32;

// Reads the 64-byte tag text at 4,544 into `text` (terminated); false on a short read.
bool ReadTagText(const std::string& path, char (&text)[kTagTextBytes + 1]) {
    const auto tag = files::ReadAt(path, kTagTextOffset, kTagTextBytes);
    if (!tag) return false;
    std::memcpy(text, tag->data(), kTagTextBytes);
    text[kTagTextBytes] = '\0';
    return true;
}

std::string WithVersion(const std::string& name, const char* tagText) {
    return tagText[0] == '\0' ? name : name + VersionForm(tagText);
}

// Leaves a refused image's description without parts, so nothing loads or downloads from it.
void DropParts(AP_Bins_t& bins) {
    bins.ucCodeCnt = 0;
    std::memset(bins.ucPartCnt, 0, sizeof bins.ucPartCnt);
}

bool Refuse(AP_Bins_t& bins, const std::string& path, const char* why) {
    TraceOut("######### - '%s' is refused: %s!\n", path.c_str(), why);
    DropParts(bins);
    return false;
}

// Parses "GDP.bin" into AP_GDPBins; false (refused, traced) when the header cannot describe it.
bool ParseGdp(const std::string& path) {
    const auto size = files::FileSize(path);
    const auto header = files::ReadAt(path, 0, kGdpHeaderBytes);
    if (!size || !header) return Refuse(AP_GDPBins, path, "the header cannot be read whole");
    const int count = (*header)[17];
    if (count > kGdpPartMax) return Refuse(AP_GDPBins, path, "more than 8 parts");
    std::uint64_t offset = kPartsStart;
    for (int j = 0; j < count; ++j) offset += Le32(&(*header)[static_cast<std::size_t>(36 + 8 * j)]);
    if (offset > *size || *size < kTagTextOffset + kTagTextBytes) {
        return Refuse(AP_GDPBins, path, "its parts run past the end of the file");
    }
    AP_Bins_t& b = AP_GDPBins;
    const std::string keep(b.sBinFile);
    b = AP_Bins_t{};
    files::StorePath(b.sBinFile, keep);
    b.ucCodeCnt = 1;
    b.ucImgInfo[0] = (*header)[16];
    b.ucPartCnt[0] = static_cast<std::uint8_t>(count);
    std::uint32_t running = kPartsStart;
    for (int j = 0; j < count; ++j) {
        b.dwOffset[0][j] = Le32(&(*header)[static_cast<std::size_t>(32 + 8 * j)]);
        b.dwLength[0][j] = Le32(&(*header)[static_cast<std::size_t>(36 + 8 * j)]);
        b.dwBinOffset[0][j] = running;
        running += b.dwLength[0][j];
        TraceOut("######### - GDP Code %d Offset 0x%X\n", j, b.dwOffset[0][j]);
        TraceOut("######### - GDP Code %d Length 0x%X\n", j, b.dwLength[0][j]);
        TraceOut("######### - GDP Code %d Bin Offset 0x%X\n", j, b.dwBinOffset[0][j]);
    }
    std::memcpy(b.aRsaBlock, header->data() + 96, sizeof b.aRsaBlock);
    return true;
}

void ReadIdCode() {
    const std::string path = files::FullPath("NEP_ID_CODE.hex");
    std::memset(AP_INIState.NepIDCode, 0, sizeof AP_INIState.NepIDCode);
    if (!files::Exists(path)) {
        forms::Ui().ErrorBox("No Nep ID code file!");
        return;
    }
    const auto size = files::FileSize(path).value_or(0);
    const std::size_t take = size < kIdCodeBytes ? static_cast<std::size_t>(size) : kIdCodeBytes;
    if (take < kIdCodeBytes) TraceOut("######### - NEP_ID_CODE.hex holds only %d bytes!\n", static_cast<int>(take));
    if (const auto code = files::ReadAt(path, 0, take)) std::memcpy(AP_INIState.NepIDCode, code->data(), take);
}

// The image's header and parts, checked against the file before anything is copied.
bool FirmwareSound(const std::string& path, const Bytes& header, std::uint64_t size) {
    const unsigned count = Le16(&header[18]);
    if (count > kBinPartMax) return Refuse(AP_Bins, path, "more than 16 parts");
    const unsigned certLength = Le16(&header[34]);
    if (certLength >= kBinCertMax) return Refuse(AP_Bins, path, "a certificate of 2,048 bytes or more");
    if (kCertOffset + certLength > size || kTagTextOffset + kTagTextBytes > size) {
        return Refuse(AP_Bins, path, "the file ends inside its header");
    }
    for (unsigned j = 0; j < count; ++j) {
        const std::uint64_t length = Le32(&header[116 + 16 * j]);
        const std::uint64_t offset = Le32(&header[124 + 16 * j]);
        if (length < 4 || offset + length > size) return Refuse(AP_Bins, path, "a part lies outside the file");
    }
    return true;
}

bool ParseFirmware(const std::string& path, int codes, const Bytes& header) {
    AP_Bins_t& b = AP_Bins;
    const unsigned count = Le16(&header[18]);
    b.ucCodeCnt = static_cast<std::uint8_t>(codes);
    b.ucImgInfo[0] = header[32];
    b.ucImgInfo[1] = header[33];
    b.wCertLen = Le16(&header[34]);
    b.wImgInfo = Le16(&header[36]);
    b.dwImgInfo = Le32(&header[40]);
    b.ucImgInfo2[0] = header[44];
    b.ucImgInfo2[1] = header[45];
    std::memcpy(b.aImgInfo1, &header[48], sizeof b.aImgInfo1);
    std::memcpy(b.aImgInfo2, &header[80], sizeof b.aImgInfo2);
    std::memset(b.ucPartCnt, 0, sizeof b.ucPartCnt);
    for (int i = 0; i < codes; ++i) {
        b.ucPartCnt[i] = static_cast<std::uint8_t>(count);
        for (unsigned j = 0; j < count; ++j) {
            b.dwLength[i][j] = Le32(&header[116 + 16 * j]);
            b.dwOffset[i][j] = Le32(&header[120 + 16 * j]);
            b.dwBinOffset[i][j] = Le32(&header[124 + 16 * j]);
            const auto words = files::ReadAt(path, std::uint64_t{b.dwBinOffset[i][j]} + b.dwLength[i][j] - 4, 4);
            if (!words) return Refuse(b, path, "a part's enable and checksum words cannot be read");
            b.wEnable[i][j] = Le16(words->data());
            b.wCheckSum[i][j] = Le16(words->data() + 2);
            TraceOut("######### - Code %d Offset is 0x%X\n", j, b.dwOffset[i][j]);
            TraceOut("######### - Code %d Length is 0x%X\n", j, b.dwLength[i][j]);
            TraceOut("######### - Code %d Bin Offset is 0x%X\n", j, b.dwBinOffset[i][j]);
            TraceOut("######### - Code %d Enable is 0x%X\n", j, b.wEnable[i][j]);
            TraceOut("######### - Code %d CheckSum is 0x%X\n", j, b.wCheckSum[i][j]);
        }
    }
    std::memcpy(b.aRsaBlock, &header[368], sizeof b.aRsaBlock);
    std::memset(b.aCertData, 0, sizeof b.aCertData);
    const auto cert = files::ReadAt(path, kCertOffset, b.wCertLen);
    if (!cert) return Refuse(b, path, "the certificate cannot be read");
    std::memcpy(b.aCertData, cert->data(), cert->size());
    return true;
}

}  // namespace

std::string VersionForm(const std::string& tag) {
    auto chars = [&](std::size_t from, std::size_t count) {
        return from - 1 < tag.size() ? tag.substr(from - 1, count) : std::string();
    };
    return "(" + chars(7, 1) + "." + chars(8, 2) + "." + chars(10, 3) + "." + chars(13, 3) + "." + chars(16, 5) + "." +
           chars(21, 2) + "." + chars(23, 2) + ")";
}

void CheckGDPBin(std::string* statusText) {
    const std::string path = files::FullPath("GDP.bin");
    std::string status = "GDP.bin";
    if (!files::StorePath(AP_GDPBins.sBinFile, path) || !files::Exists(path)) {
        files::MissingBox(path);
    } else if (ParseGdp(path) && ReadTagText(path, g_sGDPVersion)) {
        status = WithVersion(status, g_sGDPVersion);
    }
    if (statusText != nullptr) *statusText = status;
}

int CheckFWBin(int strict, std::string* statusText) {
    char name[] = "########.bin";
    BuildFlashCodeName(name);
    std::string display, path;
    if (AP_INIState.ToolMode == 0) {
        display = name;
        TraceOut("######### - BinFileName is %s\n", name);
        path = files::FullPath(std::string("SYS\\") + name);
    } else if (AP_INIState.ToolMode == 1) {
        display = "SORT.bin";
        path = files::FullPath("SORT\\SORT.bin");
    }
    const bool fits = files::StorePath(AP_Bins.sBinFile, path);
    TraceOut("######### - AP_Bins.sBinFile is %s\n", AP_Bins.sBinFile);
    std::string status = display;
    int result = 1;
    if (fits && files::Exists(path)) {
        if (AP_INIState.EnNepIDCode == 1) ReadIdCode();
        const auto size = files::FileSize(path);
        const auto header = files::ReadAt(path, 0, kFwHeaderBytes);
        if (!size || !header || std::memcmp(header->data(), kFwTag, 16) != 0) {
            // Not a firmware image: refused without a message, the status bar keeps its text.
            DropParts(AP_Bins);
            return 0;
        }
        if (!FirmwareSound(path, *header, *size) ||
            !ParseFirmware(path, AP_INIState.ToolMode == 0 ? kBinCodeMax : 1, *header) ||
            !ReadTagText(path, g_sFWVersion)) {
            return 0;
        }
        status = WithVersion(display, g_sFWVersion);
    } else if (strict == 1 && AP_INIState.dwItemEnable[kItemDownload] != 0) {
        TraceOut("######### - AP_Bins.sBinFile is %s\n", AP_Bins.sBinFile);
        if (!fits || !files::Exists(path)) {
            files::MissingBox(path);
            result = 0;
        }
    }
    if (statusText != nullptr) *statusText = status;
    return result;
}

}  // namespace app
