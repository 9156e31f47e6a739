#include "app/sort_result_read.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>

#include "platform/clock.h"
#include "platform/files.h"
#include "procedures/V_Proc_Sorting.h"
#include "settings/rdt_dump.h"
#include "settings/records.h"
#include "transport/byte_order.h"
#include "transport/trace.h"

namespace app {

namespace {

constexpr std::size_t kSector = 512;
constexpr std::size_t kPageBufferBytes = 256 * 1024;
constexpr int kSide = 8;  // wRsltBlk: 8 channels by 8 FW banks
constexpr int kBanks = 4, kLuns = 2;

bool Detailed() {
    return AP_RDTSet.DisDBG_SORT == 0;
}

std::string VFormat(const char* format, va_list args) {
    char line[1024];
    std::vsnprintf(line, sizeof line, format, args);
    return line;
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string line = VFormat(format, args);
    va_end(args);
    return line;
}

// A "[SORT]" trace line written only while DisDBG_SORT is 0.
void SortTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));
void SortTrace(const char* format, ...) {
    if (!Detailed()) return;
    va_list args;
    va_start(args, format);
    const std::string line = VFormat(format, args);
    va_end(args);
    TraceOut("%s", line.c_str());
}

// Writes the whole-info page as "WholeInfo.raw" (the raw-dump switch) through a temporary file and
// rename, so that workers writing at once leave one die's page, never a mix.
void DumpWholeInfo(std::span<const std::uint8_t> page) {
    if (AP_RDSetting.DumpDebugFile == 0) return;
    const std::filesystem::path path = platform::ProgramFolder() / "raw" / "WholeInfo.raw";
    platform::WriteFileAtomic(path, std::string_view(reinterpret_cast<const char*>(page.data()), page.size()));
}

// One device's read: its geometry and where its page reads go.
class DriveRead {
  public:
    DriveRead(int port, int device, const DeviceSortTables& t, const SortReadOutput& out)
        : port_(port), device_(device), t_(t), out_(out), page_(kPageBufferBytes) {}

    std::uint8_t Run();

  private:
    struct Die {
        int channel, fwBank, bank, lun;
        std::uint16_t block;
    };
    // The present dies inside the tables, in channel then FW bank order.
    std::vector<Die> PresentDies();
    bool ReadPage(const Die& d, int index);
    std::span<const std::uint8_t> Page() const { return {page_.data(), pageBytes_}; }
    tables::DieTestInfo* Record(const Die& d) const {
        return d.bank < kBanks && d.lun < kLuns ? &(*t_.die)[d.channel][d.bank][d.lun] : nullptr;
    }
    void MarkNoResult(const Die& d);
    void ReadDie(const Die& d);
    void TakeErrors(const tables::SortMarkPage& mark, std::uint16_t block, const Die& d);
    void TraceRecord(const Die& d);

    int port_, device_;
    const DeviceSortTables& t_;
    const SortReadOutput& out_;
    std::vector<std::uint8_t> page_;
    std::size_t pageBytes_ = std::min<std::size_t>(AP_FlashSet.bPageSector * kSector, kPageBufferBytes);
    platform::LocalTime start_{};
    std::filesystem::path analysis_;
    bool failFlag_ = false;
    int marksRead_ = 0;
    tables::SortWholeInfo kept_{};  // zeroed for every call
};

std::vector<DriveRead::Die> DriveRead::PresentDies() {
    const int dies = AP_FlashSet.ucDiePerCE == 0 ? 1 : AP_FlashSet.ucDiePerCE;
    const int banks = AP_INIState.MaxPhyBank;
    const bool multiLun = AP_FlashSet.ucDiePerCE >= 2;
    std::vector<Die> present;
    bool outsideTraced = false;
    for (int c = 0; c < AP_INIState.MaxPhyChannel; ++c) {
        for (int f = 0; f < banks * dies; ++f) {
            const tables::DieBankLun split =
                tables::SplitFwBank(static_cast<unsigned>(f), static_cast<unsigned>(banks));
            const Die d{c, f, static_cast<int>(split.bank), static_cast<int>(split.lun),
                        c < kSide && f < kSide ? wRsltBlk[port_][c][f] : std::uint16_t{0}};
            const bool inMap = c < kSide && (multiLun ? f < kSide : f < kBanks);
            if (!inMap || d.bank >= kBanks || d.lun >= kLuns) {
                if (!outsideTraced) {
                    TraceOut("[SORT]######## - Ch %d, FWBank %d (bank %d, lun %d) lies outside the tables: not visited\n",
                             c, f, d.bank, d.lun);
                    outsideTraced = true;
                }
                continue;
            }
            const std::uint8_t map = multiLun ? AP_INIState.bOriDieMapMultiLun[c][f] : AP_INIState.bOriDieMap[c][f];
            if (map == 0xFF) {
                if (!multiLun) SortTrace("[SORT]######## - Skip Ch %d, Bank %d, lun %d, Block %d\n", c, d.bank, d.lun, d.block);
                continue;
            }
            present.push_back(d);
        }
    }
    return present;
}

bool DriveRead::ReadPage(const Die& d, int index) {
    return VP_PROC_ReadSortResultPage(port_, page_.data(), static_cast<std::uint8_t>(d.channel),
                                      static_cast<std::uint8_t>(d.fwBank), d.block, index);
}

void DriveRead::MarkNoResult(const Die& d) {
    tables::DieTestInfo* r = Record(d);
    if (r == nullptr) return;
    r->Channel = static_cast<std::uint8_t>(d.channel);
    r->Bank = static_cast<std::uint8_t>(d.bank);
    r->LUN = static_cast<std::uint8_t>(d.lun);
    r->TestResult = kSortNoResult;
}

void DriveRead::TraceRecord(const Die& d) {
    if (!Detailed()) return;
    tables::DieTestInfo r{};
    if (const tables::DieTestInfo* held = Record(d)) std::memcpy(&r, held, sizeof r);
    TraceDieRecord(r, d.channel, d.bank, d.lun);
}

void DriveRead::TakeErrors(const tables::SortMarkPage& mark, std::uint16_t block, const Die& d) {
    const unsigned count = mark.errorPages;
    std::vector<std::uint8_t> area(count * pageBytes_, 0);
    bool read[tables::kSortListPagesMax] = {};
    for (unsigned i = 0; i < count; ++i) {
        const int index = tables::SORTING_ERROR_PAGE_NO + static_cast<int>(i);
        read[i] = ReadPage(d, index);
        if (read[i]) {
            std::copy_n(page_.begin(), pageBytes_, area.begin() + static_cast<std::ptrdiff_t>(i * pageBytes_));
        } else {
            SortTrace("SORT Page read: fail. Block:%u  Page: %u", block, AP_FlashSet.wPageMap[index]);
        }
    }
    const tables::SortErrorList list = tables::DecodeSortErrorList(area, pageBytes_, std::span(read, count));
    const unsigned planes = AP_FlashSet.ucPlanes;
    for (const tables::SortErrorRecord& e : list.records) {
        SortTrace("[SORT]######## - ucTagBK %d ,ucTagCH %d \n", mark.tagBK, mark.tagCH);
        if (e.bankTag != mark.tagBK || e.channel != mark.tagCH) continue;
        if (e.position >= static_cast<std::size_t>(kSortErrorEntries)) {
            TraceOut("[SORT]######## - Error record %u of Ch %d lies past the table (%d entries): not stored\n",
                     static_cast<unsigned>(e.position), d.channel, kSortErrorEntries);
            continue;
        }
        SortErrorEntry& s = t_.errors[e.position];
        s = SortErrorEntry{};
        s.inUse = 255;
        // The bank tag is a FW bank.
        const tables::DieBankLun split = tables::SplitFwBank(e.bankTag, AP_INIState.MaxPhyBank);
        s.bankTag = e.bankTag;
        s.bank = static_cast<std::uint8_t>(split.bank);
        s.channel = e.channel;
        s.lun = static_cast<std::uint8_t>(split.lun);
        s.blockUnit = e.unit;
        s.planeMask = e.planeMask;
        for (unsigned p = 0; p < 4; ++p) {
            s.block[p] = (e.planeMask & (1u << p)) != 0 ? static_cast<std::uint16_t>(e.unit * planes + p) : 0xFFFF;
        }
        s.errorType = e.errorType;
        s.page = e.page;
        const std::string time = tables::SortTimeText(e.ticks);
        std::snprintf(s.timeText, sizeof s.timeText, "%s", time.c_str());
        s.action = e.action;
        s.maxErrBit = e.errorType == tables::kSortErrEccOverThreshold ? e.maxErrBit : 0xEE;
        s.failLoop = e.failLoop;
        s.readLoop = e.readLoop;
        s.tsad = e.tsad;
    }
    TraceOut(count == 0 ? "Free pSORT_error_record = NULL\n" : "Free pSORT_error_record\n");
}

void DriveRead::ReadDie(const Die& d) {
    // Mark page.
    if (!ReadPage(d, tables::SORTING_MARK_PAGE_NO)) {
        SortTrace("[SORT]######## - Read command fail (01)\n");
        MarkNoResult(d);
        return;
    }
    const tables::SortMarkPage mark = tables::DecodeSortMarkPage(Page());
    if (!mark.Valid()) {
        SortTrace("[SORT]######## - This Die not find Mark page \n");
        MarkNoResult(d);
        return;
    }
    if (mark.errorPages != mark.errorPagesStated || mark.factoryPages != mark.factoryPagesStated) {
        TraceOut("[SORT]######## - page counts %u/%u taken as %u/%u\n", mark.errorPagesStated, mark.factoryPagesStated,
                 mark.errorPages, mark.factoryPages);
    }
    ++marksRead_;
    failFlag_ = mark.verdict != 0;
    SortSummary& sum = *t_.summary;
    sum.wTotalBad = mark.driveBad;
    sum.wEccFail = mark.driveEcc;
    sum.wProgFail = mark.driveProgram;
    sum.wEraseFail = mark.driveErase;
    sum.wFactoryBad = mark.driveFactory;

    // Whole-info page.
    if (!ReadPage(d, tables::SORTING_WHOLE_INFO_PAGE_NO)) {
        SortTrace("[SORT]######## - Read command fail (02)\n");
        MarkNoResult(d);
        return;
    }
    kept_ = tables::DecodeSortWholeInfo(Page());
    SortTrace("[SORT]######## - RdtWholeInfo   - TagDie = %d ,Result = %d \n", mark.tagDie, kept_.DieResult(mark.tagDie));
    DumpWholeInfo(Page());
    const std::uint16_t slcLoops = static_cast<std::uint16_t>(tables::SortEchoValue(kept_.echo, "NAND_SLCTestLoops"));
    sum.wSlcLoops = slcLoops;
    sum.wNonSlcLoops =
        static_cast<std::uint16_t>(tables::SortEchoValue(kept_.echo, "NANDTotalTestLoops") - slcLoops);
    sum.ucSlcErrBitTh = kept_.slcThreshold;
    sum.ucNonSlcErrBitTh = kept_.eccThreshold;
    sum.wTsad = kept_.tsad;

    // Die-info page.
    if (!ReadPage(d, tables::SORTING_DIE_INFO_PAGE_NO)) {
        SortTrace("[SORT]######## - Read command fail (03)\n");
        MarkNoResult(d);
        return;
    }
    const auto entry = tables::DecodeSortDieInfoList(Page()).Own(mark.tagDie);
    if (entry) {
        if (tables::DieTestInfo* r = Record(d)) {
            tables::FillDieTestInfo(*r, static_cast<std::uint8_t>(d.channel), static_cast<std::uint8_t>(d.bank),
                                    static_cast<std::uint8_t>(d.lun), *entry, kept_.serial);
            const std::string name = AnalysisFileName(*r, start_.month, start_.day, start_.hour, start_.minute,
                                                      start_.second, port_, device_);
            DumpRdtRawFile((analysis_ / name).string().c_str(), r, sizeof *r);
        }
    }
    TraceRecord(d);
    TakeErrors(mark, d.block, d);
}

std::uint8_t DriveRead::Run() {
    TraceOut("Port(%d) is Device(%d)\n", port_, device_);
    start_ = platform::Now();
    const std::filesystem::path root = platform::ProgramFolder() / "Sorting_Log";
    if (!platform::MakeFolders(root)) {
        if (out_.message) out_.message("Cannot create root directory 0 .");
        SortTrace("[SORT]######## - create dir Fail(00) !!\n");
    }
    analysis_ = root / "AnalysisData";
    if (!platform::MakeFolders(analysis_)) {
        if (out_.message) out_.message("Cannot create RDT Bad directory.");
        SortTrace("[SORT]######## - create dir Fail(06) !!\n");
    }

    std::uint8_t reply[kSector] = {};
    if (port_ < 0 || port_ >= AP_PORT_COUNT || !VP_PROC_GetSortingResultBlock(port_, reply)) {
        TraceOut("Port[%d] - Get sorting result fail!\n", port_);
        return kSortCmdFail;
    }
    for (int c = 0; c < kSide; ++c) {
        for (int f = 0; f < kSide; ++f) {
            const std::uint16_t old = wRsltBlk[port_][c][f];
            wRsltBlk[port_][c][f] = transport::GetLe16(reply + 2 * (c * kSide + f));
            SortTrace("Port(%d)-Parse SortingResult RsltBlk[%d][%d] = 0x%X - (0x%X)\n", port_, c, f,
                      wRsltBlk[port_][c][f], old);
        }
    }
    TraceOut("Port[%d] - MAX_CHANNEL %d , MAX_BANK %d\n", port_, AP_INIState.MaxPhyChannel,
             AP_INIState.MaxPhyBank * (AP_FlashSet.ucDiePerCE == 0 ? 1 : AP_FlashSet.ucDiePerCE));

    // Count pass.
    const std::vector<Die> dies = PresentDies();
    int found = 0, lost = 0;
    for (const Die& d : dies) {
        SortTrace("SortingResult RsltBlk ChNo %d, BankNo %d, lun %d, FWBankNo %d, wBlockNo = 0x%X\n", d.channel, d.bank,
                  d.lun, d.fwBank, d.block);
        if (d.block != 0) {
            ++found;
        } else {
            ++lost;
            MarkNoResult(d);
        }
    }
    if (found == 0) return kSortNoBlocks;

    // Read pass.
    for (const Die& d : dies) {
        if (d.block != 0) ReadDie(d);
    }
    if (out_.settingsBanner) out_.settingsBanner(SortSettingsBanner(kept_, AP_FlashSet.ucFlashType));
    if (lost > 0) return kSortLost;
    if (marksRead_ == 0) {
        TraceOut("Port[%d] - no die gave a readable mark page: no verdict\n", port_);
        return kSortCmdFail;
    }
    return failFlag_ ? kSortFail : kSortPass;
}

}  // namespace

std::uint8_t ReadDeviceSortResult(int port, int device, const DeviceSortTables& tables, const SortReadOutput& output) {
    auto read = std::make_unique<DriveRead>(port, device, tables, output);
    return read->Run();
}

std::vector<std::string> SortSettingsBanner(const tables::SortWholeInfo& w, std::uint8_t flashType) {
    const auto& v = w.version;
    const auto s = [&w](const char* key) { return static_cast<unsigned>(tables::SortEchoValue(w.echo, key)); };
    const auto head16 = [&w](std::size_t at) { return static_cast<unsigned>(w.head[at] | (w.head[at + 1] << 8)); };
    const auto c = [&v](std::size_t at) { return static_cast<char>(v[at]); };
    std::vector<std::string> lines;
    lines.push_back(Format("=== MPT: %c%c%c%c%c ===", c(48), c(49), c(50), c(51), c(52)));
    lines.push_back(Format("= GDP: %c%c%c%c%c  =", c(64), c(65), c(66), c(67), c(68)));
    lines.push_back(Format("= RDT: %c%c%c%c%c  =", c(96), c(97), c(98), c(99), c(100)));
    // Like the formatted lines, the time line ends at its first zero byte.
    std::string time = "=";
    for (std::size_t i = 80; i < 96; ++i) time.push_back(c(i));
    time += "=";
    lines.push_back(time.substr(0, time.find('\0')));
    lines.push_back(s("EnNANDTestLoop") != 0 ? "En Srt NAND Test Loop : O" : "En Srt NAND Test Loop : X");
    lines.push_back(Format("SLC Test Loop : = %d", s("NAND_SLCTestLoops")));
    lines.push_back(Format("Non-SLC Test Loop : = %d",
                           static_cast<int>(s("NANDTotalTestLoops") - s("NAND_SLCTestLoops"))));
    lines.push_back(Format("SLC R-Loop/W : = %d", s("SLCReadLoop")));
    lines.push_back(Format("Non-SLC R-Loop/W : = %d", s("NonSLCReadLoop")));
    lines.push_back(Format(flashType == 1 ? "MLC LDPC Threshold = %d" : "TLC/QLC LDPC Threshold = %d", w.head[144]));
    lines.push_back(Format("SLC LDPC Threshold = %d", w.head[163]));
    lines.push_back("# Bad Block(BB) Per Die:");
    lines.push_back(Format("Max BB Th = %d", head16(14)));
    lines.push_back("# Bad Block Per Plane:");
    lines.push_back(Format("Max Bad Blocks Th = %d", head16(12)));
    lines.push_back(Format("Read Fail Blocks Th = %d", head16(74)));
    lines.push_back(Format("Program Fail Blocks Th = %d", head16(150)));
    lines.push_back(Format("Erase Fail Th = %d", head16(152)));
    lines.push_back(Format("OpenCard thermal = %d'C,TSAD = %d", w.head[162], head16(160)));
    lines.push_back(Format("Fast Sort = %d", s("FastRDTSort")));
    lines.push_back(Format("Erase All = %d", s("EnEraseAll")));
    lines.push_back(Format("Scan FactoryBad = %d", s("EnScanFactoryBad")));
    lines.push_back(Format("Skip ProgStatus = %d", s("SkipProgStatus")));
    lines.push_back(Format("Scan EraseStatus = %d", s("SkipEraseStatus")));
    lines.push_back(Format("Block W/R = %d", s("Block_RW")));
    lines.push_back(Format("Retrytype = %d(0:non,1:easy,2:full)", s("Retrytype")));
    lines.push_back(Format("En tProgram Th = %d", s("wSpecialTestCase")));
    lines.push_back(Format("tProgram SLC Upper = %d", s("tProgThreshold")));
    lines.push_back(Format("tProgram Non-SLC Upper = %d", s("TLCtProgThreshold")));
    lines.push_back(Format("tRead SLC Upper = %d", s("tReadThreshold")));
    lines.push_back(Format("tRead Non-SLC Upper = %d", s("TLCtReadThreshold")));
    lines.push_back(Format("tProgram SLC Lower = %d", s("tProgThresholdLower")));
    lines.push_back(Format("tProgram Non-SLC Lower = %d", s("TLCtProgThresholdLower")));
    lines.push_back(Format("tRead SLC Lower = %d", s("tReadThresholdLower")));
    lines.push_back(Format("tRead Non-SLC Lower = %d", s("TLCtReadThresholdLower")));
    return lines;
}

std::string AnalysisFileName(const tables::DieTestInfo& r, int month, int day, int hour, int minute, int second,
                             int port, int device) {
    char head[160];
    std::snprintf(head, sizeof head, "DieTestInfo_CH%01d_BK%01d(L%01d)_%02d%02d_%02d%02d%02d_Port%02d_DeviceNum%02d_",
                  r.Channel, r.Bank, r.LUN, month, day, hour, minute, second, port, device);
    // The serial text ends at its zero or at the end of its 48 bytes.
    const std::string_view serial(r.SerialNum, strnlen(r.SerialNum, sizeof r.SerialNum));
    return head + platform::SafeNamePart(serial) + ".bin";
}

void TraceDieRecord(const tables::DieTestInfo& r, int channel, int bank, int lun) {
    const unsigned total = r.TotalBadNum, erase = r.EraseFailNum, program = r.ProgramFailNum, ecc = r.ECCFailNum,
                   factory = r.FactoryBadNum, p0 = r.Plane0Num, p1 = r.Plane1Num, p2 = r.Plane2Num, p3 = r.Plane3Num;
    TraceOut("TestResult = %d \n", r.TestResult);
    TraceOut("[SORT]######## - Ch = %d, Bank = %d, LUN = %d\n", channel, bank, lun);
    TraceOut("[SORT]######## - TotalBadNum = %d, EraseFailNum = %d, ProgramFailNum = %d, ECCFailNum = %d, "
             "FactoryBadNum = %d \n",
             total, erase, program, ecc, factory);
    TraceOut("[SORT]######## - Plane0Num = %d, Plane1Num = %d, Plane2Num = %d, Plane3Num = %d\n", p0, p1, p2, p3);
}

}  // namespace app
