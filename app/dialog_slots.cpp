#include "app/dialog_slots.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "transport/trace.h"

namespace app {

namespace {

FixtureWindow* g_fixture = nullptr;
WatermarkWindow* g_watermark = nullptr;
BarcodeInputBox* g_barcode = nullptr;
ErrorLogWindow* g_errorLog = nullptr;
SortResultWindow* g_sortResult = nullptr;
DeviceInfoWindow* g_deviceInfo = nullptr;
CheckFlashToolWindow* g_checkFlash = nullptr;
AboutBox* g_about = nullptr;
FlashDetectInfoWindow* g_flashDetect = nullptr;
LunSelectWindow* g_lunSelect = nullptr;

template <class W>
W* Swap(W*& slot, W* window) {
    W* previous = slot;
    slot = window;
    return previous;
}

// The registered window, or null after the "not available" trace.
template <class W>
W* Available(W* window, const char* className) {
    if (window == nullptr) TraceOut("######### - %s is not available\n", className);
    return window;
}

}  // namespace

FixtureWindow* RegisterFixtureWindow(FixtureWindow* window) {
    return Swap(g_fixture, window);
}
WatermarkWindow* RegisterWatermarkWindow(WatermarkWindow* window) {
    return Swap(g_watermark, window);
}
BarcodeInputBox* RegisterBarcodeInputBox(BarcodeInputBox* window) {
    return Swap(g_barcode, window);
}

SortResultWindow* RegisterSortResultWindow(SortResultWindow* window) {
    return Swap(g_sortResult, window);
}

ErrorLogWindow* RegisterErrorLogWindow(ErrorLogWindow* window) {
    return Swap(g_errorLog, window);
}
DeviceInfoWindow* RegisterDeviceInfoWindow(DeviceInfoWindow* window) {
    return Swap(g_deviceInfo, window);
}
CheckFlashToolWindow* RegisterCheckFlashToolWindow(CheckFlashToolWindow* window) {
    return Swap(g_checkFlash, window);
}
AboutBox* RegisterAboutBox(AboutBox* window) {
    return Swap(g_about, window);
}

FlashDetectInfoWindow* RegisterFlashDetectInfoWindow(FlashDetectInfoWindow* window) {
    return Swap(g_flashDetect, window);
}
LunSelectWindow* RegisterLunSelectWindow(LunSelectWindow* window) {
    return Swap(g_lunSelect, window);
}

FixtureWindow* RegisteredFixtureWindow() {
    return g_fixture;
}

void Fixture_Init_Auto_MP_Info() {
    if (g_fixture != nullptr) g_fixture->Init_Auto_MP_Info();
}

void Fixture_Get_Dev_port(int port, int connectedCount) {
    if (g_fixture != nullptr) g_fixture->Get_Dev_port(port, connectedCount);
}

void Fixture_Refresh_Dev_MP_Sts(int port, int status) {
    if (g_fixture != nullptr) g_fixture->Refresh_Dev_MP_Sts(port, status);
}

void Fixture_Check_Dev_RDT_Rst(int port, int result) {
    if (g_fixture != nullptr) g_fixture->Check_Dev_RDT_Rst(port, result);
}

std::uint8_t Fixture_WaitLink() {
    return g_fixture != nullptr ? g_fixture->WaitLink() : 0;
}

void Fixture_SetLinkEvent(std::uint8_t event) {
    if (g_fixture != nullptr) g_fixture->SetLinkEvent(event);
}

void Watermark_MoveTo(int left, int top) {
    if (g_watermark != nullptr) g_watermark->MoveTo(left, top);
}

void ShowSortResult(std::uint8_t port, std::uint8_t deviceNum, const char* serial) {
    if (Available(g_sortResult, "TSortMainForm") == nullptr) return;
    g_sortResult->m_ucPort = port;
    g_sortResult->m_ucDeviceNum = deviceNum;
    std::snprintf(g_sortResult->m_sSerialNum, sizeof g_sortResult->m_sSerialNum, "%s", serial ? serial : "");
    g_sortResult->ShowModal();
}

void ShowBarcodeInputBox(int port, int deviceNum) {
    if (Available(g_barcode, "TBarcodeInputBoxForm") == nullptr) return;
    g_barcode->m_nPort = port;
    g_barcode->m_nDeviceNum = deviceNum;
    g_barcode->ShowModal();
}

void ShowErrorLog(int port, int deviceNum) {
    if (Available(g_errorLog, "TErrorLogForm") == nullptr) return;
    g_errorLog->m_nPort = port;
    g_errorLog->m_nDeviceNum = deviceNum;
    g_errorLog->ShowModal();
}

void ShowDeviceInfo(int port, int deviceNum) {
    if (Available(g_deviceInfo, "TDeviceInfoForm") == nullptr) return;
    g_deviceInfo->m_nPort = port;
    g_deviceInfo->m_nDeviceNum = deviceNum;
    g_deviceInfo->ShowModal();
}

void ShowCheckFlashTool(int port, std::uint8_t mpChannel, std::uint8_t mpBank, const std::uint8_t (&chSet)[8],
                        const std::uint8_t (&bankSet)[4]) {
    if (Available(g_checkFlash, "TCheckFlashToolForm") == nullptr) return;
    g_checkFlash->m_nPort = port;
    g_checkFlash->m_ucMPChannel = mpChannel;
    g_checkFlash->m_ucMPBank = mpBank;
    std::copy(std::begin(chSet), std::end(chSet), g_checkFlash->m_ucChSet);
    std::copy(std::begin(bankSet), std::end(bankSet), g_checkFlash->m_ucBankSet);
    g_checkFlash->ShowModal();
}

void ShowAbout() {
    if (Available(g_about, "TAboutForm") != nullptr) g_about->ShowModal();
}

void ShowFlashDetectInfo() {
    if (Available(g_flashDetect, "TFlashDetectInfoForm") != nullptr) g_flashDetect->ShowModal();
}

void ShowLunSelect() {
    if (Available(g_lunSelect, "TLunSelectForm") != nullptr) g_lunSelect->ShowModal();
}

}  // namespace app
