// What one device panel shows after a repaint, computed from the port records without a widget:
// the state text and colour of a mapped device (asking the drive for its mode when it is idle),
// or the blank face of an unmapped one. The window copies it onto the panel's controls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace app {

struct PanelView {
    bool mapped = false;
    int port = -1;
    std::string snCaption;                // label of SNLabeledEdit<n>
    std::optional<std::string> snText;    // set when the serial-number edit is written
    std::optional<std::string> text;      // DeviceLabel<n>; nothing leaves the caption as it was
    std::optional<std::uint32_t> colour;  // DevicePanel<n>; nothing leaves the colour as it was
    bool resetGauge = false;
};

// The view of device d (0 to 15). A passed or failed device costs a 50 ms wait that serves events.
PanelView ComputePanelView(int device);
// The port's drive runs the system firmware, has an NTFS partition, and [Setting] EnNoCheckPartition is 0.
bool IsSysModeWithNTFS(int port);

}  // namespace app
