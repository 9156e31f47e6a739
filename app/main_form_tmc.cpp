// The flash clock and the TMC timing choice of the Main Page, and the TMC folder chooser.
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/main_form.h"
#include "app/settings_passes.h"
#include "app/tmc_sections.h"
#include "forms/ui_port.h"
#include "platform/files.h"
#include "settings/records.h"
#include "settings/tmc_timing.h"
#include "transport/trace.h"

namespace {

namespace fs = std::filesystem;
constexpr int kMaxTmcFolders = 32;

std::string TmcFolderName() {
    return std::string(AP_INIState.TMCFolder, BoundedStrLen(AP_INIState.TMCFolder, sizeof AP_INIState.TMCFolder));
}

}  // namespace

void TMainForm::ClockComboBoxChange(QObject*) {
    auto* clock = Control<QComboBox>("ClockComboBox");
    auto* tmc = Control<QComboBox>("TMCComboBox");
    if (clock == nullptr || tmc == nullptr) return;
    const int item = clock->currentIndex();
    AP_INIState.Clock = item >= 1 && item <= 5 ? app::ClockOfItem(item) : 33;
    tmc->clear();
    for (const std::string& s : app::TmcSectionsOf(app::TmcText(m_sBestTmcFile), AP_FlashSet.ucFlashInterface,
                                                   AP_INIState.Clock)) {
        tmc->addItem(QString::fromStdString(s));
    }
    tmc->setCurrentIndex(tmc->count() > 0 ? 0 : -1);
    TMCComboBoxChange(tmc);
    ChangeGlobalParameter();
    CheckFWBin(0);
}

void TMainForm::TMCComboBoxChange(QObject*) {
    auto* tmc = Control<QComboBox>("TMCComboBox");
    if (tmc == nullptr) return;
    TraceOut("######### - TMCComboBox->ItemIndex is %d\n", tmc->currentIndex());
    if (tmc->currentIndex() == 0) AP_FwSet.SetFeatureSettingProfile = 0;
    const std::string note = app::TmcNote(app::TmcText(m_sBestTmcFile), tmc->currentText().toStdString());
    if (auto* edit = Control<QLineEdit>("TMCProfileEdit")) {
        edit->setText(QString::fromStdString(note));
        edit->setToolTip(QString::fromStdString(note));
        edit->setCursorPosition(0);
    }
    if (ReadBestTMCIni(m_sBestTmcFile.c_str()) != 0) return;
    forms::Ui().ShowMessage(app::TimingSectionName(AP_FlashSet.ucFlashInterface, AP_INIState.Clock,
                                                   AP_FwSet.SetFeatureSettingProfile) +
                            " can't be found!\r\n Reset to default setting.");
    // The fall-back runs once per change: when its own section is missing too, the clock stays 200.
    if (m_bTmcFallback) return;
    m_bTmcFallback = true;
    AP_INIState.Clock = 200;
    if (auto* clock = Control<QComboBox>("ClockComboBox")) clock->setCurrentIndex(2);
    AP_FwSet.SetFeatureSettingProfile = 0;
    tmc->setCurrentIndex(tmc->count() > 0 ? 0 : -1);
    ClockComboBoxChange(this);
    m_bTmcFallback = false;
}

void TMainForm::BuildTmcFolderChooser() {
    std::vector<std::string> folders;
    std::error_code ec;
    fs::directory_iterator it(platform::ProgramFolder() / "TMC", ec);
    if (ec) {
        TraceOut("######### - Error 1 - FindFirstFile\n");
    } else {
        for (; it != fs::directory_iterator(); it.increment(ec)) {
            std::error_code dirError;
            if (!it->is_directory(dirError)) continue;
            folders.push_back(it->path().filename().string());
        }
        if (ec) TraceOut("######### - Error 2 - FindFirstFile\n");
    }
    std::sort(folders.begin(), folders.end());
    if (static_cast<int>(folders.size()) > kMaxTmcFolders) folders.resize(kMaxTmcFolders);
    TMCFolderForm = new QDialog(this, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                                          Qt::WindowCloseButtonHint);
    TMCFolderForm->setObjectName("TMCFolderForm");
    TMCFolderForm->setWindowTitle("Select TMC folder");
    TMCFolderForm->setFixedSize(250, 20 * static_cast<int>(folders.size()) + 50);
    TMCFolderForm->setModal(true);
    const std::string current = TmcFolderName();
    for (std::size_t i = 0; i < folders.size(); ++i) {
        TraceOut("######### - %s <DIR>\n", folders[i].c_str());
        auto* button = new QRadioButton(QString::fromStdString(folders[i]), TMCFolderForm);
        button->setObjectName(QString("TMCFolderRadioButton%1").arg(i));
        button->setGeometry(10, 20 * static_cast<int>(i) + 10, 220, 20);
        button->setChecked(folders[i] == current);
        connect(button, &QRadioButton::clicked, this, [this, button] { TMCFolderRadioButtonClick(button); });
        TMCFolderRadioButton.push_back(button);
        if (i + 1 == static_cast<std::size_t>(kMaxTmcFolders)) {
            TraceOut("######### - Number of TMC folder is meet 32(Maximun)!\n");
        }
    }
    TMCFolderForm->hide();
}

void TMainForm::SelectTMCfolderClick(QObject*) {
    if (TMCFolderForm == nullptr) return;
    GeneralFormShow(TMCFolderForm);
    TMCFolderForm->exec();
}

void TMainForm::TMCFolderRadioButtonClick(QObject* sender) {
    auto* button = qobject_cast<QAbstractButton*>(sender);
    if (button == nullptr) return;
    const std::string caption = button->text().toStdString();
    std::memset(AP_INIState.TMCFolder, 0, sizeof AP_INIState.TMCFolder);
    std::memcpy(AP_INIState.TMCFolder, caption.data(), std::min(caption.size(), sizeof AP_INIState.TMCFolder - 1));
    TraceOut("######### - RadioButton->Caption is %s\n", caption.c_str());
    TraceOut("######### - AP_INIState.TMCFolder is %s\n", AP_INIState.TMCFolder);
    ChangeGlobalParameter();
    UpdateStruct2UI();
}
