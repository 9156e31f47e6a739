#include "emu/hotplug_source.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace emu {

struct HotPlugSource::Queue {
    Queue() : fd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~Queue() {
        if (fd >= 0) ::close(fd);
    }
    Queue(const Queue&) = delete;
    Queue& operator=(const Queue&) = delete;

    void Push(const platform::HotPlugEvent& event) {
        std::lock_guard lock(mutex);
        events.push_back(event);
        const std::uint64_t one = 1;
        if (fd >= 0) (void)!::write(fd, &one, sizeof one);
    }

    std::optional<platform::HotPlugEvent> Pop() {
        std::lock_guard lock(mutex);
        std::optional<platform::HotPlugEvent> event;
        if (!events.empty()) {
            event = std::move(events.front());
            events.pop_front();
        }
        if (events.empty() && fd >= 0) {
            std::uint64_t count = 0;
            (void)!::read(fd, &count, sizeof count);  // not readable again until the next event
        }
        return event;
    }

    int fd;
    std::mutex mutex;
    std::deque<platform::HotPlugEvent> events;
};

namespace {

class QueueMonitor : public platform::HotPlugMonitor {
  public:
    explicit QueueMonitor(std::shared_ptr<HotPlugSource::Queue> queue) : queue_(std::move(queue)) {}
    int Fd() const override { return queue_->fd; }
    std::optional<platform::HotPlugEvent> Next() override { return queue_->Pop(); }

  private:
    std::shared_ptr<HotPlugSource::Queue> queue_;
};

}  // namespace

std::unique_ptr<platform::HotPlugMonitor> HotPlugSource::Open() {
    auto queue = std::make_shared<Queue>();
    std::lock_guard lock(mutex_);
    queues_.push_back(queue);
    return std::make_unique<QueueMonitor>(std::move(queue));
}

void HotPlugSource::Raise(const platform::HotPlugEvent& event) {
    std::lock_guard lock(mutex_);
    for (auto it = queues_.begin(); it != queues_.end();) {
        if (auto queue = it->lock()) {
            queue->Push(event);
            ++it;
        } else {
            it = queues_.erase(it);
        }
    }
}

}  // namespace emu
