// libFuzzer target for the decoders of a die's sorting-result pages: byte 0 picks the blocks per
// die and the plane count, byte 1 which pages of a list count as read; the rest is the page (or the
// pages of a list laid end to end).
#include <cstddef>
#include <cstdint>
#include <span>

#include "tables/sort_result_pages.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const unsigned blocksPerDie = 1u << (data[0] & 0x0F);
    const unsigned planes = data[0] >> 6;
    const bool read[4] = {(data[1] & 1) != 0, (data[1] & 2) != 0, (data[1] & 4) != 0, (data[1] & 8) != 0};
    const std::span<const std::uint8_t> page(data + 2, size - 2);
    const std::size_t pageBytes = (data[1] & 0x10) != 0 ? 512 : page.size();

    (void)tables::DecodeSortBadBlockPage(page, blocksPerDie);
    const tables::SortMarkPage mark = tables::DecodeSortMarkPage(page);
    const tables::SortWholeInfo whole = tables::DecodeSortWholeInfo(page);
    (void)tables::DecodeSortDieInfoList(page).Own(mark.tagDie);
    const tables::SortErrorList errors = tables::DecodeSortErrorList(page, pageBytes, read);
    (void)tables::SortErrorsOfDie(errors, mark.tagCH, mark.tagBK);
    for (const tables::SortErrorRecord& r : errors.records) (void)tables::SortTimeText(r.ticks);
    (void)tables::DecodeSortFactoryBad(page, mark.tagCH, mark.tagBK, planes);
    (void)tables::DecodeSortEccInfo(page, blocksPerDie);
    for (const tables::SortEchoField& f : tables::kSortEchoFields) (void)tables::SortEchoValue(whole.echo, f);
    tables::DieTestInfo info{};
    tables::FillDieTestInfo(info, 0, 0, 0, tables::SortDieInfoRecord{}, whole.serial);
    return 0;
}
