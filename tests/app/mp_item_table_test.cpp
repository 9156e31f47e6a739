// Every row of the test-item table, field by field.
#include "app/mp_item_table.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <string_view>

namespace {

struct Row {
    int id;
    std::string_view code, failText, itemName, logTitle;  // the log title without its tab
};

constexpr Row kRows[] = {
    {0, "", "No Error", "", ""},
    {1, "M00", "Flash Module Fail", "Flash Module", "Module"},
    {2, "A01", "Rebuild Bad Block Fail", "Rebuild Bad Block", "RebuildBB"},
    {3, "A00", "Bus Interface Fail", "Bus Interface", "Bus"},
    {4, "B00", "Flash Interface Fail", "Flash Interface", "Flash"},
    {5, "H00", "Dram Test Fail", "Dram Test", "Dram"},
    {6, "H01", "Erase Blocks Fail", "Erase Blocks", "E_B"},
    {7, "C00", "Pre-Format Fail", "Preformat", "PF"},
    {8, "D00", "Download FW Fail", "Download", "DL"},
    {9, "U00", "Upload Firmware Fail", "Upload", "UP"},
    {10, "E00", "R/W Test Fail", "R/W Test", "R/W"},
    {11, "J00", "Check Tables Fail", "Check Tables", "Table"},
    {12, "S01", "SortingSATALine Fail", "Sort Connection Mode", ""},
    {13, "S02", "Check RDT FW Fail", "Check RDT FW", ""},
    {14, "W00", "Write PPID Fail", "Write PPID", "Write PPID"},
    {15, "J02", "Set Max LBA Fail", "Set Max LBA", "Set Max LBA"},
    {16, "F00", "Disk Format Fail", "Disk Format", "Format"},
    {17, "Q09", "Check Temperature Fail", "Check Temperature", "CheckTemper"},
    {18, "Q00", "Model Number Fail", "Model Number", "Model"},
    {19, "Q01", "Firmware Ver Fail", "Firmware Version", "FMVer"},
    {20, "Q02", "Vendor Name Fail", "Vendor Name", "VName"},
    {21, "Q03", "Product Name Fail", "Product Name", "PName"},
    {22, "Q04", "IDEMA Capacity Fail", "IDEMA Capacity Check", "Capa"},
    {23, "Q05", "Serial Number Fail", "Serial Number Check", "SN"},
    {24, "Q06", "LBA Capacity Fail", "LBA Capacity Check", "CapaLBA"},
    {25, "E02", "Partial R/W Fail", "R/W Test (Partial)", "PRWTest"},
    {26, "E04", "Percentage R/W Fail", "R/W Test (Percentage)", "PERRWTest"},
    {27, "E05", "Full Write Fail", "Write Test (Full)", "FWTest"},
    {28, "E01", "Full R/W Fail", "R/W Test (Full)", "FRWTest"},
    {29, "G00", "Erase All Data Fail", "EraseAllData", "Erase"},
    {30, "J00", "QC Check Tables Fail", "QC Check Tables", "QC Check Table"},
    {31, "Q10", "Check SATA3 Speed Fail", "Check SATA3 Speed", "SATA3 Speed"},
    {32, "Q11", "Check PPID Fail", "Check PPID", "Check PPID"},
    {33, "Q12", "Zero Value Test Fail", "Zero Value Test", "Zero Test"},
    {34, "W01", "Modify Device Info Fail", "Modify Device Info", "DevInfo"},
    {35, "Q13", "MP Setting Fail", "Check MP Setting", "MPSetting"},
    {36, "", "", "", ""},
    {37, "K00", "Get Loader Block Fail", "Get Loader Block", ""},
    {38, "T00", "Timeout", "", ""},
    {39, "E03", "Random Read Fail", "", ""},
    {40, "J01", "Bad block is over", "", ""},
    {41, "Q07", "Folder Check Fail", "", ""},
    {42, "Q08", "File R/W Fail", "", ""},
    {43, "C01", "", "", ""},
    {44, "C02", "", "", ""},
    {45, "C03", "Over defect ratio", "", ""},
    {46, "C04", "", "", ""},
    {47, "C05", "", "", ""},
    {48, "C06", "", "", ""},
    {49, "C07", "Try Remap Fail", "", ""},
    {50, "C08", "", "", ""},
    {51, "B01", "", "", ""},
    {52, "B02", "", "", ""},
    {53, "B03", "", "", ""},
    {54, "B04", "", "", ""},
    {55, "B05", "", "", ""},
    {56, "B06", "", "", ""},
    {57, "B07", "", "", ""},
    {58, "B08", "", "", ""},
    {59, "B09", "", "", ""},
    {60, "B10", "", "", ""},
    {61, "B11", "", "", ""},
    {62, "B12", "Dram 1 Test Fail", "Dram 1 Test", ""},
    {63, "B13", "Dram 2 Test Fail", "Dram 2 Test", ""},
    {64, "B14", "Dram both Test Fail", "Dram both Test", ""},
    {65, "P00", "Check Chip Fail", "Check Chip", ""},
    {66, "P01", "Get Erase Count Fail", "Get Erase Count", ""},
    {67, "P03", "Check RDT Result Fail", "Check RDT Result", ""},
    {68, "P04", "Check SN Length Fail", "Check SN Length", ""},
    {69, "P05", "BB/plane Over Spec Fail", "BB/plane Over Spec", ""},
    {70, "P07", "ECC Fail Happen Fail", "ECC Fail Happen", ""},
    {71, "P08", "Set Serial Fail", "Set Serial", ""},
    {72, "P09", "Check RDT Serial Fail", "Check RDT Serial", ""},
    {73, "P10", "Get Smart Info Fail", "Get Smart Info", ""},
    {74, "P11", "RDT Log Dump Fail", "RDT Log Dump", ""},
    {75, "P12", "RDT Log Result Fail", "RDT Log Result", ""},
    {76, "P13", "RDT DRAM SCREEN Fail", "Check RDT DRAM SCREEN", ""},
    {77, "P20", "RDT Get Defect Fail", "Read RDT Defect table", ""},
    {78, "P14", "Check LTS Result Fail", "Check LTS Result", ""},
    {79, "P15", "LTS DRAM Fail", "Check LTS DRAM", ""},
    {80, "P16", "LTS NAND SCREEN Fail", "Check LTS NAND SCREEN", ""},
    {81, "P18", "Jump To Loader Fail", "Jump To Loader", ""},
    {82, "P19", "Check PPID Length Fail", "Check PPID Length", ""},
    {83, "P22", "Program Fail Over Spec", "Program Over Spec", ""},
    {84, "P23", "Erase Fail Over Spec", "Erase Over Spec", ""},
    {85, "P21", "Get RDT SN WWN Fail", "Get RDT SN WWN", ""},
    {86, "M01", "Check Pair-Page fail", "Check Pair-Page", ""},
    {87, "M03", "Check Pair-Page fail", "Check Pair-Page", ""},
    {88, "B15", "Flash Interface Fail", "Flash Interface", ""},
    {89, "P24", "Sorting Result Fail", "Sorting Result", ""},
    {90, "P29", "Factory Bad Over Spec", "Factory Bad Over Spec", ""},
    {91, "P30", "Don't ReInherit Sorting", "ReInherit Sorting", ""},
    {92, "P31", "Inherit SN Fail", "Inherit SN", ""},
    {93, "P32", "Check Max SN Fail", "Check Max SN", ""},
    {94, "P33", "Mount SN Time Fail", "Mount SN Time", ""},
    {95, "S00", "Stop", "", ""},
};

TEST(MpItemTable, EveryRow) {
    static_assert(std::size(kRows) == kMPItemCount);
    EXPECT_EQ(sizeof(MPItemRecord), 86u);
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.id);
        const MPItemRecord& r = g_MPItemTable[row.id];
        EXPECT_EQ(r.wItemID, row.id);
        // Each field is zero-terminated inside its array.
        EXPECT_LT(std::char_traits<char>::length(r.sCode), sizeof r.sCode);
        EXPECT_LT(std::char_traits<char>::length(r.sFailText), sizeof r.sFailText);
        EXPECT_LT(std::char_traits<char>::length(r.sItemName), sizeof r.sItemName);
        EXPECT_LT(std::char_traits<char>::length(r.sLogTitle), sizeof r.sLogTitle);
        EXPECT_EQ(std::string_view(r.sCode), row.code);
        EXPECT_EQ(std::string_view(r.sFailText), row.failText);
        EXPECT_EQ(std::string_view(r.sItemName), row.itemName);
        EXPECT_EQ(std::string_view(r.sLogTitle),
                  row.logTitle.empty() ? std::string() : std::string(row.logTitle) + "\t");
        // Rows 1 to 35 are found by their name; no row past them is a test item.
        if (row.id >= 1 && row.id <= 35) {
            EXPECT_EQ(FindTestItem(row.itemName), row.id);
        }
    }
    EXPECT_EQ(FindTestItem(""), -1);
}

}  // namespace
