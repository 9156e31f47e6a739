// Ids of the items of the test-item table that the [TestItems] switches select and the MP worker runs
// (the table's row ids; an item's switch is `dwItemEnable[id]`).
#pragma once

namespace test_items {

enum Id : int {
    kFlashModule = 1,
    kBusInterface = 3,
    kFlashInterface = 4,
    kDramTest = 5,
    kEraseBlocks = 6,
    kPreformat = 7,
    kDownload = 8,
    kUpload = 9,
    kRWTest = 10,
    kCheckTables = 11,
    kSortConnection = 12,
    kCheckRdtFw = 13,
    kSetMaxLBA = 15,
    kCheckTemperature = 17,
    kModifyDeviceInfo = 34,
};

}  // namespace test_items
