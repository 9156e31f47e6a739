// The settings file (ReadINI, WriteINI, "Load INI"), the two settings passes over the window's
// controls, the flash part and Para file choice and the flash-parameter refresh.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <cstring>
#include <filesystem>

#include "app/flash_list_file.h"
#include "app/main_form.h"
#include "app/para_choice.h"
#include "app/run_state.h"
#include "app/settings_passes.h"
#include "app/tmc_sections.h"
#include "app/widget_control_store.h"
#include "forms/gui_call.h"
#include "forms/ini_file.h"
#include "forms/str_to_int.h"
#include "forms/ui_port.h"
#include "platform/files.h"
#include "settings/die_remap.h"
#include "settings/flash_list.h"
#include "settings/flash_param.h"
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

std::string FlashListName() {
    return Text(AP_INIState.ExtFlashFile, sizeof AP_INIState.ExtFlashFile);
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

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// True (after the message) when the operator chose the flash list instead of a settings file.
bool IsFlashList(const std::string& chosen) {
    const std::optional<fs::path> list = FlashListPath(platform::ProgramFolder(), FlashListName());
    const fs::path listName = list ? list->filename() : fs::path(FlashListName()).filename();
    if (Upper(fs::path(chosen).filename().string()) != Upper(listName.string())) {
        return false;
    }
    forms::Ui().ShowMessage("The file is a setting file for flash, please choose a correct setting file for MP tool!");
    return true;
}

std::optional<std::string> ChooseIni() {
    forms::OpenFileRequest request;
    request.filter = "INI file(*.ini)|*.ini";
    request.defaultExtension = ".ini";
    request.initialFolder = platform::ProgramFolder().string();
    return forms::Ui().OpenFile(request);
}

// What the passes need of the main window.
class FormWindow : public app::SettingsWindow {
  public:
    explicit FormWindow(TMainForm& form) : f_(form) {}
    bool MenuChecked(const std::string& item) const override {
        const QAction* a = Action(item);
        return a != nullptr && a->isChecked();
    }
    void SetMenuChecked(const std::string& item, bool checked) override {
        if (QAction* a = Action(item)) a->setChecked(checked);
    }
    void SetPageEnabled(int page, bool enabled) override { f_.SetSettingsPageEnabled(page, enabled); }
    void LockUI(int lock) override { f_.LockUI(lock); }
    void ListLayoutClick() override { f_.ListLayoutClick(&f_); }
    void BlockLayoutClick() override { f_.BlockLayoutClick(&f_); }
    void FullClick() override { f_.FullClick(&f_); }
    void PartialClick() override { f_.PartialClick(&f_); }
    int FlashVendorCount() const override { return f_.m_nFlashVendorCount; }
    std::vector<std::string> TmcSections(std::uint8_t iface, std::uint16_t clock) override {
        return app::TmcSectionsOf(app::TmcText(f_.m_sBestTmcFile), iface, clock);
    }
    void TMCComboBoxChange() override { f_.TMCComboBoxChange(&f_); }
    void LoadParaFile() override { app::LoadParaFile(); }
    void ChangeGlobalParameter() override { f_.ChangeGlobalParameter(); }
    void ShowMessage(const std::string& text) override { forms::Ui().ShowMessage(text); }

  private:
    QAction* Action(const std::string& item) const {
        return f_.findChild<QAction*>(QString::fromStdString(item));
    }
    TMainForm& f_;
};

}  // namespace

namespace app {

void LoadParaFile() {  // declared in app/para_choice.h
    const std::string name = Text(AP_INIState.ExtParaFile, sizeof AP_INIState.ExtParaFile);
    TraceOut("ParaFile = %s \n", name.c_str());
    std::error_code ec;
    fs::path path = platform::ProgramFolder() / "PARA" / name;
    if (name.empty() || !fs::is_regular_file(path, ec)) {
        path = platform::ProgramFolder() / "PARA" / "Para_NULL.ini";
        if (!fs::is_regular_file(path, ec)) forms::Ui().ErrorBox("Please make sure the file " + name + " exist!\n");
    }
    const int result = ReadParaIni(path.string().c_str(), AP_ParaSet);
    if (result == kParaOk) return;
    if (result == kParaNoSection) {
        forms::Ui().ShowMessage("Please check Para.ini\nDie count is mismatch!");
    } else {
        forms::Ui().ShowMessage("Please check Para.ini(" + std::to_string(result) + ")");
    }
}

}  // namespace app

bool TMainForm::ReadINI(const std::string& path) {
    // 1.
    if (auto* edit = Control<QLineEdit>("INIFileLabeledEdit")) {
        edit->setText(QString::fromStdString(fs::path(path).filename().string()));
        edit->setToolTip(QString::fromStdString(path));
    }
    // 2.
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        forms::Ui().ErrorBox("The " + path +
                             " file cann't be found, and the application will create the default file!\n");
        m_bWriteSettings = true;
        return false;
    }
    m_bWriteSettings = false;
    // 3.
    ReadIniAll(path.c_str());
    {
        const forms::IniFile ini(path);
        // 4.
        const std::string logPath = ini.ReadString("Setting", "LogPath", "log");
        m_sLogPath = logPath == "log" ? (platform::ProgramFolder() / "log").string() : logPath;
        // 5.
        g_EnCustomizePortMap = static_cast<std::uint8_t>(ini.ReadInteger("Setting", "EnCustomizePortMap", 0));
        for (int n = 1; n <= kDeviceCount; ++n) {
            const std::string key = "DevicePortMap_" + std::to_string(n);
            g_CustomizePortMap[n - 1] = static_cast<std::uint16_t>(ini.ReadInteger("Setting", key, 65535));
        }
        // 6.
        if (ini.ReadInteger("RDSetting", "DumpDebugFile", 0) == 1) {
            const fs::path raw = platform::ProgramFolder() / "raw";
            if (!fs::is_directory(raw, ec)) {
                fs::create_directories(raw, ec);
                if (!fs::is_directory(raw, ec)) forms::Ui().ErrorBox("Cannot create raw directory!\n");
            }
        }
    }
    // 7.
    const std::string listName = FlashListName();
    const std::optional<fs::path> list = FlashListPath(platform::ProgramFolder(), listName);
    m_sFlashFile = list ? list->string() : std::string();
    if (!list || !fs::is_regular_file(*list, ec)) {
        forms::Ui().ErrorBox("Please make sure the flash file " + listName + " exist!\n");
        return false;
    }
    if (LoadFlashIni(m_sFlashFile, &m_nFlashVendorCount, &m_nFlashRecordCount) == 0) {
        forms::Ui().ErrorBox("Please make sure the flash file " + listName + " format correct!\n");
        return false;
    }
    // 8.
    const std::string folder = Text(AP_INIState.TMCFolder, sizeof AP_INIState.TMCFolder);
    TraceOut("######### - TMC folder is %s\n", folder.c_str());
    for (const char* file : kTmcFiles) {
        if (fs::exists(TmcFolder() / file, ec)) continue;
        forms::Ui().ErrorBox("Please make sure the file \"TMC\\" + folder + "\\" + file + "\" exist!\n");
        return false;
    }
    // 9.
    const auto [init, best] = TmcFilesFor(AP_FlashSet.ucFlashInterface);
    if (init != nullptr) m_sInitTmcFile = (TmcFolder() / init).string();
    if (best != nullptr) m_sBestTmcFile = (TmcFolder() / best).string();
    // 10.
    ChangeGlobalParameter();
    UpdateStruct2UI();
    CalcIDEMAtoRatioButtonClick(this);
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

void TMainForm::LoadINIButtonClick(QObject*) {
    // The workers of a run read the records as the run found them: no file replaces them meanwhile.
    if (m_bRunning != 0) {
        TraceOut("######### - LoadINIButtonClick - a run is active, Load INI is ignored\n");
        return;
    }
    const auto chosen = ChooseIni();
    if (!chosen || IsFlashList(*chosen)) return;
    m_sIniFile = *chosen;
    ReadINI(m_sIniFile);
    LockSpeedButtonClick(this);
    // The test-item switches follow the rebuilt list (in MP mode Preformat keeps Download selected).
    FunCheckListBoxClickCheck(-1);
}

void TMainForm::ChangeGlobalParameter() {
    TraceOut("######### - ChangeGlobalParameter\n");
    const int index = FindFlashIndex(Text(AP_INIState.FlashUniName, sizeof AP_INIState.FlashUniName).c_str());
    QV_UpdateGlobalParameter(static_cast<std::uint16_t>(index), AP_INIState);
    const auto [init, best] = TmcFilesFor(AP_FlashSet.ucFlashInterface);
    if (init != nullptr) m_sInitTmcFile = (TmcFolder() / init).string();
    if (best != nullptr) m_sBestTmcFile = (TmcFolder() / best).string();
    ReadInitTMCIni(m_sInitTmcFile.c_str());
    ReadBestTMCIni(m_sBestTmcFile.c_str());
}

void TMainForm::UpdateStruct2UI() {
    forms::CallOnGui([this] {
        app::WidgetControlStore store(*this);
        FormWindow window(*this);
        app::UpdateStruct2UI(store, window);
    });
}

void TMainForm::UpdateUI2Struct() {
    forms::CallOnGui([this] {
        app::WidgetControlStore store(*this);
        FormWindow window(*this);
        app::UpdateUI2Struct(store, window);
    });
}

bool TMainForm::CopyPagesToRecords() {
    try {
        UpdateUI2Struct();
        return true;
    } catch (const forms::ConvertError& e) {
        forms::Ui().MessageBox(app::kToolName, e.what(), forms::BoxIcon::Error);
        return false;
    }
}

void TMainForm::UpdateFlashList(QObject* sender) {
    TraceOut("######### - UpdateFlashList\n");
    app::WidgetControlStore store(*this);
    if (!app::FillFlashTypeList(store, sender != nullptr)) forms::Ui().ShowMessage("Please select a valid Flash Vendor!");
    auto* vendor = Control<QComboBox>("FlashVendorComboBox");
    if (sender != nullptr && sender == vendor) FlashInfoChange(vendor);
}

void TMainForm::FlashInfoChange(QObject* sender) {
    TraceOut("######### - FlashInfoChange\n");
    if (!CopyPagesToRecords()) return;
    ChangeGlobalParameter();
    UpdateStruct2UI();
    RestoreDefaultRatioButtonClick(sender);
    auto* vendor = Control<QComboBox>("FlashVendorComboBox");
    auto* type = Control<QComboBox>("FlashTypeComboBox");
    if (sender != nullptr && (sender == vendor || sender == type)) {
        if (auto* tmc = Control<QComboBox>("TMCComboBox")) tmc->setCurrentIndex(tmc->count() > 0 ? 0 : -1);
    }
}

void TMainForm::LoadParaIniButtonClick(QObject* sender) {
    const auto chosen = ChooseIni();
    if (!chosen || IsFlashList(*chosen)) return;
    const std::string name = fs::path(*chosen).filename().string();
    std::memset(AP_INIState.ExtParaFile, 0, sizeof AP_INIState.ExtParaFile);
    std::memcpy(AP_INIState.ExtParaFile, name.data(), std::min(name.size(), sizeof AP_INIState.ExtParaFile - 1));
    if (auto* edit = Control<QLineEdit>("ParaIniFileLabeledEdit")) edit->setText(QString::fromStdString(name));
    app::LoadParaFile();
    ChangeGlobalParameter();
    CalcIDEMAtoRatioButtonClick(sender);
}
