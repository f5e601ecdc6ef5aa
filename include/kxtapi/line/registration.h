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
