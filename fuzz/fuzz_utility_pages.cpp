// libFuzzer target for the information utility's readers of drive bytes: the identify page's lines,
// the firmware variable block loaded into the records and its SSD, flash and parameter texts, the
// SMART and vendor SMART pages, the flash-ID line and the erase-count table over the geometry the
// block gave. The input is the 4,096-byte block (zero-padded); its bytes serve every reader.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/trace_sink.h"
#include "procedures/V_Proc_FwVariable.h"
#include "utility/device_info_text.h"
#include "utility/erase_count_text.h"
#include "utility/fw_param_text.h"
#include "utility/smart_text.h"
#include "utility/ssd_info_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static platform::TraceCapture quiet;
    quiet.Clear();
    std::vector<std::uint8_t> block(4096, 0);
    std::memcpy(block.data(), data, size < block.size() ? size : block.size());

    (void)vellumin::DeviceInfoLines(block.data());
    (void)vellumin::RowTexts(block.data());
    AP_Instance_t record{};
    AP_FlashSet_t flash{};
    AP_FwSet_t fw{};
    char info[16] = {}, config[16] = {};
    VP_SetLoaderBlockMap(record, block.data());
    VP_LoadFwVariable(record, flash, fw, info, config, block.data());
    VP_ReadInfoPageTables(flash, block.data());
    flash.bPageSector = static_cast<std::uint8_t>(2 * flash.wPageSize);
    AP_Variable_t variable{};
    (void)vellumin::SsdSettingLines(flash, fw, variable, 1);
    (void)vellumin::FlashInfoLines(flash);
    (void)vellumin::FlashIdLine(block.data(), 512);
    (void)vellumin::FactoryIdentifyLines(block.data());
    (void)vellumin::SystemParamLines(block.data() + 512);
    (void)vellumin::ParamTableLines(block.data() + 1024);
    (void)vellumin::StandardSmart(block.data());
    (void)vellumin::VendorSmart(block.data());
    // The counts the read returned: the block's 1,024 entries at most.
    const vellumin::EraseCountShape shape = vellumin::EraseCountGeometry(flash, block.size() / 4);
    if (static_cast<std::size_t>(shape.units) * static_cast<std::size_t>(shape.dies) *
            static_cast<std::size_t>(shape.channels) <= 1u << 16) {
        (void)vellumin::EraseCountText(shape, block.data(), [](int c, int b, int u) { return ((c + b + u) & 7) == 0; });
    }
    return 0;
}
