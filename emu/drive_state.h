// The state an emulated drive keeps between program runs, so that Vellumin started after Kestrane
// finds the drive as Kestrane left it. A bay whose [Bay] section says KeepState=1 writes each
// drive's state to "state/<drive>.bin" in the bay folder (<drive> the section name in lower case)
// when it is released at program end and on request (Bay::SaveState), and reads it when it is
// loaded; a drive with a state then starts as after a power cycle. A file that does not load is
// traced and the drive starts fresh.
//
// File layout (little-endian), version 1:
//   "QVSTATE" 00, u32 version, u32 0
//   geometry: u32 channels, CEs, LUNs, blocks, pages, page sectors, planes (must be the drive's)
//   u8 flash program (1 loader, 2 diagnostic, 3 sorting, 4 system), 3 zero bytes
//   SMART counters: u64 sectors read, sectors written, read commands, write commands, power
//     cycles, power-on hours, unsafe shutdowns
//   served flash failures: u64 reads, programs, erases
//   u32 n, n bytes: the UART log
//   u32 n, n x (u64 chunk index, 4,096 bytes): the namespace blocks written
//   u32 n, n x (u32 length, bytes): the distinct flash page contents
//   u32 n, n x block: u8 channel, CE, LUN, 0, u32 block, u32 erase count, u32 pages, then per
//     page u32 page, u8 LDPC rate, u8 scrambler, u16 0, u32 content index
//   u32 n, n x (u8 channel, CE, LUN, error type 4|5|6, u32 block): the flash's served failures
// Nothing may follow.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "emu/controller_core.h"
#include "emu/namespace_store.h"
#include "emu/nand_model.h"
#include "emu/nvme_pages.h"

namespace emu {

inline constexpr std::uint32_t kDriveStateVersion = 1;

struct DriveState {
    FlashGeometry geometry;
    Program flashProgram = Program::Loader;
    SmartCounters smart;  // the temperature is not kept
    NandModel::FailureCounts failureCounts;
    std::string uartLog;
    std::vector<NamespaceStore::HeldChunk> namespaceChunks;
    std::vector<NandModel::StoredBlock> blocks;
    std::vector<NandModel::ServedFailure> failures;
};

std::string EncodeDriveState(const DriveState& state);
// Nullopt and `why` set when the bytes are not a sound state of this version; every count, place
// and length is checked against the bytes and the geometry they carry.
std::optional<DriveState> DecodeDriveState(std::string_view bytes, std::string* why);

}  // namespace emu
