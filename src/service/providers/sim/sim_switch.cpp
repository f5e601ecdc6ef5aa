// The control API of the simulated switch (<kxtapi/sim/switch.h>).

#include "service/providers/sim/sim_world.h"
#include "kxtapi/serial/commtypes.h"
#include "service/locations.h"
#include "service/service.h"
#include "service/service_lock.h"

namespace kxtapi::sim {

using service::TServiceLock;
using service::simulated::TSimCall;
using service::simulated::TSimLineDevice;
using service::simulated::TSimPhoneDevice;
using service::simulated::TSimWorld;

namespace {

TSimWorld& W()
{
    return service::simulated::World();
}

TSimCall* LiveCall(TSimCallID ID)
{
    TSimCall* c = W().Call(ID);
    return c && c->State() != LINECALLSTATE_IDLE ? c : nullptr;
}

constexpr uint32_t Unanswered = LINECALLSTATE_DIALTONE | LINECALLSTATE_DIALING | LINECALLSTATE_PROCEEDING |
                                LINECALLSTATE_RINGBACK;

}  // namespace

TSimSwitch& Switch()
{
    static TSimSwitch s;
    return s;
}

// --- Configuration ------------------------------------------------------------

void TSimSwitch::Configure(const TSimConfig& Config)
{
    TServiceLock Lock;
    W().Configure(Config);
}

bool TSimSwitch::LoadConfigFile(const std::string& Path, std::string* Error)
{
    TSimConfig c;
    if (!LoadSimConfigFile(Path, c, Error)) return false;
    Configure(c);
    return true;
}

void TSimSwitch::Reset()
{
    TServiceLock Lock;
    TSimWorld& w = W();
    w.Faults.clear();
    w.Rules.clear();
    w.Log.clear();
    w.Configure(DefaultSimConfig());
    service::Locations().LowVersion = service::TLocationStore::DefaultLowVersion;
    service::Locations().HighVersion = service::TLocationStore::DefaultHighVersion;
}

TSimConfig TSimSwitch::Config() const
{
    TServiceLock Lock;
    return W().CurrentConfig();
}

int TSimSwitch::AddLine(const TSimLineConfig& Line)
{
    TServiceLock Lock;
    return W().AddLine(Line);
}

int TSimSwitch::AddPhone(const TSimPhoneConfig& Phone)
{
    TServiceLock Lock;
    return W().AddPhone(Phone);
}

void TSimSwitch::RemoveLine(int Line)
{
    TServiceLock Lock;
    W().RemoveLine(Line);
}

void TSimSwitch::RemovePhone(int Phone)
{
    TServiceLock Lock;
    W().RemovePhone(Phone);
}

void TSimSwitch::CloseLine(int Line)
{
    TServiceLock Lock;
    TSimWorld& w = W();
    if (TSimLineDevice* l = w.LineAt(Line); l && w.Host) w.Host->LineClosed(l);
}

void TSimSwitch::ClosePhone(int Phone)
{
    TServiceLock Lock;
    TSimWorld& w = W();
    if (TSimPhoneDevice* p = w.PhoneAt(Phone); p && w.Host) w.Host->PhoneClosed(p);
}

void TSimSwitch::SendReinit()
{
    TServiceLock Lock;
    if (W().Host) W().Host->Reinit();
}

void TSimSwitch::SetLocations(const std::vector<TSimLocationConfig>& Locations, uint32_t Current)
{
    TServiceLock Lock;
    W().SetLocations(Locations, Current);
}

void TSimSwitch::SetLocationVersions(uint32_t Low, uint32_t High)
{
    TServiceLock Lock;
    service::Locations().LowVersion = Low;
    service::Locations().HighVersion = High;
}

void TSimSwitch::SetLineVersions(int Line, uint32_t Low, uint32_t High)
{
    TServiceLock Lock;
    if (TSimLineDevice* l = W().LineAt(Line)) {
        l->Config.APILowVersion = Low;
        l->Config.APIHighVersion = High;
    }
}

void TSimSwitch::SetPhoneVersions(int Phone, uint32_t Low, uint32_t High)
{
    TServiceLock Lock;
    if (TSimPhoneDevice* p = W().PhoneAt(Phone)) {
        p->Config.APILowVersion = Low;
        p->Config.APIHighVersion = High;
    }
}

int TSimSwitch::LineCount() const
{
    TServiceLock Lock;
    return static_cast<int>(W().Lines.size());
}

int TSimSwitch::PhoneCount() const
{
    TServiceLock Lock;
    return static_cast<int>(W().Phones.size());
}

// --- Faults -----------------------------------------------------------------------

void TSimSwitch::InjectFault(const TSimFault& Fault)
{
    TServiceLock Lock;
    W().Faults.push_back(Fault);
}

void TSimSwitch::ClearFaults()
{
    TServiceLock Lock;
    W().Faults.clear();
}

// --- Calls and the far end -----------------------------------------------------------

TSimCallID TSimSwitch::OfferCall(int Line, const std::string& CallerNumber, const std::string& CallerName,
                                 const TSimOfferOptions& Options)
{
    TServiceLock Lock;
    TSimWorld& w = W();
    TSimLineDevice* l = w.LineAt(Line);
    if (!l || Options.AddressID >= l->NumAddresses()) return 0;
    auto c = w.NewCall(Line, Options.AddressID);
    c->Origin = LINECALLORIGIN_EXTERNAL;
    c->Reason = LINECALLREASON_DIRECT;
    c->Media = Options.MediaMode;
    c->Bearer = Options.BearerMode;
    if (Options.CallerIDBlocked) {
        c->CallerFlags = LINECALLPARTYID_BLOCKED;
    } else {
        c->CallerID = CallerNumber;
        c->CallerIDName = CallerName;
        c->CallerFlags = (CallerNumber.empty() ? 0 : LINECALLPARTYID_ADDRESS) |
                         (CallerName.empty() ? 0 : LINECALLPARTYID_NAME);
        if (!c->CallerFlags) c->CallerFlags = LINECALLPARTYID_UNKNOWN;
    }
    c->CalledID = Options.CalledID.empty() ? w.AddressOf(Line, Options.AddressID) : Options.CalledID;
    c->CalledFlags = LINECALLPARTYID_ADDRESS;
    w.Offer(*c, Options.Rings, Options.CallerIDAfterRing && !Options.CallerIDBlocked);
    return c->ID;
}

void TSimSwitch::Ring(TSimCallID Call, uint32_t Count)
{
    TServiceLock Lock;
    if (TSimCall* c = LiveCall(Call))
        for (uint32_t i = 0; i < Count; ++i) W().RingCall(*c);
}

void TSimSwitch::FarEndAnswer(TSimCallID Call)
{
    TServiceLock Lock;
    TSimCall* c = LiveCall(Call);
    if (!c) return;
    if (auto p = c->Peer.lock()) {
        // The other end is a line of the switch: its user picks up.
        if (p->State() != LINECALLSTATE_OFFERING && p->State() != LINECALLSTATE_ACCEPTED) return;
        p->ConnectedID = p->CallerID;
        p->ConnectedFlags = p->CallerFlags;
        p->SetState(LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
        c->ConnectedID = W().AddressOf(p->LineIndex, p->AddressID());
        c->ConnectedFlags = LINECALLPARTYID_ADDRESS;
        c->SetState(LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
        if (W().Host) W().Host->CallInfo(c, LINECALLINFOSTATE_CONNECTEDID);
        return;
    }
    if (!(c->State() & Unanswered)) return;
    c->ConnectedID = c->Dialled;
    c->ConnectedFlags = LINECALLPARTYID_ADDRESS;
    c->SetState(LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
    if (W().Host) W().Host->CallInfo(c, LINECALLINFOSTATE_CONNECTEDID);
}

void TSimSwitch::FarEndBusy(TSimCallID Call)
{
    TServiceLock Lock;
    if (TSimCall* c = LiveCall(Call); c && (c->State() & Unanswered))
        c->SetState(LINECALLSTATE_BUSY, LINEBUSYMODE_STATION);
}

void TSimSwitch::FarEndHangUp(TSimCallID Call)
{
    TServiceLock Lock;
    TSimCall* c = LiveCall(Call);
    if (!c || c->State() == LINECALLSTATE_DISCONNECTED) return;
    if (auto p = c->Peer.lock()) {
        // The user of the other line hangs up.
        p->Peer.reset();
        c->Peer.reset();
        p->SetState(LINECALLSTATE_IDLE, 0);
    }
    c->SetState(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL);
}

void TSimSwitch::FarEndReject(TSimCallID Call)
{
    TServiceLock Lock;
    if (TSimCall* c = LiveCall(Call); c && (c->State() & Unanswered))
        c->SetState(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_REJECT);
}

void TSimSwitch::FarEndNoAnswer(TSimCallID Call)
{
    TServiceLock Lock;
    if (TSimCall* c = LiveCall(Call); c && (c->State() & Unanswered))
        c->SetState(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NOANSWER);
}

void TSimSwitch::SendDigits(TSimCallID Call, const std::string& Digits, uint32_t DigitMode)
{
    TServiceLock Lock;
    TSimCall* c = LiveCall(Call);
    if (!c || !W().Host) return;
    for (char d : Digits) {
        W().Host->CallDigit(c, d, DigitMode);
        if (DigitMode == LINEDIGITMODE_DTMF) W().Host->CallDigit(c, d, LINEDIGITMODE_DTMFEND);
    }
}

void TSimSwitch::PlayTone(TSimCallID Call, uint32_t F1, uint32_t F2, uint32_t F3)
{
    TServiceLock Lock;
    if (TSimCall* c = LiveCall(Call); c && W().Host) W().Host->CallTone(c, true, F1, F2, F3);
}

void TSimSwitch::GoSilent(TSimCallID Call)
{
    TServiceLock Lock;
    if (TSimCall* c = LiveCall(Call); c && W().Host) W().Host->CallTone(c, true, 0, 0, 0);
}

void TSimSwitch::StartTalking(TSimCallID Call)
{
    TServiceLock Lock;
    if (TSimCall* c = LiveCall(Call); c && W().Host) W().Host->CallTone(c, false, 0, 0, 0);
}

void TSimSwitch::DetectMedia(TSimCallID Call, uint32_t MediaMode)
{
    TServiceLock Lock;
    if (TSimCall* c = LiveCall(Call); c && W().Host) W().Host->CallMedia(c, MediaMode);
}

void TSimSwitch::AddDestinationRule(const TSimDestinationRule& Rule)
{
    TServiceLock Lock;
    W().Rules.push_back(Rule);
}

void TSimSwitch::ClearDestinationRules()
{
    TServiceLock Lock;
    W().Rules.clear();
}

std::shared_ptr<TSimulatedPair> TSimSwitch::DataPort(TSimCallID Call)
{
    TServiceLock Lock;
    TSimCall* c = W().Call(Call);
    TSimLineDevice* l = c ? W().LineAt(c->LineIndex) : nullptr;
    if (!l || !l->Config.DataModem) return nullptr;
    if (!c->Modem) c->Modem = TSimulatedPair::Create(PST_MODEM);
    return c->Modem;
}

std::shared_ptr<TSimulatedPair> TSimSwitch::LineDataPort(int Line)
{
    TServiceLock Lock;
    TSimLineDevice* l = W().LineAt(Line);
    if (!l || !l->Config.DataModem) return nullptr;
    if (!l->Modem) l->Modem = TSimulatedPair::Create(PST_MODEM);
    return l->Modem;
}

// --- Phones -------------------------------------------------------------------------

void TSimSwitch::PressButton(int Phone, uint32_t ID)
{
    TServiceLock Lock;
    TSimPhoneDevice* p = W().PhoneAt(Phone);
    if (!p || ID >= p->Config.Buttons.size()) return;
    p->ButtonStates[ID] = PHONEBUTTONSTATE_DOWN;
    if (W().Host) W().Host->PhoneButton(p, ID, p->Config.Buttons[ID].Mode, PHONEBUTTONSTATE_DOWN);
}

void TSimSwitch::ReleaseButton(int Phone, uint32_t ID)
{
    TServiceLock Lock;
    TSimPhoneDevice* p = W().PhoneAt(Phone);
    if (!p || ID >= p->Config.Buttons.size()) return;
    p->ButtonStates[ID] = PHONEBUTTONSTATE_UP;
    if (W().Host) W().Host->PhoneButton(p, ID, p->Config.Buttons[ID].Mode, PHONEBUTTONSTATE_UP);
}

void TSimSwitch::SetHookSwitch(int Phone, uint32_t Dev, uint32_t Mode)
{
    TServiceLock Lock;
    if (TSimPhoneDevice* p = W().PhoneAt(Phone); p && (p->Config.HookSwitchDevs & Dev))
        p->ChangeHookSwitch(Dev, Mode);
}

void TSimSwitch::ReportButton(int Phone, uint32_t ID, uint32_t Mode, uint32_t State)
{
    TServiceLock Lock;
    TSimPhoneDevice* p = W().PhoneAt(Phone);
    if (p && W().Host) W().Host->PhoneButton(p, ID, Mode, State);
}

void TSimSwitch::ReportPhoneState(int Phone, uint32_t States, uint32_t Param2, uint32_t Param3)
{
    TServiceLock Lock;
    TSimPhoneDevice* p = W().PhoneAt(Phone);
    if (p && W().Host) W().Host->PhoneState(p, States, Param2, Param3);
}

std::string TSimSwitch::PhoneDisplay(int Phone) const
{
    TServiceLock Lock;
    TSimPhoneDevice* p = W().PhoneAt(Phone);
    return p ? p->DisplayText() : std::string();
}

uint32_t TSimSwitch::PhoneLamp(int Phone, uint32_t ID) const
{
    TServiceLock Lock;
    TSimPhoneDevice* p = W().PhoneAt(Phone);
    return p && ID < p->Lamps.size() ? p->Lamps[ID] : 0;
}

uint32_t TSimSwitch::PhoneRingMode(int Phone) const
{
    TServiceLock Lock;
    TSimPhoneDevice* p = W().PhoneAt(Phone);
    return p ? p->RingMode : 0;
}

uint32_t TSimSwitch::PhoneRingVolume(int Phone) const
{
    TServiceLock Lock;
    TSimPhoneDevice* p = W().PhoneAt(Phone);
    return p ? p->RingVolume : 0;
}

uint32_t TSimSwitch::PhoneHookSwitch(int Phone, uint32_t Dev) const
{
    TServiceLock Lock;
    TSimPhoneDevice* p = W().PhoneAt(Phone);
    int i = TSimPhoneDevice::DevIndex(Dev);
    return p && i >= 0 ? p->HookMode[i] : 0;
}

uint32_t TSimSwitch::PhoneGain(int Phone, uint32_t Dev) const
{
    TServiceLock Lock;
    TSimPhoneDevice* p = W().PhoneAt(Phone);
    int i = TSimPhoneDevice::DevIndex(Dev);
    return p && i >= 0 ? p->Gain[i] : 0;
}

uint32_t TSimSwitch::PhoneVolume(int Phone, uint32_t Dev) const
{
    TServiceLock Lock;
    TSimPhoneDevice* p = W().PhoneAt(Phone);
    int i = TSimPhoneDevice::DevIndex(Dev);
    return p && i >= 0 ? p->Volume[i] : 0;
}

// --- What happened -----------------------------------------------------------------

std::vector<TSimCallID> TSimSwitch::Calls(int Line) const
{
    TServiceLock Lock;
    std::vector<TSimCallID> r;
    for (const auto& [id, c] : W().Calls)
        if ((Line < 0 || c->LineIndex == Line) && c->Listed && c->State() != LINECALLSTATE_IDLE) r.push_back(id);
    return r;
}

TSimCallID TSimSwitch::LastCall(int Line) const
{
    TServiceLock Lock;
    TSimCallID Last = 0;
    for (const auto& [id, c] : W().Calls)
        if (Line < 0 || c->LineIndex == Line) Last = id;
    return Last;
}

bool TSimSwitch::CallInfo(TSimCallID Call, TSimCallInfo& Info) const
{
    TServiceLock Lock;
    TSimCall* c = W().Call(Call);
    if (!c) return false;
    Info = c->Snapshot();
    return true;
}

uint32_t TSimSwitch::CallState(TSimCallID Call) const
{
    TServiceLock Lock;
    TSimCall* c = W().Call(Call);
    return c ? c->State() : 0;
}

std::string TSimSwitch::LastDialled(int Line) const
{
    TServiceLock Lock;
    const auto& Log = W().Log;
    for (auto it = Log.rbegin(); it != Log.rend(); ++it)
        if ((it->Function == "lineMakeCallA" || it->Function == "lineDialA") && (Line < 0 || it->Device == Line))
            return it->Text;
    return {};
}

std::vector<TSimLogEntry> TSimSwitch::Log() const
{
    TServiceLock Lock;
    return W().Log;
}

void TSimSwitch::ClearLog()
{
    TServiceLock Lock;
    W().Log.clear();
}

std::vector<std::string> TSimSwitch::ParkedAddresses() const
{
    TServiceLock Lock;
    std::vector<std::string> r;
    for (const auto& [a, p] : W().Parked) r.push_back(a);
    return r;
}

size_t TSimSwitch::ScheduledActions() const
{
    TServiceLock Lock;
    return W().Timers.size();
}

uint32_t TSimSwitch::RequestMakeCall(const std::string& DestAddress, const std::string& AppName,
                                     const std::string& CalledParty, const std::string& Comment)
{
    return tapiRequestMakeCallA(DestAddress.c_str(), AppName.c_str(), CalledParty.c_str(), Comment.c_str());
}

}  // namespace kxtapi::sim
