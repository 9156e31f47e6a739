#include "sorting/file_writer.h"

#include "transport/trace.h"

namespace sorting {

BackgroundFileWriter::~BackgroundFileWriter() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void BackgroundFileWriter::Write(std::string path, std::span<const std::uint8_t> data) {
    std::unique_lock lock(mutex_);
    if (!thread_.joinable()) thread_ = std::thread([this] { Loop(); });
    changed_.wait(lock, [this] { return jobs_.size() < kQueueMax; });
    jobs_.push_back({std::move(path), std::vector<std::uint8_t>(data.begin(), data.end())});
    changed_.notify_all();
}

void BackgroundFileWriter::Finish() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return jobs_.empty() && !busy_; });
}

void BackgroundFileWriter::Loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stop_ || !jobs_.empty(); });
        if (jobs_.empty()) return;  // stopping with nothing left
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        busy_ = true;
        changed_.notify_all();
        lock.unlock();
        WriteRawFile(job.path.c_str(), job.data.data(), job.data.size());
        lock.lock();
        busy_ = false;
        changed_.notify_all();
    }
}

}  // namespace sorting
