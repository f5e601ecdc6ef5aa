// Published properties of the session's classes.
#pragma once

namespace kxtapi {

/// Registers the published properties of the session and base classes
/// (TTapiComponent, TTapiDevice with Active and DeviceName, TTapiAppl,
/// TTapiDeviceOptions, TTapiTSP and its two descendants, the privileges,
/// the related devices) with the property registry. Runs by itself when the
/// library loads; code that registers descendants of these classes from its
/// own static initialisers calls it first, since the order of static
/// initialisers across files is not fixed. Idempotent and thread-safe.
void RegisterSessionClasses();

} // namespace kxtapi
