// TTapiLine: making calls and dialing on them; TTapiAddress::MakeCall.

#include "kxtapi/line/line.h"

#include "call_control_new_call.h"
#include "kxtapi/line/call_params.h"
#include "kxtapi/tapi/line_functions.h"

namespace kxtapi {

TTapiCall* TTapiLine::MakeCall(const std::string& DestAddress)
{
    TTapiCallParams Params;
    Params.Assign(FCallParams.get());
    return MakeCall(DestAddress, 0, Params.GetParams());
}

TTapiCall* TTapiLine::MakeCall(const std::string& DestAddress, uint32_t CountryCode, const LINECALLPARAMS* CallParams)
{
    TEventScope Scope(*this);
    CheckLineActive();
    line_detail::TNewCalls<1> New(*this);
    const uint32_t r =
        New.Check(lineMakeCallA(DeviceHandle, New.Slot(0), DestAddress.c_str(), CountryCode, CallParams));
    FileRequest(r, lrkMakeCall, New[0]);
    return New.Result(0);
}

void TTapiLine::Dial(TTapiCall* Call, const std::string& DestAddress, uint32_t CountryCode)
{
    TEventScope Scope(*this);
    CheckLineActive();
    // Only the handle matters to the service: a call of another line is
    // dialled as well.
    if (Call == nullptr || !Call->Valid()) throw Exception("Dail failed! Invalid call.");
    const uint32_t r = CheckTapiResult(lineDialA(Call->Get_Handle(), DestAddress.c_str(), CountryCode));
    FileRequest(r, lrkDial, this);
}

TTapiCall* TTapiAddress::MakeCall(const std::string& DestAddress)
{
    if (FLine == nullptr) throw Exception("MakeCall failed! Address without line.");
    TTapiCallParams Params;
    Params.Assign(FLine->Get_CallParams());
    Params.Set_AddressMode(LINEADDRESSMODE_ADDRESSID);
    Params.Set_AddressID(FAddressID);
    return FLine->MakeCall(DestAddress, 0, Params.GetParams());
}

} // namespace kxtapi
