// The steps of the two settings passes for the Device Setting, SYS FW Setting and SORT FW Setting
// pages: their tables' rows with the rows that are not a general conversion (the DRAM type and its
// size, the PCIe speed nibbles, the loop total, the special test case, the LED feature bits) and
// the enabling rules. Plain C++; settings_passes.cpp calls them at their places in each pass.
#pragma once

#include <cstdint>

namespace app {

class ControlStore;

// Records to controls.
void ShowDevicePage(ControlStore& store);          // identity, serial numbers, DRAM type, Para file
void ShowRatios(ControlStore& store);              // reserved and defect ratios, IDEMA capacity
void ShowSysFwPage(ControlStore& store, bool thermal);  // the page without (false) or only (true) its thermal group
void ShowSortFwPage(ControlStore& store);

// Controls to records; a decimal edit that is not a number throws forms::ConvertError.
void TakeDevicePage(const ControlStore& store);
void TakeSysFwFeatures(const ControlStore& store);  // the feature check boxes, then the two ratios
void TakeSysFwPage(const ControlStore& store, bool thermal);
void TakeSortFwPage(const ControlStore& store);

// dwDramSize (MB) of a DramTypeComboBox item: 128 for "None", "FPGA_DEN4G" and any other index.
std::uint32_t DramSizeOfItem(int index);

}  // namespace app
