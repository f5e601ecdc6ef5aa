// Fetching and raising make-call requests (make_call_request.h).

#include "assisted/make_call_request.h"

#include "kxtapi/tapi/line_constants.h"
#include "kxtapi/tapi/line_functions.h"
#include "kxtapi/tapi/line_structs.h"

#include <cstring>

namespace kxtapi {

namespace {

// A field up to its first zero, never beyond its size.
std::string Field(const char* Text, size_t Size)
{
    return std::string(Text, strnlen(Text, Size));
}

}  // namespace

bool FetchMakeCallRequest(uint32_t LineAppHandle, uint32_t RequestMode, TMakeCallRequest& Out)
{
    if (RequestMode != LINEREQUESTMODE_MAKECALL) return false;
    LINEREQMAKECALL Record{};
    if (lineGetRequestA(LineAppHandle, LINEREQUESTMODE_MAKECALL, &Record) != 0) return false;
    Out.DestAddress = Field(Record.szDestAddress, sizeof Record.szDestAddress);
    Out.AppName = Field(Record.szAppName, sizeof Record.szAppName);
    Out.CalledParty = Field(Record.szCalledParty, sizeof Record.szCalledParty);
    Out.Comment = Field(Record.szComment, sizeof Record.szComment);
    return true;
}

void RaiseMakeCallRequest(const TTapiRequestMakeCallEvent& Event, TObject* Sender, const TMakeCallRequest& Request)
{
    try {
        FireEvent(Event, Sender, Request.DestAddress, Request.AppName, Request.CalledParty, Request.Comment);
    } catch (...) {
        // The application's handler failed on this request; the next one
        // must still reach it.
    }
}

}  // namespace kxtapi
