// The Para file of the settings: [DeviceSetting] ExtParaFile looked for in "PARA", else
// "Para_NULL.ini" (silently when that exists), read into AP_ParaSet; its messages go to the UiPort.
#pragma once

namespace app {

void LoadParaFile();

}  // namespace app
