#include "utility/ssd_info_text.h"

#include <algorithm>

namespace vellumin {

namespace {

const char* LdpcText(std::uint8_t mode) {
    static const char* const kTexts[] = {"N/A", "LDPC Rate 1", "LDPC Rate 2", "LDPC Rate 3", "LDPC Rate 4"};
    return mode < 5 ? kTexts[mode] : "Unknown";
}

const char* VendorText(std::uint8_t vendor) {
    static const char* const kTexts[] = {"Micron", "Samsung", "Toshiba", "Hynix", "Intel", "SanDisk"};
    return vendor < 6 ? kTexts[vendor] : "Unknown";
}

const char* FlashTypeText(std::uint8_t type) {
    static const char* const kTexts[] = {"SLC", "MLC", "TLC"};
    return type < 3 ? kTexts[type] : "Unknown";
}

}  // namespace

Lines SsdSettingLines(const AP_FlashSet_t& flash, const AP_FwSet_t& fw, const AP_Variable_t& variable,
                      std::optional<std::uint64_t> nsze) {
    Lines lines;
    lines.push_back(Format("Channel number : %d", flash.ucChannel));
    lines.push_back(Format("Total bank : %d", flash.ucBankNum));
    const std::string capacity =
        nsze ? Format("%.2f", static_cast<double>(*nsze) * 512 / 1024 / 1024 / 1024) : std::string();
    lines.push_back("Capacity : " + capacity + " GBytes");
    lines.push_back(Format("LDPC mode : %s", LdpcText(flash.ucLdpcMode)));
    lines.push_back(Format("Defect block percentage : %4.1f%%", fw.wDefRatio / 10.0));
    lines.push_back(Format("Reserved block percentage : %4.1f%%", fw.wResRatio / 10.0));
    std::string channelMap = "Channel map : ";
    const int channels = std::min<int>(flash.ucChannel, sizeof flash.ucChRemap);
    for (int i = 0; i < channels; ++i) channelMap += Format("%02d ", flash.ucChRemap[i]);
    lines.push_back(channelMap);
    std::string bankMap = "Bank map : ";
    const int banks = std::min<int>(flash.ucBankNum, sizeof flash.ucBankRemap);
    for (int i = 0; i < banks; ++i) bankMap += Format("%02d ", flash.ucBankRemap[i]);
    lines.push_back(bankMap);
    lines.push_back("F/W version : " + BoundedText(fw.sFwTag, sizeof fw.sFwTag));
    lines.push_back("Customer ID : " + BoundedText(variable.SyS_FM_CUSTOMIZE_Ver, sizeof variable.SyS_FM_CUSTOMIZE_Ver));
    lines.push_back("Customer Feature ID : " +
                    BoundedText(variable.SyS_FM_CUSTOMIZE_FEATURE_Ver, sizeof variable.SyS_FM_CUSTOMIZE_FEATURE_Ver));
    return lines;
}

Lines FlashInfoLines(const AP_FlashSet_t& flash) {
    // Megabytes of one CE and of the flash, in 64 bits (large parts pass 2^31).
    const std::uint64_t blocksPerCe = std::uint64_t{flash.wBlocks} * flash.ucDiePerCE;
    const std::uint64_t ceMegabytes = blocksPerCe * flash.wPages * flash.wPageSize / 1024;
    Lines lines;
    lines.push_back(Format("Flash model : %s (%s)", BoundedText(flash.sFlashFullName, sizeof flash.sFlashFullName).c_str(),
                           VendorText(flash.ucFlashVendor)));
    lines.push_back(Format("Flash type : %s", FlashTypeText(flash.ucFlashType)));
    lines.push_back(Format("Blocks/CE : %llu(%.2fG)", static_cast<unsigned long long>(blocksPerCe),
                           static_cast<double>(ceMegabytes) / 1024));
    lines.push_back(Format("Blocks/Flash : %llu(%.2fG)", static_cast<unsigned long long>(blocksPerCe * flash.ucCE),
                           static_cast<double>(ceMegabytes * flash.ucCE) / 1024));
    lines.push_back(Format("Pages/Block : %3d", flash.wPages));
    lines.push_back(Format("Page size : %d", flash.wPageSize));
    lines.push_back(Format("Extend blocks : %d", flash.wExtendBlocks));
    lines.push_back(Format("Plane : %d", flash.ucPlanes));
    lines.push_back(Format("CE : %d", flash.ucCE));
    lines.push_back(Format("Die/CE : %d", flash.ucDiePerCE));
    return lines;
}

std::string FlashIdLine(const std::uint8_t* reply, std::size_t replyBytes, const std::function<void()>& afterByte) {
    std::string line = "Flash_ID : ";
    const std::size_t n = std::min<std::size_t>({8, replyBytes, BoundedText(reply, replyBytes).size()});
    for (std::size_t k = 0; k < n; ++k) {
        line += Format("0x%x ", reply[k]);
        if (afterByte) afterByte();
    }
    return line;
}

int FlashIdChannels(const AP_FlashSet_t& flash) { return std::min<int>(flash.ucChannel, 8); }
int FlashIdBanks(const AP_FlashSet_t& flash) { return std::min<int>(flash.ucBankNum, 8); }

}  // namespace vellumin
