// Ten thousand random and mangled pages through every reader of drive-written pages: nothing may
// read or write outside its buffers (run under AddressSanitizer and UndefinedBehaviorSanitizer).
#include <gtest/gtest.h>

#include <cstring>

#include "remap_fixture.h"
#include "tables/page_format.h"
#include "tables/rdt_bad_blocks.h"
#include "tables/rm_verify.h"
#include "tables/table_parsers.h"

namespace remap_test {
namespace {

constexpr std::uint16_t kMarkers[] = {0xEBA0, 0xEDE0, 0xEAE0, 0xEED1, 0xABCD, 0xDCBA, 0xFFFF, 0xEEEE,
                                      0xDDDD, 0xDD01, 0xA0FB, 0xD1FE, 0xFB00, 0xFE00, 0x5451, 0x5154};

class PageMangler {
  public:
    explicit PageMangler(std::uint32_t seed) : rng_(seed) {}
    std::uint32_t Next() { return static_cast<std::uint32_t>(rng_()); }

    // Random bytes, a valid page with a few changes, or a valid header over random words.
    void Mangle(std::vector<std::uint8_t>& buf, const std::vector<std::uint8_t>& valid) {
        switch (Next() % 4) {
            case 0:
                for (auto& b : buf) b = static_cast<std::uint8_t>(Next());
                break;
            case 1:
                buf = valid;
                for (std::uint32_t n = Next() % 16; n > 0 && !buf.empty(); --n) {
                    buf[Next() % buf.size()] = static_cast<std::uint8_t>(Next());
                }
                break;
            case 2:
                buf = valid;
                for (std::uint32_t n = Next() % 32; n > 0 && buf.size() > 20; --n) {
                    const std::size_t at = 16 + (Next() % ((buf.size() - 18) / 2)) * 2;
                    tables::PutLe16(buf.data() + at, kMarkers[Next() % std::size(kMarkers)]);
                }
                break;
            default:
                for (std::size_t i = 16; i + 2 <= buf.size(); i += 2) {
                    tables::PutLe16(buf.data() + i, Next() % 3 == 0 ? kMarkers[Next() % std::size(kMarkers)]
                                                                    : static_cast<std::uint16_t>(Next() % 300));
                }
                if (buf.size() >= 16) std::memcpy(buf.data(), valid.data(), std::min<std::size_t>(16, valid.size()));
                break;
        }
        if (Next() % 8 == 0 && !buf.empty()) buf.resize(Next() % buf.size());  // cut short
    }

  private:
    std::mt19937 rng_;
};

TEST_F(RemapTest, RandomAndMangledPagesParseWithoutFault) {
    const Geo geos[] = {
        {2, 2, 1, 2, 200, 1}, {3, 1, 2, 4, 100, 2, true, 100}, {1, 2, 2, 1, 300, 1}, {4, 4, 2, 4, 150, 8}};
    PageMangler m(20240611);
    int iteration = 0;
    for (const Geo& g : geos) {
        ApplyGeometry(g);
        AP_INIState.EnPartialTbl = 0;
        // Valid pages of this geometry to start from.
        auto built = std::make_unique<_VectorInfo>();
        RemapCounts counts{};
        RM_PageTable tablePages;
        BuildTables(RandomBadBlocks(7, g.dieUnit / 3), *built, counts, tablePages);
        const std::size_t pageSize = g.pageSector * 512u;
        std::vector<std::uint8_t> laterBad(pageSize, 0);
        const std::uint8_t header[16] = {0xE8, 0xDC, 0x55, 0xAA, 'Z', 'E', 'L', '0',
                                         '9',  'A',  '0',  'V',  '0', '0', '0', 0};
        std::memcpy(laterBad.data(), header, 16);
        const std::vector<std::uint8_t>* kinds[] = {&tablePages.remap[0], &tablePages.virt[0], &tablePages.defect[0],
                                                    &laterBad};
        for (int n = 0; n < 2500; ++n, ++iteration) {
            platform::TraceCapture quiet;
            const std::vector<std::uint8_t>& valid = *kinds[m.Next() % 4];
            std::vector<std::uint8_t> pages(pageSize * g.channels);
            for (int k = 0; k < g.channels; ++k) {
                std::vector<std::uint8_t> one(pageSize);
                m.Mangle(one, valid);
                std::memcpy(pages.data() + k * pageSize, one.data(), std::min(one.size(), pageSize));
            }
            if (m.Next() % 6 == 0) pages.resize(m.Next() % pages.size());
            std::vector<std::uint8_t> listBytes(4 * (1 + m.Next() % 64), 0);
            tables::GdpList list(listBytes.data(), listBytes.size());
            auto vi = std::make_unique<_VectorInfo>();
            RM_ParseRemapTable(kPort, pages, *vi);
            RM_ParseRemapTable2L(kPort, pages, *vi);
            RM_ParseVirtRemapTable(kPort, pages, *vi);
            RM_ParseVirtRemapTable2L(kPort, pages, *vi);
            RM_ParseEarlyBadTable(kPort, pages, list, *vi);
            RM_ParseDefectBadTable2L(kPort, pages, list, *vi);
            RM_FindLaterBadInRemap(kPort, *vi, list);
            RM_ParseLaterBadTable(kPort, pages, list, *vi);
            RM_ParseLaterBadTable2L(kPort, pages, list, *vi);
            const std::span<const std::uint8_t> first(pages.data(), std::min(pages.size(), pageSize));
            bRM_VerifyRemapTable(kPort, 0, first, *vi);
            bRM_VerifyVirtRemapTable(kPort, 0, first, *vi);
            std::vector<std::uint8_t> bb(first.begin(), first.end());
            if (bb.size() >= 2) bb[0] = bb[1] = 'B';
            std::uint16_t count = 0;
            AP_Instance[kPort].bRsltBlkFound = static_cast<std::uint8_t>(m.Next() & 1);
            AP_Instance[kPort].wRdtRsltBlk = static_cast<std::uint16_t>(m.Next());
            RM_GetRDTBadBlocks(kPort, static_cast<int>(m.Next() % 8), static_cast<int>(m.Next() % 8),
                               static_cast<std::uint16_t>(m.Next()), bb, list, m.Next() % 70, count, *vi);
            ASSERT_LE(list.Count(), list.MaxEntries());
            for (int ch = 0; ch < RM_MAX_CH; ++ch) {
                for (int ce = 0; ce < RM_MAX_CE; ++ce) {
                    for (const MptDefRecord& d : vi->defBelow[ch][ce]) ASSERT_LT(d.unit, RM_GetGeometry().unitsExt);
                }
            }
        }
    }
    EXPECT_EQ(iteration, 10000);
}

}  // namespace
}  // namespace remap_test
