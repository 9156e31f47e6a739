// The page writers of the refresh: SSD and flash information with the flash IDs, the firmware
// parameter structures, the erase counts and the SMART pages. Each writes its report section in
// save-all mode.
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTextCursor>
#include <cstring>

#include "commands/command_sets.h"
#include "forms/message_pump.h"
#include "procedures/V_Proc_FwVariable.h"
#include "procedures/V_Proc_Modes.h"
#include "procedures/V_Proc_PageAccess.h"
#include "settings/records.h"
#include "transport/bridge_tunnel.h"
#include "transport/byte_order.h"
#include "transport/trace.h"
#include "utility/device_scan.h"
#include "utility/device_state.h"
#include "utility/erase_count_text.h"
#include "utility/fw_param_text.h"
#include "utility/main_form.h"
#include "utility/report_files.h"
#include "utility/smart_text.h"
#include "utility/ssd_info_text.h"

namespace vellumin {

bool TMainForm::GetSSDInfo(std::uint8_t* buffer) {
    return VP_GetSSDInfo(g_bInstance, buffer);
}

void TMainForm::ShowSSDInfo(int port, std::uint8_t* buffer) {
    std::optional<std::uint64_t> nsze;
    if (VP_Identify(port, buffer, 0)) {
        nsze = transport::GetLe64(buffer);
        TraceOut("######### - pNVMeIdentify->NSZE is %d\n", static_cast<int>(static_cast<std::uint32_t>(*nsze)));
    }
    const Lines ssd = SsdSettingLines(AP_FlashSet, AP_FwSet, AP_Variable, nsze);
    SetMemoLines(SSDSettingMemo, ssd);
    if (g_nSaveAllMode == 1) AppendReportSection(g_pSystemInfoPath, "SSD Info", MemoText(ssd));

    const Lines flash = FlashInfoLines(AP_FlashSet);
    SetMemoLines(FlashInfoMemo, flash);
    if (g_nSaveAllMode == 1) AppendReportSection(g_pSystemInfoPath, "Flash Info", MemoText(flash));
    FlashInfoMemo->moveCursor(QTextCursor::Start);
    FlashInfoMemo->ensureCursorVisible();

    FwInfoMemo->clear();
    fwInfoLines_.clear();
    std::uint8_t reply[512];
    for (int c = 0; c < FlashIdChannels(AP_FlashSet); ++c) {
        for (int b = 0; b < FlashIdBanks(AP_FlashSet); ++b) {
            std::memset(reply, 0, sizeof reply);
            if (VC_SYS_GetFlashID(port, reply, 1, static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(b)) != 1) {
                continue;
            }
            const std::string line = FlashIdLine(reply, sizeof reply, [] { forms::ProcessMessages(); });
            TraceOut("####-%s\n", line.c_str());
            fwInfoLines_.push_back(line);
            AddMemoLine(FwInfoMemo, line);
        }
    }
}

void TMainForm::ShowFWParamInfo(int port, std::uint8_t* buffer) {
    using Reader = Lines (*)(const std::uint8_t*);
    const std::pair<std::uint32_t, Reader> regions[] = {
        {0, FactoryIdentifyLines}, {512, SystemParamLines}, {1024, ParamTableLines}};
    for (const auto& [address, reader] : regions) {
        if (VC_LDR_CmdReadRam(port, buffer, 1, address) != 1) continue;
        for (const std::string& line : reader(buffer)) {
            fwInfoLines_.push_back(line);
            AddMemoLine(FwInfoMemo, line);
        }
    }
    FwInfoMemo->moveCursor(QTextCursor::Start);
    if (g_nSaveAllMode == 1) AppendReportSection(g_pSystemInfoPath, "FW Param Info", MemoText(fwInfoLines_));
}

void TMainForm::ShowEraseCount(int port, std::uint8_t* buffer) {
    EraseCountMemo->clear();
    std::memset(buffer, 0, 4);
    const std::uint32_t sectors = std::uint32_t{AP_FlashSet.bPageSector} * 2;
    if (VC_SYS_GetEraseCount(port, buffer, sectors, 0, 0) != 1) return;
    DumpWithSwitch(Format("EC_%2.2d_%2.2d.raw", 0, 0).c_str(), buffer, kSysReadPageBufBytes);
    const EraseCountShape shape = EraseCountGeometry(AP_FlashSet, std::size_t{sectors} * 128);
    const InfoPortRecord& record = g_InfoPort[static_cast<std::size_t>(port)];
    const std::string text = EraseCountText(shape, buffer, [&record](int channel, int bank, int unit) {
        return BadUnitMark(record, channel, bank, unit) == 1;
    });
    QString shown = QString::fromStdString(text);
    shown.replace("\r\n", "\n");
    if (shown.endsWith('\n')) shown.chop(1);
    EraseCountMemo->setPlainText(shown);
    if (g_nSaveAllMode == 1) AppendReportSection(g_pSystemInfoPath, "EraseCount", text);
}

void TMainForm::ShowSMARTInfo(int port, std::uint8_t* buffer) {
    SmartInfoMemo->clear();
    for (int r = 0; r < SmartStringGrid->rowCount(); ++r) {
        for (int c = 0; c < SmartStringGrid->columnCount(); ++c) {
            if (QTableWidgetItem* item = SmartStringGrid->item(r, c)) item->setText(QString());
        }
    }
    std::memset(buffer, 0, 4);
    if (VC_Bridge_GetLogPageCmd(port, buffer, 0x02, 1024) != 1) return;
    std::uint8_t health[kSmartKeptBytes];
    std::memcpy(health, buffer, sizeof health);
    const SmartPage standard = StandardSmart(health);
    SetGridRows(StandardSmartInfoStringGrid, standard.rows);
    for (const std::string& line : standard.memo) AddMemoLine(SmartInfoMemo, line);
    if (g_nSaveAllMode == 1) {
        AppendReportSection(g_pSystemInfoPath, "SMART / Health Information",
                            SmartReportText(standard.rows, kStandardReportRows));
    }

    std::memset(buffer, 0, 4);
    if (VC_Bridge_GetLogPageCmd(port, buffer, 0xC0, 1024) != 1) return;
    const VendorSmartPage vendor = VendorSmart(buffer);
    SetGridRows(SmartStringGrid, vendor.rows);
    if (g_nSaveAllMode == 1) {
        AppendReportSection(g_pSystemInfoPath, "Vendor SMART Information",
                            SmartReportText(vendor.rows, kVendorReportRows));
    }
    for (const std::string& line : vendor.memo) AddMemoLine(SmartInfoMemo, line);
}

}  // namespace vellumin
