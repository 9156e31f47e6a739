// The device tools of the "Tools" menu: erase the code blocks, jump to the boot loader or the system
// firmware, and write a file into the SPI flash. Each runs on the GUI thread over the connected
// drives in device order (device numbers 1 to 16 that have a port holding a usable drive), with the
// window locked as a run locks it but the page in front left as the operator had it; the window
// stays responsive only through the waits, which serve events.
#include <QAction>
#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/run_lock.h"
#include "app/run_state.h"
#include "commands/command_sets.h"
#include "forms/message_pump.h"
#include "forms/str_to_int.h"
#include "forms/ui_port.h"
#include "platform/files.h"
#include "procedures/V_Proc_Erase.h"
#include "procedures/V_Proc_GdpLoad.h"
#include "procedures/V_Proc_Modes.h"
#include "transport/trace.h"

namespace {

constexpr std::size_t kToolBufferBytes = 262144;
constexpr std::size_t kSpiPieceBytes = 4096;
constexpr std::uint32_t kSpiPieceSectors = 8;
constexpr const char* kSpiPass = "Download BIN to SPI pass\n";
constexpr const char* kSpiFail = "Download BIN to SPI failed!\n";

// The ports of the connected drives, in device order.
std::vector<int> ConnectedPorts() {
    std::vector<int> ports;
    for (int d = 0; d < kDeviceCount; ++d) {
        if (DeviceConnected(d)) ports.push_back(g_DeviceToPortMap[d]);
    }
    return ports;
}

// Every tool first needs a drive.
bool AnyDriveConnected() {
    if (g_nPortConnectedNum != 0) return true;
    forms::Ui().ShowMessage("No connected device!!");
    return false;
}

// The tool's work buffer, zeroed before each call that takes it.
class ToolBuffer {
  public:
    ToolBuffer() : bytes_(std::make_unique<std::uint8_t[]>(kToolBufferBytes)) {}
    std::uint8_t* Zeroed() {
        std::fill_n(bytes_.get(), kToolBufferBytes, std::uint8_t{0});
        return bytes_.get();
    }
    std::uint8_t* Data() { return bytes_.get(); }

  private:
    std::unique_ptr<std::uint8_t[]> bytes_;
};

void Lock(TMainForm& form) {
    app::LockForRun(form, true, app::RunLockPage::Keep);
}

// The tools' common ending: a second's wait serving events, then the window unlocked.
void WaitAndUnlock(TMainForm& form) {
    forms::DelayWithMessages(1000);
    app::LockForRun(form, false, app::RunLockPage::Keep);
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The file's size, or nothing when it cannot be told.
std::optional<long long> FileSize(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) return std::nullopt;
    const long long size = std::ftell(file);
    if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0) return std::nullopt;
    return size;
}

// Writes `path` into the SPI flash of the drive on `port`: the flash is erased, then the file goes
// in 4,096-byte pieces (the last one padded with 0xFF) at the offset of the bytes before it.
bool ProgramSpiOf(int port, const std::string& path, ToolBuffer& buffer) {
    VP_EnableVendorCmd(port, 1);
    if (VP_GetCurrentMode(port) != kModeGdp) {
        forms::Ui().ShowMessage("Please load GDP first!!");
        return false;
    }
    const File file(std::fopen(path.c_str(), "rb"));
    const std::optional<long long> size = file ? FileSize(file.get()) : std::nullopt;
    if (!size) {
        TraceOut("######### - Can't open spi.bin!\n");
        return false;
    }
    const long long pieces = *size / static_cast<long long>(kSpiPieceBytes) + (*size % kSpiPieceBytes != 0 ? 1 : 0);
    TraceOut("######### - RemainPage is %lld\n", pieces);
    // Nothing to write, or more than the packet's 32-bit offsets reach: the flash is left as it is
    // rather than erased for a write that cannot be done.
    if (pieces == 0) return false;
    if (*size > static_cast<long long>(UINT32_MAX)) {
        TraceOut("######### - [%d]SPI BIN of %lld bytes is beyond the 32-bit offsets!\n", port, *size);
        return false;
    }
    if (VC_GDP_CmdEraseSPI(port) != 1) {
        TraceOut("######### - Error - Erase SPI!\n");
        return false;
    }
    forms::DelayWithMessages(1000);
    std::uint32_t offset = 0;
    int result = 1;
    for (long long piece = 0; piece < pieces && result == 1; ++piece) {
        std::uint8_t* data = buffer.Zeroed();
        const std::size_t read = std::fread(data, 1, kSpiPieceBytes, file.get());
        // A file that shrank while it was written has no more piece to give.
        if (read == 0) return false;
        std::fill(data + read, data + kSpiPieceBytes, std::uint8_t{0xFF});
        result = VC_GDP_CmdProgramSPI(port, data, offset, static_cast<std::uint32_t>(read), kSpiPieceSectors);
        TraceOut("######### - SpiDstAddrOffset is 0x%04X, ReadCnt is %d\n", offset, static_cast<int>(read));
        forms::DelayWithMessages(500);
        offset += static_cast<std::uint32_t>(read);
    }
    return result == 1;
}

// The drives "Program SPI" writes: the one connected drive; with more, the device number the operator
// types (1 to 16, connected), or 0 for every connected drive. Nothing for any other answer.
std::optional<std::vector<int>> SpiTargets() {
    const std::vector<int> connected = ConnectedPorts();
    if (connected.size() < 2) return connected;
    const std::optional<std::string> answer =
        forms::Ui().InputBox("Select device to test", "Please input port number to write SPI(0 to all):", "0");
    const std::optional<std::int32_t> number = answer ? forms::StrToInt(*answer) : std::nullopt;
    if (!number) return std::nullopt;
    TraceOut("######### - %d\n", *number);
    if (*number == 0) return connected;
    if (*number < 1 || *number > kDeviceCount || !DeviceConnected(*number - 1)) return std::nullopt;
    return std::vector<int>{g_DeviceToPortMap[*number - 1]};
}

}  // namespace

void TMainForm::EraseCodeBlockClick(QObject*) {
    if (!AnyDriveConnected()) return;
    if (!forms::Ui().AskYesNo("Erase Code Block", "Are you sure to Erase Code Block?")) return;
    Lock(*this);
    UpdateUI2Struct();
    ChangeGlobalParameter();
    if (CheckNandMemBin() == 0) {
        TraceOut("######### - EraseCodeBlockClick fail! - CheckNandMemBin\n");
    } else {
        ToolBuffer buffer;
        for (const int port : ConnectedPorts()) {
            VP_EnableVendorCmd(port, 1);
            if (!VP_LoadGDPFromFile(port, 1, 1)) {
                TraceOut("######### - [%d]Load GDP fail!\n", port);
                continue;
            }
            VP_EnableVendorCmd(port, 1);
            if (!VP_InitGDP(port, buffer.Zeroed())) {
                TraceOut("######### - [%d]Initial GDP fail!\n", port);
                continue;
            }
            VP_PROC_EraseValidLoaderBlock(port, buffer.Zeroed());
        }
    }
    WaitAndUnlock(*this);
}

void TMainForm::JumpToLoaderClick(QObject*) {
    if (!AnyDriveConnected()) return;
    Lock(*this);
    for (const int port : ConnectedPorts()) {
        VP_EnableVendorCmd(port, 1);
        VP_JumpToLoader(port, 1);
    }
    WaitAndUnlock(*this);
}

void TMainForm::JumpToSystemClick(QObject*) {
    if (!AnyDriveConnected()) return;
    Lock(*this);
    ToolBuffer buffer;
    for (const int port : ConnectedPorts()) {
        VP_EnableVendorCmd(port, 1);
        VP_JumpToSystem(port, buffer.Zeroed());
        forms::ProcessMessages();
    }
    WaitAndUnlock(*this);
}

void TMainForm::ProgramSPIClick(QObject*) {
    if (!AnyDriveConnected()) return;
    Lock(*this);
    forms::OpenFileRequest request;
    request.filter = "BIN file(*.bin)|*.bin";
    request.defaultExtension = ".bin";
    request.initialFolder = platform::ProgramFolder().string();
    const std::optional<std::string> path = forms::Ui().OpenFile(request);
    if (!path) {
        forms::Ui().ShowMessage("NO SPI BIN SELECT\n");
    } else {
        TraceOut("######### - asBinFileName is %s\n", path->c_str());
        bool pass = false;
        if (const std::optional<std::vector<int>> targets = SpiTargets(); targets && !targets->empty()) {
            ToolBuffer buffer;
            pass = true;
            for (const int port : *targets) {
                pass = ProgramSpiOf(port, *path, buffer);
                if (!pass) break;
            }
        }
        forms::Ui().ShowMessage(pass ? kSpiPass : kSpiFail);
    }
    WaitAndUnlock(*this);
}
