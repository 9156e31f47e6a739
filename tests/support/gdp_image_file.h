// A synthetic "GDP.bin" written to a file and described in AP_GDPBins as the file check would
// (one code; parts back to back from 4,096).
#pragma once

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "emu/image_generator.h"
#include "settings/firmware_bins.h"

namespace test_support {

inline emu::images::Bytes WriteGdpImage(const std::string& path, const emu::images::GdpImagePlan& plan,
                                        std::size_t cutTail = 0) {
    emu::images::Bytes bytes = emu::images::BuildGdpImage(plan);
    bytes.resize(bytes.size() - cutTail);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    AP_GDPBins = AP_Bins_t{};
    std::strcpy(AP_GDPBins.sBinFile, path.c_str());
    AP_GDPBins.ucCodeCnt = 1;
    AP_GDPBins.ucPartCnt[0] = static_cast<std::uint8_t>(plan.parts.size());
    for (std::size_t j = 0; j < plan.parts.size(); ++j) {
        AP_GDPBins.dwOffset[0][j] = plan.parts[j].loadAddress;
        AP_GDPBins.dwLength[0][j] = plan.parts[j].length;
        AP_GDPBins.dwBinOffset[0][j] = static_cast<std::uint32_t>(emu::images::GdpPartOffset(plan, j));
    }
    return bytes;
}

}  // namespace test_support
