// The kinds of request a phone files in its Requests list.
#pragma once

#include <cstdint>

namespace kxtapi {

/// Kind of a phone request (TTapiRequest::Kind), and the part in object
/// slot 0. The values stay clear of the line's kinds.
enum TTapiPhoneRequestKind : uint32_t {
    prkSetVolume = 0x10001,      ///< phoneSetVolume: the TTapiPhoneHookSwitch
    prkSetGain = 0x10002,        ///< phoneSetGain: the TTapiPhoneHookSwitch
    prkSetHookSwitch = 0x10003,  ///< phoneSetHookSwitch: the TTapiPhoneHookSwitch
    prkSetLamp = 0x1000A,        ///< phoneSetLamp: the TTapiPhoneControl
    prkSetDisplay = 0x1000B,     ///< phoneSetDisplay: the TTapiPhoneDisplay
    prkSetRing = 0x1000C,        ///< phoneSetRing: the TTapiPhoneRinger
};

} // namespace kxtapi
