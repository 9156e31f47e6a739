// A die's ECC page in the result parse (the ECC tables and histogram of its die slot), then the
// drive figures, the result code and colour, and the die panel with its LUN radio.
#include <algorithm>
#include <cstdio>

#include "settings/records.h"
#include "sorting/sort_parse_call.h"
#include "transport/trace.h"

namespace sorting {

bool ParseCall::EccPage(const Die& d) {
    if (!ReadPage(d, tables::SORTING_ECC_INFO_PAGE_NO, 6, "EccInfo")) return false;
    const tables::SortEccInfo ecc = tables::DecodeSortEccInfo(Page(), blocksPerDie_);
    if (ecc.signature) {
        TraceOut("4.CH%d,FWBankNo%d, ECC info find!\n", d.channel, d.fwBank);
    } else {
        TraceOut("3.CH%d,FWBankNo%d, ECC info not find!\n", d.channel, d.fwBank);
    }
    TraceOut("Org_ECC info CH%d , BK%d\n", ecc.channel, ecc.bank);
    // The slot as the window numbers it, also for a die outside its tables.
    TraceOut("ECCinfo index %d\n", static_cast<int>(d.fwBank * AP_INIState.MaxPhyChannel + d.channel));
    for (unsigned b = kMaxBlkNum; b < blocksPerDie_; ++b) TraceOut("Nand Block over MAX_BLKNUM(8192)\n");
    if (!d.slot) return true;
    auto& bits = r_.eccMaxBits[*d.slot];
    // Blocks whose byte lies past the page keep zero.
    std::copy_n(ecc.bits.begin(), std::min<std::size_t>(ecc.bits.size(), kMaxBlkNum), bits.begin());
    auto& histogram = r_.eccHistogram[*d.slot];
    histogram.fill(0);
    const unsigned counted = std::min(blocksPerDie_, kMaxBlkNum);
    for (unsigned b = 0; b < counted; ++b) ++histogram[bits[b]];
    return true;
}

void ParseCall::Figures(const Die& d, const DieTags& t) {
    view_.SetText(ResultText::RDTBad_SN_LE, " " + t.whole.serial);
    view_.SetText(ResultText::RDTBad_Runtime_LE, " " + t.runTime);
    view_.SetText(ResultText::RDTBad_Temp_LE, " " + std::to_string(t.whole.temperature));
    const std::uint8_t result = t.whole.DieResult(t.mark.tagDie);
    if (result == 0) {
        if (view_.TotalResultColour() != kResultRed) {
            view_.SetText(ResultText::RDTBad_Result_LE, " R00 ");
            view_.SetTotalResultColour(kResultGreen);
        }
    } else {
        AppendResultCodes(resultCodes_, result);
        view_.SetText(ResultText::RDTBad_Result_LE, resultCodes_);
        view_.SetTotalResultColour(kResultRed);
    }
    view_.SetResult2UI(static_cast<std::uint8_t>(d.channel), t.mark.tagDie, static_cast<std::uint8_t>(d.lun),
                       static_cast<std::uint8_t>(d.bank));
    if (d.lun < kSortLuns) view_.CheckLunRadio(d.lun);
}

}  // namespace sorting
