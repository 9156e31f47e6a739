// The test items and error codes of an MP run: one row per id, which is at once the index of a
// test-item switch (AP_INIState.dwItemEnable), of a drive's item state and the error code a failing
// drive carries. The worker, the panels, the test-item list and the MP log read it.
#pragma once

#include <cstdint>
#include <string_view>

struct MPItemRecord {
    std::uint16_t wItemID;
    char sCode[4];  // three letters, zero-terminated (empty in rows 0 and 36)
    char sFailText[32];
    char sItemName[32];  // rows 1 to 35: the items of the test-item list, matched by exact text
    char sLogTitle[16];  // MP log column header and a tab; empty for rows without a column
};
static_assert(sizeof(MPItemRecord) == 86);

inline constexpr int kMPItemCount = 96;
// Item ids the run and the panels name.
inline constexpr int kItemFlashModule = 1;
inline constexpr int kItemDownload = 8;
inline constexpr int kItemSortConnection = 12;
inline constexpr int kItemCheckRdtFw = 13;
inline constexpr int kItemTimeout = 38;
inline constexpr int kItemStop = 95;

extern const MPItemRecord g_MPItemTable[kMPItemCount];
// "Fail", "----", "Pass": the text of item state s at [s + 1].
extern const char g_ItemStateText[3][8];

// The id (1 to 35) of the test item named `name` exactly, or -1.
int FindTestItem(std::string_view name);
// The state text of a state (-1, 0, 1); "" for any other.
const char* ItemStateText(int state);
