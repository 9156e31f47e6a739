// Faults a drive shows from a chosen moment on, as bay.ini's FaultAt key of a drive section (or
// Bay::ScheduleFault) describes them:
//
//   FaultAt=<when>:<what>[,<when>:<what>...]
//     when: after<n>   once the drive has answered n command blocks
//           loader | gdp | rdt | system   when that program starts (boot loader, diagnostic,
//                                         sorting, system firmware)
//           code<hh>   when the controller receives vendor command hh (hexadecimal)
//     what: unplug        the drive is pulled: the hot-plug removal is raised and every later
//                         command finds no device
//           noanswer      every later command waits out the host's time-out on the platform clock
//           vendorrefuse  the controller refuses to switch vendor-command mode on from then on
//           busy          the diagnostic firmware's status fetch answers busy for ever
//
// Each fault fires once. The controller reports its moments as event names ("gdp", "code02").
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace emu {

struct ScheduledFault {
    enum class When { After, Event };
    When when = When::Event;
    unsigned long after = 0;  // When::After
    std::string event;        // When::Event: "loader", "gdp", "rdt", "system" or "code<hh>" (lower case)
    std::string what;         // "unplug", "noanswer", "vendorrefuse" or "busy"
};

// Nullopt and `error` set when the text is not a list of sound entries.
std::optional<std::vector<ScheduledFault>> ParseFaultAt(std::string_view text, std::string* error);

class FaultSchedule {
  public:
    void Add(std::vector<ScheduledFault> faults);
    // The faults due once `answered` command blocks have been answered (each given once).
    std::vector<std::string> Answered(unsigned long answered);
    // The faults due at a controller event.
    std::vector<std::string> Event(std::string_view event);

  private:
    std::mutex mutex_;
    std::vector<ScheduledFault> pending_;
};

}  // namespace emu
