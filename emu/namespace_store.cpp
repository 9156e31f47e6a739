#include "emu/namespace_store.h"

#include <algorithm>
#include <cstring>

namespace emu {

void NamespaceStore::Write(std::uint64_t lba, std::span<const std::uint8_t> bytes) {
    const std::size_t count = bytes.size() / kSectorBytes;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t s = lba + i;
        auto& chunk = chunks_[s / kChunkSectors];
        if (!chunk) chunk = std::make_unique<Chunk>(Chunk{});
        std::memcpy(chunk->data() + (s % kChunkSectors) * kSectorBytes, bytes.data() + i * kSectorBytes, kSectorBytes);
    }
}

void NamespaceStore::Read(std::uint64_t lba, std::span<std::uint8_t> out) const {
    const std::size_t count = out.size() / kSectorBytes;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t s = lba + i;
        std::uint8_t* dst = out.data() + i * kSectorBytes;
        const auto it = chunks_.find(s / kChunkSectors);
        if (it == chunks_.end()) {
            std::memset(dst, 0, kSectorBytes);
        } else {
            std::memcpy(dst, it->second->data() + (s % kChunkSectors) * kSectorBytes, kSectorBytes);
        }
    }
}

std::vector<NamespaceStore::HeldChunk> NamespaceStore::HeldChunks() const {
    std::vector<HeldChunk> out;
    out.reserve(chunks_.size());
    for (const auto& [index, chunk] : chunks_)
        out.emplace_back(index, std::vector<std::uint8_t>(chunk->begin(), chunk->end()));
    std::sort(out.begin(), out.end(), [](const HeldChunk& a, const HeldChunk& b) { return a.first < b.first; });
    return out;
}

void NamespaceStore::RestoreChunks(const std::vector<HeldChunk>& chunks) {
    chunks_.clear();
    for (const auto& [index, bytes] : chunks) {
        auto chunk = std::make_unique<Chunk>(Chunk{});
        std::memcpy(chunk->data(), bytes.data(), std::min(bytes.size(), chunk->size()));
        chunks_[index] = std::move(chunk);
    }
}

}  // namespace emu
