// The remap generation rules: which bad slots are candidates, where their replacement comes from,
// and whether the firmware's relation hash still has room. The donor searches here walk the
// block-unit list as described; the passes (remap_passes.h) reach the same answers incrementally.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "tables/vector_info.h"

inline constexpr std::size_t RM_HASH_BYTES = 8192;
inline constexpr std::uint8_t RM_HASH_BUCKET_MAX = 4;
using RmHashBuffer = std::span<std::uint8_t, RM_HASH_BYTES>;

// Partial-remap policy gate: with PartialRemapPolicy 1 only bad counts above RmpPartialTHR pass.
bool RM_PartialPolicyAllows(std::uint32_t badCount);

// Rule R: may slot status `s` of unit `u` (bad count `c`, plane `p`) be remapped, with threshold T.
bool RM_IsRemapCandidate(std::uint8_t s, std::uint16_t u, std::uint32_t c, std::uint16_t T, const _VectorInfo& vi,
                         int p);
// Rule V: may it be virtually remapped.
bool RM_IsVirtRemapCandidate(std::uint8_t s, std::uint16_t u, std::uint16_t T, const _VectorInfo& vi, int p);

// Donor searches; 0 when there is none.
std::uint16_t RM_FindDonor(int ch, int ce, int p, std::uint16_t unit, const _VectorInfo& vi);
std::uint16_t RM_FindDonorBounded(int ch, int ce, int p, std::uint16_t unit, std::uint16_t boundary,
                                  const _VectorInfo& vi);
std::uint16_t RM_FindPartialDonor(int ch, int ce, int p, std::uint16_t boundaryUnit, const _VectorInfo& vi);
std::uint16_t RM_FindVirtDonor(int ch, int ce, std::uint8_t& plane, std::uint16_t unit, const _VectorInfo& vi,
                               std::uint16_t lowerBound);

// Hash-bucket capacity of one relation: true (and the bucket counted) when it has room.
bool RM_CheckRemapHash(int ch, int ce, int p, std::uint16_t u, RmHashBuffer hash);

// Donor test shared by the searches and the passes.
inline bool RM_DonorSideOk(std::uint16_t donor, std::uint16_t defect, std::uint16_t boundary) {
    return defect >= boundary ? donor > boundary : donor < boundary;
}
