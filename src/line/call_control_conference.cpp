// TTapiLine: setting up conferences and adding parties to them.

#include "kxtapi/line/line.h"

#include "call_control_new_call.h"
#include "kxtapi/tapi/line_functions.h"

namespace kxtapi {

void TTapiLine::SetupConference(TTapiCall* Call, TTapiCall*& ConfCall, TTapiCall*& ConsultCall, uint32_t NumParties,
                                const LINECALLPARAMS* CallParams)
{
    TEventScope Scope(*this);
    ConfCall = nullptr;
    ConsultCall = nullptr;
    if (Call == nullptr || !Call->Valid()) throw Exception("SetupConference failed! Invalid call");
    line_detail::TNewCalls<2> New(*this);
    const uint32_t r = New.Check(lineSetupConferenceA(Call->Get_Handle(), DeviceHandle, New.Slot(0), New.Slot(1),
                                                      NumParties, CallParams));
    FileRequest(r, lrkSetupConference, Call, New[0], New[1]);
    // Only after the wait: a failed reply has freed both by now.
    ConfCall = New.Result(0);
    ConsultCall = New.Result(1);
}

TTapiCall* TTapiLine::PrepareAddToConference(TTapiCall* ConfCall, const LINECALLPARAMS* CallParams)
{
    TEventScope Scope(*this);
    if (ConfCall == nullptr || !ConfCall->Valid()) throw Exception("PrepareAddToConference faild! Invalid call.");
    line_detail::TNewCalls<1> New(*this);
    const uint32_t r = New.Check(linePrepareAddToConferenceA(ConfCall->Get_Handle(), New.Slot(0), CallParams));
    FileRequest(r, lrkPrepareAddToConference, ConfCall, New[0]);
    return New.Result(0);
}

uint32_t TTapiLine::AddToConference(TTapiCall* ConfCall, TTapiCall* ConsultCall)
{
    TEventScope Scope(*this);
    if (ConfCall == nullptr || !ConfCall->Valid())
        throw Exception("AddToConference faild! No valid conference call.");
    if (ConsultCall == nullptr || !ConsultCall->Valid())
        throw Exception("AddToConference faild! No valid consultation call.");
    const uint32_t r = CheckTapiResult(lineAddToConference(ConfCall->Get_Handle(), ConsultCall->Get_Handle()));
    FileRequest(r, lrkAddToConference, ConsultCall, ConfCall);
    return 0;
}

} // namespace kxtapi
