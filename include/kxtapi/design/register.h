// The package's registration: the components it puts on the designer's
// palette and the property editors it binds to their properties.
#pragma once

#include "kxtapi/design/registry.h"

namespace kxtapi {

/// Registers the package with the process's registry (`DesignRegistry()`):
/// TTapiLine on page "kxTapi", TTapiPhone and TComPort on page "kxTAPI",
/// and the editors of kxtapi/design/tapi_editors.h for the line's
/// DeviceName and MediaModes, the provider versions, the call parameters'
/// bearer and media modes, the digit-mode options, the monitor-media
/// options, the phone's DeviceName, and the port's PortName and Parity.
/// Calling it again registers everything again.
void Register();
/// The same with Registry.
void Register(TDesignRegistry& Registry);

} // namespace kxtapi
