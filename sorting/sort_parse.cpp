#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

#include "forms/ui_port.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/trace_sink.h"
#include "procedures/V_Proc_Sorting.h"
#include "settings/records.h"
#include "sorting/sort_echo_rows.h"
#include "sorting/sort_parse_call.h"
#include "transport/trace.h"

namespace sorting {

namespace {

constexpr unsigned kSide = 8;  // wRsltBlk: 8 channels by 8 FW banks
constexpr unsigned kSingleLunBanks = 4;  // bOriDieMap: 8 channels by 4 banks
constexpr std::size_t kListAreaBytes = 64 * 1024;

unsigned LunsPerCe() { return AP_FlashSet.ucDiePerCE == 0 ? 1u : AP_FlashSet.ucDiePerCE; }

}  // namespace

ParseCall::ParseCall(SortResults& results, const SortPageRead& read, std::uint8_t port, SortResultView& view)
    : r_(results),
      read_(read),
      port_(port),
      view_(view),
      detail_(AP_RDTSet.DisDBG_SORT == 0),
      multiLun_(AP_FlashSet.ucDiePerCE >= 2),
      luns_(LunsPerCe()),
      planes_(AP_FlashSet.ucPlanes),
      blocksPerDie_(AP_FlashSet.wBlocks / LunsPerCe()),
      pageBytes_(static_cast<std::size_t>(AP_FlashSet.bPageSector) * 512),
      page_(std::max<std::size_t>(pageBytes_, 512), 0),
      // The four counted pages of a kind end to end; 64 KB holds four pages of 16 KB.
      factoryArea_(std::max(kListAreaBytes, tables::kSortListPagesMax * pageBytes_), 0),
      errorArea_(factoryArea_.size(), 0) {}

void ParseCall::Detail(const char* format, ...) const {
    if (!detail_) return;
    char line[1024];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    // As the trace writer cuts it: at most 1,023 characters.
    const std::size_t length = n < 0 ? 0 : std::min(static_cast<std::size_t>(n), sizeof line - 1);
    platform::WriteTrace(std::string_view(line, length));
}

void ParseCall::Run() {
    Start();
    DieLoop();
    End();
    dumps_.Finish();
}

void ParseCall::Start() {
    const platform::LocalTime now = platform::Now();
    if (AP_RDTSet.SaveResultLog == 1) {
        ReportTreeRequest rq;
        rq.programFolder = platform::ProgramFolder().string();
        rq.time = {now.month, now.day, now.hour, now.minute, now.second};
        rq.port = port_;
        rq.serial.assign(r_.m_sSerialNum, BoundedStrLen(r_.m_sSerialNum, sizeof r_.m_sSerialNum));
        rq.kind = ReportTreeKind::Parse;
        rq.rawData = AP_RDSetting.DumpDebugFile != 0;
        rq.trace = detail_;
        tree_ = MakeReportTree(rq, [](const std::string& text) { forms::Ui().ShowMessage(text); });
        r_.ansiSortingMemoLogPath = tree_->rdtBad;
        rawFolder_ = tree_->rawData;
        dieFolder_ = tree_->die;
    }
    if (port_ < AP_PORT_COUNT) {
        for (unsigned c = 0; c < kSide; ++c) {
            for (unsigned f = 0; f < kSide; ++f) {
                Detail("Port(%d)-Parse SortingResult RsltBlk[%d][%d] = 0x%X\n", port_, c, f, wRsltBlk[port_][c][f]);
            }
        }
    }
    std::memset(static_cast<void*>(r_.m_DieTestInfo), 0, sizeof r_.m_DieTestInfo);
    for (auto& row : r_.eccMaxBits) row.fill(0);
    for (auto& row : r_.eccHistogram) row.fill(0);
    TraceOut("[SORT]######## - Main Code Parse SortingResult Phy CH[%d]BK[%d]Die[%d]\n", AP_INIState.MaxPhyChannel,
             AP_INIState.MaxPhyBank, AP_FlashSet.ucDiePerCE);
}

ParseCall::Die ParseCall::MakeDie(unsigned channel, unsigned fwBank) {
    Die d;
    d.channel = channel;
    d.fwBank = fwBank;
    const tables::DieBankLun split = tables::SplitFwBank(fwBank, AP_INIState.MaxPhyBank);
    d.bank = split.bank;
    d.lun = split.lun;
    d.block = wRsltBlk[port_][channel][fwBank];
    if (d.bank < kSortBanks && d.lun < kSortLuns) d.record = &r_.m_DieTestInfo[channel][d.bank][d.lun];
    const unsigned slot = fwBank * AP_INIState.MaxPhyChannel + channel;
    if (slot < kEccDieSlots) d.slot = slot;
    return d;
}

bool ParseCall::Skipped(const Die& d) {
    if (multiLun_) return AP_INIState.bOriDieMapMultiLun[d.channel][d.fwBank] == 0xFF;
    if (AP_INIState.bOriDieMap[d.channel][d.fwBank] != 0xFF) return false;
    Detail("[SORT]######## - Skip Ch %d, Bank %d, lun %d, Block %d\n", d.channel, d.bank, d.lun, d.block);
    return true;
}

void ParseCall::DieLoop() {
    const unsigned channels = AP_INIState.MaxPhyChannel;
    const unsigned fwBanks = AP_INIState.MaxPhyBank * luns_;
    // Dies wRsltBlk or the single-LUN die map cannot name are not visited.
    const unsigned fwBankLimit = multiLun_ ? kSide : kSingleLunBanks;
    if (port_ >= AP_PORT_COUNT || channels > kSide || fwBanks > fwBankLimit) {
        TraceOut("[SORT]######## - Port %d, %u channels by %u FW banks: only port 0..%d, %u channels by %u FW banks "
                 "are visited\n",
                 port_, channels, fwBanks, AP_PORT_COUNT - 1, kSide, fwBankLimit);
    }
    if (port_ >= AP_PORT_COUNT) return;
    for (unsigned c = 0; c < std::min(channels, kSide); ++c) {
        for (unsigned f = 0; f < std::min(fwBanks, fwBankLimit); ++f) {
            const Die d = MakeDie(c, f);
            if (Skipped(d)) continue;
            if (d.block == 0) {
                NoResult(d);
                continue;
            }
            if ((d.record == nullptr || !d.slot) && !outsideTraced_) {
                TraceOut("[SORT]######## - Ch %d, Bank %d, lun %d, FWBank %d lies outside the result tables: read and "
                         "listed, not stored\n",
                         d.channel, d.bank, d.lun, d.fwBank);
                outsideTraced_ = true;
            }
            ParseDie(d);
        }
    }
}

void ParseCall::NoResult(const Die& d) {
    if (d.record != nullptr) d.record->TestResult = 0xFF;
}

bool ParseCall::ReadPage(const Die& d, int index, int code, const char* kind) {
    if (!read_(port_, page_.data(), static_cast<std::uint8_t>(d.channel), static_cast<std::uint8_t>(d.fwBank), d.block,
               index, kSortBlockTypeSlc)) {
        ShowPageReadFail("", d.block, index);
        Detail("[SORT]######## - Read command fail (%02d)\n", code);
        return false;
    }
    if (AP_RDSetting.DumpDebugFile != 0) {
        char name[64];
        std::snprintf(name, sizeof name, "R_%s_%d_%d_%d_%03d.raw", kind, d.channel, d.fwBank, d.block, index);
        dumps_.Write(rawFolder_ + name, Page());
    }
    return true;
}

void ParseCall::End() {
    view_.CheckLunRadio(0);
    view_.SetECCInfo2UI(0, 0, 0);
    view_.SetRDTSetting2UI(EchoRows(r_.rdtSetting, r_.versionText, AP_FlashSet.ucFlashType));
    if (AP_RDTSet.EnchangeLight != 0) view_.SetLight2UI();
    const auto count = [this](int type) { return std::to_string(counters_.byType[type]); };
    view_.SetCounter(ResultCounter::ECC_Fail_Thd_View, count(0));
    view_.SetCounter(ResultCounter::ECC_Fail_View, count(1));
    view_.SetCounter(ResultCounter::Pg_Fail_View, count(2));
    view_.SetCounter(ResultCounter::Erase_Fail_View, count(3));
    view_.SetCounter(ResultCounter::Empty_Page_Fail_View, count(4));
    view_.SetCounter(ResultCounter::Total_Fail_View, std::to_string(counters_.Total()));
}

int SortResults::ParseSortingResult(std::uint8_t port, SortResultView& view) {
    // The working data holds over 300 KB: on the heap.
    auto call = std::make_unique<ParseCall>(*this, read_, port, view);
    call->Run();
    return 1;
}

}  // namespace sorting
