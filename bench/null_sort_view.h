// A result window for the sorting benchmarks that keeps nothing but the number of rows it was given
// and the total panel's colour.
#pragma once

#include <cstdint>
#include <string>

#include "sorting/sort_result_view.h"

namespace bench {

class NullSortView : public sorting::SortResultView {
  public:
    int rows = 0;
    void AddRow(sorting::ResultList, const sorting::ListRow&) override { ++rows; }
    void SetText(sorting::ResultText, const std::string&) override {}
    void SetCounter(sorting::ResultCounter, const std::string&) override {}
    std::uint32_t TotalResultColour() const override { return colour_; }
    void SetTotalResultColour(std::uint32_t colour) override { colour_ = colour; }
    void SetResult2UI(std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t) override {}
    void CheckLunRadio(unsigned) override {}
    void SetECCInfo2UI(std::uint8_t, std::uint8_t, std::uint8_t) override {}
    void SetRDTSetting2UI(const sorting::EchoRowList&) override {}
    void SetLight2UI() override {}

  private:
    std::uint32_t colour_ = 0;
};

}  // namespace bench
