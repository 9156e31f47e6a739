#include "sort_bay.h"

#include <algorithm>
#include <cstring>

#include "settings/die_remap.h"
#include "transport/byte_order.h"

namespace sorting_test {

std::vector<std::string> SortBay::Sections() const {
    std::vector<std::string> sections;
    for (const std::string& keys : options_.keys) {
        sections.push_back("FlashCEs=" + std::to_string(options_.banks) + "\nFlashLuns=" +
                           std::to_string(options_.lunsPerCe) + "\nFlashPlanes=" + std::to_string(options_.planes) +
                           "\nFlashBlocks=" + std::to_string(options_.blocksPerLun) + "\n" + keys);
    }
    return sections;
}

void SortBay::SetUp() {
    SortingE2e::SetUp();
    ApplyGeometry();
}

void SortBay::ApplyGeometry() {
    AP_FlashSet_t& f = AP_FlashSet;
    f.ucDiePerCE = static_cast<std::uint8_t>(options_.lunsPerCe);
    f.wBlocks = static_cast<std::uint16_t>(options_.blocksPerLun * options_.lunsPerCe);
    f.ucPlanes = static_cast<std::uint8_t>(options_.planes);
    f.ucBankNum = static_cast<std::uint8_t>(options_.banks);
    f.ucCE = static_cast<std::uint8_t>(4 * options_.banks);
    AP_INIState_t& s = AP_INIState;
    s.Bank = static_cast<std::uint8_t>(options_.banks);
    s.MPBank = static_cast<std::uint8_t>(options_.banks);
    s.MaxPhyChannel = 4;
    s.MaxPhyBank = static_cast<std::uint8_t>(options_.banks);
    std::memset(s.MPFwBankSet, 0xFF, sizeof s.MPFwBankSet);
    std::memset(s.bDieStatus, 0, sizeof s.bDieStatus);
    std::memset(s.bDieStatusMultiLun, 0, sizeof s.bDieStatusMultiLun);
    for (int ce = 0; ce < options_.banks; ++ce) s.MPFwBankSet[ce] = static_cast<std::uint8_t>(ce);
    for (int ch = 0; ch < 4; ++ch) {
        for (int ce = 0; ce < options_.banks; ++ce) {
            s.bDieStatus[ch][ce] = 1;
            for (int lun = 0; lun < options_.lunsPerCe; ++lun) s.bDieStatusMultiLun[ch][ce][lun] = 1;
        }
    }
    ProcessDieRemapForFlash();
}

void SortBay::SortPort(int port, bool firmwareTable) {
    ApplyGeometry();
    LoadGdp(port);
    EraseAndDownload(port, 0);
    clock_.Advance(60000);
    Status(port);
    Status(port);
    LoadGdp(port);
    loader_test::Bytes table(512, 0);
    ASSERT_TRUE(VP_PROC_GetSortingResultBlock(port, table.data()));
    const emu::SortResultTable own = Run(port).ResultBlocks();
    for (int ch = 0; ch < 8; ++ch) {
        for (int f = 0; f < 8; ++f) {
            wRsltBlk[port][ch][f] = firmwareTable ? own[ch][f] : transport::GetLe16(&table[2 * (8 * ch + f)]);
        }
    }
    ApplyGeometry();
}

bool SortBay::Traced(const std::string& line) const {
    const auto lines = trace_.Lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace sorting_test
