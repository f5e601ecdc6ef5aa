// TTapiCall: the Is and Was state tests, the texts, and the party
// identifications.

#include "kxtapi/line/call.h"

#include "kxtapi/tapi/line_constants.h"
#include "kxtapi/utils/flag_names.h"
#include "kxtapi/utils/value_names.h"

namespace kxtapi {
namespace {

constexpr uint32_t OutgoingStates = 0x238;   // DIALTONE, DIALING, RINGBACK, PROCEEDING
constexpr uint32_t IncomingStates = 0x6;     // OFFERING, ACCEPTED
constexpr uint32_t OutgoingOrigins = 0x1;    // OUTBOUND
constexpr uint32_t IncomingOrigins = 0x86;   // INTERNAL, EXTERNAL, INBOUND
constexpr uint32_t ConnectedStates = 0x900;  // CONNECTED, CONFERENCED
constexpr uint32_t HeldStates = 0x3400;      // ONHOLD, ONHOLDPENDCONF, ONHOLDPENDTRANSFER
constexpr uint32_t DialingStates = 0x230;    // DIALING, RINGBACK, PROCEEDING

// An origin says nothing when it is missing, unknown or unavailable; the
// state history decides then.
bool OriginUsable(uint32_t Origin)
{
    return Origin != 0 && (Origin & (LINECALLORIGIN_UNKNOWN | LINECALLORIGIN_UNAVAIL)) == 0;
}

bool Directed(uint32_t Origin, uint32_t History, uint32_t States, uint32_t Origins)
{
    if (!OriginUsable(Origin)) return (History & States) != 0;
    return (Origin & Origins) != 0;
}

} // namespace

bool TTapiCall::IsOutgoing() const { return Directed(Get_Origin(), FStateHistory, OutgoingStates, OutgoingOrigins); }
bool TTapiCall::WasOutgoing() const { return Directed(FOriginHistory, FStateHistory, OutgoingStates, OutgoingOrigins); }
bool TTapiCall::IsIncoming() const { return Directed(Get_Origin(), FStateHistory, IncomingStates, IncomingOrigins); }
bool TTapiCall::WasIncoming() const { return Directed(FOriginHistory, FStateHistory, IncomingStates, IncomingOrigins); }
bool TTapiCall::IsConnected() const { return (GetCallStatusDW(0) & ConnectedStates) != 0; }
bool TTapiCall::WasConnected() const { return (FStateHistory & LINECALLSTATE_CONNECTED) != 0; }
bool TTapiCall::WasDisconnected() const { return (FStateHistory & LINECALLSTATE_DISCONNECTED) != 0; }
bool TTapiCall::IsHeld() const { return (GetCallStatusDW(0) & HeldStates) != 0; }
bool TTapiCall::WasHeld() const { return (FStateHistory & HeldStates) != 0; }
bool TTapiCall::IsOffering() const { return (GetCallStatusDW(0) & LINECALLSTATE_OFFERING) != 0; }
bool TTapiCall::WasOffering() const { return (FStateHistory & LINECALLSTATE_OFFERING) != 0; }
bool TTapiCall::IsDialing() const { return (GetCallStatusDW(0) & DialingStates) != 0; }
bool TTapiCall::WasDialing() const { return (FStateHistory & DialingStates) != 0; }
bool TTapiCall::IsBusy() const { return (GetCallStatusDW(0) & LINECALLSTATE_BUSY) != 0; }
bool TTapiCall::WasBusy() const { return (FStateHistory & LINECALLSTATE_BUSY) != 0; }

std::string TTapiCall::StateText() const
{
    return LineCallStateToStr(GetCallStatusDW(0));
}

std::string TTapiCall::OriginText() const
{
    return LineCallOriginToStr(Get_Origin());
}

std::string TTapiCall::MediaModeText() const
{
    return LineMediaModesToStr(Get_MediaMode(), ", ");
}

std::string TTapiCall::StateModeText() const
{
    return std::string();
}

// The five parties' fields in the call information: strings 2k and 2k+1,
// flags at index 19 + 5k.
std::string TTapiCallPartyID::GetAddress() const
{
    if (FCall == nullptr || FKind < 0 || FKind > 4) return std::string();
    return FCall->Get_CallInfo()->GetString(2 * FKind);
}

std::string TTapiCallPartyID::GetName() const
{
    if (FCall == nullptr || FKind < 0 || FKind > 4) return std::string();
    return FCall->Get_CallInfo()->GetString(2 * FKind + 1);
}

uint32_t TTapiCallPartyID::GetFlags() const
{
    if (FCall == nullptr || FKind < 0 || FKind > 4) return 0;
    return FCall->Get_CallInfo()->GetDWORD(19 + 5 * FKind);
}

} // namespace kxtapi
