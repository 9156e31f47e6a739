#include "settings/firmware_bins.h"

AP_Bins_t AP_Bins{};
AP_Bins_t AP_GDPBins{};
AP_Bins_t AP_Bins_Instance[kBinsInstanceCount]{};
char g_sGDPVersion[kTagTextBytes + 1] = "";
char g_sFWVersion[kTagTextBytes + 1] = "";

bool BinsDescriptionSound(const AP_Bins_t& bins) {
    if (bins.ucCodeCnt < 1 || bins.ucCodeCnt > kBinCodeMax) return false;
    for (int c = 0; c < bins.ucCodeCnt; ++c) {
        if (bins.ucPartCnt[c] > kBinPartMax) return false;
    }
    return true;
}
