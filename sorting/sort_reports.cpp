#include "sorting/sort_reports.h"

#include <cstdarg>

#include "sorting/sort_echo_rows.h"
#include "transport/trace.h"

namespace sorting {

namespace {

__attribute__((format(printf, 1, 2))) std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
    if (n > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    return text;
}

std::string Cell(const std::optional<std::uint32_t>& block) {
    return block ? Format("0x%04x", static_cast<unsigned>(*block)) : std::string(6, ' ');
}

std::string DieHead(const ReportDie& die) {
    return Format("CH: %d, BK: %d, Lun: %d\r\n", static_cast<int>(die.channel), static_cast<int>(die.bank),
                  static_cast<int>(die.lun));
}

std::string DieName(const char* prefix, const ReportDie& die) {
    return Format("%sCH%01d_BK%01d(L%01d).ms0", prefix, static_cast<int>(die.channel), static_cast<int>(die.bank),
                  static_cast<int>(die.lun));
}

std::string UnitLine(unsigned channel, unsigned bank, unsigned lun, unsigned unit, const std::string (&cells)[4]) {
    return Format("Ch:%d Bank:%d LUN:%d\tunit:0x%04x  block:%s,%s,%s,%s", static_cast<int>(channel),
                  static_cast<int>(bank), static_cast<int>(lun), unit, cells[0].c_str(), cells[1].c_str(),
                  cells[2].c_str(), cells[3].c_str());
}

const std::string kHyphens(55, '-');

}  // namespace

std::vector<FactoryEntry> GroupFactoryBlocks(const std::vector<tables::SortFactoryBlock>& blocks, unsigned planes) {
    std::vector<FactoryEntry> entries;
    for (const tables::SortFactoryBlock& b : blocks) {
        if (entries.empty() || entries.back().unit != b.unit) entries.push_back({b.unit, {}});
        if (b.plane < 4 && planes != 0) entries.back().blocks[b.plane] = b.block;
    }
    return entries;
}

ErrorLine MakeErrorLine(const tables::SortErrorRecord& r, unsigned banks, unsigned planes) {
    const tables::DieBankLun die = tables::SplitFwBank(r.bankTag, banks);
    ErrorLine line;
    line.channel = r.channel;
    line.bank = die.bank;
    line.lun = die.lun;
    line.unit = r.unit;
    for (unsigned p = 0; p < 4; ++p) {
        if ((r.planeMask & (1u << p)) != 0) line.blocks[p] = static_cast<std::uint32_t>(r.unit) * planes + p;
    }
    line.page = r.page;
    line.maxErrBit = r.errorType == tables::kSortErrEccOverThreshold ? r.maxErrBit : 238;
    line.errorType = r.errorType;
    line.action = r.action;
    line.failLoop = r.failLoop;
    line.readLoop = r.readLoop;
    line.tsad = r.tsad;
    line.slc = r.slc;
    line.time = tables::SortTimeText(r.ticks);
    return line;
}

std::string AllBadReportName(const ReportDie& die) {
    return DieName("AllBB_", die);
}
std::string FactoryBadReportName(const ReportDie& die) {
    return DieName("FactoryBB_", die);
}
std::string SortErrorReportName(const ReportDie& die, std::uint8_t dieResultByte) {
    return DieName(dieResultByte != 0 ? "Fail_RDTBad_" : "Pass_RDTBad_", die);
}
std::string SavedErrorReportName(const ReportDie& die) {
    return DieName("RDTBad_", die);
}

std::string AllBadHead(const ReportDie& die) {
    return DieHead(die) + "====================All Bad====================\r\n";
}

std::string AllBadLine(const ReportDie& die, const tables::SortBadBlockEntry& entry, unsigned planes) {
    std::string cells[4];
    for (unsigned p = 0; p < 4 && p < planes; ++p) {
        cells[p] = (entry.planeMask & (1u << p)) != 0 ? Cell(static_cast<std::uint32_t>(entry.unit) * planes + p)
                                                      : std::string(6, ' ');
    }
    return UnitLine(die.channel, die.bank, die.lun, entry.unit, cells) + "\r\n";
}

std::string FactoryBadHead(const ReportDie& die) {
    return DieHead(die) + "====================Factory Bad====================\r\n";
}

std::string FactoryBadLine(const ReportDie& die, const FactoryEntry& entry) {
    std::string cells[4];
    for (unsigned p = 0; p < 4; ++p) cells[p] = Cell(entry.blocks[p]);
    return UnitLine(die.channel, die.bank, die.lun, entry.unit, cells) + "\r\n";
}

std::string SortErrorHead(const ErrorReportHead& h) {
    static const tables::DieTestInfo kZero{};
    const tables::DieTestInfo& d = h.info != nullptr ? *h.info : kZero;
    std::string t = DieHead(h.die) + "====RDT Setting===\r\n";
    t += "MPT version : " + EchoVersionText(h.version, 48, 5) + "\r\n";
    t += "GDP version : " + EchoVersionText(h.version, 64, 5) + "\r\n";
    t += "RDT version : " + EchoVersionText(h.version, 96, 5) + "\r\n";
    for (const tables::SortEchoField& f : tables::kSortEchoFields) {
        const std::string label = EchoFieldLabel(f, h.flashType);
        if (label == "SLC LDPC Threshold") continue;  // shown in the window only
        // Two lines keep the drive logs' spacing, without a space after the colon.
        const bool tight = label == "Max Bad Blocks Per Plane" || label == "Program Fail Blocks Per Plane";
        t += Format("%s :%s%lld\r\n", label.c_str(), tight ? "" : " ", EchoFieldValue(h.echo, f));
    }
    t += "====Tprogram Time===\r\n";
    t += Format(
        "Ch:%d Bank:%d LUN:%d\tErase_SLC:0x%04x, Erase:0x%04x, Prog_SLC:0x%04x, Read_SLC:0x%04x, Prog:0x%04x, "
        "Read:0x%04x\r\n",
        static_cast<int>(h.die.channel), static_cast<int>(h.die.bank), static_cast<int>(h.die.lun),
        unsigned{d.tErase_SLC}, unsigned{d.tErase}, unsigned{d.tProg_SLC}, unsigned{d.tRead_SLC}, unsigned{d.tProg},
        unsigned{d.tRead});
    t += "===Total B.B. / Erase Fail / Program Fail / ECC Fail / Factory B.B.===\r\n";
    t += Format("%d / %d / %d / %d / %d \r\n", int{d.TotalBadNum}, int{d.EraseFailNum}, int{d.ProgramFailNum},
                int{d.ECCFailNum}, int{d.FactoryBadNum});
    t += "====Plane Bad Block Number(P0/P1/P2/P3)====\r\n";
    t += Format("%d / %d / %d / %d \r\n", int{d.Plane0Num}, int{d.Plane1Num}, int{d.Plane2Num}, int{d.Plane3Num});
    t += "====RDT Test Error Code====\r\n";
    if (d.TestResult == 0) {
        t += std::string(tables::kSortResultTexts[0]) + "\r\n";
    } else {
        for (unsigned bit = 0; bit < 8; ++bit) {
            if ((d.TestResult & (1u << bit)) != 0) t += std::string(tables::kSortResultTexts[bit + 1]) + "\r\n";
        }
    }
    t += "====ERROR TYPE====\r\n";
    t += Format("0 : ECC Fail (Threshold: %d)\r\n", int{h.eccThreshold});
    t += "1 : ECC FAIL\r\n2 : PROGRAM FAIL\r\n3 : ERASE FAIL\r\n4 : EMPTY PAGE FAIL\r\n5 : NOT EMPTY PAGE FAIL\r\n"
         "6 : DATA PATH FAIL\r\n7 : PROGRAM DMA TIMEOUT\r\n8 : READ NAND TIMEOUT\r\n9 : READ DMA DATA TIMEOUT\r\n"
         "A : T program\r\n";
    t += kHyphens + "\r\n";
    t += "====ACTION====\r\n0 : POST READ\r\n1 : PROGRAM\r\n2 : ERASE\r\n3 : EMPTY READ\r\n4 : PARTIAL READ\r\n"
         "5 : DISTURB READ\r\n6 : PAGE READ\r\n7 : DATA PATH TEST\r\n8 : 4P PROGRAM\r\n9 : 4P READ\r\n"
         "A : 4P ERASE\r\n";
    t += kHyphens + "\r\n";
    t += RdtBadHead(h.die);
    return t;
}

std::string RdtBadHead(const ReportDie& die) {
    return DieHead(die) + "====================RDT Bad====================\r\n";
}

std::string SortErrorLine(const ErrorLine& l, ErrorLineStyle style) {
    std::string cells[4];
    for (unsigned p = 0; p < 4; ++p) cells[p] = Cell(l.blocks[p]);
    const bool save = style == ErrorLineStyle::Save;
    return UnitLine(l.channel, l.bank, l.lun, l.unit, cells) +
           Format(
               "%sPage:0x%04x  MaxErrBit:%3d%sErrorType:%d  Action:%d  FailLoop:%d(%d:1-SLC,0-TLC)   "
               "ReadLoop:%d%sTSAD:%d  Time:%s\r\n",
               save ? "  " : "\t", unsigned{l.page}, static_cast<int>(l.maxErrBit), save ? "  " : "\t",
               static_cast<int>(l.errorType), static_cast<int>(l.action), static_cast<int>(l.failLoop), l.slc ? 1 : 0,
               static_cast<int>(l.readLoop), save ? "   " : "\t ", static_cast<int>(l.tsad), l.time.c_str());
}

std::string AllBadReport(const ReportDie& die, std::span<const tables::SortBadBlockEntry> entries, unsigned planes) {
    std::string t = AllBadHead(die);
    for (const tables::SortBadBlockEntry& e : entries) t += AllBadLine(die, e, planes);
    return t;
}

std::string FactoryBadReport(const ReportDie& die, std::span<const FactoryEntry> entries) {
    std::string t = FactoryBadHead(die);
    for (const FactoryEntry& e : entries) t += FactoryBadLine(die, e);
    return t;
}

std::string SortErrorReport(const ErrorReportHead& head, std::span<const ErrorLine> lines) {
    std::string t = SortErrorHead(head);
    for (const ErrorLine& l : lines) t += SortErrorLine(l, ErrorLineStyle::Parse);
    return t;
}

std::string SavedErrorReport(const ReportDie& die, std::span<const ErrorLine> lines) {
    std::string t = RdtBadHead(die);
    for (const ErrorLine& l : lines) t += SortErrorLine(l, ErrorLineStyle::Save);
    return t;
}

ReportFile::ReportFile(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {
    if (file_ == nullptr) TraceOut("[SORT]######## - Report file not created: %s\n", path.c_str());
}

ReportFile::~ReportFile() {
    if (file_ != nullptr) std::fclose(file_);
}

void ReportFile::Write(const std::string& text) {
    if (file_ != nullptr && !text.empty()) std::fwrite(text.data(), 1, text.size(), file_);
}

bool WriteReport(const std::string& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        TraceOut("[SORT]######## - Report file not created: %s\n", path.c_str());
        return false;
    }
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace sorting
