#include "service/providers/modem/modem_call.h"

#include "service/providers/modem/modem_line.h"

#include "kxtapi/rtl/system.h"
#include "kxtapi/serial/simulated.h"

namespace kxtapi::service::modem {

namespace {

SYSTEMTIME Now()
{
    kxtapi::TSystemTime t = kxtapi::GetLocalTime();
    return SYSTEMTIME{t.Year, t.Month, t.DayOfWeek, t.Day, t.Hour, t.Minute, t.Second, t.Milliseconds};
}

constexpr uint32_t ListenFeatures = LINECALLFEATURE_MONITORDIGITS | LINECALLFEATURE_GATHERDIGITS |
                                    LINECALLFEATURE_MONITORTONES | LINECALLFEATURE_MONITORMEDIA;

}  // namespace

TModemCall::TModemCall(std::shared_ptr<TModemLine> Line, uint32_t CallID, bool IsOutgoing)
    : Owner(std::move(Line)), ID(CallID), Outgoing(IsOutgoing)
{
    FStateTime = Now();
}

TModemCall::~TModemCall()
{
    ReleaseData();
}

TProviderLine* TModemCall::Line() const
{
    return Owner.get();
}

void TModemCall::SetState(uint32_t State, uint32_t Mode)
{
    FState = State;
    FMode = Mode;
    FStateTime = Now();
}

uint32_t TModemCall::Features() const
{
    switch (FState) {
    case LINECALLSTATE_OFFERING:
        return LINECALLFEATURE_ACCEPT | LINECALLFEATURE_ANSWER | LINECALLFEATURE_DROP;
    case LINECALLSTATE_ACCEPTED:
        return LINECALLFEATURE_ANSWER | LINECALLFEATURE_DROP;
    case LINECALLSTATE_DIALING:
    case LINECALLSTATE_PROCEEDING:
    case LINECALLSTATE_RINGBACK:
        return LINECALLFEATURE_DROP | (VoiceCall ? ListenFeatures : 0);
    case LINECALLSTATE_CONNECTED:
        return LINECALLFEATURE_DROP | (VoiceCall ? ListenFeatures | LINECALLFEATURE_GENERATEDIGITS : 0);
    case LINECALLSTATE_DISCONNECTED:
        return LINECALLFEATURE_DROP;
    default:
        return 0;
    }
}

void TModemCall::GetStatus(TCallStatusData& s)
{
    s.Fixed.dwCallState = FState;
    s.Fixed.dwCallStateMode = FMode;
    s.Fixed.dwCallFeatures = Features();
    s.Fixed.tStateEntryTime = FStateTime;
}

void TModemCall::GetInfo(TCallInfoData& i)
{
    LINECALLINFO& f = i.Fixed;
    f.dwAddressID = 0;
    f.dwBearerMode = LINEBEARERMODE_VOICE;
    f.dwRate = Rate;
    f.dwMediaMode = Media;
    f.dwCallID = ID;
    f.dwCallStates = LINECALLSTATE_IDLE | LINECALLSTATE_OFFERING | LINECALLSTATE_ACCEPTED |
                     LINECALLSTATE_DIALING | LINECALLSTATE_PROCEEDING | LINECALLSTATE_RINGBACK |
                     LINECALLSTATE_CONNECTED | LINECALLSTATE_DISCONNECTED;
    f.dwOrigin = Outgoing ? LINECALLORIGIN_OUTBOUND : LINECALLORIGIN_EXTERNAL;
    f.dwReason = LINECALLREASON_DIRECT;
    f.dwTrunk = 0xFFFFFFFF;
    f.dwCallerIDFlags = CallerFlags;
    f.dwCalledIDFlags = Outgoing && !Dialled.empty() ? LINECALLPARTYID_ADDRESS : LINECALLPARTYID_UNKNOWN;
    f.dwConnectedIDFlags = LINECALLPARTYID_UNKNOWN;
    f.dwRedirectionIDFlags = LINECALLPARTYID_UNKNOWN;
    f.dwRedirectingIDFlags = LINECALLPARTYID_UNKNOWN;
    i.CallerID = CallerID;
    i.CallerIDName = CallerIDName;
    if (Outgoing) i.CalledID = Dialled;
    i.Display = Display;
}

uint32_t TModemCall::Accept(TRequestID Request, const std::string&)
{
    return Owner->AcceptCall(*this, Request);
}

uint32_t TModemCall::Answer(TRequestID Request, const std::string&)
{
    return Owner->AnswerCall(*this, Request);
}

uint32_t TModemCall::Drop(TRequestID Request, const std::string&)
{
    return Owner->DropCall(*this, Request);
}

void TModemCall::DropForClose()
{
    Owner->DropCall(*this, 0);
}

uint32_t TModemCall::GenerateDigits(uint32_t DigitMode, const std::string& Digits, uint32_t Duration,
                                    uint32_t EndToEndID)
{
    return Owner->GenerateDigits(*this, DigitMode, Digits, Duration, EndToEndID);
}

uint32_t TModemCall::SetMediaMode(uint32_t MediaModes)
{
    uint32_t Known = LINEMEDIAMODE_DATAMODEM | (Owner->VoiceCapable() ? LINEMEDIAMODE_INTERACTIVEVOICE : 0);
    if (MediaModes == 0 || (MediaModes & ~(Known | LINEMEDIAMODE_UNKNOWN))) return LINEERR_INVALMEDIAMODE;
    // Before answering the program says how to answer; afterwards the
    // modem's mode is what it is.
    if (FState == LINECALLSTATE_OFFERING || FState == LINECALLSTATE_ACCEPTED) {
        if (Answering) return LINEERR_INVALCALLSTATE;
        Media = MediaModes;
        return 0;
    }
    return (MediaModes & ~LINEMEDIAMODE_UNKNOWN) == Media ? 0 : LINEERR_INVALCALLSTATE;
}

uint32_t TModemCall::Listen(uint32_t Feature, bool Start, const char*, const std::string&)
{
    if (!Start) return 0;
    if (!(Feature & ListenFeatures) || !Owner->VoiceCapable()) return LINEERR_OPERATIONUNAVAIL;
    // A data connection carries no DLE reports.
    if (Connected && !VoiceCall) return LINEERR_OPERATIONUNAVAIL;
    return 0;
}

THandle TModemCall::CommHandle()
{
    if (!DataPair || !DataHandle) return 0;
    THandle h = DuplicateHandle(DataHandle);
    return h == INVALID_HANDLE_VALUE ? 0 : h;
}

void TModemCall::ReleaseData()
{
    if (DataHandle) CloseHandle(DataHandle);
    DataHandle = 0;
    if (DataPair) DataPair->HangUp();
    DataPair.reset();
}

}  // namespace kxtapi::service::modem
