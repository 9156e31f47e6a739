#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <filesystem>
#include <functional>
#include <thread>

#include "forms/gui_call.h"
#include "forms/message_pump.h"
#include "forms/qt_ui_port.h"
#include "forms/scripted_ui_port.h"
#include "platform/files.h"
#include "platform/trace_sink.h"

namespace {

constexpr long long kPatienceMs = 5000;

// The scripted port as code under test sees it: through forms::Ui().
TEST(ScriptedUiPort, AnswersFromItsQueuesAndRecordsEveryBox) {
    forms::ScriptedUiPort port;
    forms::ScopedUiPort installed(port);
    port.AnswerYesNo(true);
    port.AnswerText(std::string("plirk"));
    port.AnswerFile(std::nullopt);

    EXPECT_TRUE(forms::Ui().AskYesNo("Device 3 - Execute Selected MP Flow\n",
                                     "Are you sure to execute selected MP flow with Device 3!\n"));
    EXPECT_FALSE(forms::Ui().AskYesNo("Erase Code Block", "Are you sure to Erase Code Block?"));  // queue empty
    EXPECT_EQ(forms::Ui().PasswordBox("Please Input the Password", "Password"), "plirk");
    EXPECT_EQ(forms::Ui().OpenFile({"INI file(*.ini)|*.ini", ".ini", "/opt/k", ""}), std::nullopt);
    forms::Ui().ErrorBox("[0]Fail to open/create log file!");
    forms::Ui().ShowMessage("Please select a valid Flash Vendor!");

    using forms::BoxIcon;
    using forms::BoxKind;
    const std::vector<forms::ShownBox> expected{
        {BoxKind::YesNo, "Device 3 - Execute Selected MP Flow\n",
         "Are you sure to execute selected MP flow with Device 3!\n", BoxIcon::Question, ""},
        {BoxKind::YesNo, "Erase Code Block", "Are you sure to Erase Code Block?", BoxIcon::Question, ""},
        {BoxKind::Password, "Please Input the Password", "Password", BoxIcon::None, ""},
        {BoxKind::OpenFile, "", "INI file(*.ini)|*.ini", BoxIcon::None, "/opt/k"},
        {BoxKind::Message, "Error", "[0]Fail to open/create log file!", BoxIcon::Error, ""},
        {BoxKind::PlainMessage, "", "Please select a valid Flash Vendor!", BoxIcon::None, ""},
    };
    EXPECT_EQ(port.Shown(), expected);
    EXPECT_EQ(port.Unanswered(), 1u);
    EXPECT_EQ(port.PendingAnswers(), 0u);
}

TEST(UiPort, WithoutAnInstalledPortBoxesAreTracedAndQuestionsAnswerNo) {
    platform::TraceCapture capture;
    EXPECT_FALSE(forms::Ui().AskYesNo("Auto Port Mapping", "Remove all devices"));
    EXPECT_EQ(forms::Ui().InputBox("Caption", "Prompt", "x"), std::nullopt);
    forms::Ui().ErrorBox("No Nep ID code file!");
    EXPECT_TRUE(capture.Contains("Error: No Nep ID code file!\n"));
    EXPECT_TRUE(capture.Contains("Auto Port Mapping: Remove all devices -> No\n"));
}

TEST(QtUiPort, NameFiltersFromDescriptionPatternPairs) {
    EXPECT_EQ(forms::QtNameFilters("INI file(*.ini)|*.ini"), QStringList{"INI file (*.ini)"});
    EXPECT_EQ(forms::QtNameFilters("BIN file(*.bin)|*.bin|All|*.*"), (QStringList{"BIN file (*.bin)", "All (*.*)"}));
    EXPECT_EQ(forms::QtNameFilters("Images|*.png;*.bmp"), QStringList{"Images (*.png *.bmp)"});
    EXPECT_TRUE(forms::QtNameFilters("").isEmpty());
}

// Answers the next modal dialog of type T on the GUI thread with `act`, as an operator would.
template <class T>
class Operator {
  public:
    explicit Operator(std::function<void(T&)> act) : act_(std::move(act)) {
        timer_.setInterval(2);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
                timer_.stop();
                act_(*dialog);
                done_ = true;
            }
        });
        timer_.start();
    }
    bool Done() const { return done_; }

  private:
    std::function<void(T&)> act_;
    QTimer timer_;
    bool done_ = false;
};

TEST(QtUiPort, ErrorBoxIsTitledErrorWithTheErrorIcon) {
    forms::QtUiPort port;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Operator<QMessageBox> op([&](QMessageBox& box) {
        title = box.windowTitle();
        text = box.text();
        icon = box.icon();
        box.accept();
    });
    port.ErrorBox("The \"GDP.bin\" file cann't be found!\n");
    EXPECT_TRUE(op.Done());
    EXPECT_EQ(title, "Error");
    EXPECT_EQ(text, "The \"GDP.bin\" file cann't be found!\n");
    EXPECT_EQ(icon, QMessageBox::Critical);
}

TEST(QtUiPort, AWorkersYesNoQuestionIsShownOnTheGuiThreadAndItsAnswerRead) {
    forms::QtUiPort port;
    bool shownOnGui = false;
    Operator<QMessageBox> op([&](QMessageBox& box) {
        shownOnGui = forms::IsGuiThread();
        box.button(QMessageBox::Yes)->click();
    });
    std::atomic<int> answer{-1};
    std::thread worker([&] {
        answer = port.AskYesNo("YES/NO", "Exit Auto MP ?") ? 1 : 0;
        forms::PostToGui([] {});
    });
    ASSERT_TRUE(forms::PumpUntil([&] { return answer.load() >= 0; }, kPatienceMs));
    worker.join();
    EXPECT_EQ(answer, 1);
    EXPECT_TRUE(shownOnGui);
}

TEST(QtUiPort, InputBoxReturnsTheTypedTextAndPasswordBoxMasksAndCancels) {
    forms::QtUiPort port;
    QString defaultSeen;
    Operator<QInputDialog> typing([&](QInputDialog& dialog) {
        defaultSeen = dialog.textValue();
        dialog.setTextValue("SN0001");
        dialog.accept();
    });
    EXPECT_EQ(port.InputBox("Please input the SN(Port3", "SN", "old"), "SN0001");
    EXPECT_EQ(defaultSeen, "old");

    QLineEdit::EchoMode echo = QLineEdit::Normal;
    Operator<QInputDialog> cancelling([&](QInputDialog& dialog) {
        echo = dialog.textEchoMode();
        dialog.reject();
    });
    EXPECT_EQ(port.PasswordBox("Please Input the Password", "Password"), std::nullopt);
    EXPECT_EQ(echo, QLineEdit::Password);
}

TEST(QtUiPort, OpenFileReturnsTheChosenPath) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("qv_open_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    ASSERT_TRUE(platform::WriteWholeFile(dir / "Other.ini", "[Setting]\r\n"));
    forms::QtUiPort port;
    QStringList filters;
    Operator<QFileDialog> choosing([&](QFileDialog& dialog) {
        filters = dialog.nameFilters();
        dialog.selectFile(QString::fromStdString((dir / "Other.ini").string()));
        static_cast<QDialog&>(dialog).accept();  // the dialog's own accept, as the Open button does
    });
    const auto chosen = port.OpenFile({"INI file(*.ini)|*.ini", ".ini", dir.string(), ""});
    EXPECT_EQ(chosen, (dir / "Other.ini").string());
    EXPECT_EQ(filters, QStringList{"INI file (*.ini)"});
    std::filesystem::remove_all(dir);
}

}  // namespace
