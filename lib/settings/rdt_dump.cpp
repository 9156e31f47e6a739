#include "settings/rdt_dump.h"

#include "settings/records.h"
#include "transport/trace.h"

void DumpRdtRawFile(const char* path, const void* data, std::size_t length) {
    if (AP_RDTSet.DumpRAWFile == 0) return;
    WriteRawFile(path, data, length);
}
