// TTapiLine: sending an offered call elsewhere, and handing a call over to
// another application.

#include "kxtapi/line/line.h"

#include "kxtapi/tapi/line_functions.h"

namespace kxtapi {

void TTapiLine::Redirect(TTapiCall* Call, const std::string& DestAddress, uint32_t CountryCode)
{
    TEventScope Scope(*this);
    CheckLineActive();
    CheckCallListed(Call, "Redirect failed! Invalid call");
    const uint32_t r = CheckTapiResult(lineRedirectA(Call->Get_Handle(), DestAddress.c_str(), CountryCode));
    FileRequest(r, lrkRedirect, this);
}

void TTapiLine::HandOff(TTapiCall* Call, const std::string& AppName, uint32_t MediaMode)
{
    TEventScope Scope(*this);
    if (!HasCall(Call) || !Call->Valid()) throw Exception("HandOff failed! Invalid call.");
    // Without a name the service picks the target by media mode alone.
    const uint32_t r =
        CheckTapiResult(lineHandoffA(Call->Get_Handle(), AppName.empty() ? nullptr : AppName.c_str(), MediaMode));
    // The service hands off at once (0) and nothing is filed; a service that
    // answered with a request identifier would be waited for like any other.
    FileRequest(r, lrkHandOff, Call);
}

} // namespace kxtapi
