// TTapiLine: blind and consultation transfers.

#include "kxtapi/line/line.h"

#include "call_control_new_call.h"
#include "kxtapi/rtl/format.h"
#include "kxtapi/tapi/line_functions.h"

namespace kxtapi {

void TTapiLine::BlindTransfer(TTapiCall* Call, const std::string& DestAddress, uint32_t CountryCode)
{
    TEventScope Scope(*this);
    CheckLineActive();
    CheckCallListed(Call, "BlindTransfer failed! Invalid call");
    const uint32_t r = CheckTapiResult(lineBlindTransferA(Call->Get_Handle(), DestAddress.c_str(), CountryCode));
    FileRequest(r, lrkBlindTransfer, this);
}

TTapiCall* TTapiLine::SetupTransfer(TTapiCall* Call, const LINECALLPARAMS* CallParams)
{
    TEventScope Scope(*this);
    if (Call == nullptr || !Call->Valid()) throw Exception("SetupTransfer failed! Invalid call");
    line_detail::TNewCalls<1> New(*this);
    const uint32_t r = New.Check(lineSetupTransferA(Call->Get_Handle(), New.Slot(0), CallParams));
    FileRequest(r, lrkSetupTransfer, Call, New[0]);
    return New.Result(0);
}

TTapiCall* TTapiLine::CompleteTransfer(TTapiCall* Call, TTapiCall* ConsultCall, uint32_t TransferMode)
{
    TEventScope Scope(*this);
    if (Call == nullptr || !Call->Valid()) throw Exception("CompleteTransfer faild! No valid held call.");
    if (ConsultCall == nullptr || !ConsultCall->Valid())
        throw Exception("CompleteTransfer faild! No valid ConsultCall.");
    // The conference call object is made in either mode; a plain transfer
    // gets no handle for it, so the reply frees it and it is not handed out.
    line_detail::TNewCalls<1> New(*this);
    const uint32_t r = New.Check(
        lineCompleteTransfer(Call->Get_Handle(), ConsultCall->Get_Handle(), New.Slot(0), TransferMode));
    FileRequest(r, lrkCompleteTransfer, Call, ConsultCall, New[0]);
    return TransferMode == LINETRANSFERMODE_CONFERENCE ? New.Result(0) : nullptr;
}

} // namespace kxtapi
