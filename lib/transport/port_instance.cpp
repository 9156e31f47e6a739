#include "transport/port_instance.h"

#include <sys/mman.h>
#include <unistd.h>

#include "transport/trace.h"

AP_Instance_t AP_Instance[kPortCount]{};
std::uint8_t* g_pMPItemLog[kPortCount][kItemLogCount]{};

namespace transport {
namespace {

// One block per port holds all of its buffers. Only the pages a worker writes become resident,
// and a port costs one mapping instead of a hundred heap blocks whose headers touch every page.
struct PortLayout {
    std::size_t eraseCount = 0;
    std::size_t remapTable = 0;
    std::size_t itemLogs = 0;
    std::size_t tablePage = 0;
    std::size_t smartLog = 0;
    std::size_t remapAux = 0;
    std::size_t total = 0;
};

std::size_t RoundUp(std::size_t value, std::size_t unit) {
    return (value + unit - 1) / unit * unit;
}

PortLayout MakeLayout() {
    const long page = ::sysconf(_SC_PAGESIZE);
    const std::size_t unit = page > 0 ? static_cast<std::size_t>(page) : 4096;
    PortLayout l;
    std::size_t at = 0;
    l.eraseCount = at;
    at = RoundUp(at + kEraseCountBufSize, unit);
    l.remapTable = at;
    at = RoundUp(at + kRemapTableBufSize, unit);
    l.itemLogs = at;
    at += kItemLogCount * kItemLogBufSize;
    l.tablePage = at;
    at += kTablePageBufSize;
    l.smartLog = at;
    at += kSmartLogBufSize;
    l.remapAux = at;
    at += kRemapAuxBufSize;
    l.total = RoundUp(at, unit);
    return l;
}

const PortLayout& Layout() {
    static const PortLayout layout = MakeLayout();
    return layout;
}

class AnonymousPages : public PortMemory {
  public:
    void* Map(std::size_t size) override {
        void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        return p == MAP_FAILED ? nullptr : p;
    }
    void Unmap(void* block, std::size_t size) override { ::munmap(block, size); }
};

// The blocks handed out, one per port, and where they came from.
std::uint8_t* g_portBlock[kPortCount]{};
PortMemory* g_memory = nullptr;

void ClearPortPointers(int port) {
    AP_Instance_t& inst = AP_Instance[port];
    inst.pEraseCountBuf = nullptr;
    inst.pSmartLogBuf = nullptr;
    inst.pRemapTableBuf = nullptr;
    inst.pRemapAuxBuf = nullptr;
    inst.pTablePageBuf = nullptr;
    for (auto& item : g_pMPItemLog[port]) item = nullptr;
}

void ReleasePort(int port) {
    if (g_portBlock[port] != nullptr) {
        g_memory->Unmap(g_portBlock[port], Layout().total);
        g_portBlock[port] = nullptr;
    }
    ClearPortPointers(port);
}

}  // namespace

PortMemory& PageMappedMemory() {
    static AnonymousPages pages;
    return pages;
}

bool AllocPortBuffers(PortMemory& memory) {
    if (g_memory != nullptr) return true;  // already allocated
    g_memory = &memory;
    const PortLayout& l = Layout();
    for (int port = 0; port < kPortCount; ++port) {
        auto* block = static_cast<std::uint8_t*>(memory.Map(l.total));
        if (block == nullptr) {
            TraceOut("######### - AllocPortBuffers: port %d buffers (%zu bytes) fail!\n", port, l.total);
            for (int p = 0; p < port; ++p) ReleasePort(p);
            g_memory = nullptr;
            return false;
        }
        g_portBlock[port] = block;
        AP_Instance_t& inst = AP_Instance[port];
        inst.pEraseCountBuf = block + l.eraseCount;
        inst.pSmartLogBuf = block + l.smartLog;
        for (int item = 0; item < kItemLogCount; ++item) {
            g_pMPItemLog[port][item] = block + l.itemLogs + static_cast<std::size_t>(item) * kItemLogBufSize;
        }
        inst.pRemapTableBuf = block + l.remapTable;
        inst.pRemapAuxBuf = block + l.remapAux;
        inst.pTablePageBuf = block + l.tablePage;
    }
    return true;
}

}  // namespace transport

bool AllocPortBuffers() {
    return transport::AllocPortBuffers(transport::PageMappedMemory());
}

void FreePortBuffers() {
    if (transport::g_memory == nullptr) return;
    for (int port = 0; port < kPortCount; ++port) transport::ReleasePort(port);
    transport::g_memory = nullptr;
}
