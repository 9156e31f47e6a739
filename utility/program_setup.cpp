#include "utility/program_setup.h"

#include "settings/records.h"
#include "transport/tool_records.h"
#include "transport/trace.h"

namespace vellumin {

void SetUpLibrary() {
    AP_RDSetting.DumpDebugFile = 0;
    AP_RDSetting.EnNoCheckBridge = 0;
    AP_INIState.MaxPhyChannel = 0;
    SetRawDumpFolder("");  // "raw" under the program folder
}

}  // namespace vellumin
