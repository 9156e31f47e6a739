// A die's error records and factory-bad blocks carry its FW bank (LUN x banks + bank) as their bank
// tag. Every place that shows one as Bank and LUN splits it by the banks per channel: the result
// window's lists and reports, the save's report and the main window's error table and list, on
// emulated drives whose erase failure and factory-bad block sit on bank 1 of the last LUN.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "app/result_lists.h"
#include "app/sort_result_read.h"
#include "forms/scripted_ui_port.h"
#include "recording_view.h"
#include "sort_bay.h"
#include "sorting/sort_results.h"

namespace {

namespace fs = std::filesystem;
using sorting::ResultList;

struct Geometry {
    int luns, banks;
};

void PrintTo(const Geometry& g, std::ostream* os) {
    *os << g.luns << " LUNs x " << g.banks << " banks";
}

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

class FwBankColumns : public sorting_test::SortBay, public ::testing::WithParamInterface<Geometry> {
  protected:
    FwBankColumns() {
        options_.lunsPerCe = GetParam().luns;
        options_.banks = GetParam().banks;
        options_.blocksPerLun = 256;
        const std::string die = "2:1:" + std::to_string(Lun());
        options_.keys = {"BadBlocks=" + die + ":100\nEraseFail=" + die + ":202\n", ""};
    }
    static int Lun() { return GetParam().luns - 1; }
    // The run folder whose name ends with `suffix`.
    fs::path RunFolder(const std::string& suffix) const {
        for (const auto& e : fs::directory_iterator(folder_.Path() / "Sorting_Log")) {
            const std::string name = e.path().filename().string();
            if (name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
                return e.path();
        }
        return {};
    }

    forms::ScriptedUiPort ui_;
    forms::ScopedUiPort useUi_{ui_};
};

TEST_P(FwBankColumns, ErrorRowsAndReportsShowTheBankAndLunOfTheFwBank) {
    SortPort(0);
    const std::string bank = "1", lun = std::to_string(Lun());
    const std::string line = "Ch:2 Bank:1 LUN:" + lun + "\tunit:";
    const std::string die = "CH2_BK1(L" + lun + ").ms0";

    // The result window's parse: the error and factory-bad rows, the die's sorting-error report.
    AP_RDTSet.SaveResultLog = 1;
    const auto results = std::make_unique<sorting::SortResults>();
    std::strcpy(results->m_sSerialNum, "SN");
    results->m_ucPort = 0;
    sorting_test::RecordingView view;
    ASSERT_EQ(results->ParseSortingResult(0, view), 1);
    const auto& errorRows = view.Rows(ResultList::RdtBad);
    ASSERT_EQ(errorRows.size(), 1u);
    EXPECT_EQ(std::vector<std::string>(errorRows[0].begin() + 1, errorRows[0].begin() + 4),
              (std::vector<std::string>{"2", bank, lun}));
    const auto& factoryRows = view.Rows(ResultList::FactoryBad);
    ASSERT_EQ(factoryRows.size(), 1u);
    EXPECT_EQ(factoryRows[0][2], bank);
    EXPECT_EQ(factoryRows[0][3].substr(0, lun.size() + 1), lun + "(");
    const fs::path parsed = RunFolder("_SN") / "RDT_BadBlock";
    std::string report = ReadFile(parsed / ("Pass_RDTBad_" + die));
    if (report.empty()) report = ReadFile(parsed / ("Fail_RDTBad_" + die));
    EXPECT_NE(report.find(line), std::string::npos);

    // The result save's report.
    ASSERT_EQ(results->SaveSortingResult(0), 1);
    const std::string saved = ReadFile(RunFolder("_Port00") / "RDT_BadBlock" / ("RDTBad_" + die));
    EXPECT_NE(saved.find(line), std::string::npos);

    // The main window's read: the error table's entry and the "SORT Result" page's row.
    app::DieTestInfoTable dies{};
    app::SortSummary summary;
    app::SortErrorEntry errors[app::kSortErrorEntries];
    app::ReadDeviceSortResult(0, 0, {&dies, &summary, errors}, {});
    const std::vector<app::ListRow> rows = app::ErrorListRows(errors);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(std::vector<std::string>(rows[0].begin() + 1, rows[0].begin() + 4),
              (std::vector<std::string>{"2", bank, lun}));
}

INSTANTIATE_TEST_SUITE_P(Geometries, FwBankColumns,
                         ::testing::Values(Geometry{1, 2}, Geometry{2, 2}, Geometry{2, 4}));

}  // namespace
