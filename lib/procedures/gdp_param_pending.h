// The two steps of the diagnostic-firmware parameter image that the loader calls, until the
// parameter-image writers arrive: until then a part goes to RAM as stored in the file and the
// init block is all zeros. Delete this file and its source when the writers land.
#pragma once

#include <cstddef>
#include <cstdint>

// The patch step of a load on the loader's private copy of one image part; false stops the load.
bool PatchGdpImage(int port, std::uint8_t* image, std::size_t size);
// Zeroes the first 1,536 bytes of `buffer` and builds the init block at its start.
bool Write_GDP_Init_Param(int port, std::uint8_t* buffer, std::size_t size);
