// The kinds of request a line files in its Requests and Terms lists. A
// call's PendingRequest reports the kind of its outstanding request.
#pragma once

#include <cstdint>

namespace kxtapi {

/// Kind of a line request (TTapiRequest::Kind). The objects a request
/// carries, in slots 0, 1 and 2:
enum TTapiLineRequestKind : uint32_t {
    lrkAnswer = 1,                  ///< the call
    lrkDial = 2,                    ///< the line itself
    lrkDrop = 3,                    ///< the call (also the timed drop of a disconnected call, in Terms)
    lrkMakeCall = 4,                ///< the new call
    lrkHold = 6,                    ///< the call
    lrkUnHold = 7,                  ///< the call
    lrkFreeIdleCall = 8,            ///< the call (timed free of an idle call, in Terms)
    lrkBlindTransfer = 9,           ///< the line itself
    lrkSetupTransfer = 10,          ///< the call, the new consultation call
    lrkCompleteTransfer = 11,       ///< the held call, the consultation call, the new conference call
    lrkSetupConference = 12,        ///< the call, the new conference call, the new consultation call
    lrkSwapHold = 14,               ///< the active call, the held call
    lrkAddToConference = 16,        ///< the consultation call, the conference call
    lrkPrepareAddToConference = 17, ///< the conference call, the new consultation call
    lrkPark = 18,                   ///< the call
    lrkUnpark = 19,                 ///< the new call
    lrkHandOff = 20,                ///< the call
    lrkRedirect = 21,               ///< the line itself
    lrkAccept = 0x10000000          ///< the call
};

} // namespace kxtapi
