#include "forms/ui_port.h"

#include <atomic>
#include <string>

#include "platform/trace_sink.h"

namespace forms {

namespace {

// Nobody to ask: every box goes to the trace and every question gets the answer that changes nothing.
class TracingUiPort : public UiPort {
  public:
    void MessageBox(std::string_view title, std::string_view text, BoxIcon) override {
        Trace(std::string(title) + ": " + std::string(text));
    }
    void ShowMessage(std::string_view text) override { Trace(std::string(text)); }
    bool AskYesNo(std::string_view title, std::string_view text) override {
        Trace(std::string(title) + ": " + std::string(text) + " -> No");
        return false;
    }
    std::optional<std::string> InputBox(std::string_view caption, std::string_view, std::string_view) override {
        Trace(std::string(caption) + " -> cancelled");
        return std::nullopt;
    }
    std::optional<std::string> PasswordBox(std::string_view caption, std::string_view) override {
        Trace(std::string(caption) + " -> cancelled");
        return std::nullopt;
    }
    std::optional<std::string> OpenFile(const OpenFileRequest&) override {
        Trace("open file -> cancelled");
        return std::nullopt;
    }

  private:
    static void Trace(const std::string& text) {
        std::string line = "######### - [box] " + text;
        if (line.empty() || line.back() != '\n') line += '\n';
        platform::WriteTrace(line);
    }
};

TracingUiPort g_tracingPort;
std::atomic<UiPort*> g_port{nullptr};

}  // namespace

UiPort& Ui() {
    UiPort* port = g_port.load(std::memory_order_acquire);
    return port != nullptr ? *port : g_tracingPort;
}

UiPort* InstallUiPort(UiPort* port) {
    return g_port.exchange(port, std::memory_order_acq_rel);
}

}  // namespace forms
