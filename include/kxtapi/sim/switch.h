// The simulated switch: the telephony service's embedded provider, and its
// control API for tests, the demo and applications that want a switch
// without hardware.
//
//   auto& sim = kxtapi::sim::Switch();
//   sim.Reset();                                   // default configuration
//   auto call = sim.OfferCall(0, "+1 206 555 0100", "Caller name");
//   ...                                            // the application answers
//   sim.SendDigits(call, "123#");
//   sim.FarEndHangUp(call);
//
// Every method is thread-safe and takes effect before it returns: the TAPI
// messages it causes are queued for the applications by then. Lines and
// phones are named by their index in the switch (0 for the first line it
// was configured with), which is their TAPI device identifier while the
// switch is the only provider and no device has been removed.
//
// The switch's world outlives the applications: calls offered while no
// application runs are there when one opens the line (lineGetNewCalls
// finds them).
#pragma once

#include "kxtapi/serial/simulated.h"
#include "kxtapi/sim/config.h"
#include "kxtapi/sim/faults.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kxtapi::sim {

/// A call of the switch; 0 is none. Never reused within the process.
using TSimCallID = uint32_t;

/// Options of an offered call.
struct TSimOfferOptions {
    uint32_t AddressID = 0;
    uint32_t MediaMode = LINEMEDIAMODE_INTERACTIVEVOICE;
    uint32_t BearerMode = LINEBEARERMODE_VOICE;
    /// The caller withheld the number: LINECALLPARTYID_BLOCKED, no number.
    bool CallerIDBlocked = false;
    /// The number the caller dialled (LINECALLINFO's called ID); empty: the
    /// address's own.
    std::string CalledID = {};
    /// Rings reported at once (LINEDEVSTATE_RINGING); more with Ring().
    uint32_t Rings = 1;
    /// LINECALLINFOSTATE_CALLERID is reported after the first ring, as a
    /// switch that sends the number between the rings does; otherwise the
    /// call carries it from the start and no LINE_CALLINFO is sent.
    bool CallerIDAfterRing = true;
};

/// What the far end does with a call made to it.
enum TSimFarEndAction {
    faRing,       // rings until a test tells it what to do
    faAnswer,     // answers after Delay
    faBusy,       // is busy
    faNoAnswer,   // rings, then after Delay the call ends with LINEDISCONNECTMODE_NOANSWER
    faReject,     // rejects: LINEDISCONNECTMODE_REJECT
};

/// Tells the far end how to treat calls to matching numbers. Pattern is a
/// number (digits compared, formatting ignored), a prefix followed by "*",
/// or "*" for every number. Later rules win.
struct TSimDestinationRule {
    std::string Pattern = "*";
    TSimFarEndAction Action = faRing;
    uint32_t Delay = 0;
};

/// What the switch knows of a call.
struct TSimCallInfo {
    TSimCallID ID = 0;
    int Line = -1;
    uint32_t AddressID = 0;
    uint32_t State = 0;       // LINECALLSTATE_; IDLE once it is over
    uint32_t StateMode = 0;
    uint32_t Origin = 0;
    uint32_t Reason = 0;
    uint32_t MediaMode = 0;
    uint32_t BearerMode = 0;
    std::string Dialled;      // what lineMakeCallA and lineDialA dialled
    std::string CallerID, CallerIDName, CalledID, ConnectedID;
    std::string UserUserInfo; // of the last accept, answer, drop or make
    std::string DigitsGenerated;   // lineGenerateDigitsA, in order
    std::vector<uint32_t> TonesGenerated;   // lineGenerateTone modes
    TSimCallID Peer = 0;      // the call at the other end when it is on the switch
    TSimCallID Conference = 0;   // the conference call it belongs to
    std::string TransferredTo, RedirectedTo, ParkedAt;
};

/// One operation the application asked of the switch.
struct TSimLogEntry {
    std::string Function;   // "lineMakeCallA", "phoneSetLamp" ...
    int Device = -1;        // line or phone index
    TSimCallID Call = 0;
    std::string Text;       // the address, digits, display text ...
};

class TSimSwitch {
public:
    // --- Configuration ----------------------------------------------------
    /// Replaces the devices, locations and countries. While applications run,
    /// the old devices are reported removed and the new ones created.
    void Configure(const TSimConfig& Config);
    bool LoadConfigFile(const std::string& Path, std::string* Error = nullptr);
    /// The default configuration, no calls, faults, rules or log.
    void Reset();
    /// The configuration as it stands (devices added and removed included).
    TSimConfig Config() const;

    /// Adds a device and returns its index (LINE_CREATE / PHONE_CREATE while
    /// applications run).
    int AddLine(const TSimLineConfig& Line);
    int AddPhone(const TSimPhoneConfig& Phone);
    /// Removes a device (LINE_REMOVE / PHONE_REMOVE); its index stays unused.
    void RemoveLine(int Line);
    void RemovePhone(int Phone);
    /// The device closes every open of itself (LINE_CLOSE / PHONE_CLOSE).
    void CloseLine(int Line);
    void ClosePhone(int Phone);
    /// Tells every application to start over (LINEDEVSTATE_REINIT).
    void SendReinit();
    /// Replaces the dialing locations only, as a user editing them while
    /// applications run: devices and calls stay. Current becomes the current
    /// location (the first one when none has that identifier); every open
    /// line hears LINEDEVSTATE_TRANSLATECHANGE.
    void SetLocations(const std::vector<TSimLocationConfig>& Locations, uint32_t Current);
    /// Narrows the API versions that lineGetTranslateCapsA and
    /// lineGetCountryA accept, as an older service would; the others answer
    /// LINEERR_INCOMPATIBLEAPIVERSION (Low > High refuses every version).
    /// Reset restores the full range.
    void SetLocationVersions(uint32_t Low, uint32_t High);
    /// Changes the API versions a device accepts (refusing every range when
    /// Low > High).
    void SetLineVersions(int Line, uint32_t Low, uint32_t High);
    void SetPhoneVersions(int Phone, uint32_t Low, uint32_t High);
    int LineCount() const;
    int PhoneCount() const;

    // --- Faults -------------------------------------------------------------
    void InjectFault(const TSimFault& Fault);
    void ClearFaults();

    // --- Calls and the far end ---------------------------------------------
    /// A call arrives on a line: LINE_APPNEWCALL, OFFERING, the caller's
    /// number and the first ring.
    TSimCallID OfferCall(int Line, const std::string& CallerNumber, const std::string& CallerName = {},
                         const TSimOfferOptions& Options = {});
    /// Rings an offered call Count more times.
    void Ring(TSimCallID Call, uint32_t Count = 1);
    /// The far end of an outgoing call answers (a call to another line of the
    /// switch: that line's user answers).
    void FarEndAnswer(TSimCallID Call);
    void FarEndBusy(TSimCallID Call);
    /// The far end hangs up: the call becomes DISCONNECTED.
    void FarEndHangUp(TSimCallID Call);
    void FarEndReject(TSimCallID Call);
    void FarEndNoAnswer(TSimCallID Call);
    /// Digits heard from the far end (DTMF: each also as LINEDIGITMODE_DTMFEND).
    void SendDigits(TSimCallID Call, const std::string& Digits, uint32_t DigitMode = LINEDIGITMODE_DTMF);
    /// The far end plays a tone of up to three frequencies (Hz) ...
    void PlayTone(TSimCallID Call, uint32_t Frequency1, uint32_t Frequency2 = 0, uint32_t Frequency3 = 0);
    /// ... goes silent ...
    void GoSilent(TSimCallID Call);
    /// ... or talks again (neither tone nor silence).
    void StartTalking(TSimCallID Call);
    /// The far end's media is recognised as MediaMode (LINE_MONITORMEDIA).
    void DetectMedia(TSimCallID Call, uint32_t MediaMode);
    void AddDestinationRule(const TSimDestinationRule& Rule);
    void ClearDestinationRules();

    /// The far end of a call's data port: the cable whose near end an
    /// application gets as the call's "comm/datamodem" device (a handle of
    /// its own, which it closes). Null for an unknown call or a line without
    /// "comm/datamodem". The switch releases its hold on the near end when
    /// the call goes idle.
    std::shared_ptr<TSimulatedPair> DataPort(TSimCallID Call);
    /// The same for a line's own "comm/datamodem" (LINECALLSELECT_LINE).
    std::shared_ptr<TSimulatedPair> LineDataPort(int Line);

    // --- Phones: the user at the handset -------------------------------------
    void PressButton(int Phone, uint32_t ButtonLampID);
    void ReleaseButton(int Phone, uint32_t ButtonLampID);
    /// The user lifts or puts down a hook-switch device (PHONESTATE_...HOOKSWITCH).
    void SetHookSwitch(int Phone, uint32_t HookSwitchDev, uint32_t Mode);
    /// The device reports a button message as it is, whether its
    /// configuration lists that identifier or not (a device with more keys
    /// than its capabilities tell): PHONE_BUTTON with Mode and State, to
    /// every open whose button-mode mask lets Mode through.
    void ReportButton(int Phone, uint32_t ButtonLampID, uint32_t Mode, uint32_t State);
    /// The device reports PHONESTATE_ bits with their parameters (PHONE_STATE
    /// to every open whose mask lets them through) without changing anything.
    void ReportPhoneState(int Phone, uint32_t States, uint32_t Param2 = 0, uint32_t Param3 = 0);
    std::string PhoneDisplay(int Phone) const;
    uint32_t PhoneLamp(int Phone, uint32_t ButtonLampID) const;
    uint32_t PhoneRingMode(int Phone) const;
    uint32_t PhoneRingVolume(int Phone) const;
    uint32_t PhoneHookSwitch(int Phone, uint32_t HookSwitchDev) const;
    uint32_t PhoneGain(int Phone, uint32_t HookSwitchDev) const;
    uint32_t PhoneVolume(int Phone, uint32_t HookSwitchDev) const;

    // --- What happened ---------------------------------------------------------
    /// Calls of a line (-1: all lines) that are not idle, oldest first.
    std::vector<TSimCallID> Calls(int Line = -1) const;
    /// The newest call of a line (-1: of all), idle or not; 0 when none.
    TSimCallID LastCall(int Line = -1) const;
    /// False when the switch knows no such call.
    bool CallInfo(TSimCallID Call, TSimCallInfo& Info) const;
    /// LINECALLSTATE_ of a call; 0 for an unknown one.
    uint32_t CallState(TSimCallID Call) const;
    /// The address of the last lineMakeCallA or lineDialA on a line (-1: any).
    std::string LastDialled(int Line = -1) const;
    std::vector<TSimLogEntry> Log() const;
    void ClearLog();
    /// Addresses where calls are parked.
    std::vector<std::string> ParkedAddresses() const;
    /// Actions the switch has scheduled and not yet run (delayed replies,
    /// far-end reactions, digit timing).
    size_t ScheduledActions() const;

    // --- Assisted telephony ------------------------------------------------------
    /// Another program asks for a call (tapiRequestMakeCallA).
    uint32_t RequestMakeCall(const std::string& DestAddress, const std::string& AppName = {},
                             const std::string& CalledParty = {}, const std::string& Comment = {});
};

/// The process's simulated switch.
TSimSwitch& Switch();

}  // namespace kxtapi::sim
