// A die's pages in the result parse: steps 3 to 10 of a die (the ECC page, the figures and the die
// panel are in sort_parse_ecc.cpp).
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/trace_sink.h"
#include "settings/rdt_dump.h"
#include "settings/records.h"
#include "sorting/sort_parse_call.h"
#include "sorting/sort_reports.h"
#include "transport/trace.h"

namespace sorting {

void ParseCall::ParseDie(const Die& d) {
    TraceOut("[SORT]######## - Result Read Satrt:  at Ch %d, Bank %d(FW%d), lun %d, Block 0x%x\n", d.channel, d.bank,
             d.fwBank, d.lun, d.block);
    raw_.Clear();
    // A die whose reading stops before its die-info record has no result, like a die without a block.
    if (!BadBlockPage(d)) return NoResult(d);
    const std::optional<DieTags> tags = MarkAndWholeInfo(d);
    if (!tags) return NoResult(d);
    if (!DieInfoPage(d, *tags)) return NoResult(d);
    FactoryPages(d, *tags);
    ErrorPages(d, *tags);
    if (AP_RDTSet.EnECCInfo != 0 && !EccPage(d)) return;
    Figures(d, *tags);
}

bool ParseCall::BadBlockPage(const Die& d) {
    if (!ReadPage(d, tables::SORTING_BB_PAGE_NO, 0, "BB")) return false;
    raw_.Append(Page());
    const tables::SortBadBlockPage bb = tables::DecodeSortBadBlockPage(Page(), blocksPerDie_);
    if (bb.state == tables::SortBbState::NoSignature) {
        Detail("[SORT]######## - This Die not find BB table\n");
        return false;
    }
    if (bb.state == tables::SortBbState::Overflow) {
        Detail("[SORT]######## - ====== > BB num overflow break\n");
        return false;
    }
    const ReportDie die{d.channel, d.bank, d.lun};
    std::optional<ReportFile> report;
    if (tree_) {
        report.emplace(tree_->allBad + AllBadReportName(die));
        report->Write(AllBadHead(die));
    }
    for (const tables::SortBadBlockEntry& e : bb.entries) {
        view_.AddRow(ResultList::AllBad, AllBadRow(++allBadRow_, die, e, planes_));
        if (report) report->Write(AllBadLine(die, e, planes_));
    }
    return true;
}

std::optional<ParseCall::DieTags> ParseCall::MarkAndWholeInfo(const Die& d) {
    if (!ReadPage(d, tables::SORTING_MARK_PAGE_NO, 1, "Mark")) return std::nullopt;
    raw_.Append(Page());
    DieTags t;
    t.mark = tables::DecodeSortMarkPage(Page());
    if (!t.mark.signature) {
        Detail("[SORT]######## - This Die not find Mark page\n");
        return std::nullopt;
    }
    if (!t.mark.namesDie) {
        TraceOut("[SORT]######## - Mark page tags CH %d, BK %d, Die %d name no die: die not read\n", t.mark.tagCH,
                 t.mark.tagBK, t.mark.tagDie);
        return std::nullopt;
    }
    view_.SetText(ResultText::SSD_Bad_LabE, std::to_string(t.mark.driveBad));
    view_.SetText(ResultText::SSD_Factory_LabE, std::to_string(t.mark.driveFactory));

    if (!ReadPage(d, tables::SORTING_WHOLE_INFO_PAGE_NO, 2, "Whole")) return std::nullopt;
    raw_.Append(Page());
    t.whole = tables::DecodeSortWholeInfo(Page());
    Detail("[SORT]######## - RdtWholeInfo   - TagDie = %d ,Result = %d\n", t.mark.tagDie,
           t.whole.DieResult(t.mark.tagDie));
    const std::uint32_t seconds = t.whole.runTicks / tables::kSortTicksPerSecond;
    char runTime[48];
    std::snprintf(runTime, sizeof runTime, "%2.2d:%2.2d:%2.2d\r\n", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    t.runTime = runTime;
    std::copy(t.whole.echo.begin(), t.whole.echo.end(), r_.rdtSetting.begin());
    std::copy(t.whole.version.begin(), t.whole.version.end(), r_.versionText.begin());
    return t;
}

bool ParseCall::DieInfoPage(const Die& d, const DieTags& t) {
    if (!ReadPage(d, tables::SORTING_DIE_INFO_PAGE_NO, 3, "DieInfo")) return false;
    raw_.Append(Page());
    const std::optional<tables::SortDieInfoRecord> own = tables::DecodeSortDieInfoList(Page()).Own(t.mark.tagDie);
    if (own && d.record != nullptr) {
        tables::FillDieTestInfo(*d.record, static_cast<std::uint8_t>(d.channel), static_cast<std::uint8_t>(d.bank),
                                static_cast<std::uint8_t>(d.lun), *own, t.whole.serial);
    }
    if (detail_) {
        tables::DieTestInfo rec{};
        if (d.record != nullptr) std::memcpy(static_cast<void*>(&rec), d.record, sizeof rec);
        TraceOut("TestResult = %d\n", rec.TestResult);
        TraceOut("[SORT]######## - Ch = %d, Bank = %d, LUN = %d\n", d.channel, d.bank, d.lun);
        TraceOut("[SORT]######## - TotalBadNum = %d, EraseFailNum = %d, ProgramFailNum = %d, ECCFailNum = %d, "
                 "FactoryBadNum = %d\n",
                 unsigned{rec.TotalBadNum}, unsigned{rec.EraseFailNum}, unsigned{rec.ProgramFailNum},
                 unsigned{rec.ECCFailNum}, unsigned{rec.FactoryBadNum});
        TraceOut("[SORT]######## - Plane0Num = %d, Plane1Num = %d, Plane2Num = %d, Plane3Num = %d\n",
                 unsigned{rec.Plane0Num}, unsigned{rec.Plane1Num}, unsigned{rec.Plane2Num}, unsigned{rec.Plane3Num});
    }
    return true;
}

void ParseCall::ReadListPages(const Die& d, int firstIndex, unsigned count, int code, const char* kind,
                              std::vector<std::uint8_t>& area, bool (&read)[tables::kSortListPagesMax]) {
    std::fill(area.begin(), area.end(), std::uint8_t{0});
    for (unsigned i = 0; i < count; ++i) {
        const int index = firstIndex + static_cast<int>(i);
        read[i] = ReadPage(d, index, code, kind);
        if (!read[i]) continue;
        std::copy_n(page_.begin(), pageBytes_, area.begin() + static_cast<std::ptrdiff_t>(i * pageBytes_));
        raw_.Append(Page());
    }
    raw_.AppendZeroPages(tables::kSortListPagesMax - count, pageBytes_);
}

void ParseCall::FactoryPages(const Die& d, const DieTags& t) {
    TraceOut("[SORT]######## - SORTPageIndex[SORT_FACTORY_BB_PAGE_INDEX].wPageCount = %d\n",
             t.mark.factoryPagesStated);
    bool read[tables::kSortListPagesMax] = {};
    ReadListPages(d, tables::SORTING_FACTORY_BB_PAGE_NO, t.mark.factoryPages, 4, "factory", factoryArea_, read);
    const std::vector<FactoryEntry> entries =
        DecodeFactoryEntries(factoryArea_, t.mark.tagCH, t.mark.tagBK, t.mark.tagDie, planes_, detail_);
    const ReportDie die{d.channel, d.bank, d.lun};
    std::optional<ReportFile> report;
    if (tree_) {
        report.emplace(tree_->factoryBad + FactoryBadReportName(die));
        report->Write(FactoryBadHead(die));
    }
    // The bank tag is a FW bank: its bank goes into the BK column.
    const unsigned tagBank = tables::SplitFwBank(t.mark.tagBK, AP_INIState.MaxPhyBank).bank;
    for (const FactoryEntry& e : entries) {
        view_.AddRow(ResultList::FactoryBad, FactoryBadRow(++factoryRow_, t.mark.tagCH, tagBank, d.lun,
                                                           t.mark.tagDie, e));
        if (report) report->Write(FactoryBadLine(die, e));
    }
}

void ParseCall::ErrorPages(const Die& d, const DieTags& t) {
    TraceOut("[SORT]######## - SORTPageIndex[SORT_ERROR_PAGE_INDEX].wPageCount = %d\n", t.mark.errorPagesStated);
    bool read[tables::kSortListPagesMax] = {};
    const unsigned count = t.mark.errorPages;
    ReadListPages(d, tables::SORTING_ERROR_PAGE_NO, count, 5, "Error", errorArea_, read);
    char name[64];
    std::snprintf(name, sizeof name, "R_RawData_CH%d_Bank%d_Lun%d.raw", d.channel, d.bank, d.lun);
    const auto image = raw_.Bytes();
    DumpRdtRawFile((dieFolder_ + name).c_str(), image.data(), image.size());

    const tables::SortErrorList list = tables::DecodeSortErrorList(
        std::span<const std::uint8_t>(errorArea_).first(count * pageBytes_), pageBytes_, std::span(read, count));
    Detail("[SORT]######## - ErrorRecNum = %d\n", static_cast<int>(list.records.size()));
    const ReportDie die{d.channel, d.bank, d.lun};
    std::optional<ReportFile> report;
    if (tree_) {
        static const tables::DieTestInfo kZero{};
        ErrorReportHead head;
        head.die = die;
        head.info = d.record != nullptr ? d.record : &kZero;
        head.echo = r_.rdtSetting;
        head.version = r_.versionText;
        head.eccThreshold = t.whole.eccThreshold;
        head.flashType = AP_FlashSet.ucFlashType;
        report.emplace(tree_->rdtBad + SortErrorReportName(die, t.whole.DieResult(t.mark.tagDie)));
        report->Write(SortErrorHead(head));
    }
    // The same detail line for every record: formatted once.
    char tagLine[64];
    const int n = std::snprintf(tagLine, sizeof tagLine, "[SORT]######## - ucTagBK %d ,ucTagCH %d \n", t.mark.tagBK,
                                t.mark.tagCH);
    const std::string_view tagText(tagLine, n < 0 ? 0 : std::min(static_cast<std::size_t>(n), sizeof tagLine - 1));
    for (const tables::SortErrorRecord& rec : list.records) {
        if (detail_) platform::WriteTrace(tagText);
        if (rec.bankTag != t.mark.tagBK || rec.channel != t.mark.tagCH) continue;
        const ErrorLine line = MakeErrorLine(rec, AP_INIState.MaxPhyBank, planes_);
        view_.AddRow(ResultList::RdtBad, SortErrorRow(++rdtRow_, line));
        counters_.Add(line);
        if (report) report->Write(SortErrorLine(line, ErrorLineStyle::Parse));
    }
}

}  // namespace sorting
