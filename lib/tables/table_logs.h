// The table logs of a pre-format, under `log` beside the program: the GDP-list log and the table
// log (PftLog) that the remap driver opens, and the state maps and detail listing printed into it.
// They are written only when [RDSetting] DumpPftFile is on; nothing reads them back.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "tables/gdp_list.h"
#include "tables/vector_info.h"

namespace tables {

// An open log file with a large buffer of its own; closed (and flushed) when destroyed.
class TableLogFile {
  public:
    // Opens `path` with the fopen `mode` ("w" or "a"), creating the folder; errno is kept on failure.
    TableLogFile(const std::filesystem::path& path, const char* mode);
    ~TableLogFile();
    TableLogFile(const TableLogFile&) = delete;
    TableLogFile& operator=(const TableLogFile&) = delete;

    std::FILE* get() const { return file_; }
    int error() const { return error_; }

  private:
    std::FILE* file_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    int error_ = 0;
};

// The port's serial-number text made safe for a file name (path separators and control characters
// become '_'; at most the 22 bytes of the field).
std::string LogSerial(int port);

}  // namespace tables

// "log/PFT_<port>_<serial>_<MMDDhhmm>.log" under the program folder, at the current local time.
std::filesystem::path RM_PftLogPath(int port);
// "log/ERA_", "RDT_", "L2E_" or "FAC_" ... by the pre-format mode bits (1, 0x20, 4, else).
std::filesystem::path RM_GdpListLogPath(int port, std::uint8_t mode);

// Writes the GDP-list log (entries by unit, channel and CE index, then the count) when DumpPftFile
// is on.
void vRM_DumpGDPList(int port, tables::GdpList& list, std::uint8_t mode);

// State maps and the detail listing of the block-unit list, logged through the working set's log.
void vRM_PrintMapHeader(_VectorInfo& vi);
void vRM_PrintDefectMap(_VectorInfo& vi);
void vRM_PrintStateMap(_VectorInfo& vi);
void vRM_PrintRemapDetail(_VectorInfo& vi);
