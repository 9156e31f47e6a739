// Reads the bay keys of the diagnostic firmware's checks (gdp_diagnostics.h), of the flash IDs per
// CE (FlashIdAt), of the SPI flash (spi_flash.h) and of the sorting firmware (sorting_firmware.h)
// from a drive's section.
#pragma once

#include <string>

#include "emu/bay_config.h"
#include "emu/gdp_diagnostics.h"
#include "emu/gdp_firmware.h"
#include "emu/sorting_firmware.h"
#include "emu/spi_flash.h"

namespace emu {

// False and `error` set ("[Drive1] Key=value is not ...") when a value is not sound.
bool ReadDiagnosticKeys(const DriveConfig& drive, GdpSetup& gdp, DiagSetup& diag, SortSetup& sort, std::string* error);
// SpiFlashBytes and SpiFault, the same way.
bool ReadSpiKeys(const DriveConfig& drive, SpiSetup& spi, std::string* error);

}  // namespace emu
