// The result save (the window's "Save Log"): every present die's result pages read again, LUN by
// LUN, then channel, then bank, with block type 3, into a new run folder named by the time of the
// save (without the drive's serial): the all-bad, factory-bad and (for a die with error records)
// the short "RDTBad_" report. Each page read is dumped into the program's raw folder under the die
// code (LUN << 4) | bank. It fills nothing of the window: every buffer is local to the call.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "forms/ui_port.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "settings/records.h"
#include "sorting/report_tree.h"
#include "sorting/result_rows.h"
#include "sorting/sort_reports.h"
#include "sorting/sort_results.h"
#include "transport/trace.h"

namespace sorting {

namespace {

constexpr std::size_t kSector = 512;
constexpr std::size_t kPageBufferBytes = 256 * 1024;
constexpr unsigned kRsltSide = 8;  // wRsltBlk and the multi-LUN die map: 8 channels by 8 FW banks
constexpr unsigned kMapBanks = 4;  // the one-LUN die map: 8 channels by 4 banks
constexpr std::uint8_t kSaveBlockType = 3;

// The "[SORT]" lines below are written only while DisDBG_SORT is 0 (`detail_`); the two "Free
// pSORT_error_record" lines always.

struct SaveDie {
    unsigned channel, bank, lun, fwBank;
    std::uint16_t block;
    std::uint8_t code;  // (LUN << 4) | bank
    ReportDie Report() const { return {channel, bank, lun}; }
};

// One call's working data; gone when the call returns.
class ResultSave {
  public:
    ResultSave(std::uint8_t port, const SortPageRead& read) : port_(port), read_(read), page_(kPageBufferBytes) {}
    void Run();

  private:
    std::vector<SaveDie> PresentDies() const;
    // Reads page `index` of the die's block into the page buffer and dumps it as "<kind>_…"; a page
    // that cannot be read is shown and traced.
    bool ReadPage(const SaveDie& d, int index, const char* kind);
    std::span<const std::uint8_t> Page() const { return {page_.data(), pageBytes_}; }
    // The counted pages from `first` on, end to end (an unread page leaves its slice zero).
    std::vector<std::uint8_t> ReadList(const SaveDie& d, int first, unsigned count, const char* kind, bool* read);
    void SaveOne(const SaveDie& d);
    void SaveErrors(const SaveDie& d, const tables::SortMarkPage& mark);

    std::uint8_t port_;
    const SortPageRead& read_;
    const bool detail_ = AP_RDTSet.DisDBG_SORT == 0;
    std::vector<std::uint8_t> page_;
    std::size_t pageBytes_ = std::min<std::size_t>(std::size_t{AP_FlashSet.bPageSector} * kSector, kPageBufferBytes);
    unsigned luns_ = AP_FlashSet.ucDiePerCE == 0 ? 1 : AP_FlashSet.ucDiePerCE;
    unsigned blocksPerDie_ = AP_FlashSet.wBlocks / luns_;
    unsigned planes_ = AP_FlashSet.ucPlanes;
    ReportTree tree_;
};

std::vector<SaveDie> ResultSave::PresentDies() const {
    const unsigned channels = AP_INIState.MaxPhyChannel, banks = AP_INIState.MaxPhyBank;
    const bool multiLun = AP_FlashSet.ucDiePerCE > 1;
    std::vector<SaveDie> dies;
    bool outsideTraced = false;
    for (unsigned lun = 0; lun < luns_; ++lun) {
        for (unsigned ch = 0; ch < channels; ++ch) {
            for (unsigned bank = 0; bank < banks; ++bank) {
                const unsigned fw = lun * banks + bank;
                if (ch >= kRsltSide || fw >= kRsltSide || (!multiLun && bank >= kMapBanks)) {
                    if (!outsideTraced) {
                        TraceOut(
                            "[SORT]######## - Ch %u, FWBank %u (bank %u, lun %u) lies outside the tables: not "
                            "saved\n",
                            ch, fw, bank, lun);
                        outsideTraced = true;
                    }
                    continue;
                }
                const SaveDie d{
                    ch, bank, lun, fw, wRsltBlk[port_][ch][fw], static_cast<std::uint8_t>((lun << 4) | bank)};
                if (multiLun ? AP_INIState.bOriDieMapMultiLun[ch][fw] == 0xFF
                             : AP_INIState.bOriDieMap[ch][bank] == 0xFF) {
                    if (!multiLun && detail_)
                        TraceOut("[SORT]######## - Skip Ch %d, Bank %d, lun %d, Block %d\n", ch, bank, lun, d.block);
                    continue;
                }
                dies.push_back(d);
            }
        }
    }
    return dies;
}

bool ResultSave::ReadPage(const SaveDie& d, int index, const char* kind) {
    if (!read_(port_, page_.data(), static_cast<std::uint8_t>(d.channel), static_cast<std::uint8_t>(d.fwBank), d.block,
               index, kSaveBlockType)) {
        ShowPageReadFail("Error", d.block, index);
        if (detail_) TraceOut("[SORT]######## - Read command fail (00)\n");
        return false;
    }
    char name[64];
    std::snprintf(name, sizeof name, "%s_%d_%d_%d_%03d.raw", kind, d.channel, d.code, d.block, index);
    DumpRawFile(name, page_.data(), pageBytes_);
    return true;
}

std::vector<std::uint8_t> ResultSave::ReadList(const SaveDie& d, int first, unsigned count, const char* kind,
                                               bool* read) {
    std::vector<std::uint8_t> area(count * pageBytes_, 0);
    for (unsigned m = 0; m < count; ++m) {
        read[m] = ReadPage(d, first + static_cast<int>(m), kind);
        if (read[m]) std::copy_n(page_.begin(), pageBytes_, area.begin() + static_cast<std::ptrdiff_t>(m * pageBytes_));
    }
    return area;
}

void ResultSave::SaveErrors(const SaveDie& d, const tables::SortMarkPage& mark) {
    bool read[tables::kSortListPagesMax] = {};
    const std::vector<std::uint8_t> area = ReadList(d, tables::SORTING_ERROR_PAGE_NO, mark.errorPages, "R_Error", read);
    const tables::SortErrorList list = tables::DecodeSortErrorList(area, pageBytes_, std::span(read, mark.errorPages));
    if (!list.records.empty()) {
        std::vector<ErrorLine> lines;
        for (const tables::SortErrorRecord& r : list.records) {
            if (detail_) TraceOut("[SORT]######## - ucTagBK %d ,ucTagCH %d \n", mark.tagBK, mark.tagCH);
            if (r.bankTag == mark.tagBK && r.channel == mark.tagCH) lines.push_back(MakeErrorLine(r, AP_INIState.MaxPhyBank, planes_));
        }
        WriteReport(tree_.rdtBad + SavedErrorReportName(d.Report()), SavedErrorReport(d.Report(), lines));
    }
    TraceOut(list.records.empty() ? "Free pSORT_error_record = NULL\n" : "Free pSORT_error_record\n");
}

void ResultSave::SaveOne(const SaveDie& d) {
    if (detail_)
        TraceOut("[SORT]######## - Result Read  at Ch %d, Bank %d(%d), lun %d, Block %d\n", d.channel, d.bank, d.code,
                 d.lun, d.block);

    if (!ReadPage(d, tables::SORTING_BB_PAGE_NO, "R_BB")) return;
    const std::uint8_t* p = page_.data();
    if (detail_)
        TraceOut(
            "[SORT]######## - %08X - %02X,%02X,%02X,%02X,%02X,%02X,%02X,%02X,%02X,%02X,%02X,%02X,%02X,%02X,%02X,"
            "%02X \n",
            0u, p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8], p[9], p[10], p[11], p[12], p[13], p[14], p[15]);
    const tables::SortBadBlockPage bb = tables::DecodeSortBadBlockPage(Page(), blocksPerDie_);
    if (bb.state == tables::SortBbState::NoSignature) {
        if (detail_) TraceOut("[SORT]######## - This Die not find BB table \n");
        return;
    }
    if (bb.state == tables::SortBbState::Overflow) {
        if (detail_) TraceOut("[SORT]######## - ====== > BB num overflow break\n");
        return;
    }
    WriteReport(tree_.allBad + AllBadReportName(d.Report()), AllBadReport(d.Report(), bb.entries, planes_));

    if (!ReadPage(d, tables::SORTING_MARK_PAGE_NO, "R_Mark")) return;
    const tables::SortMarkPage mark = tables::DecodeSortMarkPage(Page());
    if (!mark.Valid()) {
        if (detail_) TraceOut("[SORT]######## - This Die not find Mark page \n");
        return;
    }
    if (mark.errorPages != mark.errorPagesStated || mark.factoryPages != mark.factoryPagesStated) {
        TraceOut("[SORT]######## - page counts %u/%u taken as %u/%u\n", mark.errorPagesStated, mark.factoryPagesStated,
                 mark.errorPages, mark.factoryPages);
    }

    if (!ReadPage(d, tables::SORTING_WHOLE_INFO_PAGE_NO, "R_Whole")) return;
    const tables::SortWholeInfo whole = tables::DecodeSortWholeInfo(Page());
    if (detail_)
        TraceOut("[SORT]######## - RdtWholeInfo   - ucTagDie = %d ,bResult = %d \n", mark.tagDie,
                 whole.DieResult(mark.tagDie));

    // Read and dumped only: the save takes nothing from the die-info page.
    if (!ReadPage(d, tables::SORTING_DIE_INFO_PAGE_NO, "R_DieInfo")) return;

    bool read[tables::kSortListPagesMax] = {};
    const std::vector<std::uint8_t> factory =
        ReadList(d, tables::SORTING_FACTORY_BB_PAGE_NO, mark.factoryPages, "R_factory", read);
    const std::vector<FactoryEntry> entries =
        DecodeFactoryEntries(factory, mark.tagCH, mark.tagBK, mark.tagDie, planes_, detail_);
    WriteReport(tree_.factoryBad + FactoryBadReportName(d.Report()), FactoryBadReport(d.Report(), entries));

    SaveErrors(d, mark);
}

void ResultSave::Run() {
    const platform::LocalTime now = platform::Now();
    ReportTreeRequest request;
    request.programFolder = platform::ProgramFolder().string();
    request.time = {now.month, now.day, now.hour, now.minute, now.second};
    request.port = port_;
    request.kind = ReportTreeKind::Save;
    request.trace = detail_;
    tree_ = MakeReportTree(request, [](const std::string& text) { forms::Ui().ShowMessage(text); });

    if (detail_)
        TraceOut("[SORT]######## - Parse SortingResult Phy CH[%d]BK[%d]Die[%d]\n", AP_INIState.MaxPhyChannel,
                 AP_INIState.MaxPhyBank, AP_FlashSet.ucDiePerCE);
    if (port_ >= AP_PORT_COUNT) {
        TraceOut("[SORT]######## - Port %d has no result blocks: nothing saved\n", port_);
        return;
    }
    for (const SaveDie& d : PresentDies()) SaveOne(d);
}

}  // namespace

int SortResults::SaveSortingResult(std::uint8_t port) {
    ResultSave(port, read_).Run();
    return 1;
}

}  // namespace sorting
