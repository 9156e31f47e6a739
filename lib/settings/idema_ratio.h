// The capacity pages' computation: from a typed IDEMA capacity and the flash geometry, the sector
// count the firmware reports, the reserved ratio, the budget of bad block units a die may have,
// the defect ratio and the sorting firmware's bad-block limits ("Set"); and the default capacity of
// the geometry with its ratios ("Restore"). A block unit is one block in every plane of a die.
//
// Float steps run in long double; the steps the computation rounds to single precision go through
// float. Every float-to-integer conversion truncates toward zero through a 64-bit integer (NaN
// gives 0, values beyond the range its limit) and keeps the field's width. A bad-block budget
// below 0 is 0: in 16 bits it would wrap to about 65,000 and pass dies with too few good blocks.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace settings {

struct IdemaOutcome {
    std::string message;       // non-empty: shown to the operator; the computation stopped
    std::string capacity1024;  // "%4.2f" of the accepted capacity, once accepted
    std::string capacity1000;  // the same capacity in decimal gigabytes
};

// "Set". `typed` gives the capacity edit's number, nothing for an empty edit (it may throw for a
// text that is not a number; nothing is written then). Writes fIDEMACapacity, the sector halves,
// ResPercentage and wResRatio, DefPercentage, AP_OtSet's block-unit needs and the sorting limits.
IdemaOutcome CalcIdemaToRatio(const std::function<std::optional<long double>()>& typed);

struct RestoreOutcome {
    std::string message;   // non-empty: shown; stopped
    std::string editText;  // the default capacity for the capacity edit ("%.2d")
};

// "Restore" without its page copies and the "Set" that follows it: IDEMACapacity and
// fIDEMACapacity of the geometry, the sector halves, ResPercentage 68, DiffRatioRange 38 and
// DefPercentage from the block-unit budget.
RestoreOutcome RestoreDefaultRatio();

// The 4-character flash type code of the selected part (FlashUniName's first four characters).
std::string FlashBinType();

}  // namespace settings
