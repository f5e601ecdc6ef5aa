#include "service/providers/sip/ua/sip_session.h"

#include "kxtapi/tapi/media_files.h"
#include "service/providers/sip/sip_caller_id.h"
#include "service/providers/sip/sip_status.h"
#include "service/providers/sip/sip_uri.h"
#include "service/providers/sip/ua/re_headers.h"
#include "service/providers/sip/ua/sip_call.h"
#include "service/providers/sip/ua/sip_line.h"
#include "service/providers/sip/ua/sip_ua.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kxtapi::service::sip {

namespace {

bool HasSdp(const struct sip_msg* Msg)
{
    return Msg && Msg->mb && mbuf_get_left(Msg->mb) > 0 && msg_ctype_cmp(&Msg->ctyp, "application", "sdp");
}

// Who a request comes from: P-Asserted-Identity when the network vouches
// for it, else From; Privacy may withhold it.
TPartyIdentity IdentityOf(const struct sip_msg* Msg)
{
    std::string Privacy;
    if (const struct sip_hdr* h = sip_msg_hdr(Msg, SIP_HDR_PRIVACY)) Privacy = Text(h->val);
    if (const struct sip_hdr* h = sip_msg_hdr(Msg, SIP_HDR_P_ASSERTED_IDENTITY)) {
        struct sip_addr a {};
        if (sip_addr_decode(&a, &h->val) == 0)
            return CallerIdentity(Text(a.dname), Text(a.uri.user), Text(a.uri.host), Privacy);
    }
    return CallerIdentity(Text(Msg->from.dname), Text(Msg->from.uri.user), Text(Msg->from.uri.host), Privacy);
}

}  // namespace

TSipSession::TSipSession(TSipUa& Ua, std::shared_ptr<TSipCall> C, bool Outgoing)
    : Media(Ua.Account,
            TSipMedia::THandlers{
                [this](char Digit, bool End) {
                    std::shared_ptr<TSipCall> c = Call;
                    Report([c, Digit, End] { c->Digit(Digit, End ? LINEDIGITMODE_DTMFEND : LINEDIGITMODE_DTMF); });
                },
                [this] {
                    uint32_t Id = FGenerateID;
                    FGenerateID = 0;
                    std::shared_ptr<TSipCall> c = Call;
                    if (Id) Report([c, Id] { c->GenerateEnded(Id, LINEGENERATETERM_DONE); });
                },
                [this] {
                    TRequestID R = FPlayRequest;
                    std::shared_ptr<TSipCall> c = Call;
                    TSipContext* Ctx = &FUa.Ctx;
                    Report([c, R, Ctx] {
                        if (Ctx->Host) Ctx->Host->CallDevSpecific(c.get(), KXTAPI_DEVSPECIFIC_WAVEPLAYED, R, 0);
                    });
                }}),
      Call(std::move(C)),
      ID(Call->ID),
      FUa(Ua),
      FOutgoing(Outgoing)
{
}

TSipSession::~TSipSession()
{
    if (FNoAnswer) {
        tmr_cancel(FNoAnswer);
        delete FNoAnswer;
    }
    for (struct sipsub* s : FOldSubs) mem_deref(s);
    mem_deref(FReferSub);
    mem_deref(FReferNot);
    mem_deref(FSess);
}

bool TSipSession::Report(const std::function<void()>& Action)
{
    return FUa.Ctx.Engine.ToService(Action);
}

std::string TSipSession::CallID() const
{
    if (!FSess) return {};
    const char* c = sip_dialog_callid(sipsess_dialog(FSess));
    return c ? c : "";
}

// --- Starting calls -------------------------------------------------------------------

int TSipSession::Connect(const std::string& Uri, bool BlockID, const std::string& Headers)
{
    FUri = Uri;
    FBlockID = BlockID;
    return StartSession(Uri, BlockID, Headers);
}

int TSipSession::StartSession(const std::string& Uri, bool BlockID, const std::string& Headers)
{
    struct mbuf* Offer = Media.Offer();
    if (!Offer) return ENOMEM;
    // A withheld identity (RFC 3323): anonymous From and Privacy: id.
    const std::string From = BlockID ? "sip:anonymous@anonymous.invalid" : FUa.LocalUri;
    const char* Name = BlockID ? "Anonymous" : (FUa.DisplayName.empty() ? nullptr : FUa.DisplayName.c_str());
    std::string Extra = std::string(AllowHeader) + (BlockID ? "Privacy: id\r\n" : "") + Headers;
    int e = sipsess_connect(&FSess, FUa.SessSock, Uri.c_str(), Name, From.c_str(), FUa.Account.User.c_str(),
                            FUa.Routes.empty() ? nullptr : FUa.Routes.data(),
                            static_cast<uint32_t>(FUa.Routes.size()), "application/sdp", Offer, &TSipUa::Auth, &FUa,
                            false, &TSipSession::OnOffer, &TSipSession::OnAnswer, &TSipSession::OnProgress,
                            &TSipSession::OnEstablished, &TSipSession::OnInfo, &TSipSession::OnRefer,
                            &TSipSession::OnClose, this, "%s", Extra.c_str());
    mem_deref(Offer);
    return e;
}

uint16_t TSipSession::Accept(const struct sip_msg* Invite)
{
    FHasOffer = HasSdp(Invite);
    if (FHasOffer) {
        // Checked before ringing: without a common codec the call is
        // refused at once.
        struct mbuf* Answer = Media.Answer(Invite->mb);
        if (!Answer) return 488;
        mem_deref(Answer);
    }
    int e = sipsess_accept(&FSess, FUa.SessSock, Invite, 180, "Ringing", FUa.Account.User.c_str(), "application/sdp",
                           nullptr, &TSipUa::Auth, &FUa, false, &TSipSession::OnOffer, &TSipSession::OnAnswer,
                           &TSipSession::OnEstablished, &TSipSession::OnInfo, &TSipSession::OnRefer,
                           &TSipSession::OnClose, this, "%s", AllowHeader);
    if (e) return 500;
    TPartyIdentity Caller = IdentityOf(Invite);
    TPartyIdentity Called{UnescapeUser(Text(Invite->uri.user)), {}, false};
    std::shared_ptr<TSipCall> c = Call;
    bool Reported = Report([c, Caller, Called] {
        c->Caller = Caller;
        c->CallerKnown = true;
        c->Called = Called;
        c->CalledKnown = true;
        c->Reason = LINECALLREASON_DIRECT;
        c->Announce(LINECALLSTATE_OFFERING, LINEOFFERINGMODE_ACTIVE);
    });
    if (!Reported) {
        sipsess_reject(FSess, 503, "Service Unavailable", nullptr);
        return 0;
    }
    return 0;
}

uint16_t TSipSession::AcceptReplacing(const struct sip_msg* Invite)
{
    FHasOffer = HasSdp(Invite);
    struct mbuf* Desc = FHasOffer ? Media.Answer(Invite->mb) : Media.Offer();
    if (!Desc) return 488;
    int e = sipsess_accept(&FSess, FUa.SessSock, Invite, 200, "OK", FUa.Account.User.c_str(), "application/sdp", Desc,
                           &TSipUa::Auth, &FUa, false, &TSipSession::OnOffer, &TSipSession::OnAnswer,
                           &TSipSession::OnEstablished, &TSipSession::OnInfo, &TSipSession::OnRefer,
                           &TSipSession::OnClose, this, "%s", AllowHeader);
    mem_deref(Desc);
    if (e) return 500;
    FAnswered = true;
    TPartyIdentity Caller = IdentityOf(Invite);
    TPartyIdentity Called{UnescapeUser(Text(Invite->uri.user)), {}, false};
    std::shared_ptr<TSipCall> c = Call;
    Report([c, Caller, Called] {
        c->Caller = Caller;
        c->CallerKnown = true;
        c->Called = Called;
        c->CalledKnown = true;
        c->Connected = Caller;
        c->ConnectedKnown = true;
        c->Reason = LINECALLREASON_TRANSFER;
        c->Announce(LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
    });
    return 0;
}

void TSipSession::StartNoAnswer(uint32_t Seconds)
{
    if (!FNoAnswer) {
        FNoAnswer = new tmr;
        tmr_init(FNoAnswer);
    }
    tmr_start(FNoAnswer, static_cast<uint64_t>(Seconds) * 1000, &TSipSession::OnNoAnswer, this);
}

void TSipSession::OnNoAnswer(void* Arg)
{
    auto* s = static_cast<TSipSession*>(Arg);
    if (s->FEstablished || s->FEnded) return;
    s->End();
    std::shared_ptr<TSipCall> c = s->Call;
    s->Report([c] { c->SetState(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NOANSWER); });
    s->FUa.Release(s->ID);
}

// --- Commands ---------------------------------------------------------------------------

void TSipSession::Answer(TRequestID R)
{
    std::shared_ptr<TSipCall> c = Call;
    if (!FSess || FEnded || FOutgoing || FAnswered) {
        Report([c, R] { c->Complete(R, LINEERR_INVALCALLSTATE); });
        return;
    }
    // Our answer to the INVITE's offer, or an offer of ours when it had none
    // (the far end answers in its ACK).
    struct mbuf* Desc = FHasOffer ? Media.Reanswer() : Media.Offer();
    int e = Desc ? sipsess_answer(FSess, 200, "OK", Desc, "%s", AllowHeader) : ENOMEM;
    mem_deref(Desc);
    if (e) {
        Report([c, R] { c->Complete(R, LINEERR_OPERATIONFAILED); });
        return;
    }
    FAnswered = true;
    FUa.StartClock();
    Report([c, R] {
        c->Connected = c->Caller;
        c->ConnectedKnown = c->CallerKnown;
        c->Complete(R, 0, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
        c->InfoChanged(LINECALLINFOSTATE_CONNECTEDID);
    });
}

void TSipSession::End()
{
    if (FNoAnswer) tmr_cancel(FNoAnswer);
    Media.CancelDigits();
    if (FSess && !FEnded && !FOutgoing && !FAnswered) sipsess_reject(FSess, 603, "Decline", nullptr);
    FEnded = true;
    // Releasing the session sends BYE, or CANCEL while the INVITE is
    // unanswered.
    FSess = static_cast<struct sipsess*>(mem_deref(FSess));
}

void TSipSession::Hangup(TRequestID R)
{
    End();
    std::shared_ptr<TSipCall> c = Call;
    TRequestID Modify = FModifyRequest, Transfer = FTransferRequest;
    FModifyRequest = FTransferRequest = 0;
    FModifyPending = false;
    Report([c, R, Modify, Transfer] {
        if (Modify) c->Complete(Modify, LINEERR_INVALCALLSTATE);
        if (Transfer) c->Complete(Transfer, LINEERR_INVALCALLSTATE);
        if (R) c->Complete(R, 0);
        c->SetState(LINECALLSTATE_IDLE, 0);
    });
    FUa.Release(ID);
}

void TSipSession::Redirect(TRequestID R, const std::string& Uri)
{
    std::shared_ptr<TSipCall> c = Call;
    if (!FSess || FEnded || FOutgoing || FAnswered) {
        Report([c, R] { c->Complete(R, LINEERR_INVALCALLSTATE); });
        return;
    }
    // With headers of ours, libre leaves the end of the header block to us.
    sipsess_reject(FSess, 302, "Moved Temporarily", "Contact: <%s>\r\nContent-Length: 0\r\n\r\n", Uri.c_str());
    FAnswered = true;   // answered with the redirection: no 603 after it
    End();
    Report([c, R] {
        c->Complete(R, 0);
        c->SetState(LINECALLSTATE_IDLE, 0);
    });
    FUa.Release(ID);
}

void TSipSession::Modify(TRequestID R, bool Hold, uint32_t OkState, uint32_t OkMode)
{
    std::shared_ptr<TSipCall> c = Call;
    if (!FSess || FEnded || !FEstablished || FModifyPending) {
        Report([c, R] { c->Complete(R, LINEERR_INVALCALLSTATE); });
        return;
    }
    Media.SetHold(Hold);
    struct mbuf* Offer = Media.Offer();
    int e = Offer ? sipsess_modify(FSess, Offer) : ENOMEM;
    mem_deref(Offer);
    if (e) {
        Media.SetHold(!Hold);
        Report([c, R] { c->Complete(R, LINEERR_OPERATIONFAILED); });
        return;
    }
    FModifyPending = true;
    FModifyRequest = R;
    FModifyState = OkState;
    FModifyMode = OkMode;
}

void TSipSession::BlindTransfer(TRequestID R, const std::string& Uri)
{
    std::shared_ptr<TSipCall> c = Call;
    if (!FSess || FEnded || !FEstablished || FTransferRequest) {
        Report([c, R] { c->Complete(R, LINEERR_INVALCALLSTATE); });
        return;
    }
    if (FReferSub) FOldSubs.push_back(FReferSub);
    FReferSub = nullptr;
    int e = sipevent_drefer(&FReferSub, FUa.EventSock, sipsess_dialog(FSess), FUa.Account.User.c_str(),
                            &TSipUa::Auth, &FUa, false, &TSipSession::OnReferNotify, &TSipSession::OnReferClose, this,
                            "Refer-To: <%s>\r\nReferred-By: <%s>\r\n", Uri.c_str(), FUa.LocalUri.c_str());
    if (e) {
        Report([c, R] { c->Complete(R, LINEERR_OPERATIONFAILED); });
        return;
    }
    FTransferRequest = R;
    FTransferConsult = 0;
}

void TSipSession::ConsultTransfer(TRequestID R, TSipSession& Consult)
{
    std::shared_ptr<TSipCall> c = Call;
    if (!Consult.FEstablished || Consult.FEnded || Consult.FRemoteTag.empty()) {
        Report([c, R] { c->Complete(R, LINEERR_INVALCALLSTATE); });
        return;
    }
    // RFC 3891: the tags as the transfer target sees its dialog with us.
    const std::string Replaces =
        Consult.CallID() + ";to-tag=" + Consult.FRemoteTag + ";from-tag=" + Consult.FLocalTag;
    std::string Target = Consult.FOutgoing ? Consult.FUri : Consult.FRemoteUri;
    BlindTransfer(R, Target + "?Replaces=" + EscapeUriHeader(Replaces));
    if (FTransferRequest == R) FTransferConsult = Consult.ID;
}

void TSipSession::SendDigits(const std::string& Digits, uint32_t Duration, uint32_t EndToEndID)
{
    FGenerateID = EndToEndID;
    Media.SendDigits(Digits, Duration);
}

void TSipSession::CancelDigits()
{
    FGenerateID = 0;
    Media.CancelDigits();
}

void TSipSession::MediaFile(TRequestID R, uint32_t Operation, const std::string& Path, uint32_t Flags)
{
    std::shared_ptr<TSipCall> c = Call;
    uint32_t Result = 0;
    if (FEnded || !Media.Started()) {
        Result = LINEERR_INVALCALLSTATE;
    } else {
        switch (Operation) {
        case mfPlay:
            if (Media.Play(Path, (Flags & KXTAPI_WAVEPLAY_LOOP) != 0)) Result = LINEERR_INVALPARAM;
            else FPlayRequest = R;
            break;
        case mfStopPlaying:
            Media.StopPlaying();
            break;
        case mfRecord:
            if (Media.Record(Path)) Result = LINEERR_INVALPARAM;
            break;
        case mfStopRecording:
            Media.StopRecording();
            break;
        default:
            Result = LINEERR_OPERATIONUNAVAIL;
        }
    }
    Report([c, R, Result] { c->Complete(R, Result); });
}

void TSipSession::CheckSilence(uint64_t Now)
{
    const uint32_t Timeout = FUa.Account.RtpTimeout;
    if (!FEstablished || FEnded || Timeout == 0) return;
    if (Media.SilentFor(Now) < static_cast<uint64_t>(Timeout) * 1000) return;
    // No RTP for that long: the far end is gone (a lost BYE, a crash).
    End();
    std::shared_ptr<TSipCall> c = Call;
    Report([c] {
        if (c->State() != LINECALLSTATE_IDLE)
            c->SetState(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_UNREACHABLE);
    });
    FUa.Release(ID);
}

// --- libre's handlers -------------------------------------------------------------------

int TSipSession::OnOffer(struct mbuf** Desc, const struct sip_msg* Msg, void* Arg)
{
    auto* s = static_cast<TSipSession*>(Arg);
    struct mbuf* Answer = s->Media.Answer(Msg->mb);
    if (!Answer) return EPROTO;
    *Desc = Answer;
    s->FUa.StartClock();
    bool Held = s->Media.RemoteHolds();
    if (Held != s->FRemoteHeld) {
        s->FRemoteHeld = Held;
        std::shared_ptr<TSipCall> c = s->Call;
        s->Report([c, Held] { c->SetRemoteHold(Held); });
    }
    return 0;
}

int TSipSession::OnAnswer(const struct sip_msg* Msg, void* Arg)
{
    auto* s = static_cast<TSipSession*>(Arg);
    bool Ok = s->Media.TakeAnswer(Msg->mb);
    if (Ok) s->FUa.StartClock();
    if (s->FModifyPending) {
        TRequestID R = s->FModifyRequest;
        s->FModifyPending = false;
        s->FModifyRequest = 0;
        uint32_t State = s->FModifyState, Mode = s->FModifyMode;
        std::shared_ptr<TSipCall> c = s->Call;
        s->Report([c, R, Ok, State, Mode] { c->Complete(R, Ok ? 0 : LINEERR_OPERATIONFAILED, State, Mode); });
    }
    return Ok ? 0 : EPROTO;
}

void TSipSession::OnProgress(const struct sip_msg* Msg, void* Arg)
{
    auto* s = static_cast<TSipSession*>(Arg);
    std::shared_ptr<TSipCall> c = s->Call;
    if (HasSdp(Msg) && s->Media.TakeAnswer(Msg->mb)) s->FUa.StartClock();   // early media
    if (Msg->scode == 100) {
        if (s->FProceeding) return;
        s->FProceeding = true;
        s->Report([c] {
            if (c->State() == LINECALLSTATE_DIALING) c->SetState(LINECALLSTATE_PROCEEDING, 0);
        });
    } else if (Msg->scode == 180 || Msg->scode == 183) {
        s->Report([c] {
            if (c->State() == LINECALLSTATE_DIALING || c->State() == LINECALLSTATE_PROCEEDING)
                c->SetState(LINECALLSTATE_RINGBACK, 0);
        });
    }
}

void TSipSession::OnEstablished(const struct sip_msg* Msg, void* Arg)
{
    auto* s = static_cast<TSipSession*>(Arg);
    s->FEstablished = true;
    if (s->FNoAnswer) tmr_cancel(s->FNoAnswer);
    // The 200 (ours were the requests) or the ACK (theirs) carries both tags.
    if (s->FOutgoing) {
        s->FLocalTag = Text(Msg->from.tag);
        s->FRemoteTag = Text(Msg->to.tag);
    } else {
        s->FLocalTag = Text(Msg->to.tag);
        s->FRemoteTag = Text(Msg->from.tag);
        s->FRemoteUri = Text(Msg->from.auri);
    }
    if (!s->FOutgoing) return;   // answered calls reported CONNECTED with the 200
    TPartyIdentity Who = IdentityOf(Msg);
    if (!sip_msg_hdr(Msg, SIP_HDR_P_ASSERTED_IDENTITY))
        Who = CallerIdentity(Text(Msg->to.dname), Text(Msg->to.uri.user), Text(Msg->to.uri.host), {});
    std::shared_ptr<TSipCall> c = s->Call;
    s->Report([c, Who] {
        c->Connected = Who;
        c->ConnectedKnown = true;
        c->SetState(LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
        c->InfoChanged(LINECALLINFOSTATE_CONNECTEDID);
    });
    if (s->FReferrer)
        if (TSipSession* r = s->FUa.Find(s->FReferrer)) r->TransferProgress(200);
}

void TSipSession::OnInfo(struct sip* Sip, const struct sip_msg* Msg, void* Arg)
{
    auto* s = static_cast<TSipSession*>(Arg);
    // DTMF by SIP INFO (application/dtmf-relay: "Signal=5"), which some
    // phones send instead of RFC 4733 events.
    if (msg_ctype_cmp(&Msg->ctyp, "application", "dtmf-relay") && Msg->mb) {
        struct pl Signal {};
        if (re_regex(reinterpret_cast<const char*>(mbuf_buf(Msg->mb)), mbuf_get_left(Msg->mb),
                     "Signal=[ \t]*[0-9*#A-Da-d]+", nullptr, &Signal) == 0 &&
            Signal.l == 1) {
            char d = Signal.p[0];
            std::shared_ptr<TSipCall> c = s->Call;
            s->Report([c, d] {
                c->Digit(d, LINEDIGITMODE_DTMF);
                c->Digit(d, LINEDIGITMODE_DTMFEND);
            });
        }
    }
    sip_treply(nullptr, Sip, Msg, 200, "OK");
}

void TSipSession::OnClose(int Err, const struct sip_msg* Msg, void* Arg)
{
    static_cast<TSipSession*>(Arg)->Closed(Err, Msg);
}

void TSipSession::Closed(int Err, const struct sip_msg* Msg)
{
    if (FEnded) return;
    FEnded = true;
    if (FNoAnswer) tmr_cancel(FNoAnswer);
    Media.CancelDigits();
    uint16_t Status = Msg && !Msg->req ? Msg->scode : 0;
    std::shared_ptr<TSipCall> c = Call;
    // A redirection of our INVITE is followed, as a phone would.
    if (FOutgoing && !FEstablished && Status >= 300 && Status < 400 && FRedirects < 3) {
        if (const struct sip_hdr* h = sip_msg_hdr(Msg, SIP_HDR_CONTACT)) {
            struct sip_addr a {};
            std::string Target;
            if (sip_addr_decode(&a, &h->val) == 0) Target = Text(a.auri);
            if (ParseSipUri(Target)) {
                int Redirects = FRedirects + 1;
                FUa.Release(ID);
                auto Next = std::make_unique<TSipSession>(FUa, c, true);
                Next->FRedirects = Redirects;
                Next->FReferrer = FReferrer;
                if (Next->Media.Open(FUa.LocalAddr) == 0 && Next->Connect(Target, FBlockID, {}) == 0) {
                    FUa.Adopt(std::move(Next));
                    return;
                }
            }
        }
    }
    uint32_t Mode = Status >= 300 ? DisconnectModeOfStatus(Status) : DisconnectModeOfError(Err);
    TRequestID Modify = FModifyRequest, Transfer = FTransferRequest;
    FModifyRequest = FTransferRequest = 0;
    FModifyPending = false;
    Report([c, Mode, Modify, Transfer] {
        if (Modify) c->Complete(Modify, LINEERR_OPERATIONFAILED);
        if (Transfer) c->Complete(Transfer, LINEERR_OPERATIONFAILED);
        if (c->State() != LINECALLSTATE_IDLE && c->State() != LINECALLSTATE_DISCONNECTED)
            c->SetState(LINECALLSTATE_DISCONNECTED, Mode);
    });
    if (FReferrer && !FEstablished)
        if (TSipSession* r = FUa.Find(FReferrer)) r->TransferProgress(Status >= 300 ? Status : 503);
    FUa.Release(ID);
}

// --- Transfers ---------------------------------------------------------------------------

void TSipSession::OnReferNotify(struct sip* Sip, const struct sip_msg* Msg, void* Arg)
{
    auto* s = static_cast<TSipSession*>(Arg);
    sip_treply(nullptr, Sip, Msg, 200, "OK");
    // The body is a fragment of the transferee's call: "SIP/2.0 200 OK".
    struct pl Code {};
    if (!Msg->mb ||
        re_regex(reinterpret_cast<const char*>(mbuf_buf(Msg->mb)), mbuf_get_left(Msg->mb), "SIP/2.0 [0-9]+", &Code))
        return;
    uint32_t Status = pl_u32(&Code);
    if (Status >= 200) s->ReferDone(Status < 300);
}

void TSipSession::OnReferClose(int, const struct sip_msg*, const struct sipevent_substate*, void* Arg)
{
    auto* s = static_cast<TSipSession*>(Arg);
    // Refused, or ended without a final report: the transfer failed.
    if (s->FTransferRequest) s->ReferDone(false);
}

void TSipSession::ReferDone(bool Ok)
{
    TRequestID R = FTransferRequest;
    if (!R) return;
    FTransferRequest = 0;
    std::shared_ptr<TSipCall> c = Call;
    if (!Ok) {
        Report([c, R] { c->Complete(R, LINEERR_OPERATIONFAILED); });
        return;
    }
    // Our party is with the target now: our part of the call ends, and so
    // does the consultation call it replaced.
    uint32_t Consult = FTransferConsult;
    FTransferConsult = 0;
    End();
    Report([c, R] {
        c->Complete(R, 0);
        c->SetState(LINECALLSTATE_IDLE, 0);
    });
    if (Consult)
        if (TSipSession* k = FUa.Find(Consult)) k->Hangup(0);
    FUa.Release(ID);
}

void TSipSession::OnRefer(struct sip* Sip, const struct sip_msg* Msg, void* Arg)
{
    auto* s = static_cast<TSipSession*>(Arg);
    s->Transferred(Msg);
    (void)Sip;
}

void TSipSession::Transferred(const struct sip_msg* Refer)
{
    const struct sip_hdr* h = sip_msg_hdr(Refer, SIP_HDR_REFER_TO);
    struct sip_addr a {};
    if (!h || sip_addr_decode(&a, &h->val)) {
        sip_treply(nullptr, FUa.Sip, Refer, 400, "Bad Refer-To");
        return;
    }
    std::optional<TReferTarget> Target = ParseReferTarget(Text(a.auri));
    if (!Target) {
        sip_treply(nullptr, FUa.Sip, Refer, 400, "Bad Refer-To");
        return;
    }
    const std::string Uri = Target->Uri;
    const std::string Headers = Target->Replaces.empty() ? std::string() : "Replaces: " + Target->Replaces + "\r\n";
    if (FReferNot || FEnded) {
        sip_treply(nullptr, FUa.Sip, Refer, 491, "Request Pending");
        return;
    }
    if (sipevent_accept(&FReferNot, FUa.EventSock, Refer, sipsess_dialog(FSess), nullptr, 202, "Accepted", 60, 60, 60,
                        FUa.Account.User.c_str(), "message/sipfrag", &TSipUa::Auth, &FUa, false,
                        &TSipSession::OnNotifierClose, this, "%s", AllowHeader))
        return;
    sipevent_notifyf(FReferNot, nullptr, SIPEVENT_ACTIVE, SIPEVENT_DEACTIVATED, 0, "SIP/2.0 100 Trying\r\n");
    // The new call, on this line, as the transferor asked.
    std::shared_ptr<TSipCall> NewCall;
    std::shared_ptr<TSipLine> L = FUa.Line;
    Report([&NewCall, L] {
        NewCall = L->NewCall(LINECALLORIGIN_OUTBOUND);
        NewCall->Reason = LINECALLREASON_TRANSFER;
    });
    if (!NewCall) return;
    FUa.Connect(NewCall, Uri, 0, false, 0, Headers + "Referred-By: <" + Text(Refer->from.auri) + ">\r\n", ID);
}

void TSipSession::TransferProgress(uint16_t Status)
{
    if (!FReferNot) return;
    const char* Reason = Status == 200 ? "OK" : "Failed";
    sipevent_notifyf(FReferNot, nullptr, SIPEVENT_TERMINATED, SIPEVENT_NORESOURCE, 0, "SIP/2.0 %u %s\r\n",
                     static_cast<unsigned>(Status), Reason);
}

void TSipSession::OnNotifierClose(int, const struct sip_msg*, void*)
{
}

}  // namespace kxtapi::service::sip
