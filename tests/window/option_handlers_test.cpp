// The option handlers and the capacity group on the sample station, offscreen, by objectName.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include "forms/controls.h"
#include "settings/records.h"
#include "support/station_window.h"

namespace window_test {
namespace {

class OptionHandlers : public StationWindowTest {
  protected:
    template <class T = QWidget>
    T* C(const char* name) {
        return Window().Control<T>(name);
    }
};

TEST_F(OptionHandlers, SerialModePureCellsAndDramless) {
    TMainForm& w = OpenWindow();
    // "Barcode" disables and clears Max SN and Mount Time; an automatic mode enables them.
    C<QCheckBox>("MaxSNCheckBox")->setEnabled(true);
    C<QCheckBox>("MaxSNCheckBox")->setChecked(true);
    C<QComboBox>("SNInputComboBox")->setCurrentIndex(3);
    w.SNInputComboBoxChange(C("SNInputComboBox"));
    EXPECT_EQ(AP_INIState.SNInputMode, 3);
    EXPECT_FALSE(C<QCheckBox>("MaxSNCheckBox")->isChecked());
    EXPECT_FALSE(C("MaxSNEdit")->isEnabled());
    C<QComboBox>("SNInputComboBox")->setCurrentIndex(2);
    w.SNInputComboBoxChange(C("SNInputComboBox"));
    EXPECT_TRUE(C("MountTimeCheckBox")->isEnabled());

    // "Pure TLC" over "Pure SLC".
    C<QCheckBox>("PureSLCCheckBox")->setChecked(true);
    EXPECT_EQ(AP_INIState.PureSLC, 1);
    C<QCheckBox>("PureTLCCheckBox")->setChecked(true);
    EXPECT_EQ(AP_INIState.PureSLC, 0);
    EXPECT_EQ(AP_INIState.PureTLC, 1);
    EXPECT_EQ(AP_INIState.FixSLC_BU, 0);
    EXPECT_FALSE(C<QCheckBox>("PureSLCCheckBox")->isChecked());
    EXPECT_FALSE(C("FixSlcQntyLabeledEdit")->isEnabled());
    C<QCheckBox>("PureTLCCheckBox")->setChecked(false);

    // DRAM-less: physical channels 0, 3, 6, 7 shown as CH0 to CH3; back without the space.
    C<QCheckBox>("DRAMlessCheckBox")->setChecked(true);
    EXPECT_EQ(AP_INIState.EnDRAMless, 1);
    EXPECT_EQ(AP_INIState.bDramProfile, 0);
    EXPECT_FALSE(C("DramTypeComboBox")->isEnabled());
    const char* kept[] = {"CH0GroupBox", "CH3GroupBox", "CH6GroupBox", "CH7GroupBox"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(C(kept[i])->x(), 35 + 55 * i) << kept[i];
        EXPECT_EQ(C<QGroupBox>(kept[i])->title().toStdString(), "CH" + std::to_string(i)) << kept[i];
    }
    for (const char* hidden : {"CH1GroupBox", "CH2GroupBox", "CH4GroupBox", "CH5GroupBox"}) {
        EXPECT_TRUE(C(hidden)->isHidden()) << hidden;
    }
    C<QCheckBox>("DRAMlessCheckBox")->setChecked(false);
    EXPECT_EQ(AP_INIState.DisableHMB, 1);
    EXPECT_TRUE(C<QCheckBox>("DisableHMBCheckBox")->isChecked());
    EXPECT_FALSE(C("DisableHMBCheckBox")->isEnabled());
    const int full[] = {35, 200, 365, 420};
    const char* captions[] = {"CH0", "CH3", "CH6", "CH7"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(C(kept[i])->x(), full[i]) << kept[i];
        EXPECT_EQ(C<QGroupBox>(kept[i])->title().toStdString(), captions[i]) << kept[i];
    }
    EXPECT_FALSE(C("CH1GroupBox")->isHidden());
}

TEST_F(OptionHandlers, CapacityGroupSetRestoreAndEnter) {
    OpenWindow();
    auto* capacity = C<QLineEdit>("IDEMACapacityLabeledEdit");
    EXPECT_EQ(capacity->text().toStdString(), "512.00");
    EXPECT_EQ(C<QLineEdit>("Capacity1024LabeledEdit")->text().toStdString(), "512.00");
    // Enter runs "Set" without reformatting the typed text first.
    capacity->setText("256");
    emit capacity->returnPressed();  // the edit's Enter
    EXPECT_FLOAT_EQ(AP_INIState.fIDEMACapacity, 256.0f);
    EXPECT_EQ(C<QLineEdit>("Capacity1024LabeledEdit")->text().toStdString(), "256.00");
    EXPECT_EQ(capacity->text().toStdString(), "256.00");  // the refill after "Set"
    // An empty edit and a text that is not a number.
    capacity->setText("");
    C<QPushButton>("CalcIDEMAtoRatioButton")->click();
    capacity->setText("12x");
    C<QPushButton>("CalcIDEMAtoRatioButton")->click();
    ASSERT_GE(ui_.Shown().size(), 2u);
    EXPECT_EQ(ui_.Shown()[ui_.Shown().size() - 2].text, "Please input a IDEMA capacity");
    EXPECT_EQ(ui_.Shown().back().text, "'12x' is not a valid floating point value");
    // "Restore": the geometry's default capacity, then "Set" again.
    C<QPushButton>("RestoreDefaultRatioButton")->click();
    EXPECT_EQ(AP_INIState.ResPercentage, 158);
    EXPECT_EQ(capacity->text().toStdString(), "512.00");
}

}  // namespace
}  // namespace window_test
