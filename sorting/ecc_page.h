// The "ECC Info" page of the sorting-result window: the block grid and histogram of one die's
// maximum error bits, the die selectors, the summary boxes, the colour threshold and the counting
// buttons. It reads the window's ECC tables and never talks to the drive.
#pragma once

#include <cstdint>

class QWidget;

namespace sorting {

class SortResults;

class EccPage {
  public:
    // Builds every control of the page on `tabSheet` (the window's TabSheet4).
    EccPage(QWidget* tabSheet, const SortResults& results);
    ~EccPage();
    EccPage(const EccPage&) = delete;
    EccPage& operator=(const EccPage&) = delete;

    // The opening's set-up of the grids and selectors, before the parse.
    void Init_ECCGrid();
    // Shows die (channel, FW bank, LUN).
    void SetECCInfo2UI(std::uint8_t channel, std::uint8_t fwBank, std::uint8_t lun);

  private:
    QWidget* tab_;
    const SortResults& results_;
};

}  // namespace sorting
