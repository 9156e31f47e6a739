#include "app/panel_view.h"

#include <cstdio>

#include "app/mp_item_table.h"
#include "app/run_state.h"
#include "forms/colours.h"
#include "forms/message_pump.h"
#include "procedures/V_Proc_Modes.h"
#include "settings/records.h"
#include "transport/trace.h"

namespace app {

namespace {

const MPItemRecord& Row(std::int32_t id) {
    return g_MPItemTable[id >= 0 && id < kMPItemCount ? id : 0];
}

std::string Printf(const char* format, auto... args) {
    char text[128];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

}  // namespace

bool IsSysModeWithNTFS(int port) {
    return VP_GetCurrentMode(port) == kModeSystem && VP_CheckNTFSPartition(port) && AP_INIState.EnNoCheckPartition == 0;
}

PanelView ComputePanelView(int d) {
    PanelView v;
    const std::uint16_t p = d >= 0 && d < kDeviceCount ? g_DeviceToPortMap[d] : kNoPort;
    if (p == kNoPort || p >= kUsbPortRecords) {
        v.colour = forms::clBtnFace;
        v.text = "Device " + std::to_string(d + 1);
        v.resetGauge = true;
        v.snCaption = "Port ##: SN";
        v.snText = "";
        return v;
    }
    TraceOut("######### - g_DeviceToPortMap[%d] is %d\n", d, p);
    PortDevInfo& r = g_PortDevInfo[p];
    v.mapped = true;
    v.port = p;
    v.snCaption = Printf("Port %d: SN", static_cast<int>(p));
    if (AP_INIState.dwItemEnable[kItemDownload] != 0) {
        v.snText = std::string(r.sBurnedSerialNum, BoundedStrLen(r.sBurnedSerialNum, sizeof r.sBurnedSerialNum));
    }
    const std::int32_t status = LoadField(r.iStatus);
    if (status == 1) {
        forms::DelayWithMessages(50);
        const bool sortingDisplay = AP_INIState.ToolMode == 1 && AP_RDTSet.RunSortingMode == 1 &&
                                    AP_INIState.dwItemEnable[kItemSortConnection] != 0;
        if (!sortingDisplay) {
            v.text = "Pass";
            v.colour = kColourPass;
        }
    } else if (status == -1) {
        forms::DelayWithMessages(50);
        v.colour = kColourFail;
        const MPItemRecord& row = Row(LoadField(r.iFailItem));
        v.text = LoadField(r.iErrorCode) == kItemStop ? Printf("(%s) Stop", row.sCode)
                                                      : Printf("(%s) %s Fail", row.sCode, row.sItemName);
    } else {
        v.colour = kColourRunning;
        if (status == 3) {
            v.text = "(RDT-Running)";
        } else if (status == 4) {
            TraceOut("STATUS_SORT_DONE \n");
        } else if (status == 0) {
            switch (VP_GetCurrentMode(p)) {
                case kModeLoader:
                    v.text = "Loader";
                    break;
                case kModeGdp:
                    v.text = "GDP";
                    break;
                case kModeRdt:
                    v.text = "RDT";
                    break;
                case kModeSystem:
                    if (IsSysModeWithNTFS(p)) {
                        v.colour = kColourSilver;
                        v.text = Printf("%u MB, Find NTFS partition!", r.dwCapacityMB);
                    } else {
                        v.text = Printf("%u MB", r.dwCapacityMB);
                    }
                    break;
                default:
                    break;
            }
        }
    }
    if (v.text && v.text->empty()) v.text.reset();
    return v;
}

}  // namespace app
