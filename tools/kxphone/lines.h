// Finding and opening line devices by what a user types: a name (in any
// letter case) or an identifier.
#pragma once

#include <kxtapi/kxtapi.h>

#include <string>

namespace kxphone {

/// The device identifier that Spec names among the session's line devices:
/// an identifier ("0") or a device name in any letter case. Starts the
/// session. Raises kxtapi::Exception naming the devices there are when none
/// matches.
int32_t FindLineDevice(const std::string& Spec);

/// Selects the device Spec names and opens Line on it; raises
/// kxtapi::Exception or ETapiError when that fails.
void OpenLine(kxtapi::TTapiLine& Line, const std::string& Spec);

/// Ends the session (closing what is still open), so that the program ends
/// with no thread running.
void EndSession();

} // namespace kxphone
