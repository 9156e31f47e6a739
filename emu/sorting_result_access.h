// The sorting firmware's own access to the result blocks its run left, installed beside its status
// commands, so that a host can read the results without loading the diagnostic firmware:
//   0x47 scan (no data): the table of the last run's result blocks becomes the answer of 0x48 (a
//        die left without a block reads 0); byte 4 is recorded. The status fetch answers 1.
//   0x48 table (in, one sector): bytes 0-127 u16 little-endian [8 channels][8 FW banks], FW bank =
//        LUN x the init block's bank count + CE; 0 before the first scan. The rest of the sector
//        stays the poison byte.
//   0x89 page read (in): byte 3 channel, byte 4 CE (low nibble) and LUN (high nibble), bytes 5-6
//        block, 7-8 page (big-endian), 9 LDPC rate (bit 7 ignored), 10 scrambler, 11 block type:
//        1 (SLC) or 3; another type answers BadAddress. The status fetch answers 1 for a page read,
//        else the flash's code (29 uncorrectable, 28 empty); a page that cannot be read leaves the
//        reply as it arrived.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "emu/controller_core.h"
#include "emu/nand_model.h"
#include "emu/sorting_firmware.h"
#include "emu/sorting_program.h"

namespace emu {

namespace sort_code {
inline constexpr std::uint8_t kScanResultBlk = 0x47;
inline constexpr std::uint8_t kGetResultBlk = 0x48;
inline constexpr std::uint8_t kPageRead = 0x89;
}  // namespace sort_code

class SortResultAccess : public std::enable_shared_from_this<SortResultAccess> {
  public:
    SortResultAccess(std::shared_ptr<NandModel> nand, std::shared_ptr<SortingProgram> program,
                     std::shared_ptr<SortingFirmware> firmware);

    void Install(ControllerCore& core);
    // Byte 4 of every scan received, and the block types of the page reads (tests).
    std::vector<std::uint8_t> Scans() const;
    std::vector<std::uint8_t> ReadBlockTypes() const;

  private:
    NvmeStatus Scan(const VendorPacket& p);
    NvmeStatus GetTable(std::span<std::uint8_t> data);
    NvmeStatus PageRead(const VendorPacket& p, std::span<std::uint8_t> data);

    std::shared_ptr<NandModel> nand_;
    std::shared_ptr<SortingProgram> program_;
    std::shared_ptr<SortingFirmware> firmware_;
    mutable std::mutex mutex_;
    SortResultTable table_{};
    std::vector<std::uint8_t> scans_, blockTypes_;
};

}  // namespace emu
