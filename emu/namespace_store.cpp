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

}  // namespace emu
