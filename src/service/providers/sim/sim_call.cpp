// The calls of the simulated switch: their states, features and every
// call-control operation, with the states a switch reports for each.

#include "service/providers/sim/sim_world.h"

#include "kxtapi/rtl/handles.h"
#include "kxtapi/rtl/system.h"
#include "kxtapi/serial/commtypes.h"

#include <algorithm>

namespace kxtapi::service::simulated {

namespace {

constexpr uint32_t MediaFeatures = LINECALLFEATURE_GATHERDIGITS | LINECALLFEATURE_GENERATEDIGITS |
                                   LINECALLFEATURE_GENERATETONE | LINECALLFEATURE_MONITORDIGITS |
                                   LINECALLFEATURE_MONITORMEDIA | LINECALLFEATURE_MONITORTONES;
constexpr uint32_t Monitors =
    LINECALLFEATURE_MONITORDIGITS | LINECALLFEATURE_MONITORMEDIA | LINECALLFEATURE_MONITORTONES;
// States in which a call carries sound both ways.
constexpr uint32_t Audible = LINECALLSTATE_CONNECTED | LINECALLSTATE_PROCEEDING | LINECALLSTATE_RINGBACK |
                             LINECALLSTATE_DIALING | LINECALLSTATE_DIALTONE | LINECALLSTATE_BUSY;
constexpr uint32_t HeldStates = LINECALLSTATE_ONHOLD | LINECALLSTATE_ONHOLDPENDCONF | LINECALLSTATE_ONHOLDPENDTRANSFER;

SYSTEMTIME Now()
{
    kxtapi::TSystemTime t = kxtapi::GetLocalTime();
    return SYSTEMTIME{t.Year, t.Month, t.DayOfWeek, t.Day, t.Hour, t.Minute, t.Second, t.Milliseconds};
}

TSimCall* AsSim(TProviderCall* c)
{
    return dynamic_cast<TSimCall*>(c);
}

// Frequencies a generated tone of the given mode is heard as.
void ToneFrequencies(uint32_t Mode, const std::vector<LINEGENERATETONE>& Tones, uint32_t f[3])
{
    f[0] = f[1] = f[2] = 0;
    switch (Mode) {
    case LINETONEMODE_CUSTOM:
        for (size_t i = 0; i < Tones.size() && i < 3; ++i) f[i] = Tones[i].dwFrequency;
        break;
    case LINETONEMODE_RINGBACK:
        f[0] = 440, f[1] = 480;
        break;
    case LINETONEMODE_BUSY:
        f[0] = 480, f[1] = 620;
        break;
    default:   // beep, billing
        f[0] = 1000;
    }
}

}  // namespace

TSimCall::TSimCall(TSimWorld& W, TSimCallID Id, int Line, uint32_t AddressID)
    : World(W), ID(Id), LineIndex(Line), FAddress(AddressID)
{
    StateTime = Now();
}

TSimCall::~TSimCall()
{
    if (ModemHandle) kxtapi::CloseHandle(ModemHandle);
}

THandle TSimCall::CommHandle()
{
    if (FState == LINECALLSTATE_IDLE) return 0;
    if (!Modem) Modem = TSimulatedPair::Create(PST_MODEM);
    if (!ModemHandle) {
        THandle h = Modem->OpenHandle();
        ModemHandle = h == INVALID_HANDLE_VALUE ? 0 : h;
    }
    return ModemHandle ? DuplicateHandle(ModemHandle) : 0;
}

TProviderLine* TSimCall::Line() const
{
    return World.LineAt(LineIndex);
}

void TSimCall::SetState(uint32_t State, uint32_t StateMode, TSimCall* Related)
{
    bool Changed = State != FState || StateMode != Mode;
    FState = State;
    Mode = StateMode;
    StateTime = Now();
    if (Changed && Listed && World.Host && Line()) World.Host->CallState(this, State, StateMode, Related);
    if (State == LINECALLSTATE_IDLE) {
        CancelGeneration();
        // The switch lets go of the data port; an application's handle to it
        // stays usable until the application closes it.
        if (ModemHandle) {
            kxtapi::CloseHandle(ModemHandle);
            ModemHandle = 0;
        }
        // A conference ends with its last member; a member leaves its conference.
        if (auto Conf = ConferenceOf.lock()) {
            auto& M = Conf->Members;
            M.erase(std::remove_if(M.begin(), M.end(),
                                   [this](const std::weak_ptr<TSimCall>& w) {
                                       auto c = w.lock();
                                       return !c || c.get() == this;
                                   }),
                    M.end());
            ConferenceOf.reset();
            if (M.empty() && Conf->State() != LINECALLSTATE_IDLE) Conf->SetState(LINECALLSTATE_IDLE, 0);
        }
    }
    World.ReportCounts(LineIndex);
}

void TSimCall::Hangup()
{
    if (FState == LINECALLSTATE_IDLE) return;
    if (IsConference) {
        for (auto& w : std::vector<std::weak_ptr<TSimCall>>(Members))
            if (auto m = w.lock()) m->Hangup();
    }
    if (auto p = Peer.lock()) {
        p->Peer.reset();
        if (p->State() != LINECALLSTATE_IDLE && p->State() != LINECALLSTATE_DISCONNECTED)
            p->SetState(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL);
    }
    Peer.reset();
    SetState(LINECALLSTATE_IDLE, 0);
}

void TSimCall::CancelGeneration()
{
    if (!GenerateID) return;
    World.Cancel(GenerateTimer);
    uint32_t id = GenerateID;
    GenerateID = 0;
    GenerateTimer = 0;
    if (World.Host) World.Host->CallGenerateEnded(this, id, LINEGENERATETERM_CANCEL);
    if (auto p = Peer.lock(); p && World.Host) World.Host->CallTone(p.get(), false, 0, 0, 0);
}

uint32_t TSimCall::Features() const
{
    uint32_t f = 0;
    bool Consult = !TransferOf.expired();
    switch (FState) {
    case LINECALLSTATE_OFFERING:
        f = LINECALLFEATURE_ACCEPT | LINECALLFEATURE_ANSWER | LINECALLFEATURE_DROP | LINECALLFEATURE_REDIRECT |
            Monitors;
        break;
    case LINECALLSTATE_ACCEPTED:
        f = LINECALLFEATURE_ANSWER | LINECALLFEATURE_DROP | LINECALLFEATURE_REDIRECT | Monitors;
        break;
    case LINECALLSTATE_DIALTONE:
    case LINECALLSTATE_DIALING:
        f = LINECALLFEATURE_DIAL | LINECALLFEATURE_DROP | MediaFeatures;
        break;
    case LINECALLSTATE_PROCEEDING:
    case LINECALLSTATE_RINGBACK:
        f = LINECALLFEATURE_DROP | MediaFeatures;
        if (Consult) f |= LINECALLFEATURE_COMPLETETRANSF;
        break;
    case LINECALLSTATE_CONNECTED:
        f = LINECALLFEATURE_DROP | LINECALLFEATURE_HOLD | LINECALLFEATURE_BLINDTRANSFER |
            LINECALLFEATURE_SETUPTRANSFER | LINECALLFEATURE_SETUPCONF | LINECALLFEATURE_PARK |
            LINECALLFEATURE_SWAPHOLD | MediaFeatures;
        if (Consult) f |= LINECALLFEATURE_COMPLETETRANSF;
        if (IsConference) f |= LINECALLFEATURE_PREPAREADDCONF;
        if (!PendingConference.expired()) f |= LINECALLFEATURE_ADDTOCONF;
        break;
    case LINECALLSTATE_ONHOLD:
        f = LINECALLFEATURE_UNHOLD | LINECALLFEATURE_DROP | LINECALLFEATURE_SWAPHOLD;
        break;
    case LINECALLSTATE_ONHOLDPENDTRANSFER:
        f = LINECALLFEATURE_DROP | LINECALLFEATURE_COMPLETETRANSF | LINECALLFEATURE_SWAPHOLD;
        break;
    case LINECALLSTATE_ONHOLDPENDCONF:
        f = LINECALLFEATURE_DROP | LINECALLFEATURE_ADDTOCONF;
        break;
    case LINECALLSTATE_BUSY:
    case LINECALLSTATE_SPECIALINFO:
    case LINECALLSTATE_CONFERENCED:
    case LINECALLSTATE_DISCONNECTED:
    case LINECALLSTATE_UNKNOWN:
        f = LINECALLFEATURE_DROP;
        break;
    default:
        break;
    }
    if (TSimLineDevice* l = World.LineAt(LineIndex); l && FAddress < l->Config.Addresses.size())
        f &= l->Config.Addresses[FAddress].CallFeatures;
    return f;
}

void TSimCall::GetStatus(TCallStatusData& s)
{
    s.Fixed.dwCallState = FState;
    s.Fixed.dwCallStateMode = Mode;
    s.Fixed.dwCallFeatures = Features();
    if (FState == LINECALLSTATE_CONNECTED)
        s.Fixed.dwCallFeatures2 = LINECALLFEATURE2_TRANSFERNORM | LINECALLFEATURE2_TRANSFERCONF |
                                  LINECALLFEATURE2_PARKDIRECT | LINECALLFEATURE2_PARKNONDIRECT;
    s.Fixed.tStateEntryTime = StateTime;
    s.Hostile = World.Hostile("lineGetCallStatus", LineIndex);
}

void TSimCall::GetInfo(TCallInfoData& i)
{
    LINECALLINFO& f = i.Fixed;
    f.dwAddressID = FAddress;
    f.dwBearerMode = Bearer;
    f.dwRate = Bearer == LINEBEARERMODE_DATA ? 64000 : 0;
    f.dwMediaMode = Media;
    f.dwCallID = ID;
    f.dwRelatedCallID = RelatedCallID;
    f.dwCallParamFlags = ParamFlags;
    f.dwCallStates = 0xFFFF;
    f.dwOrigin = Origin;
    f.dwReason = Reason;
    f.dwCountryCode = 0;
    f.dwTrunk = 0xFFFFFFFF;
    f.dwCallerIDFlags = CallerFlags;
    f.dwCalledIDFlags = CalledFlags;
    f.dwConnectedIDFlags = ConnectedFlags;
    f.dwRedirectionIDFlags = RedirectionFlags;
    f.dwRedirectingIDFlags = RedirectingFlags;
    i.CallerID = CallerID;
    i.CallerIDName = CallerIDName;
    i.CalledID = CalledID;
    i.CalledIDName = CalledIDName;
    i.ConnectedID = ConnectedID;
    i.ConnectedIDName = ConnectedIDName;
    i.RedirectionID = RedirectionID;
    i.RedirectingID = RedirectingID;
    i.DisplayableAddress = DisplayableAddress;
    i.CalledParty = CalledParty;
    i.Comment = Comment;
    i.UserUserInfo = UserUserInfo;
    i.Hostile = World.Hostile("lineGetCallInfoA", LineIndex);
}

std::vector<TProviderCall*> TSimCall::ConferenceCalls()
{
    std::shared_ptr<TSimCall> Conf = IsConference ? shared_from_this() : ConferenceOf.lock();
    if (!Conf) return {};
    std::vector<TProviderCall*> r{Conf.get()};
    for (auto& w : Conf->Members)
        if (auto m = w.lock()) r.push_back(m.get());
    return r;
}

kxtapi::sim::TSimCallInfo TSimCall::Snapshot() const
{
    kxtapi::sim::TSimCallInfo i;
    i.ID = ID;
    i.Line = LineIndex;
    i.AddressID = FAddress;
    i.State = FState;
    i.StateMode = Mode;
    i.Origin = Origin;
    i.Reason = Reason;
    i.MediaMode = Media;
    i.BearerMode = Bearer;
    i.Dialled = Dialled;
    i.CallerID = CallerID;
    i.CallerIDName = CallerIDName;
    i.CalledID = CalledID;
    i.ConnectedID = ConnectedID;
    i.UserUserInfo = UserUserInfo;
    i.DigitsGenerated = DigitsGenerated;
    i.TonesGenerated = TonesGenerated;
    if (auto p = Peer.lock()) i.Peer = p->ID;
    if (auto c = ConferenceOf.lock()) i.Conference = c->ID;
    i.TransferredTo = TransferredTo;
    i.RedirectedTo = RedirectedTo;
    i.ParkedAt = ParkedAt;
    return i;
}

// --- Answering and ending -------------------------------------------------------

uint32_t TSimCall::Accept(TRequestID R, const std::string& UUI)
{
    if (uint32_t e = World.FailCall("lineAccept", LineIndex)) return e;
    if (FState != LINECALLSTATE_OFFERING) return LINEERR_INVALCALLSTATE;
    World.Note("lineAccept", LineIndex, ID, UUI);
    std::weak_ptr<TSimCall> w = shared_from_this();
    World.Reply("lineAccept", LineIndex, R, [w, UUI] {
        auto c = w.lock();
        if (!c || c->State() != LINECALLSTATE_OFFERING) return;
        c->UserUserInfo = UUI;
        c->SetState(LINECALLSTATE_ACCEPTED, 0);
    });
    return 0;
}

uint32_t TSimCall::Answer(TRequestID R, const std::string& UUI)
{
    if (uint32_t e = World.FailCall("lineAnswer", LineIndex)) return e;
    if (FState != LINECALLSTATE_OFFERING && FState != LINECALLSTATE_ACCEPTED) return LINEERR_INVALCALLSTATE;
    World.Note("lineAnswer", LineIndex, ID, UUI);
    std::weak_ptr<TSimCall> w = shared_from_this();
    World.Reply("lineAnswer", LineIndex, R, [w, UUI] {
        auto c = w.lock();
        if (!c || (c->State() != LINECALLSTATE_OFFERING && c->State() != LINECALLSTATE_ACCEPTED)) return;
        c->UserUserInfo = UUI;
        c->ConnectedID = c->CallerID;
        c->ConnectedIDName = c->CallerIDName;
        c->ConnectedFlags = c->CallerFlags;
        c->SetState(LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
        if (c->World.Host) c->World.Host->CallInfo(c.get(), LINECALLINFOSTATE_CONNECTEDID);
        if (auto p = c->Peer.lock(); p && p->State() != LINECALLSTATE_CONNECTED &&
                                     p->State() != LINECALLSTATE_IDLE) {
            p->ConnectedID = c->World.AddressOf(c->LineIndex, c->AddressID());
            p->ConnectedFlags = LINECALLPARTYID_ADDRESS;
            p->SetState(LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
            if (c->World.Host) c->World.Host->CallInfo(p.get(), LINECALLINFOSTATE_CONNECTEDID);
        }
    });
    return 0;
}

uint32_t TSimCall::Drop(TRequestID R, const std::string& UUI)
{
    if (uint32_t e = World.FailCall("lineDrop", LineIndex)) return e;
    if (FState == LINECALLSTATE_IDLE) return LINEERR_INVALCALLSTATE;
    World.Note("lineDrop", LineIndex, ID, UUI);
    std::weak_ptr<TSimCall> w = shared_from_this();
    World.Reply("lineDrop", LineIndex, R, [w, UUI] {
        if (auto c = w.lock()) {
            c->UserUserInfo = UUI;
            c->Hangup();
        }
    });
    return 0;
}

void TSimCall::DropForClose()
{
    World.Note("lineClose", LineIndex, ID, {});
    Hangup();
}

uint32_t TSimCall::Dial(TRequestID R, const std::string& Dest, uint32_t)
{
    if (uint32_t e = World.FailCall("lineDialA", LineIndex)) return e;
    if (FState != LINECALLSTATE_DIALTONE && FState != LINECALLSTATE_DIALING) return LINEERR_INVALCALLSTATE;
    if (Digits(Dest).empty()) return LINEERR_INVALADDRESS;
    World.Note("lineDialA", LineIndex, ID, Dest);
    std::weak_ptr<TSimCall> w = shared_from_this();
    World.Reply("lineDialA", LineIndex, R, [w, Dest] {
        auto c = w.lock();
        if (!c || (c->State() != LINECALLSTATE_DIALTONE && c->State() != LINECALLSTATE_DIALING)) return;
        c->Dialled += Dest;
        c->SetState(LINECALLSTATE_DIALING, 0);
        c->World.Route(*c);
    });
    return 0;
}

// --- Holding ------------------------------------------------------------------------

uint32_t TSimCall::Hold(TRequestID R)
{
    if (uint32_t e = World.FailCall("lineHold", LineIndex)) return e;
    if (FState != LINECALLSTATE_CONNECTED) return LINEERR_INVALCALLSTATE;
    World.Note("lineHold", LineIndex, ID, {});
    std::weak_ptr<TSimCall> w = shared_from_this();
    World.Reply("lineHold", LineIndex, R, [w] {
        if (auto c = w.lock(); c && c->State() == LINECALLSTATE_CONNECTED) c->SetState(LINECALLSTATE_ONHOLD, 0);
    });
    return 0;
}

uint32_t TSimCall::Unhold(TRequestID R)
{
    if (uint32_t e = World.FailCall("lineUnhold", LineIndex)) return e;
    if (FState != LINECALLSTATE_ONHOLD) return LINEERR_INVALCALLSTATE;
    World.Note("lineUnhold", LineIndex, ID, {});
    std::weak_ptr<TSimCall> w = shared_from_this();
    World.Reply("lineUnhold", LineIndex, R, [w] {
        if (auto c = w.lock(); c && c->State() == LINECALLSTATE_ONHOLD)
            c->SetState(LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
    });
    return 0;
}

uint32_t TSimCall::SwapHold(TRequestID R, TProviderCall* HeldCall)
{
    if (uint32_t e = World.FailCall("lineSwapHold", LineIndex)) return e;
    TSimCall* Held = AsSim(HeldCall);
    if (!Held) return LINEERR_INVALCALLHANDLE;
    if (FState != LINECALLSTATE_CONNECTED || !(Held->State() & HeldStates)) return LINEERR_INVALCALLSTATE;
    World.Note("lineSwapHold", LineIndex, ID, std::to_string(Held->ID));
    std::weak_ptr<TSimCall> a = shared_from_this(), h = Held->shared_from_this();
    World.Reply("lineSwapHold", LineIndex, R, [a, h] {
        auto c = a.lock(), d = h.lock();
        if (!c || !d || c->State() != LINECALLSTATE_CONNECTED || !(d->State() & HeldStates)) return;
        // A call waiting for a transfer stays so; the active one takes its place.
        uint32_t HeldAs = d->State();
        c->SetState(HeldAs, 0);
        d->SetState(LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
    });
    return 0;
}

// --- Transfer -----------------------------------------------------------------------

namespace {

// Moves the party at the other end of From to Dest: to another line of the
// switch as a new offered call, or out to the far end.
void MoveParty(TSimCall& From, const std::string& Dest, uint32_t Reason)
{
    TSimWorld& W = From.World;
    std::shared_ptr<TSimCall> Party = From.Peer.lock();
    std::string Number = Party ? W.AddressOf(Party->LineIndex, Party->AddressID())
                               : (From.Origin == LINECALLORIGIN_OUTBOUND ? From.Dialled : From.CallerID);
    std::string Name = Party ? (W.LineAt(Party->LineIndex) ? W.LineAt(Party->LineIndex)->Config.Name : "")
                             : (From.Origin == LINECALLORIGIN_OUTBOUND ? std::string() : From.CallerIDName);
    From.Peer.reset();
    int Line;
    uint32_t Address;
    if (W.FindAddress(Dest, Line, Address)) {
        auto In = W.NewCall(Line, Address);
        In->Origin = Party ? LINECALLORIGIN_INTERNAL : LINECALLORIGIN_EXTERNAL;
        In->Reason = Reason;
        In->Media = From.Media;
        In->CallerID = Number;
        In->CallerIDName = Name;
        In->CallerFlags = Number.empty() ? LINECALLPARTYID_UNKNOWN : LINECALLPARTYID_ADDRESS | LINECALLPARTYID_NAME;
        In->CalledID = W.AddressOf(Line, Address);
        In->CalledFlags = LINECALLPARTYID_ADDRESS;
        In->RedirectingID = W.AddressOf(From.LineIndex, From.AddressID());
        In->RedirectingFlags = LINECALLPARTYID_ADDRESS;
        if (Party) {
            In->Peer = Party;
            Party->Peer = In;
        }
        W.Offer(*In, 1, false);
    } else if (Party) {
        Party->ConnectedID = Dest;
        Party->ConnectedIDName.clear();
        Party->ConnectedFlags = LINECALLPARTYID_ADDRESS;
        Party->RedirectionID = Dest;
        Party->RedirectionFlags = LINECALLPARTYID_ADDRESS;
        if (W.Host) W.Host->CallInfo(Party.get(), LINECALLINFOSTATE_CONNECTEDID | LINECALLINFOSTATE_REDIRECTIONID);
    }
}

// Joins the parties at the other ends of A and B (a completed transfer).
void JoinParties(TSimCall& A, TSimCall& B)
{
    TSimWorld& W = A.World;
    std::shared_ptr<TSimCall> PA = A.Peer.lock(), PB = B.Peer.lock();
    auto NumberOf = [&](TSimCall& c, const std::shared_ptr<TSimCall>& p) {
        if (p) return W.AddressOf(p->LineIndex, p->AddressID());
        return c.Origin == LINECALLORIGIN_OUTBOUND ? c.Dialled : c.CallerID;
    };
    std::string NA = NumberOf(A, PA), NB = NumberOf(B, PB);
    A.Peer.reset();
    B.Peer.reset();
    if (PA) {
        PA->Peer = PB;
        PA->ConnectedID = NB;
        PA->ConnectedIDName.clear();   // the new party's number only: no name of the old one
        PA->ConnectedFlags = LINECALLPARTYID_ADDRESS;
        if (W.Host) W.Host->CallInfo(PA.get(), LINECALLINFOSTATE_CONNECTEDID);
    }
    if (PB) {
        PB->Peer = PA;
        PB->ConnectedID = NA;
        PB->ConnectedIDName.clear();
        PB->ConnectedFlags = LINECALLPARTYID_ADDRESS;
        if (PB->State() == LINECALLSTATE_OFFERING || PB->State() == LINECALLSTATE_ACCEPTED) {
            // Still ringing there: the caller it shows becomes the transferred party.
            PB->CallerID = NA;
            PB->CallerIDName.clear();
            PB->CallerFlags = LINECALLPARTYID_ADDRESS;
            PB->RedirectingID = W.AddressOf(B.LineIndex, B.AddressID());
            PB->RedirectingFlags = LINECALLPARTYID_ADDRESS;
            PB->Reason = LINECALLREASON_TRANSFER;
            if (W.Host)
                W.Host->CallInfo(PB.get(), LINECALLINFOSTATE_CALLERID | LINECALLINFOSTATE_REDIRECTINGID |
                                               LINECALLINFOSTATE_REASON);
        } else if (W.Host) {
            W.Host->CallInfo(PB.get(), LINECALLINFOSTATE_CONNECTEDID);
        }
    }
}

}  // namespace

uint32_t TSimCall::BlindTransfer(TRequestID R, const std::string& Dest, uint32_t)
{
    if (uint32_t e = World.FailCall("lineBlindTransferA", LineIndex)) return e;
    if (FState != LINECALLSTATE_CONNECTED && FState != LINECALLSTATE_ONHOLD && FState != LINECALLSTATE_OFFERING)
        return LINEERR_INVALCALLSTATE;
    if (Digits(Dest).empty()) return LINEERR_INVALADDRESS;
    World.Note("lineBlindTransferA", LineIndex, ID, Dest);
    std::weak_ptr<TSimCall> w = shared_from_this();
    World.Reply("lineBlindTransferA", LineIndex, R, [w, Dest] {
        auto c = w.lock();
        if (!c || c->State() == LINECALLSTATE_IDLE) return;
        c->TransferredTo = Dest;
        MoveParty(*c, Dest, LINECALLREASON_TRANSFER);
        c->SetState(LINECALLSTATE_IDLE, 0);
    });
    return 0;
}

uint32_t TSimCall::SetupTransfer(TRequestID R, const TCallParamsData& Params, std::shared_ptr<TProviderCall>& Consult)
{
    if (uint32_t e = World.FailCall("lineSetupTransferA", LineIndex)) return e;
    if (FState != LINECALLSTATE_CONNECTED) return LINEERR_INVALCALLSTATE;
    auto c = World.NewCall(LineIndex, FAddress);
    c->Origin = LINECALLORIGIN_OUTBOUND;
    c->Media = Params.Given ? Params.MediaMode : Media;
    c->RelatedCallID = ID;
    c->TransferOf = shared_from_this();
    Consult = c;
    World.Note("lineSetupTransferA", LineIndex, ID, std::to_string(c->ID));
    std::weak_ptr<TSimCall> Held = shared_from_this(), New = c;
    World.Reply("lineSetupTransferA", LineIndex, R, [Held, New] {
        auto h = Held.lock(), n = New.lock();
        if (!h || !n || h->State() != LINECALLSTATE_CONNECTED) return;
        h->SetState(LINECALLSTATE_ONHOLDPENDTRANSFER, 0);
        n->Listed = true;
        n->SetState(LINECALLSTATE_DIALTONE, LINEDIALTONEMODE_NORMAL);
    });
    return 0;
}

uint32_t TSimCall::CompleteTransfer(TRequestID R, TProviderCall* ConsultCall, uint32_t TransferMode,
                                    std::shared_ptr<TProviderCall>& Conference)
{
    if (uint32_t e = World.FailCall("lineCompleteTransfer", LineIndex)) return e;
    TSimCall* Consult = AsSim(ConsultCall);
    if (!Consult) return LINEERR_INVALCONSULTCALLHANDLE;
    if (!(FState & HeldStates) && FState != LINECALLSTATE_CONNECTED) return LINEERR_INVALCALLSTATE;
    constexpr uint32_t Reached = LINECALLSTATE_CONNECTED | LINECALLSTATE_RINGBACK | LINECALLSTATE_PROCEEDING |
                                 LINECALLSTATE_ONHOLD | LINECALLSTATE_BUSY;
    if (!(Consult->State() & Reached)) return LINEERR_INVALCALLSTATE;
    std::shared_ptr<TSimCall> Conf;
    if (TransferMode == LINETRANSFERMODE_CONFERENCE) {
        Conf = World.NewCall(LineIndex, FAddress);
        Conf->IsConference = true;
        Conf->Origin = LINECALLORIGIN_CONFERENCE;
        Conf->Media = Media;
        Conference = Conf;
    }
    World.Note("lineCompleteTransfer", LineIndex, ID,
               TransferMode == LINETRANSFERMODE_CONFERENCE ? "conference" : "transfer");
    std::weak_ptr<TSimCall> a = shared_from_this(), b = Consult->shared_from_this(), k = Conf;
    World.Reply("lineCompleteTransfer", LineIndex, R, [a, b, k, TransferMode] {
        auto h = a.lock(), c = b.lock();
        if (!h || !c || h->State() == LINECALLSTATE_IDLE || c->State() == LINECALLSTATE_IDLE) return;
        c->TransferOf.reset();
        if (TransferMode == LINETRANSFERMODE_TRANSFER) {
            h->TransferredTo = c->Dialled;
            JoinParties(*h, *c);
            h->SetState(LINECALLSTATE_IDLE, 0);
            c->SetState(LINECALLSTATE_IDLE, 0);
            return;
        }
        auto Conf = k.lock();
        if (!Conf) return;
        Conf->Listed = true;
        Conf->Members = {h, c};
        h->ConferenceOf = Conf;
        c->ConferenceOf = Conf;
        Conf->SetState(LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
        h->SetState(LINECALLSTATE_CONFERENCED, 0, Conf.get());
        c->SetState(LINECALLSTATE_CONFERENCED, 0, Conf.get());
    });
    return 0;
}

// --- Conferences ----------------------------------------------------------------------

uint32_t TSimCall::PrepareAddToConference(TRequestID R, const TCallParamsData& Params,
                                          std::shared_ptr<TProviderCall>& Consult)
{
    if (uint32_t e = World.FailCall("linePrepareAddToConferenceA", LineIndex)) return e;
    if (!IsConference) return LINEERR_INVALCONFCALLHANDLE;
    if (FState != LINECALLSTATE_CONNECTED) return LINEERR_INVALCALLSTATE;
    auto c = World.NewCall(LineIndex, FAddress);
    c->Media = Params.Given ? Params.MediaMode : Media;
    c->RelatedCallID = ID;
    c->PendingConference = shared_from_this();
    Consult = c;
    World.Note("linePrepareAddToConferenceA", LineIndex, ID, std::to_string(c->ID));
    std::weak_ptr<TSimCall> Conf = shared_from_this(), New = c;
    World.Reply("linePrepareAddToConferenceA", LineIndex, R, [Conf, New] {
        auto k = Conf.lock(), n = New.lock();
        if (!k || !n || k->State() != LINECALLSTATE_CONNECTED) return;
        k->SetState(LINECALLSTATE_ONHOLDPENDCONF, 0);
        n->Listed = true;
        n->SetState(LINECALLSTATE_DIALTONE, LINEDIALTONEMODE_NORMAL);
    });
    return 0;
}

uint32_t TSimCall::AddToConference(TRequestID R, TProviderCall* ConsultCall)
{
    if (uint32_t e = World.FailCall("lineAddToConference", LineIndex)) return e;
    TSimCall* Consult = AsSim(ConsultCall);
    if (!IsConference) return LINEERR_INVALCONFCALLHANDLE;
    if (!Consult || Consult->IsConference) return LINEERR_INVALCONSULTCALLHANDLE;
    if (FState != LINECALLSTATE_ONHOLDPENDCONF && FState != LINECALLSTATE_CONNECTED) return LINEERR_INVALCALLSTATE;
    constexpr uint32_t Joinable = LINECALLSTATE_CONNECTED | LINECALLSTATE_RINGBACK | LINECALLSTATE_PROCEEDING |
                                  LINECALLSTATE_ONHOLD;
    if (!(Consult->State() & Joinable)) return LINEERR_INVALCALLSTATE;
    World.Note("lineAddToConference", LineIndex, ID, std::to_string(Consult->ID));
    std::weak_ptr<TSimCall> Conf = shared_from_this(), New = Consult->shared_from_this();
    World.Reply("lineAddToConference", LineIndex, R, [Conf, New] {
        auto k = Conf.lock(), n = New.lock();
        if (!k || !n || k->State() == LINECALLSTATE_IDLE || n->State() == LINECALLSTATE_IDLE) return;
        n->PendingConference.reset();
        n->ConferenceOf = k;
        k->Members.push_back(n);
        n->SetState(LINECALLSTATE_CONFERENCED, 0, k.get());
        k->SetState(LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
    });
    return 0;
}

// --- Park and redirect -------------------------------------------------------------------

uint32_t TSimCall::Park(TRequestID R, uint32_t ParkMode, const std::string& DirAddress)
{
    if (uint32_t e = World.FailCall("lineParkA", LineIndex)) return e;
    if (FState != LINECALLSTATE_CONNECTED && FState != LINECALLSTATE_ONHOLD) return LINEERR_INVALCALLSTATE;
    std::string Where;
    if (ParkMode == LINEPARKMODE_DIRECTED) {
        Where = Digits(DirAddress);
        if (Where.empty()) return LINEERR_INVALADDRESS;
        if (World.Parked.count(Where)) return LINEERR_INVALADDRESS;   // the orbit is taken
    } else {
        do Where = std::to_string(700 + World.NextParkSlot++);
        while (World.Parked.count(Where));
    }
    World.Note("lineParkA", LineIndex, ID, Where);
    std::weak_ptr<TSimCall> w = shared_from_this();
    World.Reply("lineParkA", LineIndex, R,
                [w, Where] {
                    auto c = w.lock();
                    if (!c || c->State() == LINECALLSTATE_IDLE || c->World.Parked.count(Where)) return;
                    TSimWorld& W = c->World;
                    TParked& P = W.Parked[Where];
                    auto p = c->Peer.lock();
                    P.Peer = p;
                    P.Number = p ? W.AddressOf(p->LineIndex, p->AddressID())
                                 : (c->Origin == LINECALLORIGIN_OUTBOUND ? c->Dialled : c->CallerID);
                    P.Name = c->Origin == LINECALLORIGIN_OUTBOUND ? std::string() : c->CallerIDName;
                    P.Origin = p ? LINECALLORIGIN_INTERNAL : LINECALLORIGIN_EXTERNAL;
                    c->ParkedAt = Where;
                    if (p) p->Peer.reset();
                    c->Peer.reset();
                    c->SetState(LINECALLSTATE_IDLE, 0);
                },
                ParkMode == LINEPARKMODE_NONDIRECTED ? Where : std::string());
    return 0;
}

uint32_t TSimCall::Redirect(TRequestID R, const std::string& Dest, uint32_t)
{
    if (uint32_t e = World.FailCall("lineRedirectA", LineIndex)) return e;
    if (FState != LINECALLSTATE_OFFERING && FState != LINECALLSTATE_ACCEPTED) return LINEERR_INVALCALLSTATE;
    if (Digits(Dest).empty()) return LINEERR_INVALADDRESS;
    World.Note("lineRedirectA", LineIndex, ID, Dest);
    std::weak_ptr<TSimCall> w = shared_from_this();
    World.Reply("lineRedirectA", LineIndex, R, [w, Dest] {
        auto c = w.lock();
        if (!c || c->State() == LINECALLSTATE_IDLE) return;
        c->RedirectedTo = Dest;
        MoveParty(*c, Dest, LINECALLREASON_REDIRECT);
        c->SetState(LINECALLSTATE_IDLE, 0);
    });
    return 0;
}

// --- Media --------------------------------------------------------------------------------

uint32_t TSimCall::GenerateDigits(uint32_t DigitMode, const std::string& DigitText, uint32_t Duration,
                                  uint32_t EndToEndID)
{
    if (uint32_t e = World.FailCall("lineGenerateDigitsA", LineIndex)) return e;
    if (!(FState & Audible)) return LINEERR_INVALCALLSTATE;
    CancelGeneration();
    if (DigitText.empty()) return 0;
    World.Note("lineGenerateDigitsA", LineIndex, ID, DigitText);
    DigitsGenerated += DigitText;
    // The other end, when it is on the switch, hears the digits.
    if (auto p = Peer.lock(); p && World.Host)
        for (char d : DigitText) {
            if (d == ',') continue;
            World.Host->CallDigit(p.get(), d, DigitMode);
            if (DigitMode == LINEDIGITMODE_DTMF) World.Host->CallDigit(p.get(), d, LINEDIGITMODE_DTMFEND);
        }
    uint32_t PerDigit = (Duration ? Duration : 50) + 50;
    GenerateID = EndToEndID;
    std::weak_ptr<TSimCall> w = shared_from_this();
    GenerateTimer = World.After(static_cast<uint32_t>(DigitText.size()) * PerDigit, [w, EndToEndID] {
        auto c = w.lock();
        if (!c || c->GenerateID != EndToEndID) return;
        c->GenerateID = 0;
        c->GenerateTimer = 0;
        if (c->World.Host) c->World.Host->CallGenerateEnded(c.get(), EndToEndID, LINEGENERATETERM_DONE);
    });
    return 0;
}

uint32_t TSimCall::GenerateTone(uint32_t ToneMode, uint32_t Duration, const std::vector<LINEGENERATETONE>& Tones,
                                uint32_t EndToEndID)
{
    if (uint32_t e = World.FailCall("lineGenerateTone", LineIndex)) return e;
    if (!(FState & Audible)) return LINEERR_INVALCALLSTATE;
    CancelGeneration();
    if (ToneMode == 0) return 0;
    World.Note("lineGenerateTone", LineIndex, ID, std::to_string(ToneMode));
    TonesGenerated.push_back(ToneMode);
    uint32_t f[3];
    ToneFrequencies(ToneMode, Tones, f);
    if (auto p = Peer.lock(); p && World.Host) World.Host->CallTone(p.get(), true, f[0], f[1], f[2]);
    GenerateID = EndToEndID;
    // Beeps and billing tones are short; the others last until cancelled
    // unless a duration is given.
    if (Duration == 0 && ToneMode == LINETONEMODE_BEEP) Duration = 200;
    if (Duration == 0 && ToneMode == LINETONEMODE_BILLING) Duration = 100;
    if (Duration == 0) return 0;
    std::weak_ptr<TSimCall> w = shared_from_this();
    GenerateTimer = World.After(Duration, [w, EndToEndID] {
        auto c = w.lock();
        if (!c || c->GenerateID != EndToEndID) return;
        c->GenerateID = 0;
        c->GenerateTimer = 0;
        if (!c->World.Host) return;
        c->World.Host->CallGenerateEnded(c.get(), EndToEndID, LINEGENERATETERM_DONE);
        if (auto p = c->Peer.lock()) c->World.Host->CallTone(p.get(), false, 0, 0, 0);
    });
    return 0;
}

uint32_t TSimCall::Listen(uint32_t Feature, bool Start, const char* Function, const std::string& Detail)
{
    if (uint32_t e = World.FailCall(Function, LineIndex)) return e;
    if (Start && !(Features() & Feature)) return LINEERR_OPERATIONUNAVAIL;
    World.Note(Function, LineIndex, ID, Detail);
    return 0;
}

uint32_t TSimCall::SetMediaMode(uint32_t MediaModes)
{
    if (uint32_t e = World.FailCall("lineSetMediaMode", LineIndex)) return e;
    if (Media == MediaModes) return 0;
    Media = MediaModes;
    World.Note("lineSetMediaMode", LineIndex, ID, std::to_string(MediaModes));
    if (World.Host) World.Host->CallInfo(this, LINECALLINFOSTATE_MEDIAMODE);
    return 0;
}

}  // namespace kxtapi::service::simulated
