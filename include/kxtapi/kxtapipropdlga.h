// Design-time support: the bit-flag dialog's model (library kxtapi_design).
// Its Qt 6 view is in kxtapi/qt/dword_dialog.h (library kxtapi_qt).
#pragma once

#include "kxtapi/design/dword_dialog.h"
