// The block-unit list: SuperBlockBadInfo records in a meaningful order, one record per unit.
// Every slot change goes through SetStatus, so a recount needs to count again only the records
// whose slots changed since the last one; the result is the same as counting every record afresh.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <vector>

#include "tables/rm_records.h"

class BlockUnitList {
  public:
    std::size_t size() const { return records_.size(); }
    bool empty() const { return records_.empty(); }
    const SuperBlockBadInfo& operator[](std::size_t i) const { return records_[i]; }
    const SuperBlockBadInfo* begin() const { return records_.data(); }
    const SuperBlockBadInfo* end() const { return records_.data() + records_.size(); }

    void clear();
    // Appends a record (its counts are taken as they are until the next recount). A record of a
    // unit already in the list is refused: the lookups by unit rely on one record per unit.
    bool push_back(const SuperBlockBadInfo& record);
    // Position of the record of `unit`, or -1.
    int Find(std::uint16_t unit) const { return unit < position_.size() ? position_[unit] : -1; }
    // Sets one slot; false (nothing changed) for a position or slot outside the record.
    bool SetStatus(std::size_t pos, int ch, int ce, int plane, std::uint8_t status);

    // Recounts the bad count (and, in super-die mode, the LUN counts split at CE index `bankNum`)
    // of every record whose slots changed since the last recount, or of every record after an
    // append or a change of mode. Returns true when it counted every record.
    bool Recount(bool superDie, std::uint8_t bankNum);
    // Counts every record afresh.
    void RecountAll(bool superDie, std::uint8_t bankNum);
    // True when some count may differ from its record's slots until the next recount.
    bool Pending() const { return allStale_ || !dirtyList_.empty(); }

    // Stable sort (the order an adjacent-exchange sort with a strict comparison gives).
    template <class Less>
    void StableSort(Less less) {
        std::vector<std::uint32_t> order(records_.size());
        std::iota(order.begin(), order.end(), 0u);
        std::stable_sort(order.begin(), order.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return less(records_[a], records_[b]); });
        Permute(order);
    }

  private:
    void Permute(const std::vector<std::uint32_t>& order);
    void CountRecord(SuperBlockBadInfo& r, bool superDie, std::uint8_t bankNum) const;

    std::vector<SuperBlockBadInfo> records_;
    std::vector<std::int32_t> position_;  // unit -> position, -1 when absent
    std::vector<std::uint8_t> dirty_;     // per position: slots changed since the last recount
    std::vector<std::uint32_t> dirtyList_;
    bool allStale_ = false;
    bool lastSuperDie_ = false;
    std::uint8_t lastBankNum_ = 0;
};
