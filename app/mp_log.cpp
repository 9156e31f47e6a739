#include "app/mp_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>
#include <utility>

#include "app/mp_item_table.h"
#include "app/run_state.h"
#include "forms/ui_port.h"
#include "platform/files.h"
#include "transport/trace.h"

namespace app {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxLogIndex = 99999;

std::string Format(const char* format, auto... args) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}

std::string FileOf(const std::string& pattern, int index) {
    char buffer[4096];
    std::snprintf(buffer, sizeof buffer, pattern.c_str(), index);
    return buffer;
}

std::uintmax_t SizeOf(const std::string& path) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    return ec ? 0 : size;
}

bool Exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

std::string TimeText(const platform::LocalTime& t) {
    return Format("%04d/%02d/%02d %02d:%02d:%02d\t", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

// An open file descriptor, closed when it goes.
class File {
  public:
    File() = default;
    explicit File(int fd) : fd_(fd) {}
    File(File&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    File& operator=(File&& other) noexcept {
        reset();
        fd_ = std::exchange(other.fd_, -1);
        return *this;
    }
    ~File() { reset(); }
    void reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    explicit operator bool() const { return fd_ >= 0; }
    int fd() const { return fd_; }

  private:
    int fd_ = -1;
};

// All of `text` at the end of the file, in one write unless the system splits it.
bool Append(const File& file, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(file.fd(), text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Opens `path` for appending (created when missing, never truncated); writes the header when the
// file is empty.
File OpenForRows(const std::string& path, const std::string& header) {
    File file(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (!file) return File();
    struct stat st {};
    if (::fstat(file.fd(), &st) != 0) return File();
    if (st.st_size == 0 && !Append(file, header)) return File();
    return file;
}

}  // namespace

fs::path LogFolderPath(const std::string& logPath) {
    std::string text = logPath;
    std::replace(text.begin(), text.end(), '\\', '/');
    return platform::InProgramFolder(text);
}

MpLogFile PickMpLogFile(const fs::path& folder, const platform::LocalTime& date) {
    MpLogFile log;
    std::string prefix = (folder / Format("%04d%02d%02d", date.year, date.month, date.day)).string();
    // A '%' in the folder must not reach the format.
    std::string escaped;
    for (char c : prefix) escaped += c == '%' ? std::string("%%") : std::string(1, c);
    log.m_sLogPattern = escaped + "_%03d.txt";
    int index = 0;
    while (index <= kMaxLogIndex && Exists(FileOf(log.m_sLogPattern, index))) ++index;
    int candidate = index == 0 ? 0 : index - 1;
    const std::string file = FileOf(log.m_sLogPattern, candidate);
    if (Exists(file) && SizeOf(file) >= log.m_nLogSizeLimit) ++candidate;
    log.m_nLogIndex = candidate;
    log.m_sLogFile = FileOf(log.m_sLogPattern, candidate);
    return log;
}

std::string MpLogHeader(const std::vector<std::string>& items) {
    std::string header = "   No.\t  Port\t\t  StartTime\t\t    EndTime\t SerialNumber\t";
    for (const std::string& item : items) {
        const int id = FindTestItem(item);
        if (id > 0) header += g_MPItemTable[id].sLogTitle;
    }
    header += "Result\t\r\n";
    return header;
}

std::string MpLogRows(const MpLogRun& run) {
    std::string text;
    const std::int32_t base = std::max<std::int32_t>(run.totalTestCount - run.connectedCount, 0);
    int position = 0;
    for (const MpLogRow& row : run.rows) {
        if (row.record == nullptr) continue;
        PortDevInfo& r = *row.record;
        text += Format("%06d\t", base + ++position);
        text += Format("%06d\t", row.port);
        text += TimeText(row.start);
        text += TimeText(row.end);
        text += row.serialNumber + "\t";
        for (const std::string& item : run.items) {
            const int id = FindTestItem(item);
            if (id < 0) continue;
            std::int32_t state = LoadField(r.iItemState[id]);
            if (state == 2) {
                state = 0;
                StoreField(r.iItemState[id], 0);
                StoreField(r.iFailItem, id);
            }
            text += (state == 3 ? "" : ItemStateText(state));
            text += "\t";
        }
        const std::int32_t status = LoadField(r.iStatus);
        const std::int32_t failItem = LoadField(r.iFailItem);
        if (status == -1) {
            text += failItem >= 0 && failItem < kMPItemCount ? g_MPItemTable[failItem].sCode : "";
        } else if (status == 1) {
            text += "Pass";
        }
        text += "\t\r\n";
    }
    return text;
}

bool AppendMpLogRun(MpLogFile& log, const MpLogRun& run) {
    const std::string header = MpLogHeader(run.items);
    File file = OpenForRows(log.m_sLogFile, header);
    if (!file) {
        forms::Ui().ErrorBox("[0]Fail to open/create log file!");
        return false;
    }
    if (SizeOf(log.m_sLogFile) >= log.m_nLogSizeLimit) {
        file.reset();
        ++log.m_nLogIndex;
        log.m_sLogFile = FileOf(log.m_sLogPattern, log.m_nLogIndex);
        file = OpenForRows(log.m_sLogFile, header);
        if (!file) {
            forms::Ui().ErrorBox("[1]Fail to open/create log file!");
            return false;
        }
    }
    const std::string rows = MpLogRows(run);
    const bool written = Append(file, rows);
    const bool flushed = ::fdatasync(file.fd()) == 0;
    if (!written || !flushed) TraceOut("######### - MP log %s: write fail!\n", log.m_sLogFile.c_str());
    return written && flushed;
}

}  // namespace app
