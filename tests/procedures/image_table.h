// Golden tables of parameter images: (field, offset, width, expected value) rows, and the checks
// that every row holds and that every byte no row names kept the marker the image was filled with.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "support/scratch_folder.h"

namespace param_test {

inline constexpr std::uint8_t kMarker = 0xA5;

struct Field {
    std::string name;
    std::size_t offset;
    int width;  // 1, 2 or 4: a little-endian value
    std::uint32_t value;
};

using Table = std::vector<Field>;

inline void Add(Table& t, std::string name, std::size_t offset, int width, std::uint32_t value) {
    t.push_back(Field{std::move(name), offset, width, value});
}

// One byte row per element of `bytes`.
inline void AddBytes(Table& t, const std::string& name, std::size_t offset, const std::vector<std::uint8_t>& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i)
        Add(t, name + "[" + std::to_string(i) + "]", offset + i, 1, bytes[i]);
}

// `table` with every offset moved by `base`.
inline Table Shifted(const Table& table, std::size_t base) {
    Table out = table;
    for (Field& f : out) f.offset += base;
    return out;
}

inline std::uint32_t ReadLe(const std::vector<std::uint8_t>& image, std::size_t offset, int width) {
    std::uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i) v = (v << 8) | image.at(offset + static_cast<std::size_t>(i));
    return v;
}

// Every row holds; every byte outside the rows and outside `alsoWritten` ([begin, end) ranges) is
// still the marker.
inline void ExpectImage(const std::vector<std::uint8_t>& image, const Table& table,
                        const std::vector<std::pair<std::size_t, std::size_t>>& alsoWritten = {}) {
    std::vector<bool> named(image.size(), false);
    for (const Field& f : table) {
        ASSERT_LE(f.offset + static_cast<std::size_t>(f.width), image.size()) << f.name;
        EXPECT_EQ(ReadLe(image, f.offset, f.width), f.value) << f.name << " at " << f.offset;
        for (int i = 0; i < f.width; ++i) named[f.offset + static_cast<std::size_t>(i)] = true;
    }
    for (const auto& [begin, end] : alsoWritten) {
        for (std::size_t i = begin; i < end; ++i) named[i] = true;
    }
    int strays = 0;
    for (std::size_t i = 0; i < image.size(); ++i) {
        if (named[i] || image[i] == kMarker) continue;
        if (++strays <= 8) ADD_FAILURE() << "byte " << i << " is 0x" << std::hex << int{image[i]} << ", not named";
    }
    EXPECT_EQ(strays, 0);
}

// A scratch folder (qv_param_<tag>) whose files the parameter readers take by name.
class ScratchFolder : public test_support::ScratchFolder {
  public:
    explicit ScratchFolder(const std::string& tag) : test_support::ScratchFolder("qv_param_" + tag) {}

    std::string Path(const std::string& name) const { return (*this / name).string(); }
    std::string Write(const std::string& name, std::string_view contents) const {
        return test_support::ScratchFolder::Write(name, contents).string();
    }
};

}  // namespace param_test
