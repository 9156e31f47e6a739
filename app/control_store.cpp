#include "app/control_store.h"

namespace app {

const MemoryControlStore::State& MemoryControlStore::Get(const std::string& name) const {
    static const State kNone{};
    const auto it = controls_.find(name);
    return it != controls_.end() ? it->second : kNone;
}

void MemoryControlStore::SetItemIndex(const std::string& name, int index) {
    State& s = At(name);
    s.itemIndex = index >= 0 && index < static_cast<int>(s.items.size()) ? index : -1;
}

void MemoryControlStore::SetItems(const std::string& name, const std::vector<std::string>& items) {
    State& s = At(name);
    s.items = items;
    s.itemChecked.assign(items.size(), false);
    s.itemIndex = -1;
}

bool MemoryControlStore::ItemChecked(const std::string& name, int index) const {
    const State& s = Get(name);
    return index >= 0 && index < static_cast<int>(s.itemChecked.size()) && s.itemChecked[static_cast<std::size_t>(index)];
}

void MemoryControlStore::SetItemChecked(const std::string& name, int index, bool checked) {
    State& s = At(name);
    if (index >= 0 && index < static_cast<int>(s.itemChecked.size())) s.itemChecked[static_cast<std::size_t>(index)] = checked;
}

}  // namespace app
