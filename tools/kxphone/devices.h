// `kxphone devices`: what the telephony service and the machine offer.
#pragma once

#include <cstdio>

namespace kxphone {

/// Lists the line devices (identifier, name, negotiated versions, addresses,
/// media modes and the capabilities' text dump), the phone devices and the
/// serial ports with their COM names. Returns the exit status.
int ListDevices(std::FILE* Out, bool WithCaps);

} // namespace kxphone
