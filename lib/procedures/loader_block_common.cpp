#include "procedures/loader_block_common.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "procedures/step_fail_info.h"
#include "settings/records.h"
#include "transport/port_instance.h"

namespace loader {

std::size_t PageBytes() {
    return static_cast<std::size_t>(AP_FlashSet.bPageSector) * 512;
}

std::uint16_t PhysicalPage(int index) {
    if (index < 0 || index >= AP_PAGE_MAP_COUNT) return 0xFFFF;
    return AP_FlashSet.wPageMap[index];
}

bool DiePresent(int channel, int bank) {
    return procedures::IsPresentDie(channel, bank);
}

int ChannelCount() {
    return std::min<int>(AP_INIState.MaxPhyChannel, kChannels);
}

int BankCount() {
    return std::min<int>(AP_INIState.MaxPhyBank, kBanks);
}

int CopyCount(int port) {
    if (!PortValid(port)) return 0;
    return std::min<int>(AP_Instance[port].ucLoaderBlockNum, kCopies);
}

bool PortValid(int port) {
    return port >= 0 && port < kPortCount;
}

bool ReadFileBounded(const char* path, std::string& out, std::size_t limit, std::size_t* fullSize) {
    out.clear();
    if (fullSize != nullptr) *fullSize = 0;
    if (path == nullptr || path[0] == '\0') return false;
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    const std::unique_ptr<std::FILE, Closer> file(std::fopen(path, "rb"));
    if (file == nullptr) return false;
    char chunk[16384];
    std::size_t total = 0;
    for (;;) {
        const std::size_t n = std::fread(chunk, 1, sizeof chunk, file.get());
        if (n == 0) break;
        if (out.size() < limit) out.append(chunk, std::min(n, limit - out.size()));
        total += n;
    }
    if (fullSize != nullptr) *fullSize = total;
    return true;
}

std::string PathField(const char* field, std::size_t size) {
    return std::string(field, ::strnlen(field, size));
}

}  // namespace loader
