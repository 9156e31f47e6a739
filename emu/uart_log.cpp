#include "emu/uart_log.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <fstream>
#include <sstream>

#include "emu/wire_bytes.h"

namespace emu {

namespace {

constexpr std::size_t kSizeField = 4;
constexpr std::uint8_t kMarker[4] = {'e', 'M', 'V', 'N'};

bool Fail(std::string* error, const DriveConfig& d, const std::string& what) {
    if (error != nullptr) *error = "[" + d.name + "] " + what;
    return false;
}

bool Number(const DriveConfig& d, const char* key, long low, long high, long& out, std::string* error) {
    const auto text = d.section.Get(key);
    if (!text) return true;
    long v = 0;
    const auto r = std::from_chars(text->data(), text->data() + text->size(), v);
    if (text->empty() || r.ec != std::errc{} || r.ptr != text->data() + text->size() || v < low || v > high) {
        return Fail(error, d,
                    std::string(key) + "=" + *text + " is not a number from " + std::to_string(low) + " to " +
                        std::to_string(high));
    }
    out = v;
    return true;
}

}  // namespace

std::optional<UartSetup> ReadUartSetup(const DriveConfig& d, std::string* error) {
    UartSetup s;
    s.fileName = d.section.GetOr("UartLogFile", "");
    if (s.fileName.find_first_of("/\\") != std::string::npos || s.fileName == "." || s.fileName == "..") {
        Fail(error, d, "UartLogFile=" + s.fileName + " is not a file name in the bay folder");
        return std::nullopt;
    }
    long chunk = static_cast<long>(s.chunkBytes), notReady = 0, badSize = -1, endless = 0, chunkUs = 0;
    if (!Number(d, "UartChunkBytes", 1, 1 << 20, chunk, error) ||
        !Number(d, "UartChunkUs", 0, 60'000'000, chunkUs, error) ||
        !Number(d, "UartNotReady", 0, 1'000'000, notReady, error) ||
        !Number(d, "UartBadSize", 0, 65535, badSize, error) || !Number(d, "UartEndless", 0, 1, endless, error)) {
        return std::nullopt;
    }
    s.chunkBytes = static_cast<std::size_t>(chunk);
    s.notReady = static_cast<int>(notReady);
    s.badSizeChunk = badSize;
    s.endless = endless == 1;
    s.chunkUs = static_cast<unsigned>(chunkUs);
    return s;
}

std::optional<std::string> ReadUartLogFile(const UartSetup& setup, const std::filesystem::path& bayFolder,
                                           std::string* error) {
    if (setup.fileName.empty()) return std::string();
    std::ifstream in(bayFolder / setup.fileName, std::ios::binary);
    std::ostringstream text;
    if (in) text << in.rdbuf();
    if (!in) {
        if (error != nullptr) *error = "UartLogFile " + (bayFolder / setup.fileName).string() + " cannot be read";
        return std::nullopt;
    }
    return text.str();
}

UartLog::UartLog(UartSetup setup, std::string start) : setup_(std::move(setup)), text_(std::move(start)) {
    TrimLocked();
}

void UartLog::Write(std::string_view text) {
    std::lock_guard lock(mutex_);
    text_.append(text);
    TrimLocked();
}

void UartLog::TrimLocked() {
    if (text_.size() <= kUartLogKeptBytes) return;
    std::size_t cut = text_.size() - kUartLogKeptBytes;
    const std::size_t line = text_.find('\n', cut);
    cut = line == std::string::npos ? cut : line + 1;
    text_.erase(0, cut);
}

std::string UartLog::Text() const {
    std::lock_guard lock(mutex_);
    return text_;
}

void UartLog::SetText(std::string text) {
    std::lock_guard lock(mutex_);
    text_ = std::move(text);
    TrimLocked();
    pendingIndex_ = -1;
    notReadyGiven_ = 0;
}

NvmeStatus UartLog::Serve(std::uint16_t index, std::span<std::uint8_t> reply) {
    if (reply.size() < 2 * kSizeField) return nvme_status::kInvalidField;
    bool chunk = false;
    {
        std::lock_guard lock(mutex_);
        chunk = ServeLocked(index, reply);
    }
    if (chunk) latency_.Charge(setup_.chunkUs);
    return nvme_status::kSuccess;
}

bool UartLog::ServeLocked(std::uint16_t index, std::span<std::uint8_t> reply) {
    if (pendingIndex_ != index) {
        pendingIndex_ = index;
        notReadyGiven_ = 0;
    }
    if (notReadyGiven_ < setup_.notReady) {
        ++notReadyGiven_;
        std::copy(std::begin(kMarker), std::end(kMarker), reply.begin());
        wire::PutLe32(&reply[kSizeField], 1);
        return false;
    }
    pendingIndex_ = -1;
    const std::size_t n = std::min(setup_.chunkBytes, reply.size() - kSizeField);
    const std::size_t from = std::size_t{index} * n;
    std::size_t size = from < text_.size() ? std::min(n, text_.size() - from) : 0;
    if (size == 0 && !setup_.endless) {
        std::copy(std::begin(kMarker), std::end(kMarker), reply.begin());
        wire::PutLe32(&reply[kSizeField], 0);
        return false;
    }
    std::uint8_t* out = &reply[kSizeField];
    if (size > 0) std::memcpy(out, text_.data() + from, size);
    // Endless: the rest of the chunk (or all of it, past the text) is idle lines.
    for (std::size_t k = 0; setup_.endless && size < n; ++size, ++k) {
        out[size] = static_cast<std::uint8_t>(kUartIdleLine[k % kUartIdleLine.size()]);
    }
    wire::PutLe32(reply.data(), index == setup_.badSizeChunk ? kUartBadSize : static_cast<std::uint32_t>(size));
    return true;
}

}  // namespace emu
