// The seam between the main window and the windows of the fixture and dialog folders: one small
// interface per window, registered by the program entry once the window exists, so the main window
// and its tests never include those folders. The main window sets the members a window needs, then
// calls it; tests register stand-ins.
//
// Until a window is registered: an opener (a dialog shown modally) traces
// "######### - <class> is not available\n" and returns with nothing stored; the fixture window's
// calls do nothing and its ucWaitLink reads 0; a watermark move does nothing.
//
// Registration and every call happen on the GUI thread (a caller on a worker carries the call there).
#pragma once

#include <cstdint>

namespace app {

// TRuzeVEForm, the fixture window: what the main window reports to it, and the two fields of its
// state block RuzeVEInfo that the main window touches.
class FixtureWindow {
  public:
    virtual ~FixtureWindow() = default;
    // Puts the state block and its eight slot records into their idle state.
    virtual void Init_Auto_MP_Info() = 0;
    // A port that got a device number, with the connected count of the enumeration.
    virtual void Get_Dev_port(int port, int connectedCount) = 0;
    // A counted drive's result: 8 pass, 9 fail.
    virtual void Refresh_Dev_MP_Sts(int port, int status) = 0;
    // A drive's sorting status from the status poll: 14 running or in preparation, 15 done, 16 failed.
    virtual void Check_Dev_RDT_Rst(int /*port*/, int /*result*/) {}
    // RuzeVEInfo.ucWaitLink: 1 while the fixture worker waits for a powered slot's drive.
    virtual std::uint8_t WaitLink() const = 0;
    // RuzeVEInfo.ucLinkEvent: 0x84 waiting, 0x85 a device arrived.
    virtual void SetLinkEvent(std::uint8_t event) = 0;
    // What the "Auto MP" menu does to the window before showing it: ReadStatusMemo cleared, a slot's
    // display (state 0 "OFF-LINE"; flag false clears its port box), START enabled; then shown
    // without waiting. RuzeVEInfo.ucRunning: 1 while a cycle or test runs.
    virtual void ClearReadStatusMemo() {}
    virtual void TRuzeVEShowDevSts(int /*code*/, int /*slot*/) {}
    virtual void TRuzeVEShowDevPort(int /*slot*/, int /*port*/, bool /*show*/) {}
    virtual void EnableStart() {}
    virtual void ShowWithoutWaiting() {}
    virtual bool CycleRunning() const { return false; }
};

// TWatermarkForm: moved beside the main window.
class WatermarkWindow {
  public:
    virtual ~WatermarkWindow() = default;
    virtual void MoveTo(int left, int top) = 0;
};

// TBarcodeInputBoxForm: the serial-number entry, shown modally after m_nPort and m_nDeviceNum are
// set. On OK it stores the text into g_PortDevInfo[m_nPort].sBurnedSerialNum and
// gJMGlobal.sBurnedSerialNum[m_nPort].
class BarcodeInputBox {
  public:
    virtual ~BarcodeInputBox() = default;
    int m_nPort = 0;
    int m_nDeviceNum = 0;  // 1 to 16, 255 when the port has none yet
    virtual void ShowModal() = 0;
};

// TSortMainForm: the sorting results of the drive on m_ucPort (device m_ucDeviceNum), whose serial
// text names the run folder of its reports; shown modally after the three are set.
class SortResultWindow {
  public:
    virtual ~SortResultWindow() = default;
    std::uint8_t m_ucPort = 0;
    std::uint8_t m_ucDeviceNum = 0;
    char m_sSerialNum[48] = {};
    virtual void ShowModal() = 0;
};

// TErrorLogForm: the failure detail of the drive on m_nPort (device m_nDeviceNum, caption only),
// shown modally after both are set.
class ErrorLogWindow {
  public:
    virtual ~ErrorLogWindow() = default;
    int m_nPort = 0;
    int m_nDeviceNum = 0;
    virtual void ShowModal() = 0;
};

// TDeviceInfoForm: identify data, flash IDs and controller RAM of the drive on m_nPort, shown
// modally after m_nPort and m_nDeviceNum are set.
class DeviceInfoWindow {
  public:
    virtual ~DeviceInfoWindow() = default;
    int m_nPort = 0;
    int m_nDeviceNum = 0;
    virtual void ShowModal() = 0;
};

// TCheckFlashToolForm: single page reads, writes and block erases on the drive on m_nPort, shown
// modally after its members are set ([FwSetting] MPChannel, MPBank, the channel set, 255 = empty
// entry, and the bank set).
class CheckFlashToolWindow {
  public:
    virtual ~CheckFlashToolWindow() = default;
    int m_nPort = 0;
    std::uint8_t m_ucMPChannel = 0;
    std::uint8_t m_ucMPBank = 0;
    std::uint8_t m_ucChSet[8] = {};
    std::uint8_t m_ucBankSet[4] = {};
    virtual void ShowModal() = 0;
};

// TFlashDetectInfoForm: the result of a flash auto-detection (the candidate tables of
// settings/flash_list.h, the detected Channel and Bank); closing applies the chosen part to the
// main window's vendor and flash-type selection.
class FlashDetectInfoWindow {
  public:
    virtual ~FlashDetectInfoWindow() = default;
    virtual void ShowModal() = 0;
};

// TLunSelectForm: shows gLunStatus (app/lun_status.h) and writes the operator's choice back into
// its LunSelect when it closes.
class LunSelectWindow {
  public:
    virtual ~LunSelectWindow() = default;
    virtual void ShowModal() = 0;
};

// TAboutForm: shown modally (menu Help > About).
class AboutBox {
  public:
    virtual ~AboutBox() = default;
    virtual void ShowModal() = 0;
};

inline constexpr std::uint8_t kLinkEventArrived = 0x85;

// Registration (not owned; null unregisters). Each returns the previous window.
FixtureWindow* RegisterFixtureWindow(FixtureWindow* window);
WatermarkWindow* RegisterWatermarkWindow(WatermarkWindow* window);
BarcodeInputBox* RegisterBarcodeInputBox(BarcodeInputBox* window);
SortResultWindow* RegisterSortResultWindow(SortResultWindow* window);
ErrorLogWindow* RegisterErrorLogWindow(ErrorLogWindow* window);
DeviceInfoWindow* RegisterDeviceInfoWindow(DeviceInfoWindow* window);
CheckFlashToolWindow* RegisterCheckFlashToolWindow(CheckFlashToolWindow* window);
AboutBox* RegisterAboutBox(AboutBox* window);
FlashDetectInfoWindow* RegisterFlashDetectInfoWindow(FlashDetectInfoWindow* window);
LunSelectWindow* RegisterLunSelectWindow(LunSelectWindow* window);

FixtureWindow* RegisteredFixtureWindow();

// The main window's calls.
void Fixture_Init_Auto_MP_Info();
void Fixture_Get_Dev_port(int port, int connectedCount);
void Fixture_Refresh_Dev_MP_Sts(int port, int status);
void Fixture_Check_Dev_RDT_Rst(int port, int result);
std::uint8_t Fixture_WaitLink();
void Fixture_SetLinkEvent(std::uint8_t event);
void Watermark_MoveTo(int left, int top);
// Sets the dialog's members and shows it modally; traces when none is registered.
void ShowBarcodeInputBox(int port, int deviceNum);
void ShowErrorLog(int port, int deviceNum);
// The serial text is cut to 47 characters.
void ShowSortResult(std::uint8_t port, std::uint8_t deviceNum, const char* serial);
void ShowDeviceInfo(int port, int deviceNum);
void ShowCheckFlashTool(int port, std::uint8_t mpChannel, std::uint8_t mpBank, const std::uint8_t (&chSet)[8],
                        const std::uint8_t (&bankSet)[4]);
void ShowAbout();
void ShowFlashDetectInfo();
void ShowLunSelect();

// Registers a window for the lifetime of the guard (tests).
template <class W, W* (*Register)(W*)>
class ScopedRegistration {
  public:
    explicit ScopedRegistration(W& window) : previous_(Register(&window)) {}
    ~ScopedRegistration() { Register(previous_); }
    ScopedRegistration(const ScopedRegistration&) = delete;
    ScopedRegistration& operator=(const ScopedRegistration&) = delete;

  private:
    W* previous_;
};
using ScopedFixtureWindow = ScopedRegistration<FixtureWindow, RegisterFixtureWindow>;
using ScopedWatermarkWindow = ScopedRegistration<WatermarkWindow, RegisterWatermarkWindow>;
using ScopedBarcodeInputBox = ScopedRegistration<BarcodeInputBox, RegisterBarcodeInputBox>;
using ScopedSortResultWindow = ScopedRegistration<SortResultWindow, RegisterSortResultWindow>;
using ScopedErrorLogWindow = ScopedRegistration<ErrorLogWindow, RegisterErrorLogWindow>;
using ScopedDeviceInfoWindow = ScopedRegistration<DeviceInfoWindow, RegisterDeviceInfoWindow>;
using ScopedCheckFlashToolWindow = ScopedRegistration<CheckFlashToolWindow, RegisterCheckFlashToolWindow>;
using ScopedAboutBox = ScopedRegistration<AboutBox, RegisterAboutBox>;
using ScopedFlashDetectInfoWindow = ScopedRegistration<FlashDetectInfoWindow, RegisterFlashDetectInfoWindow>;
using ScopedLunSelectWindow = ScopedRegistration<LunSelectWindow, RegisterLunSelectWindow>;

// Unregisters `window` when it is the one registered (a window's destructor), leaving another alone.
template <class W, W* (*Register)(W*)>
void UnregisterIfCurrent(W* window) {
    W* current = Register(nullptr);
    if (current != window) Register(current);
}

}  // namespace app
