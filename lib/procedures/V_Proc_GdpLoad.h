// Diagnostic firmware load and start: "GDP.bin" (as AP_GDPBins describes it) goes into the
// controller's RAM through the boot loader, in 64 KB pieces to each part's load address, then its
// 336-byte signature block, then the jump. Either from a copy read once per run
// (VP_ReadGDPtoBuffer, then VP_LoadGDPFromBuffer per drive) or straight from the file.
//
// Each load patches a private copy of every part for its own drive, so drives loaded at the same
// time never see each other's patch. A part longer than 245,760 bytes, a short read and a
// refused patch stop the load (traced); nothing is written past a buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

inline constexpr std::size_t kGdpPartBufBytes = 245760;  // 0x3C000
inline constexpr std::size_t kGdpRsaBytes = 336;
inline constexpr std::uint32_t kGdpRsaFileOffset = 16;
inline constexpr std::uint32_t kGdpRsaAddress = 16;
inline constexpr std::uint8_t kGdpRsaKeySlot = 10;
inline constexpr std::size_t kGdpPieceBytes = 65536;  // 128 sectors
inline constexpr std::size_t kGdpInitBlockBytes = 1536;

// True when every part and the signature block were read into the run's copy.
bool VP_ReadGDPtoBuffer();
bool VP_LoadGDPFromBuffer(int port);
// True when loaded and started, or (force 0) when the diagnostic firmware already runs.
bool VP_LoadGDPFromFile(int port, int force, int patch);
// Reads `byteCount` bytes from the file's position and writes them to RAM at `address` in 64 KB
// pieces (rsa set: one signature sector to key slot `keySlot`); true when every piece was written.
bool VP_WriteCodeToMemNew2(int port, std::FILE* file, std::uint32_t address, std::uint32_t byteCount, int rsa,
                           std::uint8_t keySlot, int patch);
// `buffer` holds at least 1,536 bytes.
bool VP_InitGDP(int port, void* buffer);

namespace procedures {

// The step that patches one image part for a drive; false stops the load.
using GdpPatchStep = bool (*)(int port, std::uint8_t* image, std::size_t size);
// Installs the patch step (PatchGdpImage by default; tests install their own) and returns the previous.
GdpPatchStep SetGdpPatchStep(GdpPatchStep step);
// Drops the run's copy of "GDP.bin".
void ClearGdpBuffer();

}  // namespace procedures
