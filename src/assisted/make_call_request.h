// Fetching one make-call request for whichever component a LINE_REQUEST
// names: the session, a TTapiAppl or a TTapiRequestRecipient.
#pragma once

#include "kxtapi/session/events.h"

#include <cstdint>
#include <string>

namespace kxtapi {

/// The four fields of a fetched request.
struct TMakeCallRequest {
    std::string DestAddress;
    std::string AppName;
    std::string CalledParty;
    std::string Comment;
};

/// Fetches one request with lineGetRequestA when RequestMode is
/// LINEREQUESTMODE_MAKECALL; false for any other mode (nothing is fetched)
/// and when the fetch fails.
bool FetchMakeCallRequest(uint32_t LineAppHandle, uint32_t RequestMode, TMakeCallRequest& Out);

/// Raises Event with Sender and the request's fields when it is assigned.
/// Whatever the handler throws is discarded, so the next request is still
/// delivered.
void RaiseMakeCallRequest(const TTapiRequestMakeCallEvent& Event, TObject* Sender, const TMakeCallRequest& Request);

}  // namespace kxtapi
