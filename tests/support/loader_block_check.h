// A local stand-in for the loader-block validity check of the loader-block search (another
// branch builds it): page 88 of the block, tag "RAVEZ" (or "QVRDT" unless only the system
// firmware counts). Include it in exactly one source file of a test program.
#pragma once

#include <cstring>

#include "procedures/V_Proc_PageAccess.h"
#include "procedures/loader_block_common.h"
#include "settings/records.h"

int VP_IsValidLoaderBlock(int bInstance, void* buffer, std::uint8_t ucChNo, std::uint8_t ucBankNo,
                          std::uint16_t wBlockNo, std::uint8_t bIsOnlySysFW) {
    auto* page = static_cast<std::uint8_t*>(buffer);
    if (!VP_ReadPage(bInstance, ucChNo, ucBankNo, wBlockNo, AP_FlashSet.wPageMap[88], AP_FlashSet.ucLdpcMode, 1, 0,
                     page, AP_FlashSet.bPageSector)) {
        return 0;
    }
    if (std::memcmp(page + 448, "RAVEZ", 5) == 0) return 1;
    return bIsOnlySysFW == 0 && std::memcmp(page + 448, "QVRDT", 5) == 0 ? 1 : 0;
}
