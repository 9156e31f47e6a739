#include "app/analysis_workbook.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "app/sort_result_read.h"
#include "transport/trace.h"

namespace app {

const std::array<AnalysisColumn, kAnalysisColumnCount> kAnalysisColumns = {{
    {"SN.", 20},         {"TestResult", 9},    {"Channel", 8},         {"Bank", 6},        {"Lun", 6},
    {"TotalBadNum", 13}, {"EraseFailNum", 13}, {"ProgramFailNum", 15}, {"ECCFailNum", 12}, {"FactoryBadNum", 15},
    {"Plane0Num", 10},   {"Plane1Num", 10},    {"Plane2Num", 10},      {"Plane3Num", 10},  {"PlaneMaxBad", 12},
    {"tErase_SLC", 10},  {"tErase", 6},        {"tProg_SLC", 10},      {"tProg", 6},       {"tRead_SLC", 10},
    {"tRead", 6},
}};

namespace {

namespace fs = std::filesystem;

// 130 asterisks, a blank and the line end.
const std::string kSeparator = std::string(130, '*') + " \n";

bool HoldsControlCharacter(const std::string& name) {
    return std::any_of(name.begin(), name.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
}

bool IsBinExtension(const fs::path& name) {
    std::string ext = name.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    return ext == ".bin";
}

std::string Latin1ToUtf8(const char* bytes, std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        const auto u = static_cast<unsigned char>(bytes[i]);
        if (u < 0x80) {
            text += static_cast<char>(u);
        } else {
            text += static_cast<char>(0xC0 | (u >> 6));
            text += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return text;
}

AnalysisCell Number(double value) {
    return AnalysisCell{std::nullopt, value};
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// The record at the start of `path`, or nothing (traced) when it cannot be had.
std::optional<tables::DieTestInfo> ReadRecord(const std::string& path) {
    // A folder, or a pipe whose open would wait for a writer, holds no record.
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        TraceOut("[SORT]######## - %s is not a file: its row is left empty\n", path.c_str());
        return std::nullopt;
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        TraceOut("[SORT]######## - %s cannot be opened (%s): its row is left empty\n", path.c_str(),
                 std::strerror(errno));
        return std::nullopt;
    }
    std::uint8_t bytes[kAnalysisRecordBytes];
    const std::size_t got = std::fread(bytes, 1, sizeof bytes, file.get());
    if (got != sizeof bytes) {
        TraceOut("[SORT]######## - %s holds %zu of the record's %zu bytes: its row is left empty\n", path.c_str(), got,
                 kAnalysisRecordBytes);
        return std::nullopt;
    }
    tables::DieTestInfo record;
    std::memcpy(&record, bytes, sizeof record);
    return record;
}

struct WorkbookCloser {
    void operator()(lxw_workbook* w) const { workbook_close(w); }
};

// The sheet's cells; the first error a call returned.
class Sheet {
  public:
    explicit Sheet(lxw_worksheet* sheet) : sheet_(sheet) {}
    void Column(int column, double width) {
        Keep(worksheet_set_column(sheet_, Col(column), Col(column), width, nullptr));
    }
    void Write(std::size_t row, int column, const AnalysisCell& cell) {
        if (cell.text) {
            Keep(worksheet_write_string(sheet_, static_cast<lxw_row_t>(row), Col(column), cell.text->c_str(), nullptr));
        } else {
            Keep(worksheet_write_number(sheet_, static_cast<lxw_row_t>(row), Col(column), cell.number, nullptr));
        }
    }
    lxw_error Error() const { return error_; }

  private:
    static lxw_col_t Col(int column) { return static_cast<lxw_col_t>(column); }
    void Keep(lxw_error e) {
        if (error_ == LXW_NO_ERROR) error_ = e;
    }
    lxw_worksheet* sheet_;
    lxw_error error_ = LXW_NO_ERROR;
};

}  // namespace

std::vector<std::string> ListAnalysisFiles(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.' || !IsBinExtension(name)) continue;
        if (HoldsControlCharacter(name)) {
            TraceOut("[SORT]######## - An analysis file name holds a control character: not listed\n");
            continue;
        }
        names.push_back(name);
    }
    if (ec) TraceOut("[SORT]######## - Listing %s stopped: %s\n", folder.c_str(), ec.message().c_str());
    std::sort(names.begin(), names.end());
    std::vector<std::string> paths;
    paths.reserve(names.size());
    for (const std::string& name : names) paths.push_back(folder + name);
    return paths;
}

AnalysisRow AnalysisRowOf(const tables::DieTestInfo& r) {
    const std::uint16_t planes[4] = {r.Plane0Num, r.Plane1Num, r.Plane2Num, r.Plane3Num};
    const std::uint16_t planeMax = *std::max_element(std::begin(planes), std::end(planes));
    if (planeMax > r.Plane3Num) TraceOut("[SORT]######## - wPlaneMaxBad = %d\n", planeMax);
    AnalysisRow row;
    row[0] = AnalysisCell{Latin1ToUtf8(r.SerialNum, strnlen(r.SerialNum, sizeof r.SerialNum)), 0};
    row[1] = r.TestResult == 0 ? AnalysisCell{"Pass", 0} : Number(r.TestResult);
    const std::uint16_t numbers[] = {r.Channel,        r.Bank,       r.LUN,           r.TotalBadNum, r.EraseFailNum,
                                     r.ProgramFailNum, r.ECCFailNum, r.FactoryBadNum, r.Plane0Num,   r.Plane1Num,
                                     r.Plane2Num,      r.Plane3Num,  planeMax,        r.tErase_SLC,  r.tErase,
                                     r.tProg_SLC,      r.tProg,      r.tRead_SLC,     r.tRead};
    static_assert(std::size(numbers) == kAnalysisColumnCount - 2);
    for (std::size_t i = 0; i < std::size(numbers); ++i) row[i + 2] = Number(numbers[i]);
    return row;
}

std::string AnalysisWorkbookName(const std::string& folder, const platform::LocalTime& t) {
    char name[64];
    std::snprintf(name, sizeof name, "%02d%02d_%02d%02d%02d_RDTAnalysis.xlsx", t.month, t.day, t.hour, t.minute,
                  t.second);
    return folder + name;
}

std::optional<std::string> WriteAnalysisWorkbook(const std::string& path, const std::vector<std::string>& files) {
    const std::string partial = path + ".partial";
    std::error_code ec;
    lxw_error error = LXW_NO_ERROR;
    {
        std::unique_ptr<lxw_workbook, WorkbookCloser> book(workbook_new(partial.c_str()));
        lxw_worksheet* ws = book ? workbook_add_worksheet(book.get(), nullptr) : nullptr;
        if (ws == nullptr) {
            error = LXW_ERROR_MEMORY_MALLOC_FAILED;
        } else {
            Sheet sheet(ws);
            for (int c = 0; c < kAnalysisColumnCount; ++c) {
                sheet.Column(c, kAnalysisColumns[c].width);
                sheet.Write(0, c, AnalysisCell{kAnalysisColumns[c].header, 0});
            }
            for (std::size_t i = 0; i < files.size(); ++i) {
                TraceOut("%s", kSeparator.c_str());
                TraceOut("Analysis_ListView->Items(%zu) = %s \n", i, files[i].c_str());
                const std::optional<tables::DieTestInfo> record = ReadRecord(files[i]);
                if (!record) continue;
                TraceDieRecord(*record, record->Channel, record->Bank, record->LUN);
                const AnalysisRow row = AnalysisRowOf(*record);
                for (int c = 0; c < kAnalysisColumnCount; ++c) sheet.Write(i + 1, c, row[c]);
            }
            TraceOut("%s", kSeparator.c_str());
            error = sheet.Error();
        }
        if (error == LXW_NO_ERROR) error = workbook_close(book.release());
    }
    if (error == LXW_NO_ERROR) {
        fs::rename(partial, path, ec);
        if (!ec) return std::nullopt;
    }
    std::string reason = error != LXW_NO_ERROR ? lxw_strerror(error) : ec.message();
    fs::remove(partial, ec);
    return reason;
}

}  // namespace app
