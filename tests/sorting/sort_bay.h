// Emulated drives after their sorting run, for the sorting-result tests: the end-to-end set-up of
// the result read (diagnostic firmware, erase, sorting-firmware download, the run on the virtual
// clock, the diagnostic firmware again) on a geometry of the test's choice, then the port's row of
// wRsltBlk filled from the drive's result-block table and the die maps and channel and bank counts
// set as the main window leaves them. Ports 0 and 1 are drives; port 0 passes with a factory-bad
// block and an erase failure, port 1 fails unless the test gives other faults.
#pragma once

#include <string>
#include <vector>

#include "emu/sorting_run.h"
#include "procedures/e2e/sort_run_fixture.h"

namespace sorting_test {

struct SortBayOptions {
    int lunsPerCe = 1;  // FlashLuns (AP_FlashSet.ucDiePerCE)
    int planes = 4;     // FlashPlanes (AP_FlashSet.ucPlanes)
    int banks = 2;      // CEs a channel (FlashCEs, AP_INIState.MaxPhyBank)
    int blocksPerLun = 2016;  // FlashBlocks (fewer make a faster run)
    // Extra bay keys of each drive (faults: SortUncPage, SortNoSignature, SortNoResultBlock,
    // BadBlocks, EraseFail, ErrorBits ...); index = port. Two drives at least.
    std::vector<std::string> keys = {sort_run_test::kPassingFaults, sort_run_test::kFailingDie};
};

// The bay as a test fixture: a test class sets `options_` in its constructor (before SetUp).
class SortBay : public sort_run_test::SortingE2e {
  protected:
    std::vector<std::string> Sections() const override;
    void SetUp() override;

    // Takes `port` through its sorting run and back into the diagnostic firmware, then fills
    // wRsltBlk[port] from the drive's result-block table (as the result fetch does) and sets the
    // geometry of the options. With `firmwareTable` the row is the sorting firmware's own table
    // instead (the diagnostic firmware's scan does not report a block whose mark page is unsigned).
    void SortPort(int port, bool firmwareTable = false);
    // What the drive's sorting firmware decided in its last run.
    emu::SortRun LastRun(int port) { return *Run(port).LastRun(); }
    // The trace lines written since the last Clear.
    bool Traced(const std::string& line) const;

    SortBayOptions options_;

  private:
    void ApplyGeometry();
};

}  // namespace sorting_test
