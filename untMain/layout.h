#pragma once
// The main window as it is designed: its size, fonts and every control, at 96 DPI.
#include "platform/ui.h"

namespace untMain {

const platform::ui::FormSpec& MainFormLayout();

}  // namespace untMain
