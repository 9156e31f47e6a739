// Device numbers for the usable ports, as plain code over the run state: in port order, from the
// customised map, or during automatic port mapping in the order the drives are plugged in; and the
// check of the typed device numbers. Nothing is written past the 16 entries of a map.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace app {

// Automatic port mapping: a port not yet in g_CustomizePortMap takes its first free entry.
// Returns that entry j, or -1 when the port is already named or every entry is taken.
int AutoMapPort(int port);
// The auto-port-mapping window's request after entry j was taken.
std::string AutoMappingPrompt(int j);
// Gives `port` a device number in g_DeviceToPortMap: with the customised map on the first entry
// naming the port, else the first free number. Returns the device number (0 to 15) or -1.
int MapPortToDevice(int port);

// One sequence edit: enabled, and its text.
struct SequenceEdit {
    bool enabled = false;
    std::string text;
};
// The refusal message for typed device numbers ("Device number can't be empty!", "Device number
// must be 1 to 16!", "Device number is duplicated!"), or nothing when they are sound. A text that
// is not a number counts as outside 1 to 16.
std::optional<std::string> CheckSequenceEdits(const std::vector<SequenceEdit>& edits);

}  // namespace app
