// libFuzzer target for the emulated drives' kept state files (state/<drive>.bin in a bay folder):
// whatever the file holds, the reader refuses it with a reason or gives a state that writes back
// to the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "emu/drive_state.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Quiet();
    const std::string_view bytes = fuzz::Text(data, size);
    std::string why;
    const auto state = emu::DecodeDriveState(bytes, &why);
    if (!state) {
        fuzz::Check(!why.empty(), "a refused state says why");
        return 0;
    }
    const std::string again = emu::EncodeDriveState(*state);
    fuzz::Check(emu::DecodeDriveState(again, &why).has_value(), "a read state writes back readable");
    return 0;
}
