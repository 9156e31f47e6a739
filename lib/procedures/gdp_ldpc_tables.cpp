#include "procedures/gdp_ldpc_tables.h"

#include <algorithm>
#include <cstddef>
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

bool CopyGdpLdpcTable(int index, std::span<std::uint8_t, kLdpcTableBytes> table) {
    if (index < 0 || index >= kLdpcTableCount) return false;
    std::lock_guard<std::mutex> hold(TablesLock());
    if (Tables().empty()) return false;
    const auto from =
        Tables().begin() + static_cast<std::ptrdiff_t>(index) * static_cast<std::ptrdiff_t>(kLdpcTableBytes);
    std::copy(from, from + static_cast<std::ptrdiff_t>(kLdpcTableBytes), table.begin());
    return true;
}

int GdpLdpcTableIndex(std::uint8_t ldpcMode) {
    return ldpcMode >= 2 && ldpcMode <= 4 ? ldpcMode - 1 : 0;
}

}  // namespace procedures
