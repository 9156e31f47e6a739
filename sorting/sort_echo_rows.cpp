#include "sorting/sort_echo_rows.h"

#include <cstring>

namespace sorting {

namespace {

constexpr std::uint16_t kTotalLoopsOffset = 69;
constexpr std::uint16_t kLdpcOffset = 10;

const tables::SortEchoField* FieldByLabel(const char* label) {
    for (const tables::SortEchoField& f : tables::kSortEchoFields) {
        if (std::strcmp(f.label, label) == 0) return &f;
    }
    return nullptr;
}

}  // namespace

std::string EchoVersionText(std::span<const std::uint8_t> version, std::size_t offset, std::size_t count) {
    std::string text;
    for (std::size_t i = offset; i < offset + count && i < version.size() && version[i] != 0; ++i) {
        text.push_back(static_cast<char>(version[i]));
    }
    return text;
}

const char* EchoFieldLabel(const tables::SortEchoField& field, std::uint8_t flashType) {
    if (field.offset == kLdpcOffset && flashType == 1) return "MLC LDPC Threshold";
    return field.label;
}

long long EchoFieldValue(std::span<const std::uint8_t> echo, const tables::SortEchoField& field) {
    const std::uint32_t value = tables::SortEchoValue(echo, field);
    if (field.offset != kTotalLoopsOffset) return value;
    static const tables::SortEchoField* slcLoops = FieldByLabel("SLC Test Loop");
    const std::uint32_t slc = slcLoops == nullptr ? 0 : tables::SortEchoValue(echo, *slcLoops);
    // The drive's 32-bit difference, read as signed.
    return static_cast<std::int32_t>(value - slc);
}

std::vector<std::pair<std::string, std::string>> EchoRows(std::span<const std::uint8_t> echo,
                                                          std::span<const std::uint8_t> version,
                                                          std::uint8_t flashType) {
    std::vector<std::pair<std::string, std::string>> rows;
    rows.reserve(kEchoRowCount);
    rows.emplace_back("MPT version", EchoVersionText(version, 48, 5));
    rows.emplace_back("GDP version", EchoVersionText(version, 64, 5));
    rows.emplace_back("RDT version", EchoVersionText(version, 96, 5));
    rows.emplace_back("MPT Time", EchoVersionText(version, 80, 16));
    for (const tables::SortEchoField& f : tables::kSortEchoFields) {
        rows.emplace_back(EchoFieldLabel(f, flashType), std::to_string(EchoFieldValue(echo, f)));
    }
    return rows;
}

}  // namespace sorting
