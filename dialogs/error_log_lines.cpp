#include "dialogs/error_log_lines.h"

#include <algorithm>
#include <cstring>

#include "app/run_state.h"
#include "dialogs/text_format.h"
#include "procedures/step_fail_info.h"
#include "settings/records.h"
#include "transport/port_instance.h"
#include "transport/trace.h"

namespace dialogs {

namespace {

// The detail buffer read byte by byte: bytes past its end read as zero.
class Detail {
  public:
    explicit Detail(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint8_t Byte(std::size_t at) const { return at < bytes_.size() ? bytes_[at] : 0; }
    std::uint16_t Le16(std::size_t at) const { return static_cast<std::uint16_t>(Byte(at) | Byte(at + 1) << 8); }
    std::uint32_t Le32(std::size_t at) const { return Le16(at) | static_cast<std::uint32_t>(Le16(at + 2)) << 16; }
    std::uint32_t Be32(std::size_t at) const {
        return static_cast<std::uint32_t>(Byte(at)) << 24 | Byte(at + 1) << 16 | Byte(at + 2) << 8 | Byte(at + 3);
    }
    std::size_t Size() const { return bytes_.size(); }

  private:
    std::span<const std::uint8_t> bytes_;
};

using Lines = std::vector<std::string>;

void FlashModule(const Detail& d, const ErrorLogSettings& s, Lines& out) {
    using namespace step_fail;
    out.push_back("Flash Module Test fail\r\n");
    out.push_back(Format("Target Module: %d Ch, %d Bank", s.channels, s.banks));
    const std::uint8_t* id = s.flashId;
    out.push_back(
        Format("Target Flash ID: %2.2X %2.2X %2.2X %2.2X %2.2X %2.2X\r\n", id[0], id[1], id[2], id[3], id[4], id[5]));
    // Only the slots that lie wholly inside the buffer (byte 0 can say 255).
    const std::size_t inside = d.Size() > kFmFirstRecord ? (d.Size() - kFmFirstRecord) / kFmRecordBytes : 0;
    const std::size_t slots = std::min<std::size_t>(d.Byte(kFmFailCount), inside);
    for (std::size_t k = 0; k < slots; ++k) {
        const std::size_t r = kFmFirstRecord + kFmRecordBytes * k;
        const std::uint8_t ch = d.Byte(r + kRecChannel), bank = d.Byte(r + kRecBank);
        switch (d.Byte(r + kRecEvent)) {
            case EID_FLASH_ID_SCAN_RESULT: {
                const std::size_t b = r + kRecDetail;
                out.push_back("Flash ID Result fail");
                out.push_back(Format(
                    "Scan Result -  ID: %2.2X %2.2X %2.2X %2.2X %2.2X %2.2X (Ch#%2.2X, Bank#%2.2X)\r\n", d.Byte(b),
                    d.Byte(b + 1), d.Byte(b + 2), d.Byte(b + 3), d.Byte(b + 4), d.Byte(b + 5), ch, bank));
                break;
            }
            case EID_FLASH_MODULE_SCAN_RESULT:
                out.push_back("Flash Module Setting fail");
                if (d.Byte(r + kRecDetail) == 1) {
                    out.push_back(Format(d.Byte(r + kRecDetail + 1) == 1
                                             ? "Scan Result -  Ch:%2.2X, Bank:%2.2X, Setting(X), Target(O)\r\n"
                                             : "Scan Result -  Ch:%2.2X, Bank:%2.2X, Setting(O), Target(X)\r\n",
                                         ch, bank));
                } else {
                    out.push_back(Format("Scan Result -  Ch:%2.2X, Bank:%2.2X\r\n", ch, bank));
                }
                break;
            default:
                break;  // a command-failure marker or an empty slot
        }
    }
}

void FlashInterface(int subCode, Lines& out) {
    switch (subCode) {
        case 64:
            out.push_back("Flash Interface Test - Check control SRAM fail");
            break;
        case 65:
            out.push_back("Flash Interface Test - Check NAND reset fail");
            break;
        case 66:
            out.push_back("Flash Interface Test - Check block ECC(LDPC) fail");
            break;
        case 67:
            out.push_back("Flash Interface Test - Check data path fail");
            break;
        case 68:
            out.push_back("Flash Interface Test - Check NAND time fail");
            break;
        case 69:
            out.push_back("Flash Interface Test - Check NAND time fail\nOver threshold");
            break;
        default:
            break;
    }
}

void Preformat(const Detail& d, const ErrorLogSettings& s, Lines& out) {
    if (d.Byte(1) != 3) return;
    out.push_back("Preformat fail\r\n");
    if (s.partialTables) {
        const std::uint32_t required = d.Be32(9);
        const std::uint32_t usable = static_cast<std::uint32_t>(d.Le16(5)) << 16 | d.Le16(7);
        out.push_back(Format("Minimun require good block: %d", static_cast<std::int32_t>(required)));
        out.push_back(Format("Usable good block: %d(-%d)", static_cast<std::int32_t>(usable),
                             static_cast<std::int32_t>(required - usable)));
    } else {
        out.push_back(Format("CH %d, Bank %d Over Defect Ratio!", d.Byte(2), d.Byte(3)));
    }
}

void Download(const Detail& d, const ErrorLogSettings& s, Lines& out) {
    using namespace step_fail;
    out.push_back("Download fail\r\n");
    const std::uint8_t code = d.Byte(0), detail = d.Byte(1);
    switch (code) {
        case kDlDefectHeader:
            out.push_back(Format("ch %d defect table compare fail\r\n", detail));
            break;
        case kDlEarlyHeader:
            out.push_back(Format("ch %d early table compare fail\r\n", detail));
            break;
        case kDlRemapHeader:
            out.push_back(Format("ch %d remap table compare fail\r\n", detail));
            break;
        case kDlLoaderBlock: {
            out.push_back("Download To Loader Block fail\r\n");
            static const char* const kPages[] = {
                "Write Info Page fail",     "Write LDPC Page fail", "Write Tables Page fail", "Write OPAL Page fail",
                "Write NAND MEM Page fail", "Write UEFI Page fail", "Write Code Page fail"};
            if (detail >= kDlFirstPageKind && detail <= kDlLastPageKind)
                out.push_back(kPages[detail - kDlFirstPageKind]);
            break;
        }
        default:
            break;
    }
    // The page copy from byte 2, one line per 16 bytes; it ends with the last whole line that the
    // buffer holds when the page is longer than the buffer.
    const std::size_t page = static_cast<std::size_t>(s.pageSector) * 512;
    const std::size_t held = d.Size() > kDlPage ? d.Size() - kDlPage : 0;
    for (std::size_t off = 0; off < page && off + 16 <= held; off += 16) {
        const std::size_t b = kDlPage + off;
        out.push_back(
            Format("%04X : %02X, %02X, %02X, %02X, %02X, %02X, %02X, %02X, %02X, %02X, %02X, %02X, %02X, "
                   "%02X, %02X, %02X\n",
                   static_cast<unsigned>(off), d.Byte(b), d.Byte(b + 1), d.Byte(b + 2), d.Byte(b + 3), d.Byte(b + 4),
                   d.Byte(b + 5), d.Byte(b + 6), d.Byte(b + 7), d.Byte(b + 8), d.Byte(b + 9), d.Byte(b + 10),
                   d.Byte(b + 11), d.Byte(b + 12), d.Byte(b + 13), d.Byte(b + 14), d.Byte(b + 15)));
    }
}

void RwTest(const Detail& d, int subCode, Lines& out) {
    const auto lba = [&] {
        out.push_back(Format("LBA low: 0x%08X", d.Le32(4)));
        out.push_back(Format("LBA high: 0x%08X", d.Le32(8)));
    };
    switch (subCode) {
        case step_fail::kRwWrite:
            out.push_back("RW Test - Write data fail\n");
            lba();
            break;
        case step_fail::kRwRead:
            out.push_back("RW Test - Read data fail\n");
            lba();
            break;
        case step_fail::kRwCompare:
            out.push_back("RW Test - Data compare fail\n");
            lba();
            out.push_back(Format("LBA offset: 0x%08X", d.Le32(20)));
            out.push_back(Format("Expected Value: 0x%08X", d.Le32(12)));
            out.push_back(Format("Received Value: 0x%08X", d.Le32(16)));
            break;
        case step_fail::kRwJumpToSystem:
            out.push_back("RW Test - Jump to system fail");
            break;
        case step_fail::kRwFlush:
            out.push_back("RW Test - Flush fail\n");
            break;
        default:
            break;
    }
}

void CheckTables(const Detail& d, int subCode, Lines& out) {
    if (subCode == step_fail::kCtPageWrong) {
        out.push_back("Check Tables - Check tables fail\n");
        out.push_back(Format("Page 0x%02X is incorrect!\n", d.Byte(0)));
    } else if (subCode == step_fail::kCtJumpToSystem) {
        out.push_back("Check Tables - Jump to system fail");
    }
}

void SortingResult(const Detail& d, Lines& out) {
    out.push_back("Check Sorting result fail\r\n");
    if (d.Byte(0) == 224) {
        out.push_back(Format("Ch %d, Bank %d Check sorting result fail!\n", d.Byte(1), d.Byte(2)));
    } else {
        out.push_back("Can't find sorting result!\n");
    }
}

}  // namespace

ErrorLogSettings CurrentErrorLogSettings() {
    ErrorLogSettings s;
    s.channels = AP_FlashSet.ucChannel;
    s.banks = AP_FlashSet.ucBankNum;
    std::memcpy(s.flashId, AP_FlashSet.aFlashID, sizeof s.flashId);
    s.pageSector = AP_FlashSet.bPageSector;
    s.partialTables = AP_INIState.EnPartialTbl != 0;
    return s;
}

bool ErrorLogReadsItem(int item) {
    using namespace step_fail;
    return item == kItemFlashModule || item == kItemPreformat || item == kItemDownload || item == kItemRWTest ||
           item == kItemCheckTables || item == kItemSortingResult;
}

std::vector<std::string> DecodeStepFailInfo(int item, int subCode, std::span<const std::uint8_t> detail,
                                            const ErrorLogSettings& settings) {
    const Detail d(detail);
    Lines out;
    switch (item) {
        case step_fail::kItemFlashModule:
            FlashModule(d, settings, out);
            break;
        case step_fail::kItemBusInterface:
            out.push_back("Bus Interface Test fail\r\n");
            break;
        case step_fail::kItemFlashInterface:
            FlashInterface(subCode, out);
            break;
        case step_fail::kItemPreformat:
            Preformat(d, settings, out);
            break;
        case step_fail::kItemDownload:
            Download(d, settings, out);
            break;
        case step_fail::kItemRWTest:
            RwTest(d, subCode, out);
            break;
        case step_fail::kItemCheckTables:
            CheckTables(d, subCode, out);
            break;
        case kItemSortingResult:
            SortingResult(d, out);
            break;
        default:
            break;
    }
    return out;
}

std::vector<std::string> ErrorLogLinesForPort(int port) {
    if (port < 0 || port >= kUsbPortRecords || port >= kPortCount) return {};
    const int item = LoadField(g_PortDevInfo[port].iErrorCode);
    const int subCode = g_PortDevInfo[port].iSubCode;
    std::span<const std::uint8_t> detail;
    if (ErrorLogReadsItem(item) && item < kItemLogCount && g_pMPItemLog[port][item] != nullptr) {
        detail = {g_pMPItemLog[port][item], kItemLogBufSize};
    }
    if (item == step_fail::kItemPreformat && detail.size() > 1) {
        DumpRawFile("PF_ERR.raw", detail.data() + 1, std::min<std::size_t>(512, detail.size() - 1));
    }
    return DecodeStepFailInfo(item, subCode, detail, CurrentErrorLogSettings());
}

}  // namespace dialogs
