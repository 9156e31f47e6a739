#include "settings/param_files.h"

AP_Param_t AP_Param{};
