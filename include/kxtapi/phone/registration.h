// Published properties of the phone component and its classes.
#pragma once

namespace kxtapi {

/// Registers TTapiPhoneOptions (ReplyTimeout, SyncMode, without stream
/// defaults), the phone component (TTapiPhone: Options, Privileges and TSP,
/// published as TTapiTSP, besides the device's Active and DeviceName) and
/// the read-only properties of the TTapiPhoneCaps and TTapiPhoneStatus
/// views, after the session's classes. Runs by itself when the library
/// loads; code that registers classes publishing these from its own static
/// initialisers calls it first. Idempotent and thread-safe.
void RegisterPhoneComponents();

} // namespace kxtapi
