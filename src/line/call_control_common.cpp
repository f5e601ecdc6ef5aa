// TTapiLine: what every call-control operation shares: the checks, and
// acting on a request's reply or its time-out (filing and waiting are the
// device base's).

#include "kxtapi/line/line.h"

#include "kxtapi/rtl/format.h"
#include "kxtapi/session/application.h"
#include "kxtapi/session/errors.h"

namespace kxtapi {

void TTapiLine::CheckLineActive() const
{
    if (!Get_Active()) throw Exception(Format("%s not active.", Get_Name()));
}

void TTapiLine::CheckCallListed(const TTapiCall* Call, const std::string& Msg) const
{
    if (!HasCall(Call)) throw Exception(Msg);
}

void TTapiLine::Handle_Reply(uint32_t /*RequestID*/, uint32_t ReplyCode, TTapiRequest* Request)
{
    if (Request == nullptr) return;
    TEventScope Scope(*this);
    if ((Request->Kind == lrkMakeCall || Request->Kind == lrkUnpark) && ReplyCode == 0) {
        if (auto* Call = dynamic_cast<TTapiCall*>(Request->Objects[0]); Call != nullptr && !Call->FFreePending) {
            Call->Update_CallStatus();
            Call->Update_CallInfo();
            ProveCall(Call);
        }
    }
    for (int Slot = 2; Slot >= 0; --Slot) {
        auto* Call = dynamic_cast<TTapiCall*>(Request->Objects[Slot]);
        if (Call == nullptr || Call->FFreePending) continue;
        FreeBadCall(Call);
        if (!Call->FFreePending) DeallocateIdleCall(Call);
    }
}

void TTapiLine::Handle_Timeout(uint32_t /*RequestID*/, TTapiRequest* Request)
{
    if (Request == nullptr) return;
    TEventScope Scope(*this);
    bool Freed[3] = {false, false, false};
    for (int Slot = 2; Slot >= 0; --Slot) {
        auto* Call = dynamic_cast<TTapiCall*>(Request->Objects[Slot]);
        if (Call == nullptr || Call->FFreePending) continue;
        FreeBadCall(Call);
        Freed[Slot] = Call->FFreePending;
    }
    for (int Slot = 2; Slot >= 0; --Slot) {
        auto* Call = dynamic_cast<TTapiCall*>(Request->Objects[Slot]);
        if (Call == nullptr || Freed[Slot] || Call->FFreePending) continue;
        DeallocateIdleCall(Call);
    }
}

} // namespace kxtapi
