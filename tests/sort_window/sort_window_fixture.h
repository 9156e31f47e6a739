// The sorting-result window offscreen with results given by the test: the opening's parse is a
// stand-in that zeroes the tables as the parse does, fills the dies the test lists and makes the
// parse's view calls (die drawn with its number, its LUN radio checked, LUN 0 at the end, the 41
// settings rows, the lights when switched on). A scripted UiPort and the trace are captured, the
// settings records put back afterwards.
#pragma once

#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "forms/colours.h"
#include "forms/controls.h"
#include "forms/scripted_ui_port.h"
#include "platform/trace_sink.h"
#include "settings/records.h"
#include "sorting/sort_echo_rows.h"
#include "sorting/sort_main_form.h"
#include "support/settings_records.h"

namespace sort_window_test {

struct GivenDie {
    unsigned channel = 0, bank = 0, lun = 0;
    tables::DieTestInfo record{};
    std::uint8_t tagDie = 0;
    bool drawn = true;  // false: a die without a result block (record only, no view calls)
};

class SortWindowTest : public ::testing::Test {
  protected:
    SortWindowTest() : scopedUi_(ui_) {
        AP_INIState.MaxPhyChannel = 2;
        AP_INIState.MaxPhyBank = 2;
        AP_FlashSet.ucDiePerCE = 1;
        std::memset(AP_INIState.bOriDieMap, 0xFF, sizeof AP_INIState.bOriDieMap);
        std::memset(AP_INIState.bOriDieMapMultiLun, 0xFF, sizeof AP_INIState.bOriDieMapMultiLun);
        AP_RDTSet.SaveResultLog = 1;
        AP_RDTSet.DisDBG_SORT = 0;
        AP_RDTSet.EnchangeLight = 0;
        AP_RDTSet.YellowUnderValue = 0;
        AP_RDTSet.GreenUnderValue = 0;
        form_ = std::make_unique<TSortMainForm>();
        form_->m_ucPort = 200;  // no drive: the vendor-mode switch fails at once
        form_->SetParseStep(
            [this](sorting::SortResults& r, std::uint8_t, sorting::SortResultView& view) { return Parse(r, view); });
    }
    ~SortWindowTest() override {
        if (form_->isVisible()) {
            ui_.Clear();
            form_->YellowUnder_LabE->setText("0");
            form_->GreenUnder_LabE->setText("0");
            form_->close();
        }
    }

    // The die map lists (channel, bank) of one-LUN flash.
    static void List(unsigned channel, unsigned bank) { AP_INIState.bOriDieMap[channel][bank] = 0; }

    int Parse(sorting::SortResults& r, sorting::SortResultView& view) {
        std::memset(r.m_DieTestInfo, 0, sizeof r.m_DieTestInfo);
        ++parses_;
        for (const GivenDie& d : dies_) {
            r.m_DieTestInfo[d.channel][d.bank][d.lun] = d.record;
            if (!d.drawn) continue;
            view.SetResult2UI(static_cast<std::uint8_t>(d.channel), d.tagDie, static_cast<std::uint8_t>(d.lun),
                              static_cast<std::uint8_t>(d.bank));
            view.CheckLunRadio(d.lun);
        }
        if (!memoFolder_.empty()) r.ansiSortingMemoLogPath = memoFolder_;
        view.CheckLunRadio(0);
        view.SetRDTSetting2UI(sorting::EchoRows(r.rdtSetting, r.versionText, 0));
        if (AP_RDTSet.EnchangeLight != 0) view.SetLight2UI();
        return 1;
    }

    void Open() { form_->show(); }
    bool Close() {
        form_->close();
        return !form_->isVisible();
    }

    template <class W = QWidget>
    W* Find(const QString& name) const {
        return form_->findChild<W*>(name);
    }
    QWidget* DieControl(const char* kind, unsigned ch, unsigned bank) const {
        return Find(QString("SR_Die_%1_C%2B%3").arg(kind).arg(ch).arg(bank));
    }
    QString DieText(const char* kind, unsigned ch, unsigned bank) const {
        auto* label = qobject_cast<QLabel*>(DieControl(kind, ch, bank));
        return label != nullptr ? label->text() : QString("<none>");
    }
    std::uint32_t ShapeColour(unsigned ch, unsigned bank) const {
        return forms::ColourOf(DieControl("Shape", ch, bank));
    }
    bool PanelShown(unsigned ch, unsigned bank) const {
        QWidget* panel = DieControl("Panel", ch, bank);
        return panel != nullptr && !panel->isHidden();
    }
    std::string TotalCaption() const { return form_->TotalResult_Panel->text().toStdString(); }
    std::uint32_t TotalColour() const { return forms::ColourOf(form_->TotalResult_Panel); }
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const forms::ShownBox& box : ui_.Shown()) texts.push_back(box.text);
        return texts;
    }
    static std::vector<std::string> Row(const QTreeWidget* list, int index) {
        std::vector<std::string> cells;
        const QTreeWidgetItem* item = list->topLevelItem(index);
        for (int c = 0; item != nullptr && c < item->columnCount(); ++c) cells.push_back(item->text(c).toStdString());
        return cells;
    }

    test_support::SettingsRecordsGuard records_;
    forms::ScriptedUiPort ui_;
    forms::ScopedUiPort scopedUi_;
    platform::TraceCapture trace_;
    std::vector<GivenDie> dies_;
    std::string memoFolder_;
    int parses_ = 0;
    std::unique_ptr<TSortMainForm> form_;
};

inline tables::DieTestInfo Record(std::uint8_t result, std::uint16_t totalBad = 0) {
    tables::DieTestInfo d{};
    d.TestResult = result;
    d.TotalBadNum = totalBad;
    return d;
}

}  // namespace sort_window_test
