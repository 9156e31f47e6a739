#include "procedures/V_Proc_TableRead.h"

#include "commands/command_sets.h"
#include "settings/records.h"

namespace procedures {

int GdpTablePageSource::ReadPage(int port, std::uint8_t channel, std::uint8_t ce, std::uint16_t block,
                                 std::uint16_t page, std::uint8_t ldpcMode, std::uint8_t scramble,
                                 std::uint8_t blockType, std::uint8_t* buffer, std::uint32_t sectors) {
    return VC_GDP_CmdPageRead(port, channel, ce, block, page, ldpcMode, scramble, blockType, buffer, sectors,
                              AP_INIState.InheritAnt);
}

int GdpTablePageSource::GetReturn(int port, std::uint8_t* sector) {
    std::uint8_t status = 0;
    return VC_GDP_CmdGetReturn(port, &status, sector);
}

}  // namespace procedures

bool bRM_ReadTablePages(int port, int index, std::span<std::uint8_t> pages) {
    procedures::GdpTablePageSource source;
    return bRM_ReadTablePages(port, index, pages, source);
}
