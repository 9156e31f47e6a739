// The raw dump of the sorting-result reader. It sits with the settings rather than with the other dumps
// in transport/trace.h because its switch, [RDT] DumpRAWFile, is a field of the sorting settings record.
#pragma once

#include <cstddef>

// Writes `length` bytes of `data` to the full path `path` (created or truncated) when [RDT] DumpRAWFile
// is on. A file that cannot be opened gets nothing and nothing is reported; no folder is created.
void DumpRdtRawFile(const char* path, const void* data, std::size_t length);
