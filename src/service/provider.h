// The interface between the telephony service and its providers (the back
// ends that own devices and calls: the simulated switch, modems ...).
//
// The service keeps everything that concerns applications: usages, handles,
// privileges, message queues, request identifiers, write-backs, per-handle
// media monitoring and the layout of the TAPI blocks. A provider knows
// nothing of applications: it owns line and phone devices and their calls,
// answers questions about them, carries out operations, and tells the
// service what happened through TProviderHost.
//
// Rules every provider keeps:
// - Every method is called with the service lock held (service_lock.h), and
//   a provider calls the host only with that lock held. Providers therefore
//   need no locks of their own for state they touch only from these calls.
// - An asynchronous operation receives a request identifier. It returns 0
//   when it accepted the request (or an error, and then never completes
//   it) and completes it later with TProviderHost::CompleteRequest, exactly
//   once. It never completes it, nor reports events about calls it creates,
//   before the operation has returned: immediate effects go through
//   TProviderHost::Defer, which runs them before the TAPI function returns
//   to the application.
// - Device and call objects are shared: the service holds them as long as
//   an application has a handle, so a provider keeps an object answering
//   (with LINEERR_INVALCALLSTATE, say) after it has dropped it from its own
//   lists.
#pragma once

#include "service/provider_data.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kxtapi::service {

class TProviderHost;
class TProviderLine;
class TProviderPhone;

using TRequestID = uint32_t;

/// An inclusive range of versions; {0, 0} is none.
struct TVersionRange {
    uint32_t Low = 0;
    uint32_t High = 0;
    bool Empty() const noexcept { return High == 0 || Low > High; }
};

/// One call of a line device.
class TProviderCall {
public:
    virtual ~TProviderCall() = default;

    virtual TProviderLine* Line() const = 0;
    virtual uint32_t AddressID() const = 0;
    virtual uint32_t State() const = 0;
    /// The media mode the call is offered with (for choosing its owner).
    virtual uint32_t MediaMode() const = 0;
    virtual void GetStatus(TCallStatusData& Status) = 0;
    virtual void GetInfo(TCallInfoData& Info) = 0;
    /// Handles of calls in the same conference, the conference call first;
    /// empty when the call is in none.
    virtual std::vector<TProviderCall*> ConferenceCalls() = 0;

    // Asynchronous operations (see the rules above).
    virtual uint32_t Accept(TRequestID Request, const std::string& UserUserInfo) = 0;
    virtual uint32_t Answer(TRequestID Request, const std::string& UserUserInfo) = 0;
    virtual uint32_t Drop(TRequestID Request, const std::string& UserUserInfo) = 0;
    virtual uint32_t Dial(TRequestID Request, const std::string& Dest, uint32_t CountryCode) = 0;
    virtual uint32_t Hold(TRequestID Request) = 0;
    virtual uint32_t Unhold(TRequestID Request) = 0;
    virtual uint32_t SwapHold(TRequestID Request, TProviderCall* Held) = 0;
    virtual uint32_t BlindTransfer(TRequestID Request, const std::string& Dest, uint32_t CountryCode) = 0;
    virtual uint32_t SetupTransfer(TRequestID Request, const TCallParamsData& Params,
                                   std::shared_ptr<TProviderCall>& Consult) = 0;
    /// With LINETRANSFERMODE_CONFERENCE, Conference receives the new call.
    virtual uint32_t CompleteTransfer(TRequestID Request, TProviderCall* Consult, uint32_t Mode,
                                      std::shared_ptr<TProviderCall>& Conference) = 0;
    virtual uint32_t PrepareAddToConference(TRequestID Request, const TCallParamsData& Params,
                                            std::shared_ptr<TProviderCall>& Consult) = 0;
    virtual uint32_t AddToConference(TRequestID Request, TProviderCall* Consult) = 0;
    /// A non-directed park completes with the park address as the text of
    /// CompleteRequest.
    virtual uint32_t Park(TRequestID Request, uint32_t Mode, const std::string& DirAddress) = 0;
    virtual uint32_t Redirect(TRequestID Request, const std::string& Dest, uint32_t CountryCode) = 0;

    // Synchronous operations.
    /// Sends digits to the far end; reports the end with
    /// TProviderHost::CallGenerateEnded(EndToEndID). Empty Digits cancels.
    virtual uint32_t GenerateDigits(uint32_t DigitMode, const std::string& Digits, uint32_t Duration,
                                    uint32_t EndToEndID) = 0;
    /// ToneMode 0 cancels.
    virtual uint32_t GenerateTone(uint32_t ToneMode, uint32_t Duration,
                                  const std::vector<LINEGENERATETONE>& Tones, uint32_t EndToEndID) = 0;
    virtual uint32_t SetMediaMode(uint32_t MediaModes) = 0;
    /// The service starts (Start) or stops listening on the call for what
    /// Feature names (LINECALLFEATURE_MONITORDIGITS, _MONITORMEDIA,
    /// _MONITORTONES or _GATHERDIGITS), for the TAPI function Function;
    /// Detail describes the request. The detection itself is the service's;
    /// a provider whose hardware cannot listen for it refuses with a LINEERR_
    /// code, and the service then changes nothing.
    virtual uint32_t Listen(uint32_t /*Feature*/, bool /*Start*/, const char* /*Function*/,
                            const std::string& /*Detail*/)
    {
        return 0;
    }
    /// Drops the call without a request: its last owner closed the line.
    virtual void DropForClose() = 0;

    /// Sound files (kxtapi/tapi/media_files.h), asynchronous: Operation is
    /// one of the TMediaFileOperation values, Path the file for the play and
    /// record operations. Providers that do not carry the call's audio
    /// leave this as it is.
    virtual uint32_t MediaFile(TRequestID /*Request*/, uint32_t /*Operation*/, const std::string& /*Path*/,
                               uint32_t /*Flags*/)
    {
        return LINEERR_OPERATIONUNAVAIL;
    }
};

/// What TProviderCall::MediaFile is asked to do.
enum TMediaFileOperation : uint32_t { mfPlay, mfStopPlaying, mfRecord, mfStopRecording };

/// One line device.
class TProviderLine {
public:
    virtual ~TProviderLine() = default;

    virtual TVersionRange APIVersions() const = 0;
    virtual TVersionRange ExtVersions() const = 0;
    virtual LINEEXTENSIONID ExtensionID() const = 0;
    virtual uint32_t NumAddresses() const = 0;

    virtual uint32_t GetDevCaps(uint32_t APIVersion, uint32_t ExtVersion, TLineCapsData& Caps) = 0;
    virtual uint32_t GetAddressCaps(uint32_t AddressID, uint32_t APIVersion, uint32_t ExtVersion,
                                    TAddressCapsData& Caps) = 0;
    virtual uint32_t GetDevStatus(TLineStatusData& Status) = 0;
    virtual uint32_t GetAddressStatus(uint32_t AddressID, TAddressStatusData& Status) = 0;
    /// Call is set for LINECALLSELECT_CALL.
    virtual uint32_t GetID(uint32_t Select, uint32_t AddressID, TProviderCall* Call,
                           const std::string& DeviceClass, TDeviceIDData& ID) = 0;
    virtual uint32_t GetIcon(const std::string& DeviceClass, HICON& Icon) = 0;

    /// The first application opens the device / the last one closes it.
    virtual uint32_t Open() = 0;
    virtual void Close() = 0;

    /// The calls that exist on the line (Select LINECALLSELECT_LINE) or on one
    /// address (LINECALLSELECT_ADDRESS), idle ones left out.
    virtual std::vector<std::shared_ptr<TProviderCall>> Calls(uint32_t Select, uint32_t AddressID) = 0;

    virtual uint32_t MakeCall(TRequestID Request, uint32_t AddressID, const std::string& Dest,
                              uint32_t CountryCode, const TCallParamsData& Params,
                              std::shared_ptr<TProviderCall>& Call) = 0;
    virtual uint32_t Unpark(TRequestID Request, uint32_t AddressID, const std::string& Dest,
                            std::shared_ptr<TProviderCall>& Call) = 0;
    /// Call may be null (a conference set up from nothing).
    virtual uint32_t SetupConference(TRequestID Request, TProviderCall* Call, uint32_t AddressID,
                                     uint32_t NumParties, const TCallParamsData& Params,
                                     std::shared_ptr<TProviderCall>& Conference,
                                     std::shared_ptr<TProviderCall>& Consult) = 0;
};

/// One phone device.
class TProviderPhone {
public:
    virtual ~TProviderPhone() = default;

    virtual TVersionRange APIVersions() const = 0;
    virtual TVersionRange ExtVersions() const = 0;
    virtual PHONEEXTENSIONID ExtensionID() const = 0;

    virtual uint32_t GetDevCaps(uint32_t APIVersion, uint32_t ExtVersion, TPhoneCapsData& Caps) = 0;
    virtual uint32_t GetStatus(TPhoneStatusData& Status) = 0;
    virtual uint32_t GetID(const std::string& DeviceClass, TDeviceIDData& ID) = 0;
    virtual uint32_t GetIcon(const std::string& DeviceClass, HICON& Icon) = 0;
    virtual uint32_t GetDisplay(std::string& Display) = 0;
    virtual uint32_t GetLamp(uint32_t ButtonLampID, uint32_t& LampMode) = 0;
    virtual uint32_t GetButtonInfo(uint32_t ButtonLampID, TButtonInfoData& Info) = 0;

    virtual uint32_t Open() = 0;
    virtual void Close() = 0;

    // Asynchronous; completed with TProviderHost::CompleteRequest.
    virtual uint32_t SetDisplay(TRequestID Request, uint32_t Row, uint32_t Column, const std::string& Text) = 0;
    virtual uint32_t SetRing(TRequestID Request, uint32_t RingMode, uint32_t Volume) = 0;
    virtual uint32_t SetLamp(TRequestID Request, uint32_t ButtonLampID, uint32_t LampMode) = 0;
    virtual uint32_t SetHookSwitch(TRequestID Request, uint32_t HookSwitchDevs, uint32_t Mode) = 0;
    virtual uint32_t SetGain(TRequestID Request, uint32_t HookSwitchDev, uint32_t Gain) = 0;
    virtual uint32_t SetVolume(TRequestID Request, uint32_t HookSwitchDev, uint32_t Volume) = 0;
};

/// A back end. Providers are registered by name (provider_registry.h); the
/// service starts them when the first application initialises and closes
/// them when the last one shuts down.
class TProvider {
public:
    virtual ~TProvider() = default;
    virtual std::string Name() const = 0;
    /// Attaches the provider to the host; it reports its devices with
    /// TProviderHost::AddLine/AddPhone, in the order of their identifiers.
    virtual void Init(TProviderHost& Host) = 0;
    /// Detaches it: it removes its devices (TProviderHost::RemoveLine and
    /// RemovePhone) and no longer calls the host. Must not throw.
    virtual void Close() noexcept = 0;
};

/// What the service offers a provider. All methods require the service lock.
class TProviderHost {
public:
    virtual ~TProviderHost() = default;

    // Devices. While the service runs, adding reports LINE_CREATE/PHONE_CREATE
    // and removing LINE_REMOVE/PHONE_REMOVE to every application.
    virtual void AddLine(std::shared_ptr<TProviderLine> Line) = 0;
    virtual void RemoveLine(TProviderLine* Line) = 0;
    virtual void AddPhone(std::shared_ptr<TProviderPhone> Phone) = 0;
    virtual void RemovePhone(TProviderPhone* Phone) = 0;
    /// The device closed itself: every open of it gets LINE_CLOSE/PHONE_CLOSE
    /// and its handles become invalid.
    virtual void LineClosed(TProviderLine* Line) = 0;
    virtual void PhoneClosed(TProviderPhone* Phone) = 0;
    /// LINEDEVSTATE_REINIT to every open line.
    virtual void Reinit() = 0;
    /// The TAPI device identifier of a device, or -1 (for "tapi/line" and
    /// "tapi/phone" answers).
    virtual int32_t LineDeviceID(const TProviderLine* Line) const = 0;
    virtual int32_t PhoneDeviceID(const TProviderPhone* Phone) const = 0;

    // Line and address events (filtered by each open's status message masks).
    virtual void LineDevState(TProviderLine* Line, uint32_t State, uint32_t Param2, uint32_t Param3) = 0;
    virtual void AddressState(TProviderLine* Line, uint32_t AddressID, uint32_t State) = 0;

    // Calls.
    /// A call the provider started itself (an incoming call, say); it gets an
    /// owner and monitors among the line's opens. The call is in its first
    /// state already (OFFERING, say); report that state right after.
    virtual void NewCall(std::shared_ptr<TProviderCall> Call) = 0;
    /// Related is the conference call of a call that becomes CONFERENCED.
    virtual void CallState(TProviderCall* Call, uint32_t State, uint32_t Mode,
                           TProviderCall* Related = nullptr) = 0;
    virtual void CallInfo(TProviderCall* Call, uint32_t InfoStates) = 0;
    /// A digit heard from the far end (LINEDIGITMODE_DTMF, _DTMFEND or _PULSE).
    virtual void CallDigit(TProviderCall* Call, char Digit, uint32_t DigitMode) = 0;
    /// The far end's media was recognised as MediaMode.
    virtual void CallMedia(TProviderCall* Call, uint32_t MediaMode) = 0;
    /// What is heard from the far end now: a tone of up to three frequencies,
    /// silence (all 0), or neither (Tone false: voice, noise).
    virtual void CallTone(TProviderCall* Call, bool Tone, uint32_t Frequency1, uint32_t Frequency2,
                          uint32_t Frequency3) = 0;
    virtual void CallGenerateEnded(TProviderCall* Call, uint32_t EndToEndID, uint32_t Termination) = 0;
    /// LINE_DEVSPECIFIC to every handle of the call.
    virtual void CallDevSpecific(TProviderCall* Call, uint32_t Param1, uint32_t Param2, uint32_t Param3) = 0;

    // Phones (filtered by each open's masks).
    virtual void PhoneState(TProviderPhone* Phone, uint32_t States, uint32_t Param2, uint32_t Param3) = 0;
    virtual void PhoneButton(TProviderPhone* Phone, uint32_t ButtonLampID, uint32_t Mode, uint32_t State) = 0;

    // Requests.
    /// Text is the park address of a non-directed park.
    virtual void CompleteRequest(TRequestID Request, uint32_t Result, const std::string& Text = {}) = 0;

    // Time.
    /// Runs Action before the current TAPI function returns (or at once when no
    /// function is running), with the lock held.
    virtual void Defer(std::function<void()> Action) = 0;
    /// Runs Action with the lock held once Delay milliseconds have passed:
    /// from the test clock's advance when one is installed, else from the
    /// service's timer thread. Returns an identifier for CancelScheduled.
    virtual uint64_t Schedule(uint32_t Delay, std::function<void()> Action) = 0;
    virtual void CancelScheduled(uint64_t ID) = 0;
};

}  // namespace kxtapi::service
