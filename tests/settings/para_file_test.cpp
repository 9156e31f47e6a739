// ReadParaIni: its four results and the sixteen values of the die-count section.
#include "settings/para_file.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/trace_sink.h"
#include "records_guard.h"

namespace {

using settings_test::RecordsGuard;
using settings_test::ScratchDir;

constexpr const char* kFourDies =
    "[PARA_2]\nEN_VD=1\nCAPACITY=128\n\n"
    "[PARA_4]\nEN_VD=1\nVD_NUM=4\nMERGE_BU=6\nROLL_RATE=12\nLAST_BAD_RATION=9\nTABLE_BU=2\nDMT_BU=261\n"
    "FIX_SLC_BU=70000\nREAD_DISTURB=300000\nREAD_DISTURB_HEAD=4000000000\nTHROTTLE_MAX=16\nTHROTTLE_MIN=8\n"
    "HSPD_CAPACITY=24\nCAPACITY=256\nDCO=1\nPARTIAL=3\n";

class ParaFile : public ::testing::Test {
  protected:
    RecordsGuard guard_;
    ScratchDir dir_{"para"};
};

void ExpectDefaults(const AP_ParaSet_t& r) {
    AP_ParaSet_t expected{};
    expected.ROLL_RATE = 10;
    EXPECT_EQ(std::memcmp(&r, &expected, sizeof r), 0);
}

TEST_F(ParaFile, SectionOfTheDieCountIsRead) {
    const std::string path = dir_.Write("PARA/Para_TLC.ini", kFourDies);
    AP_INIState.bDieNumCount = 4;
    AP_ParaSet_t r{};
    platform::TraceCapture capture;
    EXPECT_EQ(ReadParaIni(path.c_str(), r), kParaOk);
    EXPECT_EQ(+r.EN_VD, 1);
    EXPECT_EQ(+r.VD_NUM, 4);
    EXPECT_EQ(+r.MERGE_BU, 6);
    EXPECT_EQ(+r.ROLL_RATE, 12);
    EXPECT_EQ(+r.LAST_BAD_RATION, 9);
    EXPECT_EQ(+r.TABLE_BU, 2);
    EXPECT_EQ(+r.DMT_BU, 261);
    EXPECT_EQ(+r.FIX_SLC_BU, 70000 & 0xFFFF);  // a 16-bit field keeps the low bits
    EXPECT_EQ(+r.READ_DISTURB, 300000u);
    EXPECT_EQ(+r.THROTTLE_MAX, 16);
    EXPECT_EQ(+r.THROTTLE_MIN, 8);
    EXPECT_EQ(+r.HSPD_CAPACITY, 24);
    EXPECT_EQ(+r.CAPACITY, 256);
    EXPECT_EQ(+r.DCO, 1);
    EXPECT_EQ(+r.PARTIAL, 3);

    const auto lines = capture.Lines();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], "ReadPara INI PARA_4  (O) ");
    EXPECT_EQ(lines[1], "[ORG] ReadPara INI==");
    EXPECT_EQ(lines[2], "EN_VD(1) VDNUM(4) MergeBU(6) LastBadRation(9) FIX_SLC(4464) TableQnty(2) DMT(261)");
    EXPECT_EQ(lines[4], "ROLL_RATE(12)");
    EXPECT_EQ(lines[5], "[FIN] ReadPara INI==");
    EXPECT_EQ(lines[6], "EN_RAID(1) VDNUM(4) MergeBU(6) LastBadRation(9) FIX_SLC(4464) TableQnty(2) DMT(261)");
    EXPECT_EQ(lines[7], lines[3]);
}

TEST_F(ParaFile, MissingSectionOrFileGivesDefaults) {
    const std::string path = dir_.Write("PARA/Para_TLC.ini", kFourDies);
    AP_ParaSet_t r{};
    std::memset(&r, 0x5A, sizeof r);

    AP_INIState.bDieNumCount = 8;  // only PARA_2 and PARA_4 exist
    platform::TraceCapture capture;
    EXPECT_EQ(ReadParaIni(path.c_str(), r), kParaNoSection);
    ExpectDefaults(r);
    EXPECT_EQ(capture.Lines().at(0), "ReadPara INI PARA_8  (X) - Load default value");

    std::memset(&r, 0x5A, sizeof r);
    capture.Clear();
    EXPECT_EQ(ReadParaIni(dir_.Path("PARA/Para_missing.ini").c_str(), r), kParaLoadFailed);
    ExpectDefaults(r);
    EXPECT_EQ(capture.Lines().at(0), "Load Para To Buffer Fail");
}

TEST_F(ParaFile, EmptyPathLeavesTheRecord) {
    AP_ParaSet_t r{};
    std::memset(&r, 0x5A, sizeof r);
    const AP_ParaSet_t before = r;
    platform::TraceCapture capture;
    EXPECT_EQ(ReadParaIni("", r), kParaNoPath);
    EXPECT_EQ(std::memcmp(&r, &before, sizeof r), 0);
    EXPECT_TRUE(capture.Lines().empty());
}

TEST_F(ParaFile, FileNameWithoutParaIsStillReadFromWhatWasLoaded) {
    // Neither name holds "Para"; the second one's folder even holds "TMC_".
    const std::string plain = dir_.Write("PARA/die_params.ini", kFourDies);
    const std::string odd = dir_.Write("TMC_station/PARA/dies.ini", kFourDies);
    // A timing text that would answer if the lookups followed the path's "TMC_".
    ASSERT_TRUE(IniLoadTmcFile(dir_.Write("TMC_other.ini", "[PARA_4]\nCAPACITY=1\n").c_str()));
    AP_INIState.bDieNumCount = 4;
    for (const std::string& path : {plain, odd}) {
        AP_ParaSet_t r{};
        EXPECT_EQ(ReadParaIni(path.c_str(), r), kParaOk) << path;
        EXPECT_EQ(+r.CAPACITY, 256) << path;
    }
}

}  // namespace
