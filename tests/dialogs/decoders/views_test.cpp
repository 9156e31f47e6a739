// What the engineering windows show, without a window: the shared hex-dump rows, the check-flash
// parameters and refusals, the device information texts and flash-ID rows, the stored serial number.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/run_state.h"
#include "dialogs/barcode_form.h"
#include "dialogs/check_flash_params.h"
#include "dialogs/device_info_view.h"
#include "dialogs/dialog_common.h"
#include "dialogs/hex_dump.h"
#include "forms/str_to_int.h"
#include "settings/records.h"
#include "support/settings_records.h"
#include "transport/usb_disks.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(HexDump, HeaderOffsetsBytesAndCharacters) {
    const dialogs::DumpRow header = dialogs::DumpHeaderRow();
    EXPECT_EQ(header[0], "Offset (Hex)");
    EXPECT_EQ(header[1], "0");
    EXPECT_EQ(header[16], "F");
    EXPECT_EQ(header[17], "");
    EXPECT_EQ(header[18], "0");
    EXPECT_EQ(header[33], "F");

    Bytes page(4096 + 8, 0);  // a tail shorter than a row is not shown
    page[16 * 3 + 0] = 'Q';
    page[16 * 3 + 1] = 0xE9;
    page[16 * 3 + 15] = 0x55;
    const auto rows = dialogs::DumpRows(page);
    ASSERT_EQ(rows.size(), 257u);
    EXPECT_EQ(rows[4][0], "0x00000030");
    EXPECT_EQ(rows[4][1], "51");
    EXPECT_EQ(rows[4][2], "E9");
    EXPECT_EQ(rows[4][3], "00");
    EXPECT_EQ(rows[4][16], "55");
    EXPECT_EQ(rows[4][17], "");
    EXPECT_EQ(rows[4][18], "Q");
    EXPECT_EQ(rows[4][19], "\xE9");
    EXPECT_EQ(rows[4][20], "") << "a zero byte shows no character";
    EXPECT_EQ(rows[256][0], "0x00000FF0");
}

dialogs::PageControls Controls(const char* channel, const char* bank, const char* block, const char* page,
                               int ldpc = 0) {
    dialogs::PageControls c;
    c.channel = channel;
    c.bank = bank;
    c.block = block;
    c.page = page;
    c.ldpcIndex = ldpc;
    return c;
}

TEST(CheckFlashParams, ConversionModesAndRefusals) {
    test_support::SettingsRecordsGuard records;
    AP_FlashSet.ucLdpcMode = 3;
    AP_FlashSet.bPageSector = 32;
    dialogs::PageParams p = dialogs::GatherPageParams(Controls("2", "1", "$10", "0x7"));
    EXPECT_EQ(p.channel, 2);
    EXPECT_EQ(p.block, 16);
    EXPECT_EQ(p.page, 7);
    EXPECT_EQ(p.ldpcRate, 1);
    EXPECT_EQ(p.sectors, 8u);
    EXPECT_EQ(p.blockType, 0);
    p = dialogs::GatherPageParams(Controls("0", "0", "0", "0", 1));
    EXPECT_EQ(p.ldpcRate, 3);
    EXPECT_EQ(p.sectors, 32u);
    dialogs::PageControls none = Controls("0", "0", "0", "0", -1);
    none.blockTypeIndex = -1;
    none.scramble = false;
    p = dialogs::GatherPageParams(none);
    EXPECT_EQ(p.ldpcRate, 1);
    EXPECT_EQ(p.blockType, 1) << "nothing chosen reads as SLC";
    EXPECT_EQ(p.scramble, 0);

    EXPECT_EQ(dialogs::ParsePattern("0x55"), 0x55);
    EXPECT_EQ(dialogs::ParsePattern("255"), 255);
    EXPECT_EQ(dialogs::ParsePattern("$1FF"), 0x1FF);
    try {
        dialogs::GatherPageParams(Controls("0", "0", "abc", "0"));
        ADD_FAILURE() << "no conversion error";
    } catch (const forms::ConvertError& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
    }
    EXPECT_THROW(dialogs::ParsePattern(""), forms::ConvertError);

    struct Refusal {
        const char *channel, *bank, *block, *page;
        const char* line;  // null: accepted
    };
    const Refusal refusals[] = {
        {"7", "3", "65535", "65535", nullptr},
        {"9", "0", "0", "0", "Refused: Channel = 9 is not 0 to 7, nothing sent."},
        {"-1", "0", "0", "0", "Refused: Channel = -1 is not 0 to 7, nothing sent."},
        {"0", "-1", "0", "0", "Refused: Bank = -1 is not 0 to 255, nothing sent."},
        {"0", "0", "70000", "0", "Refused: Block = 70000 is not 0 to 65535, nothing sent."},
        {"0", "0", "0", "65536", "Refused: Page = 65536 is not 0 to 65535, nothing sent."},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(std::string(r.channel) + " " + r.block + " " + r.page);
        const auto line = dialogs::RefusePage(dialogs::GatherPageParams(Controls(r.channel, r.bank, r.block, r.page)));
        if (r.line == nullptr) {
            EXPECT_FALSE(line.has_value());
        } else {
            EXPECT_EQ(line.value_or(""), r.line);
        }
    }
    dialogs::EraseControls e;
    e.channel = "0";
    e.bank = "-1";  // would be bank 255, every bank
    e.block = "3";
    e.nonSlc = true;
    const dialogs::EraseParams ep = dialogs::GatherEraseParams(e);
    EXPECT_EQ(ep.isSlc, 0);
    EXPECT_EQ(ep.isSinglePlane, 1);
    EXPECT_TRUE(dialogs::RefuseErase(ep).has_value());
}

TEST(DeviceInfoView, IdentifyTextsAndTheGpioLine) {
    Bytes id(4096, 0);
    std::memcpy(id.data() + 4, "  SN0042            ", 20);
    std::memcpy(id.data() + 24, "\tQV Demo Drive\r", 15);
    std::memcpy(id.data() + 64, "1.0 \0XYZ", 8);
    EXPECT_EQ(dialogs::IdentifyField(id, 4, 20), "SN0042");
    EXPECT_EQ(dialogs::IdentifyField(id, 24, 40), "QV Demo Drive");
    EXPECT_EQ(dialogs::IdentifyField(id, 64, 8), "1.0") << "ends at the first NUL";
    EXPECT_EQ(dialogs::GpioLabelText({0, 1, 1, 0, 0}), "GPIO(21,16,15,7,6): 0,1,1,0,0");
}

// The module's failed positions: the 32 entries (CE, channel) from byte 67; channel 255 is none,
// a channel above 7 or a CE above 3 lies outside the 8 x 4 map and is ignored.
TEST(DeviceInfoView, FlashIdRowsByDieLayout) {
    test_support::SettingsRecordsGuard records;
    AP_INIState.MaxPhyChannel = 2;
    AP_INIState.MaxPhyBank = 4;
    AP_FlashSet.ucDiePerCE = 2;
    std::memset(AP_INIState.bOriDieMapMultiLun, 0xFF, sizeof AP_INIState.bOriDieMapMultiLun);
    for (int p = 0; p < 8; ++p) AP_INIState.bOriDieMapMultiLun[0][p] = static_cast<std::uint8_t>(p);
    AP_INIState.bOriDieMapMultiLun[1][0] = 0;

    Bytes module(448, 0xFF);
    const std::uint8_t entries[][2] = {{1, 0}, {5, 0}, {2, 9}};  // (CE, channel)
    for (std::size_t k = 0; k < 3; ++k) {
        module[67 + 2 * k] = entries[k][0];
        module[68 + 2 * k] = entries[k][1];
    }
    dialogs::FlashIdMap map;
    dialogs::MarkFailedPositions(module, map);
    int marks = 0;
    for (auto& ch : map.failed) {
        for (bool f : ch) marks += f ? 1 : 0;
    }
    EXPECT_EQ(marks, 1);
    map.id[0][5][0] = 0x2C;

    const auto rows = dialogs::FlashIdRows(map);
    ASSERT_EQ(rows.size(), 9u);
    const char* const ces[] = {"0(0)", "1(0)", "2(0)", "3(0)", "0(1)", "1(1)", "2(1)", "3(1)"};
    for (int p = 0; p < 8; ++p) {
        SCOPED_TRACE(p);
        EXPECT_EQ(rows[p].number, std::to_string(p + 1));
        EXPECT_EQ(rows[p].channel, "0");
        EXPECT_EQ(rows[p].ce, ces[p]);
        EXPECT_EQ(rows[p].status, p % 4 == 1 ? "Fail" : "Pass");
    }
    EXPECT_EQ(rows[5].id[0], "0x2C");
    EXPECT_EQ(rows[5].id[1], "0x00");
    EXPECT_EQ(rows[8].channel, "1");
    EXPECT_EQ(dialogs::CeByteOf(5), 0x11);
    EXPECT_EQ(dialogs::CeByteOf(3), 3);

    // One die per CE: the plain die map and the position as the CE.
    AP_FlashSet.ucDiePerCE = 1;
    AP_INIState.MaxPhyBank = 2;
    std::memset(AP_INIState.bOriDieMap, 0xFF, sizeof AP_INIState.bOriDieMap);
    AP_INIState.bOriDieMap[1][1] = 5;
    const auto single = dialogs::FlashIdRows(map);
    ASSERT_EQ(single.size(), 1u);
    EXPECT_EQ(single[0].ce, "1");
    EXPECT_EQ(single[0].channel, "1");
}

TEST(Barcode, StoredTextStaysInsideBothDestinations) {
    EXPECT_EQ(dialogs::NarrowText(QString::fromUtf8("SN-\xC3\xA9\xF0\x9F\x98\x80"
                                                    "1")),
              "SN-??1");
    const int port = 3;
    std::memset(g_PortDevInfo[port].sBurnedSerialNum, 'x', sizeof g_PortDevInfo[port].sBurnedSerialNum);
    std::memset(gJMGlobal.sBurnedSerialNum[port], 'x', sizeof gJMGlobal.sBurnedSerialNum[port]);
    dialogs::StoreBurnedSerialNumber(port, std::string(25, '7'));
    EXPECT_EQ(std::string(g_PortDevInfo[port].sBurnedSerialNum), std::string(20, '7'));
    EXPECT_EQ(std::string(gJMGlobal.sBurnedSerialNum[port]), std::string(20, '7'));
    EXPECT_EQ(gJMGlobal.sBurnedSerialNum[port][39], 0) << "the rest of the entry is zeroed";
    dialogs::StoreBurnedSerialNumber(port, "");
    EXPECT_EQ(g_PortDevInfo[port].sBurnedSerialNum[0], 0);
    dialogs::StoreBurnedSerialNumber(128, "X");  // outside the records: nothing
    dialogs::StoreBurnedSerialNumber(-1, "X");
    ClearPortRecord(port);
}

}  // namespace
