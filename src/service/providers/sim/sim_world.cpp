#include "service/providers/sim/sim_world.h"

#include "service/locations.h"
#include "service/service.h"

#include <algorithm>
#include <cctype>

namespace kxtapi::service::simulated {

using namespace kxtapi::sim;

namespace {

// Call identifiers are never reused within the process, not even after a
// Reset, so a test holding an old one finds nothing rather than a new call.
TSimCallID gNextCallID = 1;

constexpr uint32_t HeldStates = LINECALLSTATE_ONHOLD | LINECALLSTATE_ONHOLDPENDCONF | LINECALLSTATE_ONHOLDPENDTRANSFER;

}  // namespace

TSimWorld& World()
{
    static TSimWorld* w = [] {
        auto* World = new TSimWorld;
        World->Configure(DefaultSimConfig());
        TService& s = Service();
        s.CallFault = [World](const char* Function) { return World->FailCall(Function, -1); };
        s.BlockFault = [World](const char* Function) { return World->Hostile(Function, -1); };
        return World;
    }();
    return *w;
}

std::string Digits(const std::string& Address)
{
    std::string d;
    for (char c : Address)
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '*' || c == '#') d.push_back(c);
    return d;
}

bool SameClass(const std::string& a, const char* b)
{
    return a.size() == std::strlen(b) && std::equal(a.begin(), a.end(), b, [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == y;
           });
}

// --- Time -------------------------------------------------------------------

void TSimWorld::Defer(std::function<void()> Action)
{
    Service().Defer(std::move(Action));
}

uint64_t TSimWorld::After(uint32_t Delay, std::function<void()> Action)
{
    // What is due at once happens before the current call returns, not at
    // the next tick of the clock.
    if (Delay == 0) {
        Defer(std::move(Action));
        return 0;
    }
    auto ID = std::make_shared<uint64_t>(0);
    *ID = Service().Schedule(Delay, [this, ID, Action = std::move(Action)] {
        Timers.erase(*ID);
        Action();
    });
    Timers.insert(*ID);
    return *ID;
}

void TSimWorld::Cancel(uint64_t Timer)
{
    if (!Timer) return;
    Service().CancelScheduled(Timer);
    Timers.erase(Timer);
}

// --- Devices ----------------------------------------------------------------

TSimLineDevice* TSimWorld::LineAt(int Index) const
{
    return Index >= 0 && Index < static_cast<int>(Lines.size()) ? Lines[Index].get() : nullptr;
}

TSimPhoneDevice* TSimWorld::PhoneAt(int Index) const
{
    return Index >= 0 && Index < static_cast<int>(Phones.size()) ? Phones[Index].get() : nullptr;
}

int TSimWorld::AddLine(const TSimLineConfig& Config)
{
    int Index = static_cast<int>(Lines.size());
    TSimLineConfig c = Config;
    if (c.Addresses.empty()) c.Addresses.push_back(TSimAddressConfig{std::to_string(201 + Index)});
    if (c.PermanentID == 0) c.PermanentID = 0x5100 + static_cast<uint32_t>(Index);
    auto d = std::make_shared<TSimLineDevice>(*this, Index, std::move(c));
    Lines.push_back(d);
    if (Host) Host->AddLine(d);
    return Index;
}

int TSimWorld::AddPhone(const TSimPhoneConfig& Config)
{
    int Index = static_cast<int>(Phones.size());
    TSimPhoneConfig c = Config;
    if (c.PermanentID == 0) c.PermanentID = 0x5200 + static_cast<uint32_t>(Index);
    auto d = std::make_shared<TSimPhoneDevice>(*this, Index, std::move(c));
    Phones.push_back(d);
    if (Host) Host->AddPhone(d);
    return Index;
}

void TSimWorld::RemoveLine(int Index)
{
    TSimLineDevice* d = LineAt(Index);
    if (!d) return;
    // The line's calls end: the other parties hear them hang up.
    for (TSimCall* c : LineCalls(Index)) c->Hangup();
    if (Host) Host->RemoveLine(d);
    Lines[Index].reset();
}

void TSimWorld::RemovePhone(int Index)
{
    TSimPhoneDevice* d = PhoneAt(Index);
    if (!d) return;
    if (Host) Host->RemovePhone(d);
    Phones[Index].reset();
}

void TSimWorld::Configure(const TSimConfig& Config)
{
    for (int i = 0; i < static_cast<int>(Lines.size()); ++i)
        if (Lines[i] && Host) Host->RemoveLine(Lines[i].get());
    for (int i = 0; i < static_cast<int>(Phones.size()); ++i)
        if (Phones[i] && Host) Host->RemovePhone(Phones[i].get());
    for (uint64_t t : std::set<uint64_t>(Timers)) Cancel(t);
    Lines.clear();
    Phones.clear();
    Calls.clear();
    Parked.clear();
    NextParkSlot = 1;

    TLocationStore& Store = Locations();
    Store.Countries.clear();
    for (const TSimCountryConfig& c : Config.Countries)
        Store.Countries.push_back(
            TCountryInfo{c.ID, c.CountryCode, c.Name, c.SameAreaRule, c.LongDistanceRule, c.InternationalRule});
    SetLocations(Config.Locations, Config.CurrentLocation);

    for (const TSimLineConfig& l : Config.Lines) AddLine(l);
    for (const TSimPhoneConfig& p : Config.Phones) AddPhone(p);
    StartScript(Config.Script);
}

void TSimWorld::SetLocations(const std::vector<TSimLocationConfig>& List, uint32_t Current)
{
    TLocationStore& Store = Locations();
    Store.Locations.clear();
    for (const TSimLocationConfig& l : List)
        Store.Locations.push_back(TLocationInfo{l.ID, l.Name, l.CountryID, l.CityCode, l.LocalAccessCode,
                                                l.LongDistanceAccessCode, l.TollPrefixes, l.CancelCallWaiting,
                                                l.Options});
    Store.CurrentID = Current;
    if (!Store.Location(Store.CurrentID) && !Store.Locations.empty()) Store.CurrentID = Store.Locations[0].ID;
    if (Host) Service().BroadcastLineDevState(LINEDEVSTATE_TRANSLATECHANGE);
}

TSimConfig TSimWorld::CurrentConfig() const
{
    TSimConfig c;
    for (const auto& l : Lines)
        if (l) c.Lines.push_back(l->Config);
    for (const auto& p : Phones)
        if (p) c.Phones.push_back(p->Config);
    const TLocationStore& Store = Locations();
    for (const TLocationInfo& l : Store.Locations)
        c.Locations.push_back(TSimLocationConfig{l.ID, l.Name, l.CountryID, l.CityCode, l.LocalAccessCode,
                                                 l.LongDistanceAccessCode, l.TollPrefixes, l.CancelCallWaiting,
                                                 l.Options});
    c.CurrentLocation = Store.CurrentID;
    for (const TCountryInfo& k : Store.Countries)
        c.Countries.push_back(
            TSimCountryConfig{k.ID, k.CountryCode, k.Name, k.SameAreaRule, k.LongDistanceRule, k.InternationalRule});
    c.Script = Script;
    return c;
}

// --- Calls --------------------------------------------------------------------

std::shared_ptr<TSimCall> TSimWorld::NewCall(int Line, uint32_t AddressID)
{
    auto c = std::make_shared<TSimCall>(*this, gNextCallID++, Line, AddressID);
    Calls[c->ID] = c;
    return c;
}

TSimCall* TSimWorld::Call(TSimCallID ID) const
{
    auto it = Calls.find(ID);
    return it != Calls.end() ? it->second.get() : nullptr;
}

std::vector<TSimCall*> TSimWorld::LineCalls(int Line) const
{
    std::vector<TSimCall*> r;
    for (const auto& [id, c] : Calls)
        if (c->LineIndex == Line && c->Listed && c->State() != LINECALLSTATE_IDLE) r.push_back(c.get());
    return r;
}

bool TSimWorld::FindAddress(const std::string& Dest, int& Line, uint32_t& AddressID) const
{
    std::string d = Digits(Dest);
    if (d.empty()) return false;
    for (const auto& l : Lines) {
        if (!l) continue;
        for (uint32_t a = 0; a < l->Config.Addresses.size(); ++a)
            if (Digits(l->Config.Addresses[a].Address) == d) {
                Line = l->Index;
                AddressID = a;
                return true;
            }
    }
    return false;
}

std::string TSimWorld::AddressOf(int Line, uint32_t AddressID) const
{
    TSimLineDevice* l = LineAt(Line);
    return l && AddressID < l->Config.Addresses.size() ? l->Config.Addresses[AddressID].Address : std::string();
}

const TSimDestinationRule* TSimWorld::RuleFor(const std::string& Dest) const
{
    std::string d = Digits(Dest);
    for (auto it = Rules.rbegin(); it != Rules.rend(); ++it) {
        const std::string& p = it->Pattern;
        if (p == "*") return &*it;
        if (!p.empty() && p.back() == '*') {
            std::string Prefix = Digits(p.substr(0, p.size() - 1));
            if (d.compare(0, Prefix.size(), Prefix) == 0) return &*it;
        } else if (Digits(p) == d) {
            return &*it;
        }
    }
    return nullptr;
}

void TSimWorld::Route(TSimCall& Call)
{
    std::shared_ptr<TSimCall> Self = Call.shared_from_this();
    Call.SetState(LINECALLSTATE_PROCEEDING, 0);
    Call.CalledID = Call.Dialled;
    Call.CalledFlags = LINECALLPARTYID_ADDRESS;
    int Line;
    uint32_t Address;
    if (FindAddress(Call.Dialled, Line, Address)) {
        if (Line == Call.LineIndex && Address == Call.AddressID()) {
            Call.SetState(LINECALLSTATE_BUSY, LINEBUSYMODE_STATION);
            return;
        }
        auto In = NewCall(Line, Address);
        In->Origin = LINECALLORIGIN_INTERNAL;
        In->Media = Call.Media;
        In->Bearer = Call.Bearer;
        In->CallerID = AddressOf(Call.LineIndex, Call.AddressID());
        TSimLineDevice* From = LineAt(Call.LineIndex);
        In->CallerIDName = From ? From->Config.Name : std::string();
        In->CallerFlags = LINECALLPARTYID_ADDRESS | LINECALLPARTYID_NAME;
        In->CalledID = AddressOf(Line, Address);
        In->CalledFlags = LINECALLPARTYID_ADDRESS;
        In->UserUserInfo = Call.UserUserInfo;
        In->Peer = Self;
        Call.Peer = In;
        Call.SetState(LINECALLSTATE_RINGBACK, 0);
        Offer(*In, 1, false);
        return;
    }
    const TSimDestinationRule* Rule = RuleFor(Call.Dialled);
    TSimFarEndAction Action = Rule ? Rule->Action : faRing;
    uint32_t Delay = Rule ? Rule->Delay : 0;
    std::weak_ptr<TSimCall> Weak = Self;
    switch (Action) {
    case faRing:
        Call.SetState(LINECALLSTATE_RINGBACK, 0);
        break;
    case faAnswer:
        Call.SetState(LINECALLSTATE_RINGBACK, 0);
        After(Delay, [Weak] {
            if (auto c = Weak.lock(); c && c->State() == LINECALLSTATE_RINGBACK) {
                c->ConnectedID = c->Dialled;
                c->ConnectedFlags = LINECALLPARTYID_ADDRESS;
                c->SetState(LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
                if (c->World.Host) c->World.Host->CallInfo(c.get(), LINECALLINFOSTATE_CONNECTEDID);
            }
        });
        break;
    case faBusy:
        Call.SetState(LINECALLSTATE_BUSY, LINEBUSYMODE_STATION);
        break;
    case faNoAnswer:
        Call.SetState(LINECALLSTATE_RINGBACK, 0);
        After(Delay, [Weak] {
            if (auto c = Weak.lock(); c && c->State() == LINECALLSTATE_RINGBACK)
                c->SetState(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NOANSWER);
        });
        break;
    case faReject:
        Call.SetState(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_REJECT);
        break;
    }
}

void TSimWorld::Offer(TSimCall& Call, uint32_t Rings, bool CallerIDAfterRing)
{
    std::string ID = Call.CallerID, Name = Call.CallerIDName;
    uint32_t Flags = Call.CallerFlags;
    if (CallerIDAfterRing) {
        Call.CallerID.clear();
        Call.CallerIDName.clear();
        Call.CallerFlags = LINECALLPARTYID_UNKNOWN;
    }
    // The service hands out handles for a call that is already offered; the
    // state is reported to them right after.
    Call.SetState(LINECALLSTATE_OFFERING, LINEOFFERINGMODE_ACTIVE);
    Call.Listed = true;
    if (Host) {
        Host->NewCall(Call.shared_from_this());
        Host->CallState(&Call, LINECALLSTATE_OFFERING, LINEOFFERINGMODE_ACTIVE);
    }
    for (uint32_t i = 0; i < Rings; ++i) {
        RingCall(Call);
        if (i == 0 && CallerIDAfterRing) {
            Call.CallerID = ID;
            Call.CallerIDName = Name;
            Call.CallerFlags = Flags;
            if (Host) Host->CallInfo(&Call, LINECALLINFOSTATE_CALLERID);
        }
    }
    if (Rings == 0 && CallerIDAfterRing) {
        Call.CallerID = ID;
        Call.CallerIDName = Name;
        Call.CallerFlags = Flags;
        if (Host) Host->CallInfo(&Call, LINECALLINFOSTATE_CALLERID);
    }
}

void TSimWorld::RingCall(TSimCall& Call)
{
    if (Call.State() != LINECALLSTATE_OFFERING && Call.State() != LINECALLSTATE_ACCEPTED) return;
    ++Call.RingCount;
    TSimLineDevice* l = LineAt(Call.LineIndex);
    if (l && Host) Host->LineDevState(l, LINEDEVSTATE_RINGING, 1, Call.RingCount);
}

void TSimWorld::ReportCounts(int Line)
{
    TSimLineDevice* l = LineAt(Line);
    if (!l) return;
    uint32_t Counts[3] = {0, 0, 0};
    std::vector<uint32_t> InUse(l->Config.Addresses.size(), 0);
    for (TSimCall* c : LineCalls(Line)) {
        uint32_t s = c->State();
        if (s == LINECALLSTATE_ONHOLD)
            ++Counts[1];
        else if (s & HeldStates)
            ++Counts[2];
        else
            ++Counts[0];
        if (c->AddressID() < InUse.size()) ++InUse[c->AddressID()];
    }
    if (!Host) {
        std::copy(Counts, Counts + 3, l->ReportedCounts);
        l->ReportedInUse = InUse;
        return;
    }
    if (!std::equal(Counts, Counts + 3, l->ReportedCounts)) {
        std::copy(Counts, Counts + 3, l->ReportedCounts);
        Host->LineDevState(l, LINEDEVSTATE_NUMCALLS, 0, 0);
    }
    l->ReportedInUse.resize(InUse.size(), 0);
    for (uint32_t a = 0; a < InUse.size(); ++a) {
        uint32_t Old = l->ReportedInUse[a], New = InUse[a];
        if (Old == New) continue;
        auto Category = [](uint32_t n) {
            return n == 0 ? LINEADDRESSSTATE_INUSEZERO : n == 1 ? LINEADDRESSSTATE_INUSEONE : LINEADDRESSSTATE_INUSEMANY;
        };
        uint32_t State = LINEADDRESSSTATE_NUMCALLS;
        if (Category(Old) != Category(New)) State |= Category(New);
        l->ReportedInUse[a] = New;
        Host->AddressState(l, a, State);
    }
}

// --- Faults ---------------------------------------------------------------------

namespace {

bool Matches(const TSimFault& f, const char* Function, int Device)
{
    return (f.Function.empty() || f.Function == Function) && (f.Device < 0 || f.Device == Device);
}

}  // namespace

uint32_t TSimWorld::FailCall(const char* Function, int Device)
{
    for (auto it = Faults.begin(); it != Faults.end(); ++it) {
        if (it->Kind != sfFailCall || !Matches(*it, Function, Device)) continue;
        uint32_t Error = it->Error;
        if (it->Count && --it->Count == 0) Faults.erase(it);
        return Error;
    }
    return 0;
}

THostileBlock TSimWorld::Hostile(const char* Function, int Device)
{
    for (auto it = Faults.begin(); it != Faults.end(); ++it) {
        if (it->Kind != sfHostileBlock || !Matches(*it, Function, Device)) continue;
        THostileBlock h = hbNone;
        switch (it->Hostile) {
        case shPairsPastEnd: h = hbPairsPastEnd; break;
        case shPairsWrap: h = hbPairsWrap; break;
        case shNeededHuge: h = hbNeededHuge; break;
        case shUsedBeyondTotal: h = hbUsedBeyondTotal; break;
        case shCountsHuge: h = hbCountsHuge; break;
        }
        if (it->Count && --it->Count == 0) Faults.erase(it);
        return h;
    }
    return hbNone;
}

void TSimWorld::Reply(const char* Function, int Device, TRequestID Request, std::function<void()> Effects,
                      const std::string& Text)
{
    TSimFaultKind Kind = sfFailCall;   // none
    uint32_t Error = 0, Delay = 0;
    for (auto it = Faults.begin(); it != Faults.end(); ++it) {
        if ((it->Kind != sfDelayReply && it->Kind != sfFailReply && it->Kind != sfNeverReply) ||
            !Matches(*it, Function, Device))
            continue;
        Kind = it->Kind;
        Error = it->Error;
        Delay = it->Delay;
        if (it->Count && --it->Count == 0) Faults.erase(it);
        break;
    }
    auto Complete = [this, Request, Text](uint32_t Result) {
        if (Host) Host->CompleteRequest(Request, Result, Text);
    };
    switch (Kind) {
    case sfNeverReply:
        return;
    case sfFailReply:
        Defer([Complete, Error] { Complete(Error); });
        return;
    case sfDelayReply:
        After(Delay, [Complete, Effects] {
            Complete(0);
            if (Effects) Effects();
        });
        return;
    default:
        Defer([Complete, Effects] {
            Complete(0);
            if (Effects) Effects();
        });
    }
}

void TSimWorld::Note(const char* Function, int Device, TSimCallID Call, const std::string& Text)
{
    Log.push_back(TSimLogEntry{Function, Device, Call, Text});
}

}  // namespace kxtapi::service::simulated
