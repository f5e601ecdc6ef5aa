#include "service/providers/sip/ua/sip_ua.h"

#include "service/config/config_error.h"
#include "service/providers/sip/ua/sip_call.h"
#include "service/providers/sip/ua/sip_line.h"
#include "service/providers/sip/ua/sip_session.h"

#include <cstring>

namespace kxtapi::service::sip {

namespace {

constexpr uint32_t TickMs = 20;

}  // namespace

TSipUa::TSipUa(TSipContext& C, const TSipAccount& A, std::shared_ptr<TSipLine> L)
    : Ctx(C), Account(A), Line(std::move(L))
{
    LocalUri = Account.AddressUri();
    DisplayName = Account.DisplayName;
    FOutboundProxy = OverTransport(Account.OutboundProxy);
    FRegistrar = OverTransport(Account.Registrar);
    if (!FOutboundProxy.empty()) Routes.push_back(FOutboundProxy.c_str());
    tmr_init(&FTick);
    tmr_init(&FReap);
    tmr_init(&FRegRetry);
    tmr_init(&FRegLapse);
}

TSipUa::~TSipUa()
{
    tmr_cancel(&FTick);
    tmr_cancel(&FReap);
    tmr_cancel(&FRegRetry);
    tmr_cancel(&FRegLapse);
    FSessions.clear();
    FDead.clear();
    FReg = static_cast<struct sipreg*>(mem_deref(FReg));
    EventSock = static_cast<struct sipevent_sock*>(mem_deref(EventSock));
    SessSock = static_cast<struct sipsess_sock*>(mem_deref(SessSock));
    if (Sip) sip_close(Sip, true);
    Sip = static_cast<struct sip*>(mem_deref(Sip));
    FDns = static_cast<struct dnsc*>(mem_deref(FDns));
}

void TSipUa::Start()
{
    const std::string ListenKey = Account.Key + ".listen";
    if (int e = sa_set_str(&LocalAddr, Account.Listen.Host.c_str(), Account.Listen.Port))
        throw TConfigError(ListenKey, std::string("is not an address of this machine: ") + std::strerror(e));
    // Host names (a registrar's, a domain's) are looked up with the
    // system's name servers; numeric addresses never are.
    struct sa Servers[4];
    uint32_t Count = 4;
    char Domain[128] = "";
    if (dns_srv_get(Domain, sizeof Domain, Servers, &Count) == 0 && Count > 0)
        dnsc_alloc(&FDns, nullptr, Servers, Count);
    if (int e = sip_alloc(&Sip, FDns, 64, 64, 64, "kxtapi", &TSipUa::OnExit, this))
        throw TConfigError(ListenKey, std::string("cannot start SIP: ") + std::strerror(e));
    if (int e = sip_transp_add(Sip, SIP_TRANSP_UDP, &LocalAddr))
        throw TConfigError(ListenKey, std::string("cannot listen on UDP: ") + std::strerror(e));
    // Port 0 chose a free port: every other transport and every Contact
    // uses the one UDP got.
    struct sa Bound {};
    if (sip_transp_laddr(Sip, &Bound, SIP_TRANSP_UDP, nullptr) == 0) sa_set_port(&LocalAddr, sa_port(&Bound));
    if (Account.Transport == stTcp) {
        if (int e = sip_transp_add(Sip, SIP_TRANSP_TCP, &LocalAddr))
            throw TConfigError(ListenKey, std::string("cannot listen on TCP: ") + std::strerror(e));
    }
    if (int e = sipsess_listen(&SessSock, Sip, 32, &TSipUa::OnConnect, this))
        throw TConfigError(ListenKey, std::string("cannot take calls: ") + std::strerror(e));
    if (int e = sipevent_listen(&EventSock, Sip, 32, 32, &TSipUa::OnSubscribe, this))
        throw TConfigError(ListenKey, std::string("cannot take transfers: ") + std::strerror(e));
}

void TSipUa::Shutdown(std::function<void()> Done)
{
    FOpen = false;
    tmr_cancel(&FRegRetry);
    tmr_cancel(&FRegLapse);
    tmr_cancel(&FTick);
    // Releasing the sessions sends their BYEs and CANCELs, releasing the
    // registration its un-REGISTER; the stack lets us know when those
    // transactions are over.
    for (auto& [id, s] : FSessions) s->End();
    FSessions.clear();
    FDead.clear();
    FReg = static_cast<struct sipreg*>(mem_deref(FReg));
    EventSock = static_cast<struct sipevent_sock*>(mem_deref(EventSock));
    SessSock = static_cast<struct sipsess_sock*>(mem_deref(SessSock));
    FExitDone = std::move(Done);
    if (Sip) sip_close(Sip, false);
    else if (FExitDone) FExitDone();
}

void TSipUa::OnExit(void* Arg)
{
    auto* Ua = static_cast<TSipUa*>(Arg);
    if (auto Done = std::move(Ua->FExitDone)) Done();
}

std::string TSipUa::OverTransport(const std::string& Uri) const
{
    if (Account.Transport != stTcp || Uri.empty() || Uri.find(";transport=") != std::string::npos) return Uri;
    // Parameters end before the headers part.
    size_t Headers = Uri.find('?');
    std::string Out = Uri.substr(0, Headers) + ";transport=tcp";
    if (Headers != std::string::npos) Out += Uri.substr(Headers);
    return Out;
}

int TSipUa::Auth(char** User, char** Password, const char*, void* Arg)
{
    auto* Ua = static_cast<TSipUa*>(Arg);
    int e = str_dup(User, Ua->Account.AuthUser.c_str());
    if (!e) e = str_dup(Password, Ua->Account.Password.c_str());
    return e;
}

bool TSipUa::OnSubscribe(const struct sip_msg* Msg, void* Arg)
{
    // REFERs inside a call reach the call's session; nothing else is
    // offered to subscribe to.
    auto* Ua = static_cast<TSipUa*>(Arg);
    sip_treply(nullptr, Ua->Sip, Msg, 489, "Bad Event");
    return true;
}

// --- Line state -------------------------------------------------------------------

void TSipUa::OpenLine()
{
    FOpen = true;
    if (Account.Registrar.empty()) {
        ReportRegistration(true, "in service (direct calls, no registrar)");
        return;
    }
    FRegFailures = 0;
    ReportRegistration(false, "registering");
    Register();
}

void TSipUa::CloseLine()
{
    FOpen = false;
    Unregister();
    FReportedInService = false;
    FReportedText.clear();
}

void TSipUa::ReportRegistration(bool InService, const std::string& Text)
{
    if (InService == FReportedInService && Text == FReportedText) return;
    FReportedInService = InService;
    FReportedText = Text;
    std::shared_ptr<TSipLine> L = Line;
    Ctx.Engine.ToService([L, InService, Text] { L->SetRegistration(InService, Text); });
}

// --- Registration -------------------------------------------------------------------

void TSipUa::Register()
{
    tmr_cancel(&FRegRetry);
    FReg = static_cast<struct sipreg*>(mem_deref(FReg));
    int e = sipreg_register(&FReg, Sip, FRegistrar.c_str(), LocalUri.c_str(),
                            DisplayName.empty() ? nullptr : DisplayName.c_str(), LocalUri.c_str(), Account.Expires,
                            Account.User.c_str(), Routes.empty() ? nullptr : Routes.data(),
                            static_cast<uint32_t>(Routes.size()), 0, &TSipUa::Auth, this, false,
                            &TSipUa::OnRegResponse, this, nullptr, "%s", AllowHeader);
    if (e) RegistrationFailed(std::string("cannot send REGISTER: ") + std::strerror(e));
}

void TSipUa::Unregister()
{
    tmr_cancel(&FRegRetry);
    tmr_cancel(&FRegLapse);
    // Releasing a registration that holds sends the un-REGISTER.
    FReg = static_cast<struct sipreg*>(mem_deref(FReg));
}

void TSipUa::OnRegResponse(int Err, const struct sip_msg* Msg, void* Arg)
{
    auto* Ua = static_cast<TSipUa*>(Arg);
    if (!Ua->FOpen) return;
    if (Err) {
        Ua->RegistrationFailed(std::string("no answer from the registrar (") + std::strerror(Err) + ")");
        return;
    }
    if (Msg->scode < 200) return;
    if (Msg->scode >= 300) {
        std::string Why = std::to_string(Msg->scode) + " " + Text(Msg->reason);
        if (Msg->scode == 401 || Msg->scode == 407 || Msg->scode == 403)
            Why += " (the registrar refused the account's auth_user and password)";
        Ua->RegistrationFailed("registration failed: " + Why);
        return;
    }
    Ua->FRegFailures = 0;
    // Out of service when the registration runs out without a refresh.
    uint32_t Expires = sipreg_proxy_expires(Ua->FReg);
    if (Expires == 0) Expires = Ua->Account.Expires;
    tmr_start(&Ua->FRegLapse, static_cast<uint64_t>(Expires) * 1000 + 500, &TSipUa::OnRegLapse, Ua);
    Ua->ReportRegistration(true, "registered");
}

void TSipUa::RegistrationFailed(const std::string& Why)
{
    tmr_cancel(&FRegLapse);
    ReportRegistration(false, Why);
    // libre would wait half a minute or more; a registrar that is back
    // should see us sooner. The retry starts a fresh registration.
    static constexpr uint32_t BackOff[] = {1000, 2000, 4000, 8000, 10000};
    uint32_t Wait = BackOff[std::min<uint32_t>(FRegFailures, 4)];
    ++FRegFailures;
    tmr_start(&FRegRetry, Wait, &TSipUa::OnRegRetry, this);
}

void TSipUa::OnRegRetry(void* Arg)
{
    auto* Ua = static_cast<TSipUa*>(Arg);
    if (Ua->FOpen) Ua->Register();
}

void TSipUa::OnRegLapse(void* Arg)
{
    auto* Ua = static_cast<TSipUa*>(Arg);
    // libre keeps sending the refresh; its answer puts the line back.
    Ua->ReportRegistration(false, "registration lapsed: the registrar did not answer the refresh");
}

// --- Calls ------------------------------------------------------------------------------

bool TSipUa::HasRoom() const
{
    size_t Live = 0;
    for (const auto& [id, s] : FSessions)
        if (!s->Ended()) ++Live;
    return Live < Account.MaxCalls;
}

TSipSession* TSipUa::Find(uint32_t CallID)
{
    auto it = FSessions.find(CallID);
    return it == FSessions.end() ? nullptr : it->second.get();
}

TSipSession* TSipUa::FindByCallID(const std::string& CallID)
{
    for (auto& [id, s] : FSessions)
        if (!s->Ended() && s->CallID() == CallID) return s.get();
    return nullptr;
}

void TSipUa::Release(uint32_t CallID)
{
    auto it = FSessions.find(CallID);
    if (it == FSessions.end()) return;
    // Not released here: a libre handler of this session may be on the
    // stack.
    FDead.push_back(std::move(it->second));
    FSessions.erase(it);
    tmr_start(&FReap, 0, &TSipUa::OnReap, this);
}

void TSipUa::OnReap(void* Arg)
{
    static_cast<TSipUa*>(Arg)->FDead.clear();
}

void TSipUa::Adopt(std::unique_ptr<TSipSession> Session)
{
    const uint32_t ID = Session->ID;
    FSessions[ID] = std::move(Session);
    StartClock();
}

void TSipUa::Connect(std::shared_ptr<TSipCall> Call, const std::string& Uri, TRequestID Request, bool BlockID,
                     uint32_t NoAnswerTimeout, const std::string& Headers, uint32_t Referrer)
{
    const uint32_t ID = Call->ID;
    auto s = std::make_unique<TSipSession>(*this, Call, true);
    s->SetReferrer(Referrer);
    int e = s->Media.Open(LocalAddr);
    if (!e) e = s->Connect(Routes.empty() ? OverTransport(Uri) : Uri, BlockID, Headers);
    if (e) {
        s.reset();
        Ctx.Engine.ToService([Call, Request] {
            if (Request) Call->Complete(Request, LINEERR_OPERATIONFAILED);
            else if (Call->Listed && Call->State() != LINECALLSTATE_IDLE)
                Call->SetState(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_UNAVAIL);
        });
        if (Referrer)
            if (TSipSession* r = Find(Referrer)) r->TransferProgress(503);
        return;
    }
    if (NoAnswerTimeout) s->StartNoAnswer(NoAnswerTimeout);
    FSessions[ID] = std::move(s);
    StartClock();
    Ctx.Engine.ToService([Call, Request] {
        if (Request) Call->Complete(Request, 0, LINECALLSTATE_DIALING, 0);
        else if (!Call->Listed) Call->Announce(LINECALLSTATE_DIALING, 0);   // made for a transfer
        else Call->SetState(LINECALLSTATE_DIALING, 0);
    });
}

void TSipUa::OnConnect(const struct sip_msg* Msg, void* Arg)
{
    static_cast<TSipUa*>(Arg)->Incoming(Msg);
}

void TSipUa::Incoming(const struct sip_msg* Msg)
{
    // Rejections are sent without a transaction: a flood of INVITEs then
    // costs a reply each and nothing that stays.
    if (!FOpen) {
        sip_reply(Sip, Msg, 480, "Temporarily Unavailable");
        return;
    }
    if (const struct sip_hdr* h = sip_msg_hdr(Msg, SIP_HDR_REPLACES)) {
        std::string Value = Text(h->val);
        std::string CallID = Value.substr(0, Value.find(';'));
        TSipSession* Old = FindByCallID(CallID);
        if (!Old || !Old->Established()) {
            sip_reply(Sip, Msg, 481, "Call/Transaction Does Not Exist");
            return;
        }
        std::shared_ptr<TSipCall> Call = Line->NewCall(LINECALLORIGIN_INBOUND);
        auto s = std::make_unique<TSipSession>(*this, Call, false);
        uint16_t Refuse = s->Media.Open(LocalAddr) ? 500 : s->AcceptReplacing(Msg);
        if (Refuse) {
            sip_reply(Sip, Msg, Refuse, Refuse == 488 ? "Not Acceptable Here" : "Server Internal Error");
            return;
        }
        FSessions[Call->ID] = std::move(s);
        StartClock();
        // The replaced call ends on our side.
        Old->Hangup(0);
        return;
    }
    if (!HasRoom()) {
        sip_reply(Sip, Msg, 486, "Busy Here");
        return;
    }
    std::shared_ptr<TSipCall> Call = Line->NewCall(LINECALLORIGIN_INBOUND);
    auto s = std::make_unique<TSipSession>(*this, Call, false);
    uint16_t Refuse = s->Media.Open(LocalAddr) ? 500 : s->Accept(Msg);
    if (Refuse) {
        sip_reply(Sip, Msg, Refuse, Refuse == 488 ? "Not Acceptable Here" : "Server Internal Error");
        return;
    }
    FSessions[Call->ID] = std::move(s);
    StartClock();
}

// --- The media clock ----------------------------------------------------------------------

void TSipUa::StartClock()
{
    if (tmr_isrunning(&FTick)) return;
    FNextTick = tmr_jiffies() + TickMs;
    tmr_start(&FTick, TickMs, &TSipUa::OnTick, this);
}

void TSipUa::OnTick(void* Arg)
{
    auto* Ua = static_cast<TSipUa*>(Arg);
    if (Ua->FSessions.empty()) return;   // the clock stops with the last call
    uint64_t Now = tmr_jiffies();
    for (auto& [id, s] : Ua->FSessions)
        if (!s->Ended()) s->Media.Tick();
    if (++Ua->FTicks % (1000 / TickMs) == 0) {
        // Checking may end sessions, which moves them out of the map.
        std::vector<TSipSession*> All;
        for (auto& [id, s] : Ua->FSessions) All.push_back(s.get());
        for (TSipSession* s : All) s->CheckSilence(Now);
    }
    // Absolute due times keep 50 packets a second however late a tick ran;
    // a loop that fell far behind starts afresh.
    Ua->FNextTick += TickMs;
    if (Ua->FNextTick + 200 < Now) Ua->FNextTick = Now + TickMs;
    uint64_t Wait = Ua->FNextTick > Now ? Ua->FNextTick - Now : 0;
    tmr_start(&Ua->FTick, Wait, &TSipUa::OnTick, Ua);
}

}  // namespace kxtapi::service::sip
