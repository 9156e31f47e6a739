// libFuzzer target for the flash list: LoadFlashIniText over arbitrary texts (one parse, vendors,
// part lines and their tokens), then FindFlashIndex of the first part's name.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/flash_list_file.h"
#include "forms/ini_text.h"
#include "fuzz_support.h"
#include "settings/flash_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Quiet();
    const std::string_view text = fuzz::Text(data, size);
    int vendors = 0, records = 0;
    LoadFlashIniText(forms::IniText::Parse(text), &vendors, &records);
    FindFlashIndex(g_FlashRecord[0].FlashUniName);
    return 0;
}
