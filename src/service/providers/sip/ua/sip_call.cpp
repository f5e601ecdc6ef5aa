#include "service/providers/sip/ua/sip_call.h"

#include "service/providers/sip/sip_uri.h"
#include "service/providers/sip/ua/sip_line.h"
#include "service/providers/sip/ua/sip_session.h"
#include "service/providers/sip/ua/sip_ua.h"

namespace kxtapi::service::sip {

namespace {

constexpr uint32_t DigitFeatures =
    LINECALLFEATURE_GENERATEDIGITS | LINECALLFEATURE_MONITORDIGITS | LINECALLFEATURE_GATHERDIGITS;
constexpr uint32_t HeldStates = LINECALLSTATE_ONHOLD | LINECALLSTATE_ONHOLDPENDTRANSFER;

SYSTEMTIME SystemTimeOf(std::time_t t)
{
    std::tm tm{};
    localtime_r(&t, &tm);
    SYSTEMTIME s{};
    s.wYear = static_cast<WORD>(tm.tm_year + 1900);
    s.wMonth = static_cast<WORD>(tm.tm_mon + 1);
    s.wDayOfWeek = static_cast<WORD>(tm.tm_wday);
    s.wDay = static_cast<WORD>(tm.tm_mday);
    s.wHour = static_cast<WORD>(tm.tm_hour);
    s.wMinute = static_cast<WORD>(tm.tm_min);
    s.wSecond = static_cast<WORD>(tm.tm_sec);
    return s;
}

uint32_t PartyFlags(const TPartyIdentity& p, bool Known)
{
    if (!Known) return LINECALLPARTYID_UNKNOWN;
    if (p.Blocked) return LINECALLPARTYID_BLOCKED;
    uint32_t f = 0;
    if (!p.Number.empty()) f |= LINECALLPARTYID_ADDRESS;
    if (!p.Name.empty()) f |= LINECALLPARTYID_NAME;
    return f ? f : LINECALLPARTYID_UNAVAIL;
}

}  // namespace

TSipCall::TSipCall(TSipContext& Ctx, const std::shared_ptr<TSipLine>& Line, uint32_t CallID, uint32_t CallOrigin)
    : ID(CallID), Origin(CallOrigin), Reason(LINECALLREASON_DIRECT), FCtx(Ctx), FLine(Line)
{
    FStateTime = std::time(nullptr);
}

TProviderLine* TSipCall::Line() const
{
    return FLine.lock().get();
}

TSipUa* TSipCall::Ua() const
{
    auto l = FLine.lock();
    return l ? l->Ua : nullptr;
}

template <typename TCommand>
void TSipCall::Post(TRequestID R, TCommand&& Command)
{
    TSipUa* u = Ua();
    if (!u) return;
    std::weak_ptr<TSipCall> w = shared_from_this();
    FCtx.Engine.Post([u, Id = ID, R, w, Command = std::forward<TCommand>(Command)]() mutable {
        if (TSipSession* s = u->Find(Id)) {
            Command(*u, *s);
            return;
        }
        // The dialog ended before the command reached it.
        if (R)
            u->Ctx.Engine.ToService([w, R] {
                if (auto c = w.lock()) c->Complete(R, LINEERR_INVALCALLSTATE);
            });
    });
}

// --- Reports ------------------------------------------------------------------------------

void TSipCall::Announce(uint32_t State, uint32_t Mode)
{
    auto l = FLine.lock();
    if (!l || !FCtx.Host) return;
    FState = State;
    FMode = Mode;
    FStateTime = std::time(nullptr);
    Listed = true;
    HasSession = true;
    l->AddCall(shared_from_this());
    FCtx.Host->NewCall(shared_from_this());
    FCtx.Host->CallState(this, State, Mode);
    // The parties come with the call, as their information messages.
    uint32_t Info = 0;
    if (CallerKnown) Info |= LINECALLINFOSTATE_CALLERID;
    if (CalledKnown) Info |= LINECALLINFOSTATE_CALLEDID;
    if (ConnectedKnown) Info |= LINECALLINFOSTATE_CONNECTEDID;
    if (Info) FCtx.Host->CallInfo(this, Info);
}

void TSipCall::SetState(uint32_t State, uint32_t Mode)
{
    if (State == FState && Mode == FMode) return;
    FState = State;
    FMode = Mode;
    FStateTime = std::time(nullptr);
    if (Listed && FCtx.Host) FCtx.Host->CallState(this, State, Mode);
    if (State == LINECALLSTATE_IDLE) {
        Generating = 0;
        if (auto l = FLine.lock()) l->RemoveCall(this);
        // Everything of the dialog goes with the call.
        Post(0, [](TSipUa& u, TSipSession& s) { u.Release(s.ID); });
    }
}

void TSipCall::SetRemoteHold(bool Held)
{
    RemoteHeld = Held;
    if (FState == LINECALLSTATE_CONNECTED)
        SetState(LINECALLSTATE_CONNECTED, Held ? LINECONNECTEDMODE_ACTIVEHELD : LINECONNECTEDMODE_ACTIVE);
}

void TSipCall::Complete(TRequestID Request, uint32_t Result, uint32_t State, uint32_t Mode)
{
    if (Result == 0 && !Listed && FState != LINECALLSTATE_IDLE) {
        // A call made by the request is listed when the request completes.
        Listed = true;
        if (auto l = FLine.lock()) l->AddCall(shared_from_this());
    }
    if (FCtx.Host && Request) FCtx.Host->CompleteRequest(Request, Result);
    if (Result == 0 && State != 0 && FState != LINECALLSTATE_IDLE) {
        // The far end's hold shows on a connected call.
        if (State == LINECALLSTATE_CONNECTED && RemoteHeld) Mode = LINECONNECTEDMODE_ACTIVEHELD;
        SetState(State, Mode);
    }
}

void TSipCall::Digit(char D, uint32_t DigitMode)
{
    if (FCtx.Host && Listed && FState != LINECALLSTATE_IDLE) FCtx.Host->CallDigit(this, D, DigitMode);
}

void TSipCall::GenerateEnded(uint32_t EndToEndID, uint32_t Termination)
{
    if (Generating != EndToEndID) return;
    Generating = 0;
    if (FCtx.Host) FCtx.Host->CallGenerateEnded(this, EndToEndID, Termination);
}

void TSipCall::InfoChanged(uint32_t InfoStates)
{
    if (FCtx.Host && Listed) FCtx.Host->CallInfo(this, InfoStates);
}

// --- What the service asks -------------------------------------------------------------------

uint32_t TSipCall::Features() const
{
    const bool Consult = !ConsultOf.expired();
    switch (FState) {
    case LINECALLSTATE_OFFERING:
        return LINECALLFEATURE_ACCEPT | LINECALLFEATURE_ANSWER | LINECALLFEATURE_DROP | LINECALLFEATURE_REDIRECT;
    case LINECALLSTATE_ACCEPTED:
        return LINECALLFEATURE_ANSWER | LINECALLFEATURE_DROP | LINECALLFEATURE_REDIRECT;
    case LINECALLSTATE_DIALTONE:
    case LINECALLSTATE_DIALING:
        return LINECALLFEATURE_DROP | (HasSession ? 0 : LINECALLFEATURE_DIAL);
    case LINECALLSTATE_PROCEEDING:
    case LINECALLSTATE_RINGBACK:
        return LINECALLFEATURE_DROP;
    case LINECALLSTATE_CONNECTED: {
        uint32_t f = LINECALLFEATURE_DROP | LINECALLFEATURE_HOLD | LINECALLFEATURE_BLINDTRANSFER |
                     LINECALLFEATURE_SETUPTRANSFER | LINECALLFEATURE_SWAPHOLD | DigitFeatures;
        if (Consult) f |= LINECALLFEATURE_COMPLETETRANSF;
        return f;
    }
    case LINECALLSTATE_ONHOLD:
        return LINECALLFEATURE_UNHOLD | LINECALLFEATURE_DROP | LINECALLFEATURE_SWAPHOLD;
    case LINECALLSTATE_ONHOLDPENDTRANSFER:
        return LINECALLFEATURE_DROP | LINECALLFEATURE_COMPLETETRANSF | LINECALLFEATURE_SWAPHOLD;
    case LINECALLSTATE_DISCONNECTED:
    case LINECALLSTATE_BUSY:
        return LINECALLFEATURE_DROP;
    default:
        return 0;
    }
}

void TSipCall::GetStatus(TCallStatusData& s)
{
    s.Fixed.dwCallState = FState;
    s.Fixed.dwCallStateMode = FMode;
    s.Fixed.dwCallFeatures = Features();
    if (FState == LINECALLSTATE_CONNECTED) s.Fixed.dwCallFeatures2 = LINECALLFEATURE2_TRANSFERNORM;
    s.Fixed.tStateEntryTime = SystemTimeOf(FStateTime);
}

void TSipCall::GetInfo(TCallInfoData& i)
{
    LINECALLINFO& f = i.Fixed;
    f.dwAddressID = 0;
    f.dwBearerMode = LINEBEARERMODE_VOICE;
    f.dwMediaMode = FMediaMode;
    f.dwCallID = ID;
    f.dwCallParamFlags = CallParamFlags;
    f.dwCallStates = LINECALLSTATE_IDLE | LINECALLSTATE_OFFERING | LINECALLSTATE_ACCEPTED | LINECALLSTATE_DIALTONE |
                     LINECALLSTATE_DIALING | LINECALLSTATE_RINGBACK | LINECALLSTATE_CONNECTED |
                     LINECALLSTATE_PROCEEDING | LINECALLSTATE_ONHOLD | LINECALLSTATE_ONHOLDPENDTRANSFER |
                     LINECALLSTATE_DISCONNECTED;
    f.dwOrigin = Origin;
    f.dwReason = Reason;
    f.dwTrunk = 0xFFFFFFFF;
    f.dwCallerIDFlags = PartyFlags(Caller, CallerKnown);
    f.dwCalledIDFlags = PartyFlags(Called, CalledKnown);
    f.dwConnectedIDFlags = PartyFlags(Connected, ConnectedKnown);
    f.dwRedirectionIDFlags = LINECALLPARTYID_UNKNOWN;
    f.dwRedirectingIDFlags = LINECALLPARTYID_UNKNOWN;
    i.CallerID = Caller.Number;
    i.CallerIDName = Caller.Name;
    i.CalledID = Called.Number;
    i.CalledIDName = Called.Name;
    i.ConnectedID = Connected.Number;
    i.ConnectedIDName = Connected.Name;
    i.DisplayableAddress = Dialled;
}

// --- Operations ------------------------------------------------------------------------------

uint32_t TSipCall::StartDialingFor(TRequestID R, const std::string& Dest)
{
    auto l = FLine.lock();
    if (!l || !l->Ua) return LINEERR_OPERATIONFAILED;
    // Partial dialing: a destination ending in ';' waits for more.
    std::string All = Dialled + Dest;
    bool More = !All.empty() && All.back() == ';';
    if (More) {
        Dialled = All.substr(0, All.size() - 1);
        std::weak_ptr<TSipCall> w = shared_from_this();
        FCtx.Host->Defer([w, R] {
            if (auto c = w.lock()) c->Complete(R, 0, LINECALLSTATE_DIALING, 0);
        });
        return 0;
    }
    std::optional<std::string> Uri = DestinationUri(All, l->Account.Domain);
    if (!Uri) return LINEERR_INVALADDRESS;
    Dialled = All;
    Called = TPartyIdentity{All, {}, false};
    CalledKnown = true;
    HasSession = true;
    TSipUa* u = l->Ua;
    FCtx.Engine.Post([u, c = shared_from_this(), Uri = *Uri, R, Block = (CallParamFlags & LINECALLPARAMFLAGS_BLOCKID) != 0,
                      NoAnswer = NoAnswerTimeout] { u->Connect(c, Uri, R, Block, NoAnswer); });
    return 0;
}

uint32_t TSipCall::Accept(TRequestID R, const std::string&)
{
    if (FState != LINECALLSTATE_OFFERING) return LINEERR_INVALCALLSTATE;
    // The far end hears ringing since the INVITE came: nothing to send.
    std::weak_ptr<TSipCall> w = shared_from_this();
    FCtx.Host->Defer([w, R] {
        if (auto c = w.lock()) c->Complete(R, 0, c->State() == LINECALLSTATE_OFFERING ? LINECALLSTATE_ACCEPTED : 0, 0);
    });
    return 0;
}

uint32_t TSipCall::Answer(TRequestID R, const std::string&)
{
    if (FState != LINECALLSTATE_OFFERING && FState != LINECALLSTATE_ACCEPTED) return LINEERR_INVALCALLSTATE;
    Post(R, [R](TSipUa&, TSipSession& s) { s.Answer(R); });
    return 0;
}

uint32_t TSipCall::Drop(TRequestID R, const std::string&)
{
    if (FState == LINECALLSTATE_IDLE) return LINEERR_INVALCALLSTATE;
    if (!HasSession || FState == LINECALLSTATE_DISCONNECTED) {
        // Nothing on the wire (a call waiting for digits, or one the far
        // end or the network has ended already).
        std::weak_ptr<TSipCall> w = shared_from_this();
        FCtx.Host->Defer([w, R] {
            if (auto c = w.lock()) {
                c->Complete(R, 0);
                c->SetState(LINECALLSTATE_IDLE, 0);
            }
        });
        return 0;
    }
    TSipUa* u = Ua();
    if (!u) return LINEERR_OPERATIONFAILED;
    std::weak_ptr<TSipCall> w = shared_from_this();
    FCtx.Engine.Post([u, Id = ID, R, w, Ctx = &FCtx] {
        if (TSipSession* s = u->Find(Id)) {
            s->Hangup(R);
            return;
        }
        // The dialog ended meanwhile: the call goes idle all the same.
        Ctx->Engine.ToService([w, R] {
            if (auto c = w.lock()) {
                c->Complete(R, 0);
                c->SetState(LINECALLSTATE_IDLE, 0);
            }
        });
    });
    return 0;
}

void TSipCall::DropForClose()
{
    if (FState == LINECALLSTATE_IDLE) return;
    Post(0, [](TSipUa&, TSipSession& s) { s.Hangup(0); });
    SetState(LINECALLSTATE_IDLE, 0);
}

uint32_t TSipCall::Dial(TRequestID R, const std::string& Dest, uint32_t)
{
    if ((FState != LINECALLSTATE_DIALTONE && FState != LINECALLSTATE_DIALING) || HasSession)
        return LINEERR_INVALCALLSTATE;
    if (Dest.empty()) return LINEERR_INVALADDRESS;
    return StartDialingFor(R, Dest);
}

uint32_t TSipCall::Hold(TRequestID R)
{
    if (FState != LINECALLSTATE_CONNECTED) return LINEERR_INVALCALLSTATE;
    Post(R, [R](TSipUa&, TSipSession& s) { s.Modify(R, true, LINECALLSTATE_ONHOLD, 0); });
    return 0;
}

uint32_t TSipCall::Unhold(TRequestID R)
{
    if (FState != LINECALLSTATE_ONHOLD) return LINEERR_INVALCALLSTATE;
    Post(R, [R](TSipUa&, TSipSession& s) { s.Modify(R, false, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE); });
    return 0;
}

uint32_t TSipCall::SwapHold(TRequestID R, TProviderCall* HeldCall)
{
    auto* Held = dynamic_cast<TSipCall*>(HeldCall);
    if (!Held || Held == this || Held->Line() != Line()) return LINEERR_INVALCALLHANDLE;
    if (FState != LINECALLSTATE_CONNECTED || !(Held->State() & HeldStates)) return LINEERR_INVALCALLSTATE;
    // The active call is held first, then the held one taken back; the
    // request completes with the second re-INVITE. A call waiting for a
    // transfer stays so, and the active one takes its place.
    const uint32_t HeldAs = Held->State();
    const uint32_t Other = Held->ID;
    std::weak_ptr<TSipCall> Me = shared_from_this();
    TSipUa* u = Ua();
    if (!u) return LINEERR_OPERATIONFAILED;
    FCtx.Engine.Post([u, Id = ID, Other, R, HeldAs, Me, Ctx = &FCtx] {
        TSipSession* a = u->Find(Id);
        TSipSession* b = u->Find(Other);
        if (!a || !b) {
            Ctx->Engine.ToService([Me, R] {
                if (auto c = Me.lock()) c->Complete(R, LINEERR_INVALCALLSTATE);
            });
            return;
        }
        a->Modify(0, true, HeldAs, 0);
        b->Modify(R, false, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
    });
    return 0;
}

uint32_t TSipCall::BlindTransfer(TRequestID R, const std::string& Dest, uint32_t)
{
    if (FState != LINECALLSTATE_CONNECTED) return LINEERR_INVALCALLSTATE;
    auto l = FLine.lock();
    if (!l) return LINEERR_OPERATIONFAILED;
    std::optional<std::string> Uri = DestinationUri(Dest, l->Account.Domain);
    if (!Uri) return LINEERR_INVALADDRESS;
    Post(R, [R, Target = *Uri](TSipUa&, TSipSession& s) { s.BlindTransfer(R, Target); });
    return 0;
}

uint32_t TSipCall::SetupTransfer(TRequestID R, const TCallParamsData& Params, std::shared_ptr<TProviderCall>& Consult)
{
    if (FState != LINECALLSTATE_CONNECTED) return LINEERR_INVALCALLSTATE;
    auto l = FLine.lock();
    if (!l) return LINEERR_OPERATIONFAILED;
    if (l->CallCount() >= l->Account.MaxCalls) return LINEERR_CALLUNAVAIL;
    // This call is held for the transfer; the consultation call waits for
    // its number (lineDial) with a dial tone.
    std::shared_ptr<TSipCall> k = l->NewCall(LINECALLORIGIN_OUTBOUND);
    k->Reason = LINECALLREASON_DIRECT;
    k->CallParamFlags = Params.CallParamFlags;
    k->ConsultOf = shared_from_this();
    ConsultCall = k;
    Consult = k;
    std::weak_ptr<TSipCall> wk = k;
    Post(R, [R, wk](TSipUa& u, TSipSession& s) {
        s.Modify(0, true, LINECALLSTATE_ONHOLDPENDTRANSFER, 0);
        u.Ctx.Engine.ToService([wk, R] {
            if (auto c = wk.lock()) c->Complete(R, 0, LINECALLSTATE_DIALTONE, LINEDIALTONEMODE_NORMAL);
        });
    });
    return 0;
}

uint32_t TSipCall::CompleteTransfer(TRequestID R, TProviderCall* ConsultCall_, uint32_t Mode,
                                    std::shared_ptr<TProviderCall>&)
{
    if (Mode == LINETRANSFERMODE_CONFERENCE) return LINEERR_OPERATIONUNAVAIL;
    if (Mode != LINETRANSFERMODE_TRANSFER) return LINEERR_INVALTRANSFERMODE;
    auto* Consult = dynamic_cast<TSipCall*>(ConsultCall_);
    if (!Consult || Consult == this || Consult->Line() != Line()) return LINEERR_INVALCONSULTCALLHANDLE;
    if (!(FState & (HeldStates | LINECALLSTATE_CONNECTED)) || Consult->State() != LINECALLSTATE_CONNECTED)
        return LINEERR_INVALCALLSTATE;
    const uint32_t Other = Consult->ID;
    Post(R, [R, Other](TSipUa& u, TSipSession& s) {
        TSipSession* k = u.Find(Other);
        if (k) {
            s.ConsultTransfer(R, *k);
            return;
        }
        std::shared_ptr<TSipCall> c = s.Call;
        u.Ctx.Engine.ToService([c, R] { c->Complete(R, LINEERR_INVALCALLSTATE); });
    });
    return 0;
}

uint32_t TSipCall::PrepareAddToConference(TRequestID, const TCallParamsData&, std::shared_ptr<TProviderCall>&)
{
    return LINEERR_OPERATIONUNAVAIL;
}

uint32_t TSipCall::AddToConference(TRequestID, TProviderCall*)
{
    return LINEERR_OPERATIONUNAVAIL;
}

uint32_t TSipCall::Park(TRequestID, uint32_t, const std::string&)
{
    return LINEERR_OPERATIONUNAVAIL;
}

uint32_t TSipCall::Redirect(TRequestID R, const std::string& Dest, uint32_t)
{
    if (FState != LINECALLSTATE_OFFERING && FState != LINECALLSTATE_ACCEPTED) return LINEERR_INVALCALLSTATE;
    auto l = FLine.lock();
    if (!l) return LINEERR_OPERATIONFAILED;
    std::optional<std::string> Uri = DestinationUri(Dest, l->Account.Domain);
    if (!Uri) return LINEERR_INVALADDRESS;
    Post(R, [R, Target = *Uri](TSipUa&, TSipSession& s) { s.Redirect(R, Target); });
    return 0;
}

uint32_t TSipCall::GenerateDigits(uint32_t DigitMode, const std::string& Digits, uint32_t Duration,
                                  uint32_t EndToEndID)
{
    if (Digits.empty()) {   // cancels: the service reports the end itself
        Generating = 0;
        Post(0, [](TSipUa&, TSipSession& s) { s.CancelDigits(); });
        return 0;
    }
    if (DigitMode != LINEDIGITMODE_DTMF) return LINEERR_INVALDIGITMODE;
    if (FState != LINECALLSTATE_CONNECTED) return LINEERR_INVALCALLSTATE;
    Generating = EndToEndID;
    Post(0, [Digits, Duration, EndToEndID](TSipUa&, TSipSession& s) { s.SendDigits(Digits, Duration, EndToEndID); });
    return 0;
}

uint32_t TSipCall::GenerateTone(uint32_t ToneMode, uint32_t, const std::vector<LINEGENERATETONE>&, uint32_t)
{
    return ToneMode == 0 ? 0 : LINEERR_OPERATIONUNAVAIL;
}

uint32_t TSipCall::SetMediaMode(uint32_t MediaModes)
{
    if (MediaModes & ~(LINEMEDIAMODE_INTERACTIVEVOICE | LINEMEDIAMODE_AUTOMATEDVOICE | LINEMEDIAMODE_UNKNOWN))
        return LINEERR_INVALMEDIAMODE;
    FMediaMode = MediaModes;
    return 0;
}

uint32_t TSipCall::Listen(uint32_t Feature, bool Start, const char*, const std::string&)
{
    // Digits arrive as telephone events; tones and media kinds are not
    // recognised in the audio.
    if (!Start || Feature == LINECALLFEATURE_MONITORDIGITS || Feature == LINECALLFEATURE_GATHERDIGITS) return 0;
    return LINEERR_OPERATIONUNAVAIL;
}

uint32_t TSipCall::MediaFile(TRequestID R, uint32_t Operation, const std::string& Path, uint32_t Flags)
{
    if (!HasSession || FState == LINECALLSTATE_IDLE || FState == LINECALLSTATE_DISCONNECTED)
        return LINEERR_INVALCALLSTATE;
    Post(R, [R, Operation, Path, Flags](TSipUa&, TSipSession& s) { s.MediaFile(R, Operation, Path, Flags); });
    return 0;
}

}  // namespace kxtapi::service::sip
