#include "settings/flash_record.h"

FlashRecord_t g_FlashRecord[kFlashRecordMax]{};
