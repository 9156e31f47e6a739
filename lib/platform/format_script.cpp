#include "platform/format_script.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <system_error>

#include "platform/trace_sink.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

constexpr std::uintmax_t kMaxFileBytes = 64 * 1024;

void Trace(const std::string& what) {
    WriteTrace("format: " + what + "\n");
}

std::string_view TrimEnd(std::string_view s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t' || s.back() == '\n')) {
        s.remove_suffix(1);
    }
    return s;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// A name of a file in the program folder: no folder part, not "." or "..".
bool PlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.find('\\') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

std::optional<std::vector<std::string>> ReadLines(const fs::path& file) {
    std::error_code ec;
    const auto size = fs::file_size(file, ec);
    if (ec || size > kMaxFileBytes) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.emplace_back(TrimEnd(line));
    return lines;
}

std::optional<std::uint32_t> DiskNumberOf(std::string_view text) {
    std::uint32_t n = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), n);
    if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size()) return std::nullopt;
    return n;
}

void Remove(const fs::path& folder, const std::string& name) {
    if (!PlainName(name)) return;
    std::error_code ec;
    fs::remove(folder / name, ec);
}

class ScriptRun {
  public:
    ScriptRun(DiskOperations& ops, const FormatJob& job) : ops_(ops), job_(job) {}

    // True to go on with the next line.
    bool Line(const std::string& raw, bool& finished) {
        const std::string line = Lower(raw);
        if (line == "exit") {
            finished = true;
            return false;
        }
        if (line.starts_with("select disk ")) return Select(line.substr(12));
        if (line == "clean") return Step(line, &DiskOperations::Clean);
        if (line == "convert gpt") return Step(line, &DiskOperations::ConvertGpt);
        if (line == "create partition primary") return Step(line, &DiskOperations::CreatePrimaryPartition);
        if (line == "format fs=ntfs quick") return Step(line, &DiskOperations::FormatNtfsQuick);
        if (line == "assign") {
            if (!Writable(line)) return false;
            std::string error;
            if (!ops_.Assign(*disk_, MountFolder(job_.folder, *disk_), error)) return Failed(line, error);
            Trace("disk " + std::to_string(*disk_) + ": assign done (" + MountFolder(job_.folder, *disk_).string() +
                  ")");
            return true;
        }
        Trace("script line not understood, script ended: " + raw);
        return false;
    }

  private:
    bool Select(const std::string& number) {
        const auto n = DiskNumberOf(number);
        if (!n) {
            Trace("no disk number in \"select disk " + number + "\", script ended");
            return false;
        }
        const auto text = ReadLines(job_.folder / job_.owner);
        std::string joined;
        if (text) {
            for (const std::string& l : *text) joined += l + "\n";
        }
        const auto expected = text ? ParseOwnerFile(joined) : std::nullopt;
        if (!expected) {
            Trace("disk " + std::to_string(*n) + " refused: no owner file " + job_.owner);
            return false;
        }
        const auto actual = ops_.Owner(*n);
        if (!actual || !(*actual == *expected)) {
            Trace("disk " + std::to_string(*n) + " refused: it is " +
                  (actual ? actual->instanceId + " serial \"" + actual->serial + "\"" : std::string("no USB disk")) +
                  ", the run linked " + expected->instanceId + " serial \"" + expected->serial + "\"");
            return false;
        }
        disk_ = n;
        guarded_ = false;
        Trace("disk " + std::to_string(*n) + " selected (" + actual->instanceId + ")");
        return true;
    }

    // A disk is selected and the guards let it be written.
    bool Writable(const std::string& line) {
        if (!disk_) {
            Trace("\"" + line + "\" with no disk selected, script ended");
            return false;
        }
        if (guarded_) return true;
        if (const auto refusal = ops_.Refusal(*disk_)) {
            Trace("disk " + std::to_string(*disk_) + " refused: " + *refusal);
            return false;
        }
        guarded_ = true;
        return true;
    }

    bool Step(const std::string& line, bool (DiskOperations::*op)(std::uint32_t, std::string&)) {
        if (!Writable(line)) return false;
        std::string error;
        if (!(ops_.*op)(*disk_, error)) return Failed(line, error);
        Trace("disk " + std::to_string(*disk_) + ": " + line + " done");
        return true;
    }

    bool Failed(const std::string& line, const std::string& error) {
        Trace("disk " + std::to_string(*disk_) + ": " + line + " failed: " + error);
        return false;
    }

    DiskOperations& ops_;
    const FormatJob& job_;
    std::optional<std::uint32_t> disk_;
    bool guarded_ = false;
};

}  // namespace

std::string OwnerFileText(const DiskOwner& owner) {
    return "instance=" + owner.instanceId + "\r\nserial=" + owner.serial + "\r\n";
}

std::optional<DiskOwner> ParseOwnerFile(std::string_view text) {
    DiskOwner owner;
    bool instance = false, serial = false;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = TrimEnd(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.starts_with("instance=") && !instance) {
            owner.instanceId = std::string(line.substr(9));
            instance = true;
        } else if (line.starts_with("serial=") && !serial) {
            owner.serial = std::string(line.substr(7));
            serial = true;
        } else if (!line.empty()) {
            return std::nullopt;
        }
    }
    if (!instance || !serial || owner.instanceId.empty()) return std::nullopt;
    return owner;
}

fs::path MountFolder(const fs::path& programFolder, std::uint32_t disk) {
    return programFolder / "mnt" / ("disk" + std::to_string(disk));
}

FormatJob ReadFormatJob(const fs::path& folder, std::string_view parameters) {
    FormatJob job;
    job.folder = folder;
    parameters = TrimEnd(parameters);
    if (!parameters.starts_with("/c ")) {
        job.error = "the parameters name no batch";
        return job;
    }
    const std::string batch(parameters.substr(3));
    if (!PlainName(batch) || !batch.ends_with(".bat") || batch.size() == 4) {
        job.error = "not a batch of the program folder: " + batch;
        return job;
    }
    job.batch = batch;
    job.owner = batch.substr(0, batch.size() - 4) + ".own";
    const auto lines = ReadLines(folder / batch);
    if (!lines) {
        job.error = "the batch " + batch + " cannot be read";
        return job;
    }
    for (const std::string& raw : *lines) {
        const std::string line = Lower(raw);
        if (line.empty() || line == "@echo off") continue;
        if (line.starts_with("diskpart /s ") && job.script.empty()) {
            job.script = raw.substr(12);
        } else if (line.starts_with("del ") && (raw.substr(4) == job.script || raw.substr(4) == job.batch)) {
            continue;  // done at the end, whatever happens
        } else {
            job.error = "batch line not understood: " + raw;
            return job;
        }
    }
    if (job.script.empty() || !PlainName(job.script)) job.error = "the batch names no script of the program folder";
    return job;
}

bool RunFormatScript(DiskOperations& ops, const FormatJob& job) {
    if (!job.error.empty()) {
        Trace(job.error);
        return false;
    }
    const auto lines = ReadLines(job.folder / job.script);
    if (!lines) {
        Trace("the script " + job.script + " cannot be read");
        return false;
    }
    ScriptRun run(ops, job);
    bool finished = false;
    for (const std::string& line : *lines) {
        if (!run.Line(line, finished)) return finished;
    }
    return true;
}

void FinishFormatJob(const FormatJob& job) {
    Remove(job.folder, job.script);
    Remove(job.folder, job.owner);
    Remove(job.folder, job.batch);
}

int RunFormatBatch(DiskOperations& ops, const fs::path& folder, std::string_view parameters) {
    const FormatJob job = ReadFormatJob(folder, parameters);
    const bool done = RunFormatScript(ops, job);
    FinishFormatJob(job);
    Trace(done ? "script done" : "script ended early");
    return done ? 0 : 1;
}

}  // namespace platform
