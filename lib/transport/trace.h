// Trace lines and raw dumps. Every layer reports what it does through TraceOut; the table
// builders also copy their lines into an open table log with TraceOutToFile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// printf-style line, cut to 1,023 characters; no prefix, time stamp or line end is added.
void TraceOut(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The same line, also written to `logFile` when [RDSetting] DumpPftFile is on and the file is open.
void TraceOutToFile(std::FILE* logFile, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Writes `data` to "<dump folder>/<name>" when DumpDebugFile is on. The folder is never created: a
// missing folder means no dump.
void DumpRawFile(const char* name, const void* data, std::size_t length);
// The dump folder of DumpRawFile: "raw" under the program folder while none is set; a relative folder
// lies under the program folder too (never under the current directory). Empty restores the default.
void SetRawDumpFolder(const char* folder);
// Writes `data` to `path` when DumpDebugFile is on.
void DumpRawFileAt(const char* path, const void* data, std::size_t length);
// Writes `data` to `path` unconditionally (the callers decide on the switch); false when the file cannot
// be written. A relative path lies under the program folder, whatever the current directory is. The
// sorting-result reader's dump, switched by [RDT] DumpRAWFile, is DumpRdtRawFile (settings/rdt_dump.h).
bool WriteRawFile(const char* path, const void* data, std::size_t length);

std::uint16_t AsWord16(std::uint16_t value);
std::uint64_t GetFileLength(const char* path);
std::size_t BoundedStrLen(const char* text, std::size_t limit);
bool CalcShift(std::uint32_t value, std::uint8_t* shift);
std::uint8_t HexDigitValue(char c);
