// What the flash-detection dialog shows, computed from the flash list and the candidate tables of
// the last auto-detection (settings/flash_list.h) without a window.
#pragma once

#include <string>
#include <vector>

namespace dialogs {

// The flash-interface name of an interface type (0 to 10); empty for any other type.
std::string FlashInterfaceName(int type);
// The vendor's name; empty for an index outside the vendors.
std::string FlashVendorText(int vendor);
// "<channel> / <bank>".
std::string ChannelBankText(int channel, int bank);

// One line of the list: the candidate it stands for (index into g_FlashCandVendor/g_FlashCandIndex).
struct FlashDetectLine {
    int candidate = 0;
    std::string text;  // "<name>  /  <full name> (<interface>) (<planes> Plane)"
};
// The lines of the candidates in order (at most 50). A candidate whose vendor is not one of the 50,
// or whose record falls outside its vendor's records or the 500 records, gets no line.
std::vector<FlashDetectLine> FlashDetectLines();

}  // namespace dialogs
