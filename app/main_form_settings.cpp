// The settings stand-ins of the main window (the settings pages replace them), the handlers that
// the pages' issues bring (they trace until then), and the file checks with their status texts.
#include <QAbstractButton>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <cstring>
#include <filesystem>

#include "app/file_checks.h"
#include "app/main_form.h"
#include "app/mp_item_table.h"
#include "app/run_state.h"
#include "forms/ini_file.h"
#include "forms/ui_port.h"
#include "platform/files.h"
#include "settings/die_map_page.h"
#include "settings/die_remap.h"
#include "settings/flash_param.h"
#include "settings/flash_record.h"
#include "settings/ini_all.h"
#include "settings/para_file.h"
#include "settings/records.h"
#include "settings/tmc_timing.h"
#include "transport/trace.h"

namespace {

namespace fs = std::filesystem;

const char* const kTmcFiles[] = {"TMC_L2T2.ini", "TMC_LGC.ini", "TMC_ONFI3.ini", "TMC_ONFI4.ini", "TMC_TGL2.ini"};

std::string Text(const char* field, std::size_t size) {
    return std::string(field, BoundedStrLen(field, size));
}

fs::path TmcFolder() {
    return platform::ProgramFolder() / "TMC" / Text(AP_INIState.TMCFolder, sizeof AP_INIState.TMCFolder);
}

// The sample part of the demo station (the emulated drives' default flash) as flash record 0.
void PutSamplePart() {
    FlashRecord_t& r = g_FlashRecord[0];
    r = FlashRecord_t{};
    std::strcpy(r.FlashUniName, "B27B512G");
    std::strcpy(r.sFlashFullName, "QVB27B512G4P");
    r.ucFlashType = 2;
    r.ucCE = 2;
    r.wBlocks = 2016;
    r.wPages = 2304;
    r.wPageSize = 16;
    r.ucDiePerCE = 1;
    r.ucFlashInterface = 1;
    r.ucPlanes = 4;
    const std::uint8_t id[6] = {0x9B, 0xC4, 0x58, 0x32, 0xA6, 0x00};  // what the emulated flash answers
    std::memcpy(r.aFlashID, id, sizeof r.aFlashID);
}

// The initial and after-set-feature timing files of a flash interface; null keeps the current ones.
std::pair<const char*, const char*> TmcFilesFor(std::uint8_t interface) {
    switch (interface) {
        case 1:
        case 6:
        case 7:
            return {"TMC_TGL2.ini", "TMC_TGL2.ini"};
        case 2:
            return {nullptr, nullptr};
        case 3:
        case 5:
        case 9:
            return {"TMC_LGC.ini", "TMC_L2T2.ini"};
        case 8:
            return {"TMC_LGC.ini", "TMC_ONFI3.ini"};
        case 10:
            return {"TMC_ONFI4.ini", "TMC_ONFI4.ini"};
        default:
            return {"TMC_LGC.ini", "TMC_LGC.ini"};
    }
}

}  // namespace

bool TMainForm::ReadINI(const std::string& path) {
    if (auto* edit = Control<QLineEdit>("INIFileLabeledEdit")) {
        edit->setText(QString::fromStdString(fs::path(path).filename().string()));
        edit->setToolTip(QString::fromStdString(path));
    }
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        forms::Ui().ErrorBox("The " + path +
                             " file cann't be found, and the application will create the default file!\n");
        m_bWriteSettings = true;
        return false;
    }
    m_bWriteSettings = false;
    ReadIniAll(path.c_str());
    const forms::IniFile ini(path);
    const std::string logPath = ini.ReadString("Setting", "LogPath", "log");
    m_sLogPath = logPath == "log" ? (platform::ProgramFolder() / "log").string() : logPath;
    g_EnCustomizePortMap = static_cast<std::uint8_t>(ini.ReadInteger("Setting", "EnCustomizePortMap", 0));
    for (int n = 1; n <= kDeviceCount; ++n) {
        const std::string key = "DevicePortMap_" + std::to_string(n);
        g_CustomizePortMap[n - 1] = static_cast<std::uint16_t>(ini.ReadInteger("Setting", key, 65535));
    }
    const std::string folder = Text(AP_INIState.TMCFolder, sizeof AP_INIState.TMCFolder);
    TraceOut("######### - TMC folder is %s\n", folder.c_str());
    for (const char* file : kTmcFiles) {
        if (fs::exists(TmcFolder() / file, ec)) continue;
        forms::Ui().ErrorBox("Please make sure the file \"TMC\\" + folder + "\\" + file + "\" exist!\n");
        return false;
    }
    ChangeGlobalParameter();
    UpdateStruct2UI();
    m_bWriteSettings = true;
    return true;
}

bool TMainForm::WriteINI(const std::string& path) {
    WriteIniAll(path.c_str());
    forms::IniFile ini(path);
    ini.WriteInteger("Setting", "EnCustomizePortMap", g_EnCustomizePortMap);
    TraceOut("######### - WriteINI - g_EnCustomizePortMap %d\n", g_EnCustomizePortMap);
    for (int n = 1; n <= kDeviceCount; ++n) {
        ini.WriteInteger("Setting", "DevicePortMap_" + std::to_string(n), g_CustomizePortMap[n - 1]);
    }
    return true;
}

void TMainForm::ChangeGlobalParameter() {
    if (g_FlashRecord[0].FlashUniName[0] == '\0') PutSamplePart();
    settings::DieMapPage page;
    settings::DieMapRecordToPage(page);
    settings::DieMapPageToRecord(page);
    ProcessDieRemapForFlash([](const char* text) { forms::Ui().ShowMessage(text); });
    const fs::path para =
        platform::ProgramFolder() / "PARA" / Text(AP_INIState.ExtParaFile, sizeof AP_INIState.ExtParaFile);
    ReadParaIni(para.string().c_str(), AP_ParaSet);
    QV_UpdateGlobalParameter(0, AP_INIState);
    const auto [init, best] = TmcFilesFor(AP_FlashSet.ucFlashInterface);
    if (init != nullptr) m_sInitTmcFile = (TmcFolder() / init).string();
    if (best != nullptr) m_sBestTmcFile = (TmcFolder() / best).string();
    ReadInitTMCIni(m_sInitTmcFile.c_str());
    ReadBestTMCIni(m_sBestTmcFile.c_str());
}

void TMainForm::UpdateStruct2UI() {
    TraceOut("######### - UpdateStruct2UI\n");
    std::int32_t* enable = AP_INIState.dwItemEnable;
    const bool mp = AP_INIState.ToolMode == 0;
    const bool sort = AP_INIState.ToolMode == 1;
    std::vector<int> ids = {1, 3, 4, 5};
    if (mp) ids.push_back(7);
    if (sort) ids.push_back(6);
    ids.push_back(8);
    if (enable[9] != 0) ids.push_back(9);
    if (mp) {
        ids.push_back(10);
        ids.push_back(11);
    }
    if (sort && AP_RDTSet.RunSortingMode == 0) {
        ids.push_back(kItemCheckRdtFw);
        enable[kItemCheckRdtFw] = 1;
        enable[kItemSortConnection] = 0;
    }
    if (sort && AP_RDTSet.RunSortingMode == 1) {
        ids.push_back(kItemSortConnection);
        enable[kItemCheckRdtFw] = 0;
        enable[kItemSortConnection] = 1;
    }
    if (enable[15] != 0) ids.push_back(15);
    if (enable[34] != 0) ids.push_back(34);
    if (enable[17] != 0) ids.push_back(17);
    FunCheckListBox->Clear();
    for (int id : ids) FunCheckListBox->AddItem(g_MPItemTable[id].sItemName);
    for (int i = 0; i < FunCheckListBox->Count(); ++i) {
        const int id = FindTestItem(FunCheckListBox->ItemText(i).toStdString());
        FunCheckListBox->SetChecked(i, id > 0 && enable[id] != 0);
    }
}

void TMainForm::UpdateUI2Struct() {
    TraceOut("######### - UpdateUI2Struct\n");
}

void TMainForm::FunCheckListBoxClickCheck(int index) {
    const int id = FindTestItem(FunCheckListBox->ItemText(index).toStdString());
    if (id > 0) AP_INIState.dwItemEnable[id] = FunCheckListBox->Checked(index) ? 1 : 0;
}

void TMainForm::FunCheckListBoxClick(QObject*) {
    TraceOut("######### - FunCheckListBoxClick\n");
}

void TMainForm::CalcIDEMAtoRatioButtonClick(QObject*) {
    TraceOut("######### - CalcIDEMAtoRatioButtonClick\n");
}

void TMainForm::DieMapCheckBoxOnClick(QObject*) {
    TraceOut("######### - DieMapCheckBoxOnClick\n");
}

namespace {

// The device number after the name's prefix ("CFTButton12" -> 12), 0 when none.
int NumberAfter(QObject* sender, int prefixLength) {
    return sender != nullptr ? sender->objectName().mid(prefixLength).toInt() : 0;
}

}  // namespace

void TMainForm::CFTButtonClick(QObject* sender) {
    TraceOut("######### - CFTButtonClick %d\n", NumberAfter(sender, 9));
}

void TMainForm::DeviceInfoBitBtnClick(QObject* sender) {
    TraceOut("######### - DeviceInfoBitBtnClick %d\n", NumberAfter(sender, 16));
}

void TMainForm::GeneralFormShow(QWidget* form) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (form == nullptr || screen == nullptr) return;
    const QRect area = screen->geometry();
    form->move((area.width() - form->width()) / 2, (area.height() - form->height()) / 2);
}

void TMainForm::BuildTmcFolderChooser() {}

void TMainForm::CheckGDPBin() {
    std::string text = StatusPanel[2]->text().toStdString();
    app::CheckGDPBin(&text);
    SetStatusText(2, text);
}

int TMainForm::CheckFWBin(int strict) {
    std::string text = StatusPanel[1]->text().toStdString();
    const int result = app::CheckFWBin(strict, &text);
    SetStatusText(1, text);
    return result;
}

int TMainForm::CheckLDPCBin() {
    return app::CheckLDPCBin();
}
int TMainForm::CheckNandMenUpdateBin() {
    return app::CheckNandMenUpdateBin();
}
int TMainForm::CheckOPALBin() {
    return app::CheckOPALBin();
}
int TMainForm::CheckNandMemBin() {
    return app::CheckNandMemBin();
}
int TMainForm::CheckUEFIBin() {
    return app::CheckUEFIBin();
}
