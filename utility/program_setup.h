// Vellumin's variant of the library, set once at start: no settings file; the raw-dump switch down
// (raised only around the identify and erase-count dumps); dumps go to "raw" under the program folder
// (wherever the program was started from), never created; one channel argument of 0 in the page read
// means every channel (MaxPhyChannel 0); the bridge check stays on.
#pragma once

namespace vellumin {

void SetUpLibrary();

}  // namespace vellumin
