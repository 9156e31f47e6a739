#include "tables/block_unit_list.h"

void BlockUnitList::clear() {
    records_.clear();
    position_.clear();
    dirty_.clear();
    dirtyList_.clear();
    allStale_ = false;
}

bool BlockUnitList::push_back(const SuperBlockBadInfo& record) {
    if (Find(record.unit) >= 0) return false;
    if (position_.size() <= record.unit) position_.resize(static_cast<std::size_t>(record.unit) + 1, -1);
    position_[record.unit] = static_cast<std::int32_t>(records_.size());
    records_.push_back(record);
    dirty_.push_back(0);
    allStale_ = true;
    return true;
}

bool BlockUnitList::SetStatus(std::size_t pos, int ch, int ce, int plane, std::uint8_t status) {
    if (pos >= records_.size() || ch < 0 || ch >= RM_MAX_CH || ce < 0 || ce >= RM_MAX_CE || plane < 0 ||
        plane >= RM_MAX_PLANE) {
        return false;
    }
    records_[pos].status[ch][ce][plane] = status;
    if (dirty_[pos] == 0) {
        dirty_[pos] = 1;
        dirtyList_.push_back(static_cast<std::uint32_t>(pos));
    }
    return true;
}

void BlockUnitList::CountRecord(SuperBlockBadInfo& r, bool superDie, std::uint8_t bankNum) const {
    if (superDie) {
        r.lun0Count = 0;
        r.lun1Count = 0;
    }
    unsigned count = 0;
    for (int ch = 0; ch < RM_MAX_CH; ++ch) {
        for (int ce = 0; ce < RM_MAX_CE; ++ce) {
            for (int p = 0; p < RM_MAX_PLANE; ++p) {
                if (!RM_IsUnusable(r.status[ch][ce][p])) continue;
                ++count;
                if (!superDie) continue;
                if (ce < bankNum) {
                    ++r.lun0Count;
                } else {
                    ++r.lun1Count;
                }
            }
        }
    }
    r.badCount = static_cast<std::uint16_t>(count);
}

void BlockUnitList::RecountAll(bool superDie, std::uint8_t bankNum) {
    for (auto& r : records_) CountRecord(r, superDie, bankNum);
    for (std::uint32_t pos : dirtyList_) dirty_[pos] = 0;
    dirtyList_.clear();
    allStale_ = false;
    lastSuperDie_ = superDie;
    lastBankNum_ = bankNum;
}

bool BlockUnitList::Recount(bool superDie, std::uint8_t bankNum) {
    if (allStale_ || superDie != lastSuperDie_ || bankNum != lastBankNum_) {
        RecountAll(superDie, bankNum);
        return true;
    }
    for (std::uint32_t pos : dirtyList_) {
        CountRecord(records_[pos], superDie, bankNum);
        dirty_[pos] = 0;
    }
    dirtyList_.clear();
    return false;
}

void BlockUnitList::Permute(const std::vector<std::uint32_t>& order) {
    std::vector<SuperBlockBadInfo> records(records_.size());
    std::vector<std::uint8_t> dirty(records_.size());
    dirtyList_.clear();
    for (std::size_t k = 0; k < order.size(); ++k) {
        records[k] = records_[order[k]];
        dirty[k] = dirty_[order[k]];
        if (dirty[k] != 0) dirtyList_.push_back(static_cast<std::uint32_t>(k));
        position_[records[k].unit] = static_cast<std::int32_t>(k);
    }
    records_.swap(records);
    dirty_.swap(dirty);
}
