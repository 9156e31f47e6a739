#include "app/dialog_slots.h"

#include "transport/trace.h"

namespace app {

namespace {

FixtureWindow* g_fixture = nullptr;
WatermarkWindow* g_watermark = nullptr;
BarcodeInputBox* g_barcode = nullptr;

template <class W>
W* Swap(W*& slot, W* window) {
    W* previous = slot;
    slot = window;
    return previous;
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

void ShowBarcodeInputBox(int port, int deviceNum) {
    if (g_barcode == nullptr) {
        TraceOut("######### - %s is not available\n", "TBarcodeInputBoxForm");
        return;
    }
    g_barcode->m_nPort = port;
    g_barcode->m_nDeviceNum = deviceNum;
    g_barcode->ShowModal();
}

}  // namespace app
