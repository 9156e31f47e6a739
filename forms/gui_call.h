// Calls carried to the GUI thread from any thread: posted (runs later, the caller goes on) or
// blocking (the caller waits until the GUI thread has run it). A blocking call from the GUI thread
// itself runs at once. A blocking call from another thread needs the GUI thread to keep serving
// events: its waits are pumps (PumpUntil, DelayWithMessages, modal boxes), never a plain join.
#pragma once

#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

class QObject;

namespace forms {

// Runs `fn` later on the GUI thread. False when there is no application object to run it.
// An exception thrown by `fn` is traced and dropped.
bool PostToGui(std::function<void()> fn);
// Runs `fn` later on the thread of `context` (a window, say); dropped unrun if `context` is destroyed
// first, as a message posted to a window that has closed.
bool PostIn(QObject* context, std::function<void()> fn);

// Runs `fn` on the thread of `context` and waits for it; at once when that is the calling thread.
// True when `fn` ran; false when it could not (no context, or the context or the application went
// away before serving it: the call is then never run). An exception thrown by `fn` is rethrown here.
bool CallIn(QObject* context, const std::function<void()>& fn);

// CallIn on the GUI thread.
bool CallOnGui(const std::function<void()>& fn);

// CallOnGui returning fn's value; nothing when fn could not run.
template <class F, class R = std::invoke_result_t<F&>>
std::optional<R> CallOnGuiFor(F&& fn) {
    std::optional<R> result;
    CallOnGui([&] { result.emplace(fn()); });
    return result;
}

}  // namespace forms
