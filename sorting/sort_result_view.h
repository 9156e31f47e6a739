// What the result parse does to the sorting-result window, in the window's own words: rows added to
// its three lists, texts of its labelled edits and counter views, the colour of the total panel, the
// die drawing, the LUN radios, the ECC page, the settings list and the lights. The window
// implements it; tests record the calls.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "sorting/result_rows.h"

namespace sorting {

// TColor values (0x00BBGGRR) of the total-result panel.
inline constexpr std::uint32_t kResultRed = 0x0000FF;
inline constexpr std::uint32_t kResultGreen = 0x008000;

enum class ResultList { AllBad, FactoryBad, RdtBad };  // AllBad_ListView, FactoryBad_ListView, RDTBad_ListView

enum class ResultText {
    SSD_Bad_LabE,
    SSD_Factory_LabE,
    RDTBad_SN_LE,
    RDTBad_Runtime_LE,
    RDTBad_Temp_LE,
    RDTBad_Result_LE,
};

enum class ResultCounter {
    Total_Fail_View,
    ECC_Fail_Thd_View,
    ECC_Fail_View,
    Pg_Fail_View,
    Erase_Fail_View,
    Empty_Page_Fail_View,
};

using EchoRowList = std::vector<std::pair<std::string, std::string>>;

class SortResultView {
  public:
    virtual ~SortResultView() = default;

    // A row of a list: the caption (row number) first, then the further columns.
    virtual void AddRow(ResultList list, const ListRow& row) = 0;
    virtual void SetText(ResultText edit, const std::string& text) = 0;
    virtual void SetCounter(ResultCounter view, const std::string& text) = 0;
    virtual std::uint32_t TotalResultColour() const = 0;
    virtual void SetTotalResultColour(std::uint32_t colour) = 0;

    // Draws one die; `dieNumber` 255 when none.
    virtual void SetResult2UI(std::uint8_t channel, std::uint8_t dieNumber, std::uint8_t lun, std::uint8_t bank) = 0;
    // Checks Lun0_RB … Lun3_RB (a radio checked by the program redraws like a click).
    virtual void CheckLunRadio(unsigned lun) = 0;
    virtual void SetECCInfo2UI(std::uint8_t channel, std::uint8_t fwBank, std::uint8_t lun) = 0;
    // Copies the 41 rows of the settings echo into RDTSetting_ListView.
    virtual void SetRDTSetting2UI(const EchoRowList& rows) = 0;
    virtual void SetLight2UI() = 0;
};

}  // namespace sorting
