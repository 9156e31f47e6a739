// The sorting-result fetch run's plain parts: the worker of one drive (DeviceSortResultThread, a
// forms::WorkerThread body kept in the main window's m_hThread[device], shared with the MP run) and
// what each device's result boxes show for its fetch result.
//
// Threads: the worker writes only g_ucSortResult[its device] and, through GetDeviceSortResult, its
// device's result tables; the GUI thread reads them once the worker has ended.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/mp_worker.h"
#include "app/sort_result_read.h"

namespace forms {
class WorkerThread;
}

// The fetch result of each device number: 0xFF not fetched, 4 not readable or refusing vendor
// commands, else GetDeviceSortResult's code.
extern std::uint8_t g_ucSortResult[kDeviceCount];

namespace app {

// The worker body: watchdog armed, the drive brought into a mode that reads result pages ([RDT]
// GDPGetResult: a forced GDP load; a running sorting firmware; else a forced load and the GDP
// check), vendor commands on, the read, watchdog disarmed; 729.
std::uint32_t DeviceSortResultThread(ThreadParam& param);

// What a device's boxes show for a fetch result (unset: left as it is).
struct SortResultBoxes {
    std::optional<bool> panelEnabled;
    std::optional<std::uint32_t> panelColour;
    std::optional<std::string> caption;  // group box caption
    std::optional<bool> groupEnabled;
    std::optional<std::uint32_t> memoColour;
    bool summary = false;  // the memo is refilled (the nine lines unless the result is 4)
    bool summaryLines = false;
};
SortResultBoxes SortResultBoxesFor(std::uint8_t result, int port);

// The memo's nine lines of a device's summary.
std::vector<std::string> SortSummaryLines(const SortSummary& s);

}  // namespace app
