// Flash auto-detection without a window: the drive's flash-module reply, the GPIO code of its
// board, the candidates of the flash list that match both, the settings taken from the reply, and
// the clock and profile of a timing code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace app {

// The first 448 bytes of the flash-module reply.
struct FlashModule_t {
    std::uint8_t sNandId[7];  // MarkCode, DeviceCode, ID3rd .. ID7th
    std::uint8_t ucChannel;   // channels with flash
    std::uint8_t ucBank;      // banks per channel
    std::uint8_t ucReserved9;
    std::uint8_t FwBankSet[4];
    std::uint8_t FwChannelSet[8];
    std::uint8_t aReserved22[109];
    std::uint8_t bChCeToDie[8][4];  // 1 where a die answered
    std::uint8_t aReserved163[285];
};
static_assert(sizeof(FlashModule_t) == 448);

// The five GPIO inputs read, in order; their bits give the code read like a decimal number.
inline constexpr std::uint32_t kDetectGpioInputs[5] = {21, 16, 15, 7, 6};
int GpioCode(const std::uint8_t (&bits)[5]);
// "\nFlash ID: 0x.., ... (six bytes)\nGPIO: %05d".
std::string FlashIdDetail(const FlashModule_t& module, int gpioCode);

// The candidates found among the first `recordCount` records (at most 500) of the flash list, in
// g_FlashCandCount, g_FlashCandVendor and g_FlashCandIndex (at most 50; later matches are traced and
// left out). `vendorCount` is the number of vendors the vendor list holds. `detail` becomes the
// GPIO hint when a record matches the ID but not the code. The last candidate, if any, is returned.
struct FlashCandidate {
    int vendor = 0;
    int part = 0;
};
std::optional<FlashCandidate> FindFlashCandidates(const FlashModule_t& module, int gpioCode, int recordCount,
                                                  int vendorCount, bool selectOnfi4, std::string& detail);

// Channel, MPChannel and AP_FlashSet.ucChannel; Bank, MPBank and AP_FlashSet.ucBankNum; the bank and
// channel sets; bDieStatus as the die answers give it; bDieStatusMultiLun
// with all four LUNs of every present die.
void TakeFlashModuleSettings(const FlashModule_t& module);

// The clock (MHz) and profile of a seven-digit timing code ("0020003": clock 200, profile 3);
// nothing for "0000000" or a text that is not seven digits.
struct TimingChoice {
    int clock = 0;
    int profile = 0;
};
std::optional<TimingChoice> TimingChoiceOf(const std::string& code);

}  // namespace app
