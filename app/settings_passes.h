// The two passes between the settings pages and the settings records, over a ControlStore and the
// little the window adds (SettingsWindow): records to controls (UpdateStruct2UI) and controls to
// records (UpdateUI2Struct), in the order of their steps. The pages' rows are the tables of
// settings_tables.h; the steps that are not a row's general conversion (tool mode, layouts, the
// test-item list, the pre-format flags, the flash choice, the clock, the TMC list) are here.
//
// UpdateUI2Struct throws forms::ConvertError from the first edit whose text is not a number: the
// rows before it keep their new values and nothing after it runs (no Para load, no refresh).
// Plain C++: no Qt.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace app {

class ControlStore;

// What the passes need of the window besides its controls.
class SettingsWindow {
  public:
    virtual ~SettingsWindow() = default;
    // Menu items by objectName ("MPT", "SORT", "ListLayout", "BlockLayout", "Full", "Partial").
    virtual bool MenuChecked(const std::string& item) const = 0;
    virtual void SetMenuChecked(const std::string& item, bool checked) = 0;
    virtual void SetPageEnabled(int page, bool enabled) = 0;
    virtual void LockUI(int lock) = 0;
    virtual void ListLayoutClick() = 0;
    virtual void BlockLayoutClick() = 0;
    virtual void FullClick() = 0;
    virtual void PartialClick() = 0;
    // The vendors listed in the flash list (m_nFlashVendorCount).
    virtual int FlashVendorCount() const = 0;
    // The sections of the best-timing file for an interface and clock whose "Note" is set, in
    // profile order.
    virtual std::vector<std::string> TmcSections(std::uint8_t flashInterface, std::uint16_t clock) = 0;
    virtual void TMCComboBoxChange() = 0;
    virtual void LoadParaFile() = 0;
    virtual void ChangeGlobalParameter() = 0;
    // Die-map messages of the remap (plain message boxes).
    virtual void ShowMessage(const std::string& text) = 0;
};

void UpdateStruct2UI(ControlStore& store, SettingsWindow& window);
void UpdateUI2Struct(ControlStore& store, SettingsWindow& window);

// The part list of the vendor selected in FlashVendorComboBox (the items only): false when no
// vendor is selected (the list is then empty). `first` selects item 0, else g_FlashTypeIndex.
bool FillFlashTypeList(ControlStore& store, bool first);

// Display texts of AP_FlashSet codes; a code beyond a table shows as its number.
std::string FlashTypeText(std::uint8_t code);
std::string LdpcModeText(std::uint8_t code);
std::string FlashInterfaceText(std::uint8_t code);

// The clock of ClockComboBox's item (33 for any other index) and the item of a clock (0 for any other).
std::uint16_t ClockOfItem(int index);
int ItemOfClock(std::uint16_t clock);

// "TIMING_SETTING_TYPE_%02d%03d%02d".
std::string TimingSectionName(unsigned flashInterface, unsigned clock, unsigned profile);

}  // namespace app
