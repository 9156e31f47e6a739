#include "procedures/gdp_ldpc_tables.h"

#include <mutex>
#include <vector>

namespace procedures {
namespace {

std::mutex& TablesLock() {
    static std::mutex lock;
    return lock;
}

std::vector<std::uint8_t>& Tables() {
    static std::vector<std::uint8_t> tables;
    return tables;
}

}  // namespace

bool InstallGdpLdpcTables(std::span<const std::uint8_t> tables) {
    if (tables.size() != kLdpcTableBytes * kLdpcTableCount) return false;
    std::lock_guard<std::mutex> hold(TablesLock());
    Tables().assign(tables.begin(), tables.end());
    return true;
}

void ClearGdpLdpcTables() {
    std::lock_guard<std::mutex> hold(TablesLock());
    Tables().clear();
}

const std::uint8_t* GdpLdpcTable(int index) {
    if (index < 0 || index >= kLdpcTableCount) return nullptr;
    std::lock_guard<std::mutex> hold(TablesLock());
    if (Tables().empty()) return nullptr;
    return Tables().data() + static_cast<std::size_t>(index) * kLdpcTableBytes;
}

int GdpLdpcTableIndex(std::uint8_t ldpcMode) {
    return ldpcMode >= 2 && ldpcMode <= 4 ? ldpcMode - 1 : 0;
}

}  // namespace procedures
