// The table of the SORT FW Setting page (settings_tables.h) and the DRAM types of the SYS FW page.
#include "app/settings_table_rows.h"
#include "app/settings_tables.h"
#include "settings/records.h"

namespace app {

using namespace table_rows;

namespace {

std::vector<const char*> Levels() {
    return {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"};
}

}  // namespace

const std::vector<const char*>& DramTypeItems() {
    static const std::vector<const char*> items = {
        "None",           "64M16 (DDR3)",    "64M16*2  (DDR3)", "128M16  (DDR3)",  "128M16*2 (DDR3)", "256M16  (DDR3)",
        "256M16*2 (DDR3)", "512M16 (DDR3)",  "512M16*2 (DDR3)", "64M16 (DDR4)",    "64M16*2  (DDR4)", "128M16 (DDR4)",
        "128M16*2 (DDR4)", "256M16 (DDR4)",  "256M16*2 (DDR4)", "512M16 (DDR4)",   "512M16*2 (DDR4)", "64M16 (LP)",
        "64M16*2  (LP)",  "128M16 (LP)",     "128M16*2 (LP)",   "256M16 (LP)",     "256M16*2 (LP)",   "512M16 (LP)",
        "512M16*2 (LP)",  "64M32 (DDR3)",    "64M32*2  (DDR3)", "128M32  (DDR3)",  "128M32*2 (DDR3)", "256M32  (DDR3)",
        "256M32*2 (DDR3)", "512M32 (DDR3)",  "512M32*2 (DDR3)", "64M32 (DDR4)",    "64M32*2  (DDR4)", "128M32  (DDR4)",
        "128M32*2 (DDR4)", "256M32  (DDR4)", "256M32*2 (DDR4)", "512M32 (DDR4)",   "512M32*2 (DDR4)", "64M32 (LP)",
        "64M32*2  (LP)",  "128M32  (LP)",    "128M32*2 (LP)",   "256M32  (LP)",    "256M32*2 (LP)",   "512M32 (LP)",
        "512M32*2 (LP)",  "FPGA_DEN4G"};
    return items;
}

const std::vector<PageRow>& SortFwPageRows() {
#define RDT(f) FieldOf([]() -> auto& { return AP_RDTSet.f; })
    static const std::vector<PageRow> rows = {
        Group("FastSortGroupBox", "Fast Sort"),
        Check("FastSORT_CB", " Enable Fast Sort", "FastSortGroupBox", RDT(FastRDTSort)),
        Label("FastSLCLevel_LE", "SLC Level", "FastSortGroupBox"),
        Combo("FastSLCLevel_Comb", Levels(), "FastSortGroupBox", RDT(SLC_CustomPageLevel)),
        Label("FastNonSLCLevel_LE", "Non-SLC Level", "FastSortGroupBox"),
        Combo("FastNonSLCLevel_Comb", Levels(), "FastSortGroupBox", RDT(TLC_CustomPageLevel)),
        Dec("FastStartBU_LE", "Full BU Start", 5, "FastSortGroupBox", RDT(CustomFullBlockUStar)),
        Dec("FastEndBU_LE", "Full BU End ", 5, "FastSortGroupBox", RDT(CustomFullBlockUEnd)),
        Group("SortOptionGroupBox", "Sort Option"),
        Check("EeaseAll_CB", " Erase All", "SortOptionGroupBox", RDT(EnEraseAll)),
        Check("ScanFacBad_CB", " Scan Factory Bad", "SortOptionGroupBox", RDT(EnScanFactoryBad)),
        Check("SkipErase_CB", " Skip Erase Status", "SortOptionGroupBox", RDT(SkipEraseStatus)),
        Check("SkipProgram_CB", " Skip Program Status", "SortOptionGroupBox", RDT(SkipProgStatus)),
        Check("SetNandTestLoop_CB", " Set Nand Test Loop", "SortOptionGroupBox", RDT(EnNANDTestLoop)),
        // Followed by NANDTotalTestLoops (their sum) in the passes.
        Dec("SLCTestLoop_LE", "SLC Test Loop ", 5, "SortOptionGroupBox", RDT(NAND_SLCTestLoops)),
        Dec("NonSLCTestLoop_LE", "Non-SLC Test Loop ", 5, "SortOptionGroupBox", RDT(NAND_NonSLCTestLoops)),
        Dec("SLCReadLoop_LE", "SLC R-Loop/W ", 5, "SortOptionGroupBox", RDT(SLCReadLoop)),
        Dec("NonSLCReadLoop_LE", "Non-SLC R-Loop/W ", 5, "SortOptionGroupBox", RDT(NonSLCReadLoop)),
        Group("LDPCThresholdGroupBox", "LDPC Threshold"),
        Dec("TLC_LDPC_Th_LE", "TLC/QLC ", 5, "LDPCThresholdGroupBox", RDT(LDPCTLCThreshold)),
        Dec("SLC_LDPC_Th_LE", "SLC ", 5, "LDPCThresholdGroupBox", RDT(LDPCSLCThreshold)),
        Dec("MLC_LDPC_Th_LE", "MLC ", 5, "LDPCThresholdGroupBox", RDT(LDPCMLCThreshold)),
        Dec("MSLC_LDPC_Th_LE", "SLC ", 5, "LDPCThresholdGroupBox", RDT(LDPCSLC_MThreshold)),
        Radio("Block_RW_RG", "Block Write/Read", {"Write All then Read", "One Block Write/Read", "All of the Above"}, "",
              RDT(Block_RW)),
        Group("FailThresholdGroupBox", "Fail Threshold"),
        ReadOnly(Dec("RFP_Th_LE", "Read Fail per Plane Over", 5, "FailThresholdGroupBox", RDT(SortMaxReadFailBlock))),
        ReadOnly(Dec("PFP_Th_LE", "Program Fail per Plane Over", 5, "FailThresholdGroupBox", RDT(SortPgFailPerPlane))),
        ReadOnly(Dec("EFP_Th_LE", "Erase Fail per Plane Over", 5, "FailThresholdGroupBox", RDT(SortEraseFailPerPlane))),
        ReadOnly(Dec("BFP_Th_LE", "Bad Block per Plane Over", 5, "FailThresholdGroupBox", RDT(SortMaxBadBlockPerPlane))),
        ReadOnly(Dec("ABBFD_Th_LE", "All Bad Block per Die Over", 5, "FailThresholdGroupBox", RDT(SortMaxBadBlockPerDie))),
        Hidden(Group("DriveThresholdGroupBox", "Drive Threshold")),
        Dec("PFPD_Th_LE", "Program Fail per Drive Over", 5, "DriveThresholdGroupBox", RDT(SortProgFailPerDrive)),
        Dec("EFPD_Th_LE", "Erase Fail per Drive Over", 5, "DriveThresholdGroupBox", RDT(SortEraseFailPerDrive)),
        Dec("ABBPD_Th_LE", "All Bad Block per Drive Over", 5, "DriveThresholdGroupBox", RDT(SortAllBadBlockPerDrive)),
        Hidden(Check("DebugThre_CB", " Adjust Bad Block Threshold", "", RDT(DebugMode))),
        Hidden(Group("DebugThreGroupBox", "Bad Block Threshold")),
        Dec("Read_DebugThre", "ECC per Plane", 5, "DebugThreGroupBox", RDT(DeBugReadPerPlane)),
        Dec("Prog_DebugThre", "PF per Plane", 5, "DebugThreGroupBox", RDT(DeBugPgPerPlane)),
        Dec("Erase_DebugThre", "EF per Plane", 5, "DebugThreGroupBox", RDT(DeBugErasePerPlane)),
        Dec("BB_DebugThre", "Total BB per Plane", 5, "DebugThreGroupBox", RDT(DeBugBBPerPlane)),
        Dec("AllBBDie_DebugThre", "Total BB per Die", 5, "DebugThreGroupBox", RDT(DeBugBBPerDie)),
        Group("tProgGroupBox", "tProgram"),
        // Followed by wSpecialTestCase in the passes.
        Check("EntproT_CB", " Enable Check tProgram", "tProgGroupBox", RDT(EntProgTh)),
        Dec("SLC_tproTThre_LE", "SLC tProg Upper", 5, "tProgGroupBox", RDT(tProgThreshold)),
        Dec("NonSLC_tproTThre_LE", "NonSLC tProg Upper", 5, "tProgGroupBox", RDT(TLCtProgThreshold)),
        Dec("SLC_tReadTThre_LE", "SLC tRead Upper", 5, "tProgGroupBox", RDT(tReadThreshold)),
        Dec("NonSLC_tReadTThre_LE", "NonSLC tRead Upper", 5, "tProgGroupBox", RDT(TLCtReadThreshold)),
        Dec("SLC_tproTThre_lower_LE", "SLC tProg Lower", 5, "tProgGroupBox", RDT(tProgThresholdLower)),
        Dec("NonSLC_tproTThre_lower_LE", "NonSLC tProg Lower", 5, "tProgGroupBox", RDT(TLCtProgThresholdLower)),
        Dec("SLC_tReadTThre_lower_LE", "SLC tRead Lower", 5, "tProgGroupBox", RDT(tReadThresholdLower)),
        Dec("NonSLC_tReadTThre_lower_LE", "NonSLC tRead Lower", 5, "tProgGroupBox", RDT(TLCtReadThresholdLower)),
        Dec("tproSBU_LE", "Start BlockU ", 5, "tProgGroupBox", RDT(tProgStartBU)),
        Dec("tproEBU_LE", "End BlockU ", 5, "tProgGroupBox", RDT(tProgEndBU)),
        Group("RetryGroupBox", "Retry / Mode"),
        Label("Retry_Label", "Retry", "RetryGroupBox"),
        Combo("Retry_CB", {"  Non Retry ", "  Easy Retry", "  Full Retry"}, "RetryGroupBox", RDT(Retrytype)),
        Hidden(Check("FullincludeEasy_CB", " Full Retry Include Easy Retry Table ", "RetryGroupBox", RDT(FRetryinERetry))),
        Label("SortMode_Label", "Sort Mode", "RetryGroupBox"),
        Combo("SortMode_CB", {" Normal mode ", "PCIe  Link mode", "SPI mode"}, "RetryGroupBox", RDT(RunSortingMode)),
        Dec("Running_Delay_LE", "Running Delay (Sec) ", 5, "RetryGroupBox", RDT(DelaySectoRun)),
        Group("LEDGroupBox", "LED"),
        Check("En_LEDOP_CB", "Sorting Board LED OP", "LEDGroupBox", RDT(LED_OP)),
        // LED_Feature with the nine buttons: the passes' own step.
        Check("En_LEDSetting_CB", "Enable LED Setting", "LEDGroupBox", {}),
        Group("RunningLEDGroupBox", "Running", "LEDGroupBox"),
        RadioButton("Running_Light_RB", "Light", "RunningLEDGroupBox"),
        RadioButton("Running_Dark_RB", "Dark", "RunningLEDGroupBox"),
        RadioButton("Running_Blinking_RB", "Blinking", "RunningLEDGroupBox"),
        LightTime("Running_LightOn_LabE", "On (Sec)", "RunningLEDGroupBox", RDT(RunLightOn_10MilliSec)),
        LightTime("Running_LightOff_LabE", "Off (Sec)", "RunningLEDGroupBox", RDT(RunLightOff_10MilliSec)),
        Group("PassLEDGroupBox", "Pass", "LEDGroupBox"),
        RadioButton("Pass_Light_RB", "Light", "PassLEDGroupBox"),
        RadioButton("Pass_Dark_RB", "Dark", "PassLEDGroupBox"),
        RadioButton("Pass_Blinking_RB", "Blinking", "PassLEDGroupBox"),
        LightTime("Pass_LightOn_LabE", "On (Sec)", "PassLEDGroupBox", RDT(PassLightOn_10MilliSec)),
        LightTime("Pass_LightOff_LabE", "Off (Sec)", "PassLEDGroupBox", RDT(PassLightOff_10MilliSec)),
        Group("FailLEDGroupBox", "Fail", "LEDGroupBox"),
        RadioButton("Fail_Light_RB", "Light", "FailLEDGroupBox"),
        RadioButton("Fail_Dark_RB", "Dark", "FailLEDGroupBox"),
        RadioButton("Fail_Blinking_RB", "Blinking", "FailLEDGroupBox"),
        LightTime("Fail_LightOn_LabE", "On (Sec)", "FailLEDGroupBox", RDT(FailLightOn_10MilliSec)),
        LightTime("Fail_LightOff_LabE", "Off (Sec)", "FailLEDGroupBox", RDT(FailLightOff_10MilliSec)),
    };
#undef RDT
    return rows;
}

}  // namespace app
