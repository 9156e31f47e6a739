// Table pages read back from a drive whose controller runs the diagnostic firmware: the table
// reader over the firmware's page read and status fetch.
#pragma once

#include <cstdint>
#include <span>

#include "tables/table_read.h"

namespace procedures {

// The diagnostic firmware's page read (VC_GDP_CmdPageRead, with [RDSetting] InheritAnt) and its
// status fetch (VC_GDP_CmdGetReturn).
class GdpTablePageSource : public tables::TablePageSource {
  public:
    int ReadPage(int port, std::uint8_t channel, std::uint8_t ce, std::uint16_t block, std::uint16_t page,
                 std::uint8_t ldpcMode, std::uint8_t scramble, std::uint8_t blockType, std::uint8_t* buffer,
                 std::uint32_t sectors) override;
    int GetReturn(int port, std::uint8_t* sector) override;
};

}  // namespace procedures

// Reads `channels` table pages from loader-block page index `index` of the port's loader blocks
// (copy 0, then copy 1, of each present die) into `pages`.
bool bRM_ReadTablePages(int port, int index, std::span<std::uint8_t> pages);
