// TTapiCall: the short forms of the line's call-control operations (dialing,
// hold, transfer, conference, redirect and hand-off).

#include "kxtapi/line/call.h"

#include "kxtapi/line/call_params.h"
#include "kxtapi/line/line.h"

namespace kxtapi {
namespace {

// The line's call parameters for a call made from Call's address.
class TParamsFor {
public:
    explicit TParamsFor(TTapiCall& Call)
    {
        FParams.Assign(Call.Get_Line()->Get_CallParams());
        FParams.Set_AddressID(Call.GetCallInfoDW(0));
    }
    const LINECALLPARAMS* Get() { return FParams.GetParams(); }

private:
    TTapiCallParams FParams;
};

} // namespace

void TTapiCall::Dial(const std::string& DestAddress)
{
    FLine->Dial(this, DestAddress, 0);
}

void TTapiCall::Redirect(const std::string& DestAddress)
{
    FLine->Redirect(this, DestAddress, 0);
}

void TTapiCall::HandOff(const std::string& AppName)
{
    // The call's own media mode picks the target when no name is given.
    // A hand-off by name: no media mode.
    FLine->HandOff(this, AppName, 0);
}

void TTapiCall::BlindTransfer(const std::string& DestAddress)
{
    FLine->BlindTransfer(this, DestAddress, 0);
}

void TTapiCall::Hold()
{
    FLine->Hold(this);
}

void TTapiCall::Unhold()
{
    FLine->UnHold(this);
}

void TTapiCall::SwapHold(TTapiCall* HeldCall)
{
    FLine->SwapHold(this, HeldCall);
}

TTapiCall* TTapiCall::SetupTransfer()
{
    // Held open so that this call outlives the wait even when a handler
    // frees it meanwhile.
    TTapiLine::TEventScope Scope(*FLine);
    TParamsFor Params(*this);
    TTapiCall* Consult = FLine->SetupTransfer(this, Params.Get());
    if (!FFreePending) FConsultCall = Consult;
    return Consult;
}

TTapiCall* TTapiCall::CompleteTransfer(TTapiCall* AConsultCall, bool Conference)
{
    if (AConsultCall == nullptr && FConsultCall != nullptr && FLine->HasCall(FConsultCall))
        AConsultCall = FConsultCall;
    return FLine->CompleteTransfer(this, AConsultCall,
                                   Conference ? LINETRANSFERMODE_CONFERENCE : LINETRANSFERMODE_TRANSFER);
}

void TTapiCall::SetupConference(TTapiCall*& ConfCall, TTapiCall*& AConsultCall)
{
    TParamsFor Params(*this);
    // The number of parties is left to the switch.
    FLine->SetupConference(this, ConfCall, AConsultCall, 0, Params.Get());
}

TTapiCall* TTapiCall::PrepareAddToConference()
{
    TParamsFor Params(*this);
    return FLine->PrepareAddToConference(this, Params.Get());
}

void TTapiCall::AddToConference(TTapiCall* ConfCall)
{
    FLine->AddToConference(ConfCall, this);
}

} // namespace kxtapi
