// libFuzzer target for the report thread's readers of drive bytes: a bad-unit reply and a defect page
// through the bad-block statistics, and a sequence of UART chunk replies through the log reading.
// Input: byte 0-4 the geometry (channels, banks, dies per CE, planes, page sectors), byte 5 the CE;
// the rest is split in three: the bad-unit reply, the defect-table buffer, the UART replies (each
// reply a length byte and that many bytes).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/trace_sink.h"
#include "utility/bad_block_info.h"
#include "utility/device_state.h"
#include "utility/uart_log.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static platform::TraceCapture quiet;
    quiet.Clear();
    if (size < 6) return 0;
    using namespace vellumin;
    const BadBlockShape shape{data[0] % 12, data[1] % 10, data[2] % 4, data[3] % 6, data[4] % 9};
    const int ce = data[5];
    data += 6;
    size -= 6;
    const std::size_t third = size / 3;

    static UnitKindTable kinds;
    kinds = {};
    BadBlockCounters counters{};
    BadBlockTotals totals{};
    static std::vector<std::uint16_t> map(kBadUnitMapBytes / 2);
    static std::vector<char> detailBuf(kDetailTextBytes);
    DetailText detail(detailBuf.data(), detailBuf.size());
    BadUnitSink sink{kinds, counters, map.data(), detail};
    std::vector<std::uint8_t> reply(data, data + third);
    CountBadUnitReply(shape, ce, reply.data(), reply.size(), sink);
    WriteSystemCounts(shape, kinds, counters);
    std::vector<std::uint8_t> defect(data + third, data + 2 * third);
    ListPhysicalBadBlocks(shape, defect.data(), defect.size(), counters, detail);
    SumBadBlockCounters(shape, counters, totals);
    (void)BadBlockSummaryText(shape, true, counters, totals);

    const std::uint8_t* uart = data + 2 * third;
    std::size_t left = size - 2 * third;
    UartLogIo io;
    io.read = [&](std::uint8_t* out, std::uint32_t sectors, std::uint16_t) {
        if (left == 0) return 2;
        const std::size_t n = std::min<std::size_t>(uart[0], left - 1);
        std::memcpy(out, uart + 1, std::min<std::size_t>(n, sectors * 512u));
        uart += 1 + n;
        left -= 1 + n;
        return 1;
    };
    io.show = [](const char*) {};
    io.sleep = [](unsigned) {};
    (void)ReadUartLog(1, io);
    return 0;
}
