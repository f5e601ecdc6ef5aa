// The modem line's device side: capabilities and status as the modem can
// report them, related devices, opening, and the channel's life.

#include "service/providers/modem/modem_line.h"

#include "service/providers/modem/modem_call.h"
#include "service/service_lock.h"

#include "kxtapi/rtl/lasterror.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace kxtapi::service::modem {

namespace {

bool SameClass(const std::string& a, const char* b)
{
    return a.size() == std::strlen(b) && std::equal(a.begin(), a.end(), b, [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == y;
           });
}

std::vector<std::string> LineClasses()
{
    return {"tapi/line", "comm", "comm/datamodem"};
}

constexpr uint32_t ReportedLineStates = LINEDEVSTATE_RINGING | LINEDEVSTATE_INSERVICE | LINEDEVSTATE_OUTOFSERVICE |
                                        LINEDEVSTATE_OPEN | LINEDEVSTATE_CLOSE | LINEDEVSTATE_REINIT |
                                        LINEDEVSTATE_REMOVED;

}  // namespace

TModemLine::TModemLine(kxtapi::modem::TModemConfig Config, uint32_t PermanentID)
    : FConfig(std::move(Config)), FPermanentID(PermanentID)
{
    // What the configuration promises until a probe shows otherwise, so
    // that a program can open the line for voice before the modem is found.
    FVoice = FConfig.Voice;
}

TModemLine::~TModemLine()
{
    if (FChannel) FChannel->Stop();
}

uint32_t TModemLine::GetDevCaps(uint32_t, uint32_t, TLineCapsData& Caps)
{
    LINEDEVCAPS& f = Caps.Fixed;
    Caps.ProviderInfo = "Modem on " + FConfig.Port;
    Caps.SwitchInfo = FModemState == msReady ? FIdentity : FProblem;
    Caps.LineName = FConfig.LineName;
    Caps.DeviceClasses = LineClasses();
    f.dwPermanentLineID = FPermanentID;
    f.dwStringFormat = STRINGFORMAT_ASCII;
    f.dwAddressModes = LINEADDRESSMODE_ADDRESSID;
    f.dwNumAddresses = 1;
    f.dwBearerModes = LINEBEARERMODE_VOICE;
    f.dwMaxRate = FConfig.Speed;
    f.dwMediaModes = LINEMEDIAMODE_DATAMODEM | (FVoice ? LINEMEDIAMODE_INTERACTIVEVOICE : 0);
    if (FVoice) {
        f.dwGenerateDigitModes = LINEDIGITMODE_DTMF;
        f.dwMonitorDigitModes = LINEDIGITMODE_DTMF;
        f.dwMonitorToneMaxNumFreq = 2;
        f.dwMonitorToneMaxNumEntries = 4;
        f.dwGatherDigitsMinTimeout = 100;
        f.dwGatherDigitsMaxTimeout = 600000;
    }
    f.dwDevCapFlags = LINEDEVCAPFLAGS_CLOSEDROP | LINEDEVCAPFLAGS_DIALQUIET | LINEDEVCAPFLAGS_DIALDIALTONE |
                      LINEDEVCAPFLAGS_DIALBILLING;
    f.dwMaxNumActiveCalls = 1;
    f.dwAnswerMode = LINEANSWERMODE_NONE;
    f.dwRingModes = 1;
    f.dwLineStates = ReportedLineStates;
    f.dwLineFeatures = LINEFEATURE_MAKECALL;
    return 0;
}

uint32_t TModemLine::GetAddressCaps(uint32_t AddressID, uint32_t, uint32_t, TAddressCapsData& Caps)
{
    if (AddressID != 0) return LINEERR_INVALADDRESSID;
    LINEADDRESSCAPS& f = Caps.Fixed;
    Caps.DeviceClasses = LineClasses();
    f.dwAddressSharing = LINEADDRESSSHARING_PRIVATE;
    f.dwCallInfoStates = LINECALLINFOSTATE_CALLERID | LINECALLINFOSTATE_RATE | LINECALLINFOSTATE_MEDIAMODE |
                         LINECALLINFOSTATE_DISPLAY;
    f.dwCallerIDFlags = LINECALLPARTYID_ADDRESS | LINECALLPARTYID_NAME | LINECALLPARTYID_BLOCKED |
                        LINECALLPARTYID_OUTOFAREA | LINECALLPARTYID_UNKNOWN;
    f.dwCalledIDFlags = LINECALLPARTYID_ADDRESS | LINECALLPARTYID_UNKNOWN;
    f.dwConnectedIDFlags = f.dwRedirectionIDFlags = f.dwRedirectingIDFlags = LINECALLPARTYID_UNKNOWN;
    f.dwCallStates = LINECALLSTATE_IDLE | LINECALLSTATE_OFFERING | LINECALLSTATE_ACCEPTED |
                     LINECALLSTATE_DIALING | LINECALLSTATE_PROCEEDING | LINECALLSTATE_RINGBACK |
                     LINECALLSTATE_CONNECTED | LINECALLSTATE_DISCONNECTED;
    f.dwOfferingModes = LINEOFFERINGMODE_ACTIVE;
    f.dwConnectedModes = LINECONNECTEDMODE_ACTIVE;
    f.dwDisconnectModes = LINEDISCONNECTMODE_NORMAL | LINEDISCONNECTMODE_UNKNOWN | LINEDISCONNECTMODE_BUSY |
                          LINEDISCONNECTMODE_NOANSWER | LINEDISCONNECTMODE_NODIALTONE |
                          LINEDISCONNECTMODE_UNAVAIL | LINEDISCONNECTMODE_INCOMPATIBLE |
                          LINEDISCONNECTMODE_TEMPFAILURE | LINEDISCONNECTMODE_BLOCKED;
    f.dwMaxNumActiveCalls = 1;
    f.dwAddrCapFlags = LINEADDRCAPFLAGS_DIALED;
    f.dwCallFeatures = LINECALLFEATURE_ACCEPT | LINECALLFEATURE_ANSWER | LINECALLFEATURE_DROP;
    if (FVoice)
        f.dwCallFeatures |= LINECALLFEATURE_GENERATEDIGITS | LINECALLFEATURE_MONITORDIGITS |
                            LINECALLFEATURE_GATHERDIGITS | LINECALLFEATURE_MONITORTONES |
                            LINECALLFEATURE_MONITORMEDIA;
    f.dwRemoveFromConfCaps = LINEREMOVEFROMCONF_NONE;
    f.dwAddressFeatures = LINEADDRFEATURE_MAKECALL;
    f.dwMaxNoAnswerTimeout = 0;
    f.dwAvailableMediaModes = LINEMEDIAMODE_DATAMODEM | (FVoice ? LINEMEDIAMODE_INTERACTIVEVOICE : 0);
    return 0;
}

uint32_t TModemLine::GetDevStatus(TLineStatusData& Status)
{
    LINEDEVSTATUS& f = Status.Fixed;
    uint32_t Active = 0;
    for (const auto& c : FCalls)
        if (c->Listed && c->State() != LINECALLSTATE_IDLE) ++Active;
    f.dwNumActiveCalls = Active;
    f.dwLineFeatures = FModemState == msReady && !FActive ? LINEFEATURE_MAKECALL : 0;
    f.dwRingMode = 1;
    f.dwSignalLevel = 0xFFFF;
    f.dwBatteryLevel = 0xFFFF;
    f.dwRoamMode = LINEROAMMODE_UNAVAIL;
    f.dwDevStatusFlags = (FChannel && FChannel->PortOpen() ? LINEDEVSTATUSFLAGS_CONNECTED : 0) |
                         (FModemState == msReady ? LINEDEVSTATUSFLAGS_INSERVICE : 0);
    f.dwAvailableMediaModes = LINEMEDIAMODE_DATAMODEM | (FVoice ? LINEMEDIAMODE_INTERACTIVEVOICE : 0);
    return 0;
}

uint32_t TModemLine::GetAddressStatus(uint32_t AddressID, TAddressStatusData& Status)
{
    if (AddressID != 0) return LINEERR_INVALADDRESSID;
    LINEADDRESSSTATUS& f = Status.Fixed;
    uint32_t Active = 0;
    for (const auto& c : FCalls)
        if (c->Listed && c->State() != LINECALLSTATE_IDLE) ++Active;
    f.dwNumInUse = Active ? 1 : 0;
    f.dwNumActiveCalls = Active;
    f.dwAddressFeatures = FModemState == msReady && !FActive ? LINEADDRFEATURE_MAKECALL : 0;
    return 0;
}

uint32_t TModemLine::GetID(uint32_t Select, uint32_t, TProviderCall* CallIn, const std::string& DeviceClass,
                           TDeviceIDData& ID)
{
    if (SameClass(DeviceClass, "tapi/line")) {
        int32_t Own = FHost ? FHost->LineDeviceID(this) : -1;
        if (Own < 0) return LINEERR_NODEVICE;
        ID.Format = STRINGFORMAT_BINARY;
        ID.Bytes.resize(4);
        uint32_t v = static_cast<uint32_t>(Own);
        std::memcpy(ID.Bytes.data(), &v, 4);
        return 0;
    }
    if (SameClass(DeviceClass, "comm")) {
        ID.Format = STRINGFORMAT_ASCII;
        ID.Bytes.assign(FConfig.Port.begin(), FConfig.Port.end());
        ID.Bytes.push_back(0);
        return 0;
    }
    if (SameClass(DeviceClass, "comm/datamodem")) {
        // The data connection's port: the call's own, or the line's while one lasts.
        TModemCall* Call = dynamic_cast<TModemCall*>(CallIn);
        if (Select == LINECALLSELECT_CALL && (!Call || Call->Owner.get() != this)) return LINEERR_INVALCALLHANDLE;
        if (!Call) Call = FActive.get();
        THandle h = Call && Call->State() == LINECALLSTATE_CONNECTED ? Call->CommHandle() : 0;
        if (!h) return Select == LINECALLSELECT_CALL ? LINEERR_INVALCALLSTATE : LINEERR_RESOURCEUNAVAIL;
        ID.Format = STRINGFORMAT_BINARY;
        ID.Bytes.resize(4);
        std::memcpy(ID.Bytes.data(), &h, 4);
        ID.Bytes.insert(ID.Bytes.end(), FConfig.Port.begin(), FConfig.Port.end());
        ID.Bytes.push_back(0);
        ID.Handle = h;
        return 0;
    }
    return LINEERR_INVALDEVICECLASS;
}

uint32_t TModemLine::GetIcon(const std::string& DeviceClass, HICON& Icon)
{
    if (!DeviceClass.empty()) {
        bool Known = false;
        for (const std::string& c : LineClasses()) Known = Known || SameClass(DeviceClass, c.c_str());
        if (!Known) return LINEERR_INVALDEVICECLASS;
    }
    Icon = 0;
    return 0;
}

uint32_t TModemLine::Open()
{
    FOpened = true;
    return 0;
}

void TModemLine::Close()
{
    FOpened = false;
}

std::vector<std::shared_ptr<TProviderCall>> TModemLine::Calls(uint32_t, uint32_t)
{
    std::vector<std::shared_ptr<TProviderCall>> r;
    for (const auto& c : FCalls)
        if (c->Listed && c->State() != LINECALLSTATE_IDLE) r.push_back(c);
    return r;
}

// ------------------------------------------------------------------ life

void TModemLine::Attach(TProviderHost& Host)
{
    FHost = &Host;
    if (FChannel) return;
    TAtChannelSettings s;
    s.Port = FConfig.Port;
    s.Speed = FConfig.Speed;
    s.RetryInterval = FConfig.RetryInterval;
    s.ProbeTimeout = FConfig.CommandTimeout;
    FChannel = std::make_unique<TAtChannel>(s, *this);
    FChannel->Start();
}

void TModemLine::Detach() noexcept
{
    if (FChannel) FChannel->Stop();
    FChannel.reset();
    FHost = nullptr;
    for (auto& c : FCalls) {
        c->ReleaseData();
        c->SetState(LINECALLSTATE_IDLE, 0);
    }
    FCalls.clear();
    FActive.reset();
    FModemState = msOffline;
    FInService = false;
    FProblem = "not started";
    FRingTimer = FKeepAlive = 0;
}

void TModemLine::Serve(const std::function<void()>& Action)
{
    TAtChannel* Channel = FChannel.get();
    while (Channel && !Channel->Stopping()) {
        TServiceLockAttempt Lock(std::chrono::milliseconds(20));
        if (!Lock.Owns()) continue;
        if (FHost) Action();
        return;
    }
}

void TModemLine::Command(TAtCommand c)
{
    if (!FChannel) return;
    const uint64_t Session = FSession;
    if (auto d = std::move(c.Done))
        c.Done = [this, Session, d](const TAtReply& r) {
            Serve([&] {
                if (FSession == Session) d(r);
            });
        };
    if (auto w = std::move(c.Written))
        c.Written = [this, Session, w] {
            Serve([&] {
                if (FSession == Session) w();
            });
        };
    if (auto p = std::move(c.Progress))
        c.Progress = [this, Session, p](const TAtResult& r, const std::string& Line) {
            Serve([&] {
                if (FSession == Session) p(r, Line);
            });
        };
    FChannel->Submit(std::move(c));
}

TAtCommand TModemLine::Line(std::string Text, uint32_t TimeoutMs, std::function<void(const TAtReply&)> Done)
{
    TAtCommand c;
    c.Text = std::move(Text);
    c.TimeoutMs = TimeoutMs;
    c.Done = std::move(Done);
    return c;
}

// ------------------------------------------------------------ channel events

void TModemLine::ChannelOpened()
{
    Serve([&] {
        ++FSession;
        StartProbe();
    });
}

void TModemLine::ChannelOpenFailed(uint32_t Error)
{
    Serve([&] { SetOffline("cannot open " + FConfig.Port + ": " + SysErrorMessage(Error)); });
}

void TModemLine::ChannelLost(const std::string& Why)
{
    Serve([&] { SetOffline(FConfig.Port + ": " + Why); });
}

void TModemLine::SetOffline(const std::string& Why)
{
    FModemState = msOffline;
    FProblem = Why;
    if (FKeepAlive && FChannel) FChannel->Cancel(FKeepAlive);
    FKeepAlive = 0;
    // The call the modem held is over; the program drops it.
    if (FActive) {
        std::shared_ptr<TModemCall> c = FActive;
        Disconnected(*c, LINEDISCONNECTMODE_UNAVAIL);
    }
    if (FInService) {
        FInService = false;
        FHost->LineDevState(this, LINEDEVSTATE_OUTOFSERVICE, 0, 0);
    }
}

}  // namespace kxtapi::service::modem
