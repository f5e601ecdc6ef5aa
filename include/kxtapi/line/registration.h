// Published properties of the line's parameter, option and view classes.
#pragma once

namespace kxtapi {

/// Registers with the property registry the published properties of
/// TTapiCallParameters, TTapiDialParams, TTapiCallParams, the four media
/// templates, TTapiCallCommParams, TTapiCallOptions and the read-only
/// properties of the block views (TTapiLineCaps, TTapiCallInfo,
/// TTapiAddressCaps, TTapiAddressStatus). Runs by itself when the library
/// loads; code that registers classes publishing these as sub-objects from
/// its own static initialisers calls it first. Idempotent and thread-safe.
void RegisterLineClasses();

} // namespace kxtapi

namespace kxtapi {

/// Registers the line component (TTapiLine: CallOptions, CallParams,
/// MediaModes, Options, Privileges, TSP besides the device's Active and
/// DeviceName) and TTapiLineOptions (ReplyTimeout, SyncMode,
/// AutoFreeIdleCalls, AutoDropDiscCalls, none with a stream default), after
/// the session's and the line's data classes. Runs by itself when the
/// library loads; idempotent and thread-safe.
void RegisterLineComponents();

} // namespace kxtapi
