#include "app/lun_status.h"

LunStatus_t gLunStatus{};
