#include <gtest/gtest.h>

#include "tables/rm_geometry.h"
#include "tables_fixture.h"

namespace tables_test {
namespace {

using GeometryTest = TablesTest;

TEST_F(GeometryTest, GroupCodesOfTwoPlanes) {
    AP_FlashSet.ucPlanes = 2;
    struct Case {
        std::uint8_t in, gid;
    };
    // Masks 0b01, 0b10, 0b00, 0b11 give 0, 1, 2, 0; the flag nibble stays.
    for (const Case c : {Case{0x01, 0x00}, Case{0x02, 0x01}, Case{0x00, 0x02}, Case{0x03, 0x00}, Case{0xA1, 0xA0},
                         Case{0x82, 0x81}, Case{0x20, 0x22}, Case{0x0C, 0x00}}) {
        EXPECT_EQ(RM_MaskToGid(c.in), c.gid) << int{c.in};
    }
    EXPECT_EQ(RM_GidToMask(0), 1);
    EXPECT_EQ(RM_GidToMask(1), 2);
    EXPECT_EQ(RM_GidToMask(2), 0);
    EXPECT_EQ(RM_GidToMask(3), 0);
    EXPECT_EQ(RM_GetPlaneMask(), 0x03);
}

TEST_F(GeometryTest, FourPlanesPassUnchangedAndOnePlaneRecodes) {
    AP_FlashSet.ucPlanes = 4;
    for (int b : {0x00, 0x0E, 0x8E, 0x2F, 0xFF}) {
        EXPECT_EQ(RM_MaskToGid(static_cast<std::uint8_t>(b)), b);
        EXPECT_EQ(RM_GidToMask(static_cast<std::uint8_t>(b)), b);
    }
    EXPECT_EQ(RM_GetPlaneMask(), 0x0F);
    AP_FlashSet.ucPlanes = 1;
    EXPECT_EQ(RM_MaskToGid(0x00), 0x02);
    EXPECT_EQ(RM_MaskToGid(0x01), 0x00);
    EXPECT_EQ(RM_GetPlaneMask(), 0x01);
}

TEST_F(GeometryTest, CheckAcceptsTheFixturesAndRefusesWhatTheTablesCannotHold) {
    struct Case {
        const char* name;
        Geo geo;
        bool ok;
    };
    const Case cases[] = {
        {"small", kSmall, true},
        {"small super-die", kSmallSuperDie, true},
        {"realistic", kRealistic, true},
        {"8 channels 4 banks 2 dies", Geo{8, 4, 2, 4, 2000, 32}, true},
        {"no channel", Geo{0, 1, 1, 2, 16, 8}, false},
        {"9 channels", Geo{9, 1, 1, 2, 16, 8}, false},
        {"5 banks", Geo{1, 5, 1, 2, 16, 8}, false},
        {"3 dies", Geo{1, 1, 3, 2, 16, 8}, false},
        {"3 planes", Geo{1, 1, 1, 3, 16, 8}, false},
        {"no unit", Geo{1, 1, 1, 2, 0, 8}, false},
        {"32 KB page", Geo{1, 1, 1, 2, 16, 64}, false},
        {"one-plane die over the bitmap", Geo{1, 1, 1, 1, 16385, 8}, false},
        {"indexes reach the markers", Geo{1, 1, 1, 4, 10400, 8}, false},
        {"LUN-1 indexes reach the markers", Geo{1, 1, 2, 4, 6000, 8, true, 6000}, false},
    };
    for (const Case& c : cases) {
        ResetSettingsRecords();
        ApplyGeometry(c.geo);
        trace_.Clear();
        EXPECT_EQ(RM_CheckGeometry(RM_GetGeometry()), c.ok) << c.name;
        EXPECT_EQ(trace_.Contains("Flash tables refused"), !c.ok) << c.name;
    }
}

TEST_F(GeometryTest, LargerPagesAreRefusedWithTheirReason) {
    ApplyGeometry(Geo{1, 1, 1, 2, 16, 64});
    EXPECT_FALSE(RM_CheckGeometry(RM_GetGeometry()));
    EXPECT_TRUE(trace_.Contains("page size outside 512 bytes..16 KB (one table image slot)"));
}

TEST_F(GeometryTest, UnitsIncludingExtendedBlocks) {
    ApplyGeometry(kRealistic);
    AP_FlashSet.wExtendBlocks = 40;  // (4096 / 2 + 40) / 4 = 522
    const RM_Geometry g = RM_GetGeometry();
    EXPECT_EQ(g.unitsExt, 522);
    EXPECT_EQ(g.dieUnit, 512);
    EXPECT_EQ(g.ceCount, 4);
    EXPECT_EQ(g.pageSize, 16384u);
}

TEST_F(GeometryTest, DiePresenceFollowsTheMapOfTheDieCount) {
    ApplyGeometry(kRealistic);
    AP_INIState.bOriDieMapMultiLun[1][3] = 0xFF;
    const RM_Geometry g = RM_GetGeometry();
    EXPECT_TRUE(RM_IsDiePresent(g, 1, 2));
    EXPECT_FALSE(RM_IsDiePresent(g, 1, 3));
    EXPECT_FALSE(RM_IsDiePresent(g, 8, 0));
    EXPECT_FALSE(RM_IsDiePresent(g, 0, 8));

    ApplyGeometry(Geo{2, 4, 1, 2, 100, 8});
    AP_INIState.bOriDieMap[0][2] = 0xFF;
    const RM_Geometry g1 = RM_GetGeometry();
    EXPECT_TRUE(RM_IsDiePresent(g1, 0, 1));
    EXPECT_FALSE(RM_IsDiePresent(g1, 0, 2));
    EXPECT_FALSE(RM_IsDiePresent(g1, 0, 4));
}

TEST_F(GeometryTest, SuperDieNeedsTheSwitchAndTwoDies) {
    struct Case {
        int enSuperDie, dies;
        bool expected;
    };
    for (const Case c : {Case{1, 2, true}, Case{1, 1, false}, Case{0, 2, false}, Case{2, 2, false}}) {
        AP_INIState.EnSuperDie = static_cast<std::uint8_t>(c.enSuperDie);
        AP_FlashSet.ucDiePerCE = static_cast<std::uint8_t>(c.dies);
        EXPECT_EQ(bRM_IsSuperDie(), c.expected) << c.enSuperDie << " " << c.dies;
    }
}

}  // namespace
}  // namespace tables_test
