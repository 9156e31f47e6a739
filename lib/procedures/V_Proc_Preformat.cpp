// The pre-format step: inheritance as the mode asks, the gather program, the bad-block list and the
// table build.
#include <cstring>
#include <span>

#include "commands/command_sets.h"
#include "procedures/V_Proc_Inherit.h"
#include "procedures/V_Proc_Programs.h"
#include "procedures/V_Proc_Steps.h"
#include "settings/records.h"
#include "tables/gdp_list.h"
#include "tables/rm_driver.h"
#include "tables/table_logs.h"
#include "transport/trace.h"

namespace {
constexpr std::uint32_t kListSectors = 32;
constexpr std::uint8_t kInheritTables = 0x04;
constexpr std::uint8_t kInheritSorting = 0x20;
}  // namespace

bool VP_PROC_Preformat(int bInstance, void* buffer, std::uint8_t mode) {
    TraceOut("######### - [%d]VP_PROC_Preformat - Mode %d\n", bInstance, mode);
    if ((mode & kInheritTables) != 0 && !VP_InheritLatterBB(bInstance)) {
        TraceOut("######### - VP_InheritLatterBB fail!\n");
        return false;
    }
    if ((mode & kInheritSorting) != 0 && !VP_InheritRDT(bInstance)) {
        TraceOut("######### - VP_InheritRDT fail!\n");
        return false;
    }
    if (AP_INIState.EnAutoInherit != 0) {
        mode = kInheritTables;
        if (!VP_InheritLatterBB(bInstance)) {
            TraceOut("######### - Auto Inherit - VP_InheritLatterBB fail!\n");
            if (!VP_InheritRDT(bInstance)) {
                TraceOut("######### - Auto Inherit - VP_InheritRDT fail!\n");
                return false;
            }
            mode = kInheritSorting;
        }
    }
    std::uint8_t status = 0;
    if (!VP_GDP_ExecProg(bInstance, GDP_PROG_GATHER, mode, &status, true)) {
        TraceOut("######### - GDP_PROG_GATHER fail!\n");
        return false;
    }
    auto* work = static_cast<std::uint8_t*>(buffer);
    if (VC_GDP_CmdGetDefectBadTab(bInstance, work, kListSectors) == 2) return false;
    DumpRawFile("DefBad.raw", work, RM_GDP_LIST_BYTES);
    tables::GdpList list(work, RM_GDP_LIST_BYTES);
    vRM_DumpGDPList(bInstance, list, mode);
    if (!bRM_NewRemap(bInstance, std::span(work, kWorkBufferBytes), RM_PortOutputBlock(bInstance))) {
        TraceOut("######### - bRM_NewRemap fail!\n");
        return false;
    }
    return true;
}
