// The dialog hook behind lineConfigDialogA, phoneConfigDialogA and
// lineTranslateDialogA.
#pragma once

#include "kxtapi/tapi.h"

#include <string>

namespace kxtapi::service {

/// Shows the dialog through the installed hook and returns its result, or
/// Unavailable when no hook is installed. Call without the service lock.
uint32_t ShowDialog(TTapiDialogKind Kind, uint32_t DeviceID, HWND Owner, const std::string& Text,
                    uint32_t Unavailable);

}  // namespace kxtapi::service
