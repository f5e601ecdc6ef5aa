// The simulated switch's world: its devices, calls, far-end rules, faults
// and log. Everything here runs under the service lock (see provider.h);
// the world exists for the whole process, attached to the service (Host)
// while applications run and detached otherwise.
#pragma once

#include "kxtapi/serial/simulated.h"
#include "kxtapi/sim.h"
#include "service/provider.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace kxtapi::service::simulated {

using kxtapi::sim::TSimCallID;

class TSimWorld;
class TSimLineDevice;
class TSimPhoneDevice;

/// A call of the switch.
class TSimCall final : public TProviderCall, public std::enable_shared_from_this<TSimCall> {
public:
    TSimCall(TSimWorld& World, TSimCallID ID, int Line, uint32_t AddressID);
    ~TSimCall() override;

    // TProviderCall
    TProviderLine* Line() const override;
    uint32_t AddressID() const override { return FAddress; }
    uint32_t State() const override { return FState; }
    uint32_t MediaMode() const override { return Media; }
    void GetStatus(TCallStatusData& Status) override;
    void GetInfo(TCallInfoData& Info) override;
    std::vector<TProviderCall*> ConferenceCalls() override;
    uint32_t Accept(TRequestID Request, const std::string& UserUserInfo) override;
    uint32_t Answer(TRequestID Request, const std::string& UserUserInfo) override;
    uint32_t Drop(TRequestID Request, const std::string& UserUserInfo) override;
    uint32_t Dial(TRequestID Request, const std::string& Dest, uint32_t CountryCode) override;
    uint32_t Hold(TRequestID Request) override;
    uint32_t Unhold(TRequestID Request) override;
    uint32_t SwapHold(TRequestID Request, TProviderCall* Held) override;
    uint32_t BlindTransfer(TRequestID Request, const std::string& Dest, uint32_t CountryCode) override;
    uint32_t SetupTransfer(TRequestID Request, const TCallParamsData& Params,
                           std::shared_ptr<TProviderCall>& Consult) override;
    uint32_t CompleteTransfer(TRequestID Request, TProviderCall* Consult, uint32_t Mode,
                              std::shared_ptr<TProviderCall>& Conference) override;
    uint32_t PrepareAddToConference(TRequestID Request, const TCallParamsData& Params,
                                    std::shared_ptr<TProviderCall>& Consult) override;
    uint32_t AddToConference(TRequestID Request, TProviderCall* Consult) override;
    uint32_t Park(TRequestID Request, uint32_t Mode, const std::string& DirAddress) override;
    uint32_t Redirect(TRequestID Request, const std::string& Dest, uint32_t CountryCode) override;
    uint32_t GenerateDigits(uint32_t DigitMode, const std::string& Digits, uint32_t Duration,
                            uint32_t EndToEndID) override;
    uint32_t GenerateTone(uint32_t ToneMode, uint32_t Duration, const std::vector<LINEGENERATETONE>& Tones,
                          uint32_t EndToEndID) override;
    uint32_t SetMediaMode(uint32_t MediaModes) override;
    /// Starting is refused (LINEERR_OPERATIONUNAVAIL) when the call's
    /// features lack Feature, as on an address configured without it.
    uint32_t Listen(uint32_t Feature, bool Start, const char* Function, const std::string& Detail) override;
    void DropForClose() override;

    /// Features of the call in its state, as its owner sees them.
    uint32_t Features() const;
    void SetState(uint32_t State, uint32_t Mode, TSimCall* Related = nullptr);
    /// Ends the call from this side: IDLE here, DISCONNECTED at the peer.
    void Hangup();
    /// Stops a running generation, reporting it cancelled.
    void CancelGeneration();
    kxtapi::sim::TSimCallInfo Snapshot() const;

    TSimWorld& World;
    const TSimCallID ID;
    const int LineIndex;
    bool Listed = false;   // reported to the service and in the line's calls
    uint32_t Mode = 0;
    uint32_t Origin = LINECALLORIGIN_OUTBOUND;
    uint32_t Reason = LINECALLREASON_DIRECT;
    uint32_t Media = LINEMEDIAMODE_INTERACTIVEVOICE;
    uint32_t Bearer = LINEBEARERMODE_VOICE;
    uint32_t ParamFlags = 0;
    uint32_t RelatedCallID = 0;
    std::string Dialled, CallerID, CallerIDName, CalledID, CalledIDName, ConnectedID, ConnectedIDName;
    std::string RedirectionID, RedirectingID, CalledParty, Comment, DisplayableAddress, UserUserInfo;
    uint32_t CallerFlags = LINECALLPARTYID_UNKNOWN, CalledFlags = LINECALLPARTYID_UNKNOWN;
    uint32_t ConnectedFlags = LINECALLPARTYID_UNKNOWN, RedirectionFlags = LINECALLPARTYID_UNKNOWN;
    uint32_t RedirectingFlags = LINECALLPARTYID_UNKNOWN;
    std::weak_ptr<TSimCall> Peer;              // the other end, when it is on the switch
    std::weak_ptr<TSimCall> ConferenceOf;      // a member: its conference call
    std::vector<std::weak_ptr<TSimCall>> Members;   // a conference call: its members
    bool IsConference = false;
    std::weak_ptr<TSimCall> TransferOf;        // a consultation call: the held call
    std::weak_ptr<TSimCall> PendingConference; // a consultation call: the conference to join
    uint32_t RingCount = 0;
    uint64_t GenerateTimer = 0;
    uint32_t GenerateID = 0;
    std::string DigitsGenerated;
    std::vector<uint32_t> TonesGenerated;
    std::string TransferredTo, RedirectedTo, ParkedAt;
    SYSTEMTIME StateTime{};
    /// The data port of the call ("comm/datamodem"): created when first
    /// asked for; the switch holds its near end open until the call ends.
    std::shared_ptr<TSimulatedPair> Modem;
    THandle ModemHandle = 0;
    /// A new handle to the call's data port for an application, or 0.
    THandle CommHandle();

private:
    uint32_t FAddress;
    uint32_t FState = LINECALLSTATE_IDLE;
};

/// A line device of the switch.
class TSimLineDevice final : public TProviderLine {
public:
    TSimLineDevice(TSimWorld& World, int Index, kxtapi::sim::TSimLineConfig Config);

    TVersionRange APIVersions() const override { return {Config.APILowVersion, Config.APIHighVersion}; }
    TVersionRange ExtVersions() const override { return {Config.ExtLowVersion, Config.ExtHighVersion}; }
    LINEEXTENSIONID ExtensionID() const override;
    uint32_t NumAddresses() const override { return static_cast<uint32_t>(Config.Addresses.size()); }
    uint32_t GetDevCaps(uint32_t APIVersion, uint32_t ExtVersion, TLineCapsData& Caps) override;
    uint32_t GetAddressCaps(uint32_t AddressID, uint32_t APIVersion, uint32_t ExtVersion,
                            TAddressCapsData& Caps) override;
    uint32_t GetDevStatus(TLineStatusData& Status) override;
    uint32_t GetAddressStatus(uint32_t AddressID, TAddressStatusData& Status) override;
    uint32_t GetID(uint32_t Select, uint32_t AddressID, TProviderCall* Call, const std::string& DeviceClass,
                   TDeviceIDData& ID) override;
    uint32_t GetIcon(const std::string& DeviceClass, HICON& Icon) override;
    uint32_t Open() override;
    void Close() override;
    std::vector<std::shared_ptr<TProviderCall>> Calls(uint32_t Select, uint32_t AddressID) override;
    uint32_t MakeCall(TRequestID Request, uint32_t AddressID, const std::string& Dest, uint32_t CountryCode,
                      const TCallParamsData& Params, std::shared_ptr<TProviderCall>& Call) override;
    uint32_t Unpark(TRequestID Request, uint32_t AddressID, const std::string& Dest,
                    std::shared_ptr<TProviderCall>& Call) override;
    uint32_t SetupConference(TRequestID Request, TProviderCall* Call, uint32_t AddressID, uint32_t NumParties,
                             const TCallParamsData& Params, std::shared_ptr<TProviderCall>& Conference,
                             std::shared_ptr<TProviderCall>& Consult) override;

    ~TSimLineDevice() override;
    /// A new handle to the line's data port, or 0 (see TSimCall::CommHandle).
    THandle CommHandle();

    TSimWorld& World;
    const int Index;
    kxtapi::sim::TSimLineConfig Config;
    bool Opened = false;
    std::shared_ptr<TSimulatedPair> Modem;
    THandle ModemHandle = 0;
    // Last counts reported with LINEDEVSTATE_NUMCALLS / LINEADDRESSSTATE_.
    uint32_t ReportedCounts[3] = {0, 0, 0};
    std::vector<uint32_t> ReportedInUse;
};

/// A phone device of the switch.
class TSimPhoneDevice final : public TProviderPhone, public std::enable_shared_from_this<TSimPhoneDevice> {
public:
    TSimPhoneDevice(TSimWorld& World, int Index, kxtapi::sim::TSimPhoneConfig Config);

    TVersionRange APIVersions() const override { return {Config.APILowVersion, Config.APIHighVersion}; }
    TVersionRange ExtVersions() const override { return {Config.ExtLowVersion, Config.ExtHighVersion}; }
    PHONEEXTENSIONID ExtensionID() const override { return PHONEEXTENSIONID{}; }
    uint32_t GetDevCaps(uint32_t APIVersion, uint32_t ExtVersion, TPhoneCapsData& Caps) override;
    uint32_t GetStatus(TPhoneStatusData& Status) override;
    uint32_t GetID(const std::string& DeviceClass, TDeviceIDData& ID) override;
    uint32_t GetIcon(const std::string& DeviceClass, HICON& Icon) override;
    uint32_t GetDisplay(std::string& Display) override;
    uint32_t GetLamp(uint32_t ButtonLampID, uint32_t& LampMode) override;
    uint32_t GetButtonInfo(uint32_t ButtonLampID, TButtonInfoData& Info) override;
    uint32_t Open() override;
    void Close() override;
    uint32_t SetDisplay(TRequestID Request, uint32_t Row, uint32_t Column, const std::string& Text) override;
    uint32_t SetRing(TRequestID Request, uint32_t RingMode, uint32_t Volume) override;
    uint32_t SetLamp(TRequestID Request, uint32_t ButtonLampID, uint32_t LampMode) override;
    uint32_t SetHookSwitch(TRequestID Request, uint32_t HookSwitchDevs, uint32_t Mode) override;
    uint32_t SetGain(TRequestID Request, uint32_t HookSwitchDev, uint32_t Gain) override;
    uint32_t SetVolume(TRequestID Request, uint32_t HookSwitchDev, uint32_t Volume) override;

    /// Index 0 handset, 1 speaker, 2 headset; -1 for anything else.
    static int DevIndex(uint32_t HookSwitchDev);
    void ChangeHookSwitch(uint32_t Devs, uint32_t Mode);   // reports PHONESTATE_
    std::string DisplayText() const;

    TSimWorld& World;
    const int Index;
    kxtapi::sim::TSimPhoneConfig Config;
    bool Opened = false;
    std::string Display;   // Rows * Columns characters
    std::vector<uint32_t> Lamps;
    std::vector<uint32_t> ButtonStates;
    uint32_t RingMode = 0, RingVolume = 0x8000;
    uint32_t HookMode[3] = {PHONEHOOKSWITCHMODE_ONHOOK, PHONEHOOKSWITCHMODE_ONHOOK, PHONEHOOKSWITCHMODE_ONHOOK};
    uint32_t Gain[3] = {0x8000, 0x8000, 0x8000};
    uint32_t Volume[3] = {0x8000, 0x8000, 0x8000};
};

/// A call waiting at a park address: the party that was connected.
struct TParked {
    std::weak_ptr<TSimCall> Peer;   // when the party is on the switch
    std::string Number;             // its number
    std::string Name;
    uint32_t Origin = LINECALLORIGIN_EXTERNAL;
};

class TSimWorld {
public:
    std::vector<std::shared_ptr<TSimLineDevice>> Lines;   // null once removed
    std::vector<std::shared_ptr<TSimPhoneDevice>> Phones;
    std::map<TSimCallID, std::shared_ptr<TSimCall>> Calls;
    std::vector<kxtapi::sim::TSimFault> Faults;
    std::vector<kxtapi::sim::TSimDestinationRule> Rules;
    std::vector<kxtapi::sim::TSimLogEntry> Log;
    std::map<std::string, TParked> Parked;
    std::set<uint64_t> Timers;
    /// The far end's script (sim_script.cpp): the one running, the call it
    /// offered last, and a number that changes with every start, so steps
    /// of an older script that were already due do nothing.
    kxtapi::sim::TSimScript Script;
    TSimCallID ScriptCall = 0;
    uint64_t ScriptRun = 0;
    uint32_t NextParkSlot = 1;
    TProviderHost* Host = nullptr;   // while the switch is attached to the service

    /// Deferral and scheduling work attached or not: the world keeps time
    /// even while no application runs.
    void Defer(std::function<void()> Action);
    uint64_t After(uint32_t Delay, std::function<void()> Action);
    void Cancel(uint64_t Timer);

    // Devices.
    TSimLineDevice* LineAt(int Index) const;
    TSimPhoneDevice* PhoneAt(int Index) const;
    int AddLine(const kxtapi::sim::TSimLineConfig& Config);
    int AddPhone(const kxtapi::sim::TSimPhoneConfig& Config);
    void RemoveLine(int Index);
    void RemovePhone(int Index);
    /// Drops every device and call (reporting the devices removed) and
    /// installs Config.
    void Configure(const kxtapi::sim::TSimConfig& Config);
    kxtapi::sim::TSimConfig CurrentConfig() const;
    /// Replaces the running script with Script, from its first step.
    void StartScript(const kxtapi::sim::TSimScript& Script);
    /// Replaces the service's dialing locations only; Current becomes the
    /// current one (the first when no location has that identifier).
    void SetLocations(const std::vector<kxtapi::sim::TSimLocationConfig>& Locations, uint32_t Current);

    // Calls.
    std::shared_ptr<TSimCall> NewCall(int Line, uint32_t AddressID);
    TSimCall* Call(TSimCallID ID) const;
    std::vector<TSimCall*> LineCalls(int Line) const;   // listed and not idle
    /// The line and address whose own number the digits of Dest are.
    bool FindAddress(const std::string& Dest, int& Line, uint32_t& AddressID) const;
    std::string AddressOf(int Line, uint32_t AddressID) const;
    /// Puts a new outgoing call on its way to Dest.
    void Route(TSimCall& Call);
    /// Offers Call (a new incoming call) on its line.
    void Offer(TSimCall& Call, uint32_t Rings, bool CallerIDAfterRing);
    void RingCall(TSimCall& Call);
    /// Recomputes the line's call counts and reports changes.
    void ReportCounts(int Line);
    const kxtapi::sim::TSimDestinationRule* RuleFor(const std::string& Dest) const;

    // Faults.
    /// The error of an sfFailCall fault for the function, or 0.
    uint32_t FailCall(const char* Function, int Device);
    THostileBlock Hostile(const char* Function, int Device);
    /// Completes an asynchronous request as the faults say: Effects (what
    /// the operation does) run after the reply, at once or when delayed; a
    /// failed or unanswered request has no effects.
    void Reply(const char* Function, int Device, TRequestID Request, std::function<void()> Effects,
               const std::string& Text = {});

    void Note(const char* Function, int Device, TSimCallID Call, const std::string& Text);
};

/// The switch's world (never destroyed).
TSimWorld& World();

/// Digits of an address (formatting dropped) for comparisons.
std::string Digits(const std::string& Address);

/// Whether a device class name is b (lower case), ignoring a's case.
bool SameClass(const std::string& a, const char* b);

}  // namespace kxtapi::service::simulated
