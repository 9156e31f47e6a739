// What the main window does with a drive's sorting-status reply: the decision of the status poll
// as a table, beside the handlers in main_form_sort_poll.cpp.
#pragma once

#include <cstdint>
#include <optional>

namespace app {

enum class SortLock { Keep, On, Off };

// The outcome of one status code.
struct SortStatusAction {
    const char* panelText;
    std::uint32_t colour;  // 0x00BBGGRR
    std::int32_t iStatus;  // 3 still working, 1 ended
    std::uint8_t rdtStatus;  // g_ucRdtStatus: 1, 2 or 4
    int fixtureCode;         // 14 running, 15 done, 16 failed
    bool timerOff;
    SortLock lock;
    const char* trace;  // the branch's trace line (empty for running)
};

// Codes 0 (in preparation), 1 (running), 2 (fail), 4 (pass); any other is a failure.
SortStatusAction SortStatusActionFor(std::uint8_t code);

// The status code of a 512-byte reply, nothing when it does not begin with "SORT".
std::optional<std::uint8_t> SortStatusOfReply(const std::uint8_t* reply);

// The hex line of the reply's first 16 bytes: "%08X - %02X,...,%02X \n".
void TraceSortStatusReply(const std::uint8_t* reply);

}  // namespace app
