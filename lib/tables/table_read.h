// Reading table pages back from a drive's loader blocks: two copies per die, the first complete
// block wins. The reader reaches the drive through a page source (the diagnostic firmware's page
// read and status fetch), so it is tested on fakes and bound to the vendor commands above.
#pragma once

#include <cstdint>
#include <span>

namespace tables {

class TablePageSource {
  public:
    virtual ~TablePageSource() = default;
    // One page read (channel, CE, block, page, LDPC mode, scrambler, block type) into `buffer`
    // of `sectors` 512-byte sectors: 1 on success.
    virtual int ReadPage(int port, std::uint8_t channel, std::uint8_t ce, std::uint16_t block, std::uint16_t page,
                         std::uint8_t ldpcMode, std::uint8_t scramble, std::uint8_t blockType, std::uint8_t* buffer,
                         std::uint32_t sectors) = 0;
    // The status fetch into a one-sector buffer: 1 on success; byte 1 of the reply is the result.
    virtual int GetReturn(int port, std::uint8_t* sector) = 0;
};

}  // namespace tables

// Reads `channels` pages from loader-block page index `index` (5 defect, 21 remap, 29 virtual
// remap, 40 later bad) into `pages` (page k at k x page size), trying copy 0 and then copy 1 of
// each present die in turn. True when one block gave every page; `pages` must hold channels pages.
bool bRM_ReadTablePages(int port, int index, std::span<std::uint8_t> pages, tables::TablePageSource& source);
