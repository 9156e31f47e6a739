// libFuzzer target for the loader-block readers: an info page with its parameter code page, and a
// code-block map. Bytes 0-1 give the info page's length; the info page follows, the rest is the
// parameter code page, and the whole input is also read as a code-block map. Each part is copied
// into a buffer of its exact size, so a read past its end is caught.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "procedures/loader_block_readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    std::size_t infoLength = static_cast<std::size_t>(data[0] | (data[1] << 8)) % 8193;
    if (infoLength > size - 2) infoLength = size - 2;
    const std::vector<std::uint8_t> info(data + 2, data + 2 + infoLength);
    const std::vector<std::uint8_t> param(data + 2 + infoLength, data + size);
    const std::vector<std::uint8_t> map(data, data + size);

    const procedures::InfoPageCodeMap codeMap = procedures::ReadInfoPageCodeMap(info);
    if (codeMap.usable && (codeMap.codeNum == 0 || codeMap.codeNum > 16 || codeMap.lastPageNo >= 384)) std::abort();
    const auto facts = procedures::ReadParamCodePage(param, static_cast<std::uint16_t>(size));
    if (facts) {
        for (const auto& die : facts->dies) {
            if (die.count > 2) std::abort();
            for (int k = 0; k < die.count; ++k) {
                if (die.block[k] > 3) std::abort();
            }
        }
    }
    for (const auto& die : procedures::ReadCodeBlockMap(map)) {
        if (die.count > 2 || (die.count == 2 && die.block[0] >= die.block[1])) std::abort();
    }
    return 0;
}
