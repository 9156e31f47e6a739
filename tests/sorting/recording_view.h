// A SortResultView that records what the result parse does to the window, in order: every call as
// one line of text (for order checks), the rows of each list, the last text of each labelled edit
// and counter view, the total panel's colour and the settings rows.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "sorting/sort_result_view.h"

namespace sorting_test {

class RecordingView : public sorting::SortResultView {
  public:
    void AddRow(sorting::ResultList list, const sorting::ListRow& row) override {
        rows[list].push_back(row);
        calls.push_back(std::string("AddRow ") + ListName(list));
    }
    void SetText(sorting::ResultText edit, const std::string& text) override {
        texts[edit] = text;
        calls.push_back(std::string("SetText ") + TextName(edit));
    }
    void SetCounter(sorting::ResultCounter view, const std::string& text) override {
        counters[view] = text;
        calls.push_back(std::string("SetCounter ") + CounterName(view));
    }
    std::uint32_t TotalResultColour() const override { return colour; }
    void SetTotalResultColour(std::uint32_t c) override {
        colour = c;
        calls.push_back("SetTotalResultColour " + std::to_string(c));
    }
    void SetResult2UI(std::uint8_t channel, std::uint8_t dieNumber, std::uint8_t lun, std::uint8_t bank) override {
        calls.push_back("SetResult2UI " + std::to_string(channel) + " " + std::to_string(dieNumber) + " " +
                        std::to_string(lun) + " " + std::to_string(bank));
    }
    void CheckLunRadio(unsigned lun) override { calls.push_back("CheckLunRadio " + std::to_string(lun)); }
    void SetECCInfo2UI(std::uint8_t channel, std::uint8_t fwBank, std::uint8_t lun) override {
        calls.push_back("SetECCInfo2UI " + std::to_string(channel) + " " + std::to_string(fwBank) + " " +
                        std::to_string(lun));
    }
    void SetRDTSetting2UI(const sorting::EchoRowList& r) override {
        echoRows = r;
        calls.push_back("SetRDTSetting2UI " + std::to_string(r.size()));
    }
    void SetLight2UI() override { calls.push_back("SetLight2UI"); }

    // The calls whose line starts with `prefix`, in order.
    std::vector<std::string> Calls(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const std::string& c : calls) {
            if (c.rfind(prefix, 0) == 0) out.push_back(c);
        }
        return out;
    }
    const std::vector<sorting::ListRow>& Rows(sorting::ResultList list) { return rows[list]; }
    std::string Text(sorting::ResultText edit) const {
        const auto it = texts.find(edit);
        return it == texts.end() ? std::string() : it->second;
    }
    std::string Counter(sorting::ResultCounter view) const {
        const auto it = counters.find(view);
        return it == counters.end() ? std::string() : it->second;
    }

    static const char* ListName(sorting::ResultList l) {
        switch (l) {
            case sorting::ResultList::AllBad: return "AllBad_ListView";
            case sorting::ResultList::FactoryBad: return "FactoryBad_ListView";
            case sorting::ResultList::RdtBad: return "RDTBad_ListView";
        }
        return "?";
    }
    static const char* TextName(sorting::ResultText t) {
        static const char* const kNames[] = {"SSD_Bad_LabE",      "SSD_Factory_LabE", "RDTBad_SN_LE",
                                             "RDTBad_Runtime_LE", "RDTBad_Temp_LE",   "RDTBad_Result_LE"};
        return kNames[static_cast<int>(t)];
    }
    static const char* CounterName(sorting::ResultCounter c) {
        static const char* const kNames[] = {"Total_Fail_View", "ECC_Fail_Thd_View", "ECC_Fail_View",
                                             "Pg_Fail_View",    "Erase_Fail_View",   "Empty_Page_Fail_View"};
        return kNames[static_cast<int>(c)];
    }

    std::vector<std::string> calls;
    std::map<sorting::ResultList, std::vector<sorting::ListRow>> rows;
    std::map<sorting::ResultText, std::string> texts;
    std::map<sorting::ResultCounter, std::string> counters;
    std::uint32_t colour = 0;
    sorting::EchoRowList echoRows;
};

}  // namespace sorting_test
