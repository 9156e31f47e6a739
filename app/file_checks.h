// The firmware and data file checks of the main window, as plain code: each resolves its files
// under the program folder, confirms they exist, parses the two firmware headers into AP_GDPBins
// and AP_Bins, records the data files' paths in AP_Param, and reports a missing file through the
// UiPort ("Error" box, "The "<path>" file cann't be found!"). The main window's handlers of the
// same names call them and copy the status texts onto the status bar.
//
// An image that cannot be what it claims (a short file, a part count above 16 or, for
// "GDP.bin", above 8, a certificate of 2,048 bytes or more, a part outside the file) is refused:
// its description is left without parts, so no load or download uses it.
#pragma once

#include <string>

namespace app {

// Panel 2's text goes to *statusText (when given).
void CheckGDPBin(std::string* statusText = nullptr);
// 1 usable, 0 not. Panel 1's text goes to *statusText, except for a refused image (the panel
// keeps its text). `strict` 1: a missing image is an error when Download is selected.
int CheckFWBin(int strict, std::string* statusText = nullptr);
int CheckLDPCBin();
int CheckNandMenUpdateBin();
int CheckOPALBin();
int CheckNandMemBin();
int CheckUEFIBin();

// "(" c7 "." c8-9 "." c10-12 "." c13-15 "." c16-20 "." c21-22 "." c23-24 ")" of a tag text
// (characters counted from 1; missing characters are left out).
std::string VersionForm(const std::string& tagText);

}  // namespace app
