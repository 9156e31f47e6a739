// The user data of namespace 1: a sparse store of 512-byte sectors kept in 4 KB chunks.
// Sectors never written (or erased by a sanitize) read as zero.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

namespace emu {

class NamespaceStore {
  public:
    static constexpr std::size_t kSectorBytes = 512;
    static constexpr std::size_t kChunkSectors = 8;

    explicit NamespaceStore(std::uint64_t sectors) : sectors_(sectors) {}

    std::uint64_t Sectors() const { return sectors_; }
    // A new size (the system firmware's capacity); what was written stays.
    void SetSectors(std::uint64_t sectors) { sectors_ = sectors; }
    // True when sectors [lba, lba + count) lie inside the namespace.
    bool Contains(std::uint64_t lba, std::uint64_t count) const { return lba <= sectors_ && count <= sectors_ - lba; }

    // `bytes.size()` must be a whole number of sectors inside the namespace (the caller checks).
    void Write(std::uint64_t lba, std::span<const std::uint8_t> bytes);
    void Read(std::uint64_t lba, std::span<std::uint8_t> out) const;
    void EraseAll() { chunks_.clear(); }

    std::size_t ChunksHeld() const { return chunks_.size(); }

    // Every chunk written (chunk index = sector / kChunkSectors, kChunkBytes each), in index
    // order, and back: what a drive keeps between program runs.
    static constexpr std::size_t kChunkBytes = kChunkSectors * kSectorBytes;
    using HeldChunk = std::pair<std::uint64_t, std::vector<std::uint8_t>>;
    std::vector<HeldChunk> HeldChunks() const;
    void RestoreChunks(const std::vector<HeldChunk>& chunks);

  private:
    using Chunk = std::array<std::uint8_t, kChunkSectors * kSectorBytes>;
    std::uint64_t sectors_;
    std::unordered_map<std::uint64_t, std::unique_ptr<Chunk>> chunks_;
};

}  // namespace emu
