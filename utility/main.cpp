// Vellumin: the application object, the bay of emulated drives when KESTRANE_BAY names one, the
// library's variant for this program, the main window and the message loop. An exception that
// reaches this function is shown and ends the program.
#include <exception>
#include <memory>
#include <string>

#include "emu/bay.h"
#include "forms/application.h"
#include "forms/qt_ui_port.h"
#include "forms/ui_port.h"
#include "forms/window_font.h"
#include "platform/trace_sink.h"
#include "utility/main_form.h"
#include "utility/program_setup.h"

int main(int argc, char** argv) {
    platform::TraceToTerminalWhenAsked();
    forms::Application application(argc, argv);
    forms::UseWindowFont();
    forms::CloseWindowsOnTerminationSignals();
    forms::QtUiPort uiPort;
    forms::InstallUiPort(&uiPort);
    int result = 0;
    try {
        vellumin::SetUpLibrary();
        std::string error;
        const auto bay = emu::InstallBayFromEnvironment(&error);
        if (!bay && !error.empty()) forms::Ui().ErrorBox(error);
        auto form = std::make_unique<vellumin::TMainForm>();
        form->show();
        result = application.exec();
        form.reset();
        // The bay writes its drives' kept state, so the next program sees them as left.
        if (bay) bay->Release();
    } catch (...) {
        forms::ShowCurrentException();
        result = 1;
    }
    forms::InstallUiPort(nullptr);
    return result;
}
