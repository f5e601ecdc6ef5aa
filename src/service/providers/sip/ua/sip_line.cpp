#include "service/providers/sip/ua/sip_line.h"

#include "service/providers/sip/sip_uri.h"
#include "service/providers/sip/ua/sip_call.h"
#include "service/providers/sip/ua/sip_ua.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace kxtapi::service::sip {

namespace {

constexpr uint32_t MediaModes = LINEMEDIAMODE_INTERACTIVEVOICE | LINEMEDIAMODE_AUTOMATEDVOICE | LINEMEDIAMODE_UNKNOWN;
constexpr uint32_t LineStates = LINEDEVSTATE_OTHER | LINEDEVSTATE_CONNECTED | LINEDEVSTATE_DISCONNECTED |
                                LINEDEVSTATE_INSERVICE | LINEDEVSTATE_OUTOFSERVICE | LINEDEVSTATE_OPEN |
                                LINEDEVSTATE_CLOSE | LINEDEVSTATE_NUMCALLS | LINEDEVSTATE_REINIT |
                                LINEDEVSTATE_REMOVED;
constexpr uint32_t PartyIDFlags = LINECALLPARTYID_BLOCKED | LINECALLPARTYID_ADDRESS | LINECALLPARTYID_NAME |
                                  LINECALLPARTYID_UNKNOWN | LINECALLPARTYID_UNAVAIL;

bool SameClass(const std::string& a, const char* b)
{
    if (a.size() != std::strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
    return true;
}

void CountCalls(const std::vector<std::shared_ptr<TSipCall>>& Calls, uint32_t& Active, uint32_t& Held,
                uint32_t& Pending)
{
    Active = Held = Pending = 0;
    for (const auto& c : Calls) {
        if (c->State() == LINECALLSTATE_ONHOLD) ++Held;
        else if (c->State() == LINECALLSTATE_ONHOLDPENDTRANSFER) ++Pending;
        else ++Active;
    }
}

}  // namespace

TSipLine::TSipLine(TSipContext& C, const TSipAccount& A, uint32_t PermanentID)
    : Ctx(C), Account(A), FPermanentID(PermanentID)
{
    FStatusText = "closed";
}

std::shared_ptr<TSipCall> TSipLine::NewCall(uint32_t Origin)
{
    // Called on either thread: it only makes the object.
    return std::make_shared<TSipCall>(Ctx, shared_from_this(), Ctx.NextCallID++, Origin);
}

void TSipLine::AddCall(const std::shared_ptr<TSipCall>& Call)
{
    if (std::find(FCalls.begin(), FCalls.end(), Call) == FCalls.end()) FCalls.push_back(Call);
    if (Ctx.Host) Ctx.Host->LineDevState(this, LINEDEVSTATE_NUMCALLS, 0, 0);
}

void TSipLine::RemoveCall(const TSipCall* Call)
{
    auto it = std::find_if(FCalls.begin(), FCalls.end(), [Call](const auto& c) { return c.get() == Call; });
    if (it == FCalls.end()) return;
    FCalls.erase(it);
    if (Ctx.Host) Ctx.Host->LineDevState(this, LINEDEVSTATE_NUMCALLS, 0, 0);
}

void TSipLine::SetRegistration(bool InService, const std::string& Text)
{
    // A report that comes after the line was closed is about a
    // registration that is gone.
    if (!Opened) return;
    FStatusText = Text;
    if (InService == FInService) return;
    FInService = InService;
    if (Ctx.Host) Ctx.Host->LineDevState(this, InService ? LINEDEVSTATE_INSERVICE : LINEDEVSTATE_OUTOFSERVICE, 0, 0);
}

// --- What the service asks ------------------------------------------------------------------

uint32_t TSipLine::GetDevCaps(uint32_t, uint32_t, TLineCapsData& Caps)
{
    LINEDEVCAPS& f = Caps.Fixed;
    Caps.ProviderInfo = "SIP";
    Caps.SwitchInfo = Account.Registrar.empty() ? std::string("direct calls") : Account.Registrar;
    Caps.LineName = Account.LineName;
    Caps.DeviceClasses = {"tapi/line"};
    f.dwPermanentLineID = FPermanentID;
    f.dwStringFormat = STRINGFORMAT_ASCII;
    f.dwAddressModes = LINEADDRESSMODE_ADDRESSID | LINEADDRESSMODE_DIALABLEADDR;
    f.dwNumAddresses = 1;
    f.dwBearerModes = LINEBEARERMODE_VOICE | LINEBEARERMODE_SPEECH;
    f.dwMaxRate = 64000;
    f.dwMediaModes = MediaModes;
    f.dwGenerateDigitModes = LINEDIGITMODE_DTMF;
    f.dwMonitorDigitModes = LINEDIGITMODE_DTMF | LINEDIGITMODE_DTMFEND;
    f.dwGatherDigitsMinTimeout = 100;
    f.dwGatherDigitsMaxTimeout = 600000;
    f.dwDevCapFlags = LINEDEVCAPFLAGS_CLOSEDROP;
    f.dwMaxNumActiveCalls = Account.MaxCalls;
    f.dwAnswerMode = LINEANSWERMODE_HOLD;
    f.dwRingModes = 1;
    f.dwLineStates = LineStates;
    f.dwLineFeatures = LINEFEATURE_MAKECALL;
    return 0;
}

uint32_t TSipLine::GetAddressCaps(uint32_t AddressID, uint32_t, uint32_t, TAddressCapsData& Caps)
{
    if (AddressID != 0) return LINEERR_INVALADDRESSID;
    LINEADDRESSCAPS& f = Caps.Fixed;
    Caps.Address = Account.AddressUri();
    Caps.DeviceClasses = {"tapi/line"};
    f.dwAddressSharing = LINEADDRESSSHARING_PRIVATE;
    f.dwAddressStates = LINEADDRESSSTATE_INUSEZERO | LINEADDRESSSTATE_INUSEONE | LINEADDRESSSTATE_NUMCALLS;
    f.dwCallInfoStates = LINECALLINFOSTATE_CALLERID | LINECALLINFOSTATE_CALLEDID | LINECALLINFOSTATE_CONNECTEDID |
                         LINECALLINFOSTATE_MEDIAMODE | LINECALLINFOSTATE_NUMOWNERINCR |
                         LINECALLINFOSTATE_NUMOWNERDECR | LINECALLINFOSTATE_NUMMONITORS;
    f.dwCallerIDFlags = f.dwCalledIDFlags = f.dwConnectedIDFlags = PartyIDFlags;
    f.dwRedirectionIDFlags = f.dwRedirectingIDFlags = LINECALLPARTYID_UNKNOWN;
    f.dwCallStates = LINECALLSTATE_IDLE | LINECALLSTATE_OFFERING | LINECALLSTATE_ACCEPTED | LINECALLSTATE_DIALTONE |
                     LINECALLSTATE_DIALING | LINECALLSTATE_RINGBACK | LINECALLSTATE_CONNECTED |
                     LINECALLSTATE_PROCEEDING | LINECALLSTATE_ONHOLD | LINECALLSTATE_ONHOLDPENDTRANSFER |
                     LINECALLSTATE_DISCONNECTED;
    f.dwDialToneModes = LINEDIALTONEMODE_NORMAL;
    f.dwDisconnectModes = LINEDISCONNECTMODE_NORMAL | LINEDISCONNECTMODE_UNKNOWN | LINEDISCONNECTMODE_REJECT |
                          LINEDISCONNECTMODE_BUSY | LINEDISCONNECTMODE_NOANSWER | LINEDISCONNECTMODE_BADADDRESS |
                          LINEDISCONNECTMODE_UNREACHABLE | LINEDISCONNECTMODE_CONGESTION |
                          LINEDISCONNECTMODE_INCOMPATIBLE | LINEDISCONNECTMODE_UNAVAIL |
                          LINEDISCONNECTMODE_NUMBERCHANGED | LINEDISCONNECTMODE_FORWARDED;
    f.dwMaxNumActiveCalls = Account.MaxCalls;
    f.dwMaxNumOnHoldCalls = Account.MaxCalls;
    f.dwMaxNumOnHoldPendingCalls = Account.MaxCalls;
    // A plain SIP account has no conference bridge and no park orbit.
    f.dwMaxNumConference = 0;
    f.dwMaxNumTransConf = 0;
    f.dwAddrCapFlags = LINEADDRCAPFLAGS_DIALED | LINEADDRCAPFLAGS_ORIGOFFHOOK | LINEADDRCAPFLAGS_TRANSFERHELD |
                       LINEADDRCAPFLAGS_TRANSFERMAKE | LINEADDRCAPFLAGS_PARTIALDIAL |
                       LINEADDRCAPFLAGS_BLOCKIDOVERRIDE;
    f.dwCallFeatures = LINECALLFEATURE_ACCEPT | LINECALLFEATURE_ANSWER | LINECALLFEATURE_BLINDTRANSFER |
                       LINECALLFEATURE_COMPLETETRANSF | LINECALLFEATURE_DIAL | LINECALLFEATURE_DROP |
                       LINECALLFEATURE_GATHERDIGITS | LINECALLFEATURE_GENERATEDIGITS | LINECALLFEATURE_HOLD |
                       LINECALLFEATURE_MONITORDIGITS | LINECALLFEATURE_REDIRECT | LINECALLFEATURE_SETUPTRANSFER |
                       LINECALLFEATURE_SWAPHOLD | LINECALLFEATURE_UNHOLD;
    f.dwRemoveFromConfCaps = LINEREMOVEFROMCONF_NONE;
    f.dwTransferModes = LINETRANSFERMODE_TRANSFER;
    f.dwParkModes = 0;
    f.dwAddressFeatures = LINEADDRFEATURE_MAKECALL;
    f.dwCallFeatures2 = LINECALLFEATURE2_TRANSFERNORM;
    f.dwMaxNoAnswerTimeout = 600;
    f.dwConnectedModes = LINECONNECTEDMODE_ACTIVE | LINECONNECTEDMODE_ACTIVEHELD;
    f.dwOfferingModes = LINEOFFERINGMODE_ACTIVE;
    f.dwAvailableMediaModes = MediaModes;
    return 0;
}

uint32_t TSipLine::GetDevStatus(TLineStatusData& Status)
{
    LINEDEVSTATUS& f = Status.Fixed;
    CountCalls(FCalls, f.dwNumActiveCalls, f.dwNumOnHoldCalls, f.dwNumOnHoldPendCalls);
    f.dwLineFeatures = LINEFEATURE_MAKECALL;
    f.dwRingMode = 1;
    f.dwSignalLevel = 0xFFFF;
    f.dwBatteryLevel = 0xFFFF;
    f.dwRoamMode = LINEROAMMODE_UNAVAIL;
    f.dwDevStatusFlags = FInService ? LINEDEVSTATUSFLAGS_CONNECTED | LINEDEVSTATUSFLAGS_INSERVICE : 0;
    f.dwAvailableMediaModes = MediaModes;
    // Why the line is (not) in service, as a text: "registered",
    // "registration failed: 403 Forbidden ...".
    Status.DevSpecific = FStatusText;
    return 0;
}

uint32_t TSipLine::GetAddressStatus(uint32_t AddressID, TAddressStatusData& Status)
{
    if (AddressID != 0) return LINEERR_INVALADDRESSID;
    LINEADDRESSSTATUS& f = Status.Fixed;
    f.dwNumInUse = FCalls.empty() ? 0 : 1;
    CountCalls(FCalls, f.dwNumActiveCalls, f.dwNumOnHoldCalls, f.dwNumOnHoldPendCalls);
    f.dwAddressFeatures = FCalls.size() < Account.MaxCalls ? LINEADDRFEATURE_MAKECALL : 0;
    return 0;
}

uint32_t TSipLine::GetID(uint32_t, uint32_t, TProviderCall*, const std::string& DeviceClass, TDeviceIDData& ID)
{
    if (SameClass(DeviceClass, "tapi/line")) {
        int32_t Own = Ctx.Host ? Ctx.Host->LineDeviceID(this) : -1;
        if (Own < 0) return LINEERR_NODEVICE;
        ID.Format = STRINGFORMAT_BINARY;
        ID.Bytes.resize(4);
        uint32_t v = static_cast<uint32_t>(Own);
        std::memcpy(ID.Bytes.data(), &v, 4);
        return 0;
    }
    // The call's audio goes over RTP, through no sound device of this
    // machine: "wave/in" and "wave/out" name nothing (media_files.h plays
    // and records instead).
    return LINEERR_INVALDEVICECLASS;
}

uint32_t TSipLine::GetIcon(const std::string&, HICON& Icon)
{
    Icon = 0;
    return 0;
}

uint32_t TSipLine::Open()
{
    Opened = true;
    FInService = false;
    FStatusText = "opening";
    TSipUa* u = Ua;
    Ctx.Engine.Post([u] { u->OpenLine(); });
    return 0;
}

void TSipLine::Close()
{
    Opened = false;
    FInService = false;
    FStatusText = "closed";
    TSipUa* u = Ua;
    Ctx.Engine.Post([u] { u->CloseLine(); });
}

std::vector<std::shared_ptr<TProviderCall>> TSipLine::Calls(uint32_t, uint32_t)
{
    std::vector<std::shared_ptr<TProviderCall>> v;
    for (const auto& c : FCalls)
        if (c->State() != LINECALLSTATE_IDLE) v.push_back(c);
    return v;
}

uint32_t TSipLine::MakeCall(TRequestID R, uint32_t AddressID, const std::string& Dest, uint32_t,
                            const TCallParamsData& Params, std::shared_ptr<TProviderCall>& Out)
{
    if (AddressID != 0) return LINEERR_INVALADDRESSID;
    if (!(Params.MediaMode & MediaModes)) return LINEERR_INVALMEDIAMODE;
    if (Params.BearerMode != LINEBEARERMODE_VOICE && Params.BearerMode != LINEBEARERMODE_SPEECH)
        return LINEERR_INVALBEARERMODE;
    if (FCalls.size() >= Account.MaxCalls) return LINEERR_CALLUNAVAIL;
    std::shared_ptr<TSipCall> c = NewCall(LINECALLORIGIN_OUTBOUND);
    c->CallParamFlags = Params.CallParamFlags;
    c->NoAnswerTimeout = Params.NoAnswerTimeout;
    c->SetMediaMode(Params.MediaMode & MediaModes);
    if ((Params.CallParamFlags & LINECALLPARAMFLAGS_BLOCKID) == 0) {
        c->Caller = TPartyIdentity{Account.User, Account.DisplayName, false};
        c->CallerKnown = true;
    }
    if (Dest.empty()) {
        // A dial tone; the number follows with lineDial.
        std::weak_ptr<TSipCall> w = c;
        Ctx.Host->Defer([w, R] {
            if (auto k = w.lock()) k->Complete(R, 0, LINECALLSTATE_DIALTONE, LINEDIALTONEMODE_NORMAL);
        });
    } else if (uint32_t e = c->StartDialingFor(R, Dest)) {
        return e;
    }
    Out = c;
    return 0;
}

uint32_t TSipLine::Unpark(TRequestID, uint32_t, const std::string&, std::shared_ptr<TProviderCall>&)
{
    return LINEERR_OPERATIONUNAVAIL;
}

uint32_t TSipLine::SetupConference(TRequestID, TProviderCall*, uint32_t, uint32_t, const TCallParamsData&,
                                   std::shared_ptr<TProviderCall>&, std::shared_ptr<TProviderCall>&)
{
    return LINEERR_OPERATIONUNAVAIL;
}

}  // namespace kxtapi::service::sip
