// Writes whole files on a thread of its own, so that creating many small files (the parse's page
// dumps) overlaps the drive's reads instead of adding to them. Files are written in the order given;
// Finish and the destructor wait until every one is written.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace sorting {

class BackgroundFileWriter {
  public:
    BackgroundFileWriter() = default;
    ~BackgroundFileWriter();
    BackgroundFileWriter(const BackgroundFileWriter&) = delete;
    BackgroundFileWriter& operator=(const BackgroundFileWriter&) = delete;

    // Queues `data` for `path` (created or replaced). Waits while many files are queued.
    void Write(std::string path, std::span<const std::uint8_t> data);
    // Returns once every queued file is written.
    void Finish();

  private:
    struct Job {
        std::string path;
        std::vector<std::uint8_t> data;
    };
    void Loop();

    static constexpr std::size_t kQueueMax = 64;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> jobs_;
    bool busy_ = false;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace sorting
