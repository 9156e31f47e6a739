// Diagnostic firmware load and start.
#include "procedures/V_Proc_GdpLoad.h"

#include <array>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "commands/command_sets.h"
#include "platform/clock.h"
#include "procedures/V_Proc_GdpParam.h"
#include "procedures/V_Proc_Modes.h"
#include "settings/firmware_bins.h"
#include "transport/tool_records.h"
#include "transport/trace.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kSector = 512;
constexpr unsigned kLoaderWaitMs = 1000;

// The run's copy of "GDP.bin": every part of every code with its load address, and the
// signature block. Published whole and never changed, so loads read it without a lock.
struct GdpCopy {
    struct Part {
        std::uint32_t loadAddress = 0;
        Bytes bytes;
    };
    std::vector<std::vector<Part>> codes;
    std::array<std::uint8_t, kGdpRsaBytes> rsa{};
};

std::mutex g_copyMutex;
std::shared_ptr<const GdpCopy> g_copy;
std::atomic<procedures::GdpPatchStep> g_patchStep{&PatchGdpImage};
std::mutex g_dumpMutex;  // the program-wide dump counter

std::shared_ptr<const GdpCopy> Snapshot() {
    std::lock_guard lock(g_copyMutex);
    return g_copy;
}

void Publish(std::shared_ptr<const GdpCopy> copy) {
    std::lock_guard lock(g_copyMutex);
    g_copy = std::move(copy);
}

std::string PathOf(const char (&field)[kBinPathBytes]) {
    return std::string(field, ::strnlen(field, sizeof field));
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File OpenGdp() {
    const std::string path = PathOf(AP_GDPBins.sBinFile);
    File file(path.empty() ? nullptr : std::fopen(path.c_str(), "rb"));
    if (!file) TraceOut("######### - Open GDP bin file '%s' fail", path.c_str());
    return file;
}

bool UsableDescription(const char* who) {
    if (BinsDescriptionSound(AP_GDPBins)) return true;
    TraceOut("######### - %s - the GDP description holds no usable part list (%d codes)!\n", who, AP_GDPBins.ucCodeCnt);
    return false;
}

bool FitsPartBuffer(std::uint32_t length, int code, int part) {
    if (length <= kGdpPartBufBytes) return true;
    TraceOut("######### - GDP Code %d part %d is 0x%X bytes, longer than its buffer of 0x%X!\n", code, part, length,
             static_cast<unsigned>(kGdpPartBufBytes));
    return false;
}

// Reads exactly `length` bytes at `offset` (or at the current position when offset is negative).
bool ReadExactly(std::FILE* file, long offset, std::uint8_t* out, std::size_t length) {
    if (offset >= 0 && std::fseek(file, offset, SEEK_SET) != 0) {
        TraceOut("######### - GDP image: cannot seek to 0x%lX!\n", offset);
        return false;
    }
    const std::size_t got = length == 0 ? 0 : std::fread(out, 1, length, file);
    if (got != length) {
        TraceOut("######### - GDP image: short read, 0x%zX of 0x%zX bytes!\n", got, length);
        return false;
    }
    return true;
}

// A private copy of one part, rounded up to whole sectors with zeros, patched for `port`.
bool PreparedCopy(int port, const std::uint8_t* part, std::size_t length, bool patch, Bytes& out) {
    out.assign((length + kSector - 1) / kSector * kSector, 0);
    if (length != 0) std::memcpy(out.data(), part, length);
    if (patch && !g_patchStep.load()(port, out.data(), length)) {
        TraceOut("######### - [%d]GDP image patch refused, nothing loaded!\n", port);
        return false;
    }
    return true;
}

// `data` holds `length` bytes rounded up to whole sectors.
bool WritePieces(int port, const Bytes& data, std::size_t length, std::uint32_t address) {
    if (std::uint64_t{address} + length > (std::uint64_t{1} << 32)) {
        TraceOut("######### - [%d]GDP part of 0x%zX bytes at 0x%X leaves the address space!\n", port, length, address);
        return false;
    }
    for (std::size_t offset = 0; offset < length; offset += kGdpPieceBytes) {
        const std::size_t piece = std::min(kGdpPieceBytes, length - offset);
        const auto sectors = static_cast<std::uint32_t>((piece + kSector - 1) / kSector);
        if (VC_LDR_CmdWriteRam(port, data.data() + offset, sectors, address + static_cast<std::uint32_t>(offset)) !=
            1) {
            return false;
        }
    }
    return true;
}

bool WriteRsaSector(int port, const std::uint8_t* rsa, std::size_t length, std::uint32_t address, std::uint8_t slot) {
    std::array<std::uint8_t, kSector> sector{};
    std::memcpy(sector.data(), rsa, std::min(length, sector.size()));
    return VC_LDR_CmdWriteRamRsa(port, sector.data(), address, 0, 0, slot) == 1;
}

// Puts the controller into its boot loader (a jump and a second's wait when it runs something
// else) and switches vendor commands on.
bool EnterLoader(int port) {
    if (VP_IsLoaderMode(port) != 1) {
        if (!VP_JumpToLoader(port, 1)) return false;
        platform::Sleep(kLoaderWaitMs);
    }
    return VP_EnableVendorCmd(port, 1);
}

void DumpWritten(const Bytes& data, std::size_t length) {
    if (AP_RDSetting.DumpDebugFile == 0) return;
    std::lock_guard lock(g_dumpMutex);
    char name[32];
    std::snprintf(name, sizeof name, "11_WCM_%2.2d.raw", AP_RDSetting.ucGdpDumpCounter);
    DumpRawFile(name, data.data(), length);
    ++AP_RDSetting.ucGdpDumpCounter;
}

}  // namespace

namespace procedures {

GdpPatchStep SetGdpPatchStep(GdpPatchStep step) {
    return g_patchStep.exchange(step != nullptr ? step : &PatchGdpImage);
}

void ClearGdpBuffer() {
    Publish(nullptr);
}

}  // namespace procedures

bool VP_ReadGDPtoBuffer() {
    TraceOut("######### - VP_ReadGDPtoBuffer\n");
    procedures::ClearGdpBuffer();
    File file = OpenGdp();
    if (!file || !UsableDescription("VP_ReadGDPtoBuffer")) return false;
    auto copy = std::make_shared<GdpCopy>();
    for (int c = 0; c < AP_GDPBins.ucCodeCnt; ++c) {
        auto& code = copy->codes.emplace_back();
        for (int j = 0; j < AP_GDPBins.ucPartCnt[c]; ++j) {
            const std::uint32_t length = AP_GDPBins.dwLength[c][j];
            if (!FitsPartBuffer(length, c, j)) return false;
            GdpCopy::Part& part = code.emplace_back();
            part.loadAddress = AP_GDPBins.dwOffset[c][j];
            part.bytes.resize(length);
            if (!ReadExactly(file.get(), static_cast<long>(AP_GDPBins.dwBinOffset[c][j]), part.bytes.data(), length)) {
                return false;
            }
            char name[32];
            std::snprintf(name, sizeof name, "GDP_Buf_%04d.raw", j);
            DumpRawFile(name, part.bytes.data(), length);
        }
        if (!ReadExactly(file.get(), kGdpRsaFileOffset, copy->rsa.data(), copy->rsa.size())) return false;
        DumpRawFile("GDP_RSA.raw", copy->rsa.data(), copy->rsa.size());
    }
    Publish(std::move(copy));
    return true;
}

bool VP_LoadGDPFromBuffer(int port) {
    TraceOut("######### - VP_LoadGDPFromBuffer\n");
    if (!EnterLoader(port)) return false;
    const std::shared_ptr<const GdpCopy> copy = Snapshot();
    if (!copy) {
        TraceOut("######### - [%d]VP_LoadGDPFromBuffer - GDP.bin was not read into memory!\n", port);
        return false;
    }
    int codes = 0;
    Bytes mine;
    for (const auto& code : copy->codes) {
        for (const GdpCopy::Part& part : code) {
            if (!PreparedCopy(port, part.bytes.data(), part.bytes.size(), true, mine) ||
                !WritePieces(port, mine, part.bytes.size(), part.loadAddress)) {
                return false;
            }
        }
        if (!WriteRsaSector(port, copy->rsa.data(), copy->rsa.size(), kGdpRsaAddress, kGdpRsaKeySlot)) return false;
        ++codes;
    }
    return VC_LDR_CmdJumpToPRAM(port, static_cast<std::uint8_t>(codes)) != 2;
}

bool VP_WriteCodeToMemNew2(int port, std::FILE* file, std::uint32_t address, std::uint32_t byteCount, int rsa,
                           std::uint8_t keySlot, int patch) {
    if (file == nullptr) return false;
    if (byteCount > kGdpPartBufBytes || (rsa != 0 && byteCount > kSector)) {
        TraceOut("######### - [%d]VP_WriteCodeToMemNew2 - 0x%X bytes do not fit!\n", port, byteCount);
        return false;
    }
    Bytes raw(byteCount);
    if (!ReadExactly(file, -1, raw.data(), byteCount)) return false;
    char name[32];
    std::snprintf(name, sizeof name, "GDP_Ori_%08X.raw", address);
    DumpRawFile(name, raw.data(), byteCount);
    Bytes data;
    if (!PreparedCopy(port, raw.data(), byteCount, patch != 0, data)) return false;
    if (rsa != 0) {
        if (!WriteRsaSector(port, data.data(), byteCount, address, keySlot)) return false;
    } else if (!WritePieces(port, data, byteCount, address)) {
        return false;
    }
    DumpWritten(data, byteCount);
    return true;
}

bool VP_LoadGDPFromFile(int port, int force, int patch) {
    // The mode test comes first, also for a forced load, so its trace opens every load.
    if (VP_IsGDPMode(port) && force == 0) {
        TraceOut("######### - GDP mode, no need to load GDP!\n");
        return true;
    }
    if (!UsableDescription("VP_LoadGDPFromFile") || !EnterLoader(port)) return false;
    File file = OpenGdp();
    if (!file) return false;
    for (int c = 0; c < AP_GDPBins.ucCodeCnt; ++c) {
        for (int j = 0; j < AP_GDPBins.ucPartCnt[c]; ++j) {
            if (std::fseek(file.get(), static_cast<long>(AP_GDPBins.dwBinOffset[c][j]), SEEK_SET) != 0) return false;
            TraceOut("######### - VP_WriteCodeToMemNew2 %d, %d\n", c, j);
            if (!VP_WriteCodeToMemNew2(port, file.get(), AP_GDPBins.dwOffset[c][j], AP_GDPBins.dwLength[c][j], 0, 0,
                                       patch)) {
                return false;
            }
        }
        if (std::fseek(file.get(), kGdpRsaFileOffset, SEEK_SET) != 0) return false;
        TraceOut("######### - VP_WriteCodeToMemNew2 RSA data\n");
        if (!VP_WriteCodeToMemNew2(port, file.get(), kGdpRsaAddress, kGdpRsaBytes, 1, kGdpRsaKeySlot, patch)) {
            return false;
        }
    }
    file.reset();
    return VC_LDR_CmdJumpToPRAM(port, AP_GDPBins.ucCodeCnt) != 2;
}

bool VP_InitGDP(int port, void* buffer) {
    TraceOut("######### - [%d]VP_InitGDP\n", port);
    if (buffer == nullptr) return false;
    if (!Write_GDP_Init_Param(port, static_cast<std::uint8_t*>(buffer), kGdpInitBlockBytes)) {
        TraceOut("######### - [%d]VP_InitGDP - the init block could not be built!\n", port);
        return false;
    }
    return VC_GDP_CmdInitGDP(port, buffer, 2) != 2;
}
