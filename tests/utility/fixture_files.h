// The recorded pages of tests/utility/data: identify controller and namespace, a firmware variable
// block (product tag "TEV100", 4 channels, 2 banks, 2 dies per CE, 2 planes, LDPC rate 3, loader map
// 0x06), an information page, SMART and vendor SMART pages and an erase-count reply of 256 entries.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace utility_test {

inline std::vector<std::uint8_t> Fixture(const char* name, std::size_t size = 0) {
    std::ifstream in(std::filesystem::path(QV_SOURCE_DIR) / "tests/utility/data" / name, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    if (size > bytes.size()) bytes.resize(size, 0);
    return bytes;
}

}  // namespace utility_test
