// "Tools" > "Create RDT Analysis File": the operator picks any ".bin" file of a folder of analysis
// files; every ".bin" entry of that folder is listed on the "Analysis Data" tab and in the list memo,
// and exported as one .xlsx workbook into the same folder (app/analysis_workbook.h).
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTreeWidget>
#include <algorithm>
#include <filesystem>

#include "app/analysis_workbook.h"
#include "app/main_form.h"
#include "app/run_lock.h"
#include "forms/message_pump.h"
#include "forms/ui_port.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "transport/trace.h"

namespace {

// The folder of `path` with its trailing separator.
std::string FolderOf(const std::string& path) {
    std::string folder = std::filesystem::path(path).parent_path().string();
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

// The run lock for the handler's lifetime: released after the second's wait, or at once when the
// handler ends by an exception.
class AnalysisLock {
  public:
    explicit AnalysisLock(TMainForm& form) : form_(form) { app::LockForRun(form_, true, app::RunLockPage::Keep); }
    ~AnalysisLock() { app::LockForRun(form_, false, app::RunLockPage::Keep); }
    AnalysisLock(const AnalysisLock&) = delete;
    AnalysisLock& operator=(const AnalysisLock&) = delete;

  private:
    TMainForm& form_;
};

}  // namespace

void TMainForm::CreateRDTAnalysisFileClick(QObject*) {
    const AnalysisLock lock(*this);
    forms::OpenFileRequest request;
    request.defaultExtension = ".bin";
    request.filter = "BIN file(*.bin)|*.bin";
    request.initialFolder = m_sAnalysisFolder.empty() ? platform::ProgramFolder().string() : m_sAnalysisFolder;
    if (const std::optional<std::string> file = forms::Ui().OpenFile(request)) {
        TraceOut("######### - asBinFileName is %s\n", file->c_str());
        const std::string folder = FolderOf(*file);
        m_sAnalysisFolder = folder;
        TraceOut("######### - asRawFilePath is %s\n", folder.c_str());
        LoadAnalysisFile(folder);
    }
    forms::DelayWithMessages(1000);
}

void TMainForm::LoadAnalysisFile(const std::string& folder) {
    Main_debugMemo->clear();
    RDTAnalysis_Memo->clear();
    int n = 0;
    for (const std::string& path : app::ListAnalysisFiles(folder)) {
        ++n;
        const QString text = QString::fromStdString(path);
        Analysis_ListView->addTopLevelItem(new QTreeWidgetItem(QStringList{QString::number(n), text}));
        RDTAnalysis_Memo->appendPlainText(text);
        forms::ProcessMessages();
    }
    TraceOut("AnalysisFile Num = %d \n", n);
    TraceOut("1.Analysis_ListView->Items(0) = %s \n",
             RDTAnalysis_Memo->document()->firstBlock().text().toStdString().c_str());
    ParsingAnalysisRawFile(n, folder);
}

void TMainForm::ParsingAnalysisRawFile(int count, const std::string& folder) {
    const std::string name = app::AnalysisWorkbookName(folder, platform::Now());
    TraceOut("ucRawFileNum = %d , Excelname = %s \n", count, name.c_str());
    std::vector<std::string> files;
    const QTextDocument* memo = RDTAnalysis_Memo->document();
    const int lines = memo->isEmpty() ? 0 : memo->blockCount();
    for (QTextBlock line = memo->firstBlock(); line.isValid() && line.blockNumber() < std::min(count, lines);
         line = line.next()) {
        files.push_back(line.text().toStdString());
    }
    if (const std::optional<std::string> error = app::WriteAnalysisWorkbook(name, files)) {
        TraceOut("######### - Analysis workbook %s not written: %s\n", name.c_str(), error->c_str());
        forms::Ui().ErrorBox("Cannot write the analysis workbook \"" + name + "\": " + *error);
    }
}
