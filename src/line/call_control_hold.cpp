// TTapiLine: holding calls, taking them back and swapping the two.

#include "kxtapi/line/line.h"

#include "kxtapi/tapi/line_functions.h"

namespace kxtapi {

uint32_t TTapiLine::Hold(TTapiCall* Call)
{
    TEventScope Scope(*this);
    if (!HasCall(Call) || !Call->Valid()) throw Exception("Hold failed! Invalid call.");
    FileRequest(CheckTapiResult(lineHold(Call->Get_Handle())), lrkHold, Call);
    return 0;
}

uint32_t TTapiLine::UnHold(TTapiCall* Call)
{
    TEventScope Scope(*this);
    if (!HasCall(Call) || !Call->Valid()) throw Exception("Unhold failed! Invalid call.");
    FileRequest(CheckTapiResult(lineUnhold(Call->Get_Handle())), lrkUnHold, Call);
    return 0;
}

uint32_t TTapiLine::SwapHold(TTapiCall* ActiveCall, TTapiCall* HeldCall)
{
    TEventScope Scope(*this);
    if (ActiveCall == nullptr || !ActiveCall->Valid()) throw Exception("SwapCall faild! No valid call.");
    if (HeldCall == nullptr || !HeldCall->Valid()) throw Exception("SwapCall faild! No valid held call.");
    FileRequest(CheckTapiResult(lineSwapHold(ActiveCall->Get_Handle(), HeldCall->Get_Handle())), lrkSwapHold,
                ActiveCall, HeldCall);
    return 0;
}

} // namespace kxtapi
