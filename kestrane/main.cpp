// Kestrane: the application object, the bay of emulated drives when KESTRANE_BAY names one, the
// forms in their order, and the message loop.
#include <QTimer>
#include <memory>
#include <string>

#include "app/main_form.h"
#include "app/program.h"
#include "dialogs/dialog_makers.h"
#include "emu/bay.h"
#include "fixture/ruzeve_form.h"
#include "forms/application.h"
#include "forms/message_pump.h"
#include "forms/qt_ui_port.h"
#include "forms/ui_port.h"
#include "forms/window_close.h"
#include "forms/window_font.h"
#include "platform/trace_sink.h"
#include "procedures/V_Proc_Pattern.h"
#include "procedures/V_Proc_Programs.h"
#include "sorting/sort_main_form.h"

int main(int argc, char** argv) {
    platform::TraceToTerminalWhenAsked();
    forms::Application application(argc, argv);
    forms::UseWindowFont();
    forms::CloseWindowsOnTerminationSignals();
    forms::QtUiPort uiPort;
    forms::InstallUiPort(&uiPort);
    // The library's hooks: its polls serve the GUI thread's messages (nothing on a worker), and its
    // message boxes go to the operator.
    procedures::SetMessagePump(forms::ProcessMessages);
    procedures::SetErrorBox([](const std::string& text, const std::string& title) {
        forms::Ui().MessageBox(title, text, forms::BoxIcon::Error);
    });

    std::string error;
    const auto bay = emu::InstallBayFromEnvironment(&error);
    if (!bay && !error.empty()) forms::Ui().ErrorBox(error);

    app::RegisterFormMaker(app::FormPlace::SortMain, sorting::MakeSortMainForm);
    app::RegisterFormMaker(app::FormPlace::RuzeVE, fixture::MakeRuzeVEForm);
    dialogs::RegisterDialogMakers();
    std::unique_ptr<TMainForm> form = app::CreateForms();
    if (form) {
        form->show();
        forms::EndLoopWhenClosed(*form);
        // A settings file that could not be read ends the program once the loop starts.
        if (form->TerminateRequested()) QTimer::singleShot(0, &application, &QApplication::quit);
        application.exec();
        form->FormDestroy(form.get());
        form.reset();
    }
    // A bay that keeps its drives' state writes it now, for the next program to find.
    if (bay) bay->Release();
    procedures::SetErrorBox({});
    procedures::SetMessagePump({});
    forms::InstallUiPort(nullptr);
    return 0;
}
