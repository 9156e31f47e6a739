#include "utility/uart_log.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "tables/le_bytes.h"
#include "transport/trace.h"

namespace vellumin {

std::uint32_t UartReadSectors(unsigned pageKiB, unsigned planes) { return pageKiB * planes * 2; }

std::string ReadUartLog(std::uint32_t sectors, const UartLogIo& io) {
    TraceOut("######### - ParseUartLogInfo\n");
    std::string text;
    const bool readable = sectors > 0 && sectors <= kUartMaxReadSectors;
    const std::size_t received = readable ? std::size_t(sectors) * 512 : 0;
    // Both buffers once per reading: the reply as large as the read, the chunk text with its zero byte.
    std::vector<std::uint8_t> reply(std::max<std::size_t>(received, 8));
    std::vector<char> chunk(kUartMaxChunkText + 1);
    std::uint16_t index = 0;
    for (;;) {
        std::fill(reply.begin(), reply.end(), 0);
        if (io.stopRequested && io.stopRequested()) break;
        if (!readable || io.read(reply.data(), sectors, index) != 1) {
            io.show("FAIL!!! VC_SYS_GetUartLog Fail!.");
            break;
        }
        if (index > kUartLastChunk) {
            TraceOut("ParseUARTLog Time Out!\n");
            break;
        }
        if (std::memcmp(reply.data(), "eMVN", 4) == 0) {
            if (transport::GetLe32(reply.data() + 4) == 0) {
                TraceOut("End of ParseUARTLog!\n");
                break;
            }
            io.sleep(kUartNotReadyPauseMs);
            continue;
        }
        const std::uint32_t size = transport::GetLe32(reply.data());
        TraceOut("######### - ucIndex is %d, pUartLogData->dwSize is %d\n", index, static_cast<int>(size));
        if (size > kUartMaxChunkText || size > received - 4) {
            TraceOut("pUartLogData->dwSize is incorrect!\n");
            io.show("UART log size is incorrect!");
            break;
        }
        const std::uint8_t* body = reply.data() + 4;
        const std::size_t length = std::find(body, body + size, std::uint8_t{0}) - body;
        std::memcpy(chunk.data(), body, length);
        chunk[length] = 0;
        text.append(chunk.data(), length);
        if (io.chunk) io.chunk(chunk.data());
        io.sleep(kUartChunkPauseMs);
        ++index;
    }
    return text;
}

}  // namespace vellumin
