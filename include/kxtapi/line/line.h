// The line component: one TAPI line device, its calls and addresses, the
// call-control operations and the line's events.
//
//   TTapiLine Line(nullptr);
//   Line.OnOffering = [](TObject*, TTapiCall* Call) { Call->Answer(); };
//   Line.OnDisconnected = [](TObject*, TTapiCall* Call) { ... };
//   Line.Set_DeviceName("Simulated Line 1");   // enables the session, selects
//   Line.Set_Active(true);                     // opens the line
//   Application()->Run();
//
// Everything runs on the main thread: the session hands each LINE_ message
// whose callback instance is this line to Handle_TapiMessage.
//
// Calls. Calls holds the calls that have a handle (adopted when the service
// reports them, or bound when their creating request completed);
// UnboundCalls the calls whose creating request has not completed (handle
// 0). A LINE_CALLSTATE raises OnCallState, then the event of the state,
// OnCallPrivilege, then OnCallBegin or OnCallEnd. A call that stays
// DISCONNECTED for Options.AutoDropDiscCalls ms is dropped; one that stays
// IDLE for Options.AutoFreeIdleCalls ms is announced by OnCallDeallocate and
// freed (-1 switches either off). An automatic drop that fails (a failed
// reply, no reply in time, a refusal) is tried again after the same delay
// while the call is still DISCONNECTED; when the service no longer knows the
// call's handle (LINEERR_INVALCALLHANDLE) the call is announced by
// OnCallDeallocate and freed. Lookups by handle do not walk the lists, so a
// message costs the same with one call or a thousand.
//
// Freeing from event handlers. A handler frees a call with TTapiCall::Free()
// and the line with TTapiLine::Free(), never with delete: while an event of
// the line is being raised (any handler of it, the time-out scan, the
// automatic clean-up, a synchronous wait inside one of the line's
// operations), Free() only marks the object, and the line deletes it when
// the outermost of these has ended. A marked call leaves the line's lists at
// once and gets no further events.
//
// Call control. Each operation checks its arguments first (Exception with a
// fixed message, nothing asked of the service), then calls the service: an
// immediate refusal raises ETapiError. An asynchronous one files a request
// (request_kinds.h) with ReplyTimeout; in SyncMode it waits for the reply,
// dispatching messages meanwhile, and raises ETapiError with the reply's
// code, or LINEERR_OPERATIONFAILED when no reply came in time or the line
// was closed. Otherwise it returns at once and the outcome arrives as
// OnTapiReply or OnTapiTimeout.
//
// Operations that create calls (MakeCall, Unpark, SetupTransfer,
// CompleteTransfer, SetupConference, PrepareAddToConference) make the call
// objects first, with handle 0 in UnboundCalls, and hand the service their
// handle slots; the service fills them when the request completes. A
// refused operation, a failed reply, a time-out or the line's closing frees
// the calls that are still without a handle. So in asynchronous mode a new
// call comes back unbound and may be freed later (OnTapiReply tells); in
// SyncMode a made or unparked call comes back bound and in Calls, and the
// others with their handle, joining Calls with their first message.
//
// Late replies. Once the program has been told that such an operation
// failed for want of a reply (OnTapiTimeout, or ETapiError
// LINEERR_OPERATIONFAILED from a SyncMode wait), a reply that still comes
// does not give it the calls: the line drops and deallocates every call the
// late request created, raising no call event (OnTapiReply reports the
// replies as it reports every reply), and the call objects it had made for
// the request are gone from both lists from then on. The line remembers
// the last 64 such requests; a reply later than that is treated as before.
//
// The media operations (GenerateDigits, GenerateCallTone, MonitorTones,
// MonitorCallMedia) are carried out by TAPI at once: they file nothing and
// never wait.
#pragma once

#include "kxtapi/line/address.h"
#include "kxtapi/line/call.h"
#include "kxtapi/line/call_options.h"
#include "kxtapi/line/call_parameters.h"
#include "kxtapi/line/line_caps.h"
#include "kxtapi/line/line_events.h"
#include "kxtapi/line/line_status.h"
#include "kxtapi/line/request_kinds.h"
#include "kxtapi/location/system_location.h"
#include "kxtapi/related/related_device.h"
#include "kxtapi/rtl/strings.h"
#include "kxtapi/session/device.h"
#include "kxtapi/session/device_lists.h"
#include "kxtapi/session/device_options.h"
#include "kxtapi/session/privileges.h"
#include "kxtapi/tapi/line_structs.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace kxtapi {

class TAbandonedRequests;

/// A line's options: ReplyTimeout (60000 ms) and SyncMode (true) of every
/// device, and the delays of the automatic clean-up. All four are published.
class TTapiLineOptions : public TTapiDeviceOptions {
public:
    std::string ClassName() const override { return "TTapiLineOptions"; }
    /// From TTapiLineOptions: all four values; otherwise as the base.
    void Assign(const TPersistent* Source) override;

    /// Milliseconds after which an IDLE call is freed; -1 never (0 too: the
    /// clean-up entry then waits for ever).
    int32_t Get_AutoFreeIdleCalls() const noexcept { return AutoFreeIdleCalls; }
    void Set_AutoFreeIdleCalls(int32_t Value) noexcept { AutoFreeIdleCalls = Value; }
    /// Milliseconds after which a call still DISCONNECTED is dropped; -1 never.
    int32_t Get_AutoDropDiscCalls() const noexcept { return AutoDropDiscCalls; }
    void Set_AutoDropDiscCalls(int32_t Value) noexcept { AutoDropDiscCalls = Value; }

    int32_t AutoFreeIdleCalls = 500;
    int32_t AutoDropDiscCalls = 500;
};

/// The line component. See the top of this header.
class TTapiLine : public TTapiDevice {
public:
    static constexpr uint32_t DevCapsSize = 252;
    static constexpr uint32_t DevStatusSize = 88;
    static constexpr uint32_t CallListSize = 536;
    static constexpr uint32_t TranslateOutputSize = 1040;
    static constexpr uint32_t DefaultLineStatesMask = 0x01FFFFFF;
    static constexpr uint32_t DefaultAddressStatesMask = 0x1FF;
    /// Addresses listed at most, whatever number of addresses a device reports.
    static constexpr uint32_t MaxAddresses = 4096;

    explicit TTapiLine(TComponent* AOwner);
    /// Leaves the session, closes the line (ignoring the result), frees the
    /// calls and addresses. Never raises.
    ~TTapiLine() override;
    std::string ClassName() const override { return "TTapiLine"; }

    /// Frees the line: at once outside its events; during them when the
    /// outermost has ended (see the top of this header).
    void Free();
    /// An event of the line is being raised (or one of its operations waits).
    bool InEvents() const noexcept { return FEventDepth > 0; }

    // --- Device ----------------------------------------------------------------
    /// Selects device ADeviceID (-1: none). Raises Exception "TTapiLine.Init
    /// failed! Device already active." while open; LINEERR_BADDEVICEID for an
    /// identifier outside 0 .. 255 and the device list (nothing changes).
    /// Selecting reads the caps and the addresses and takes the device's
    /// media modes.
    uint32_t Init(int32_t ADeviceID) override;
    /// Forgets the device; the caps become a fresh empty block.
    uint32_t Done() override;
    /// Opens the selected device (ETapiError LINEERR_NODEVICE without one,
    /// the service's error when it refuses), adopts its calls and reads its
    /// related devices.
    void Open() override;
    /// Ends a synchronous wait, frees the requests, terms and Calls, closes
    /// the handle (ETapiError when the service refuses, after the rest) and
    /// forgets the related devices.
    void Close() override;
    /// lineOpenA with Privileges and MediaModes, the status reports asked for
    /// (with reduced masks when the device refuses the full ones), the masks
    /// in force read back. Sets the Active wish to the outcome; returns the
    /// service's result.
    uint32_t OpenLine(const LINECALLPARAMS* CallParams);
    uint32_t Update_DevCaps();
    uint32_t Update_DevStatus();
    /// Rebuilds Addresses and AddressNames from the device caps; the result
    /// of the last address Init (0 when all succeeded).
    uint32_t Update_Addresses();

    /// The service closed the line (LINE_CLOSE): the handle is dead, so what
    /// Close releases is released without lineClose, then OnDeviceClose.
    void Handle_DeviceClose() override;
    /// The same (the line's name for it).
    void Handle_LineClose();

    /// The stored name without a device; else the caps' line name, or "Line
    /// Device #<ID>", or "Error: No DevCaps" without a caps block.
    std::string Get_DeviceName() const override;
    /// Enables the component and returns the session's LineDevices.
    TStrings* Get_DeviceList() override;
    /// lineGetIconA for DeviceClass; 0 without an icon.
    uint32_t Get_IconHandle(const std::string& DeviceClass) override;
    uint32_t Get_ReplyTimeout() const override { return FOptions->ReplyTimeout; }
    bool Get_SyncMode() const override { return FOptions->SyncMode; }
    /// lineConfigDialogA; Exception "ConfigDialog failed! No device." without
    /// a device, ETapiError when the service fails. Returns 0.
    uint32_t ConfigDialog(HWND OwnerWindow) override;
    /// lineTranslateDialogA, then Location's Update; Exception
    /// "TranslateDialog failed! No device." without a device.
    void TranslateDialog(const std::string& AddressIn, HWND OwnerWindow);
    /// The dialable string of AddressIn; "" when the service rejects it.
    /// Exception "TranslateAddress failed! No device." without a device.
    std::string TranslateAddress(const std::string& AddressIn, uint32_t TranslateOptions);

    /// The address whose name (AddressNames) is exactly Name, or null.
    TTapiAddress* Get_AddressByName(const std::string& Name) const;
    /// The session's line usage handle.
    uint32_t Get_LineApp() const;
    /// The system's current dialing location, read on first use.
    TTapiSystemLocation* Get_Location();

    // --- Messages ----------------------------------------------------------------
    void Handle_TapiMessage(uint32_t hDevice, uint32_t MessageID, uint32_t Param1, uint32_t Param2,
                            uint32_t Param3) override;
    /// RINGING, NUMCALLS, REINIT, CAPSCHANGE, TRANSLATECHANGE, REMOVED in
    /// this order, then OnDeviceState and (ringing) OnRing.
    void Handle_DevState(uint32_t State, uint32_t Detail1, uint32_t Detail2) override;
    /// The time-out scan and the automatic clean-up, as one event of the line.
    void Handle_InternalTimer(uint32_t Tick) override;
    void Handle_AddressState(uint32_t AddressID, uint32_t AddressState);
    void Handle_CallInfo(uint32_t hCall, uint32_t InfoState);
    virtual void Handle_DevSpecific(uint32_t hDevice, uint32_t Param1, uint32_t Param2, uint32_t Param3);
    virtual void Handle_DevSpecFeature(uint32_t hDevice, uint32_t Param1, uint32_t Param2, uint32_t Param3);
    virtual void Handle_AgentStatus(uint32_t hDevice, uint32_t Param1, uint32_t Param2, uint32_t Param3);
    void Handle_GatherDigits(uint32_t hCall, uint32_t Termination);
    void Handle_Generate(uint32_t hCall, uint32_t Termination);
    void Handle_MonitorDigits(uint32_t hCall, uint32_t Digit, uint32_t DigitMode);
    void Handle_MonitorMedia(uint32_t hCall, uint32_t MediaMode, uint32_t TickCount);
    /// 0xFFFFFFFF is the silence entry (OnSilence); others OnTone.
    void Handle_MonitorTone(uint32_t hCall, uint32_t AppSpecific);

    // --- Requests (see request_kinds.h) -------------------------------------
    /// A completed request: a make-call or unpark call that got its handle
    /// is loaded and moved into Calls; then each call of slots 2, 1, 0 is
    /// freed when still unbound with nothing pending, or else queued for the
    /// idle clean-up.
    void Handle_Reply(uint32_t RequestID, uint32_t ReplyCode, TTapiRequest* Request) override;
    /// An expired request: the same freeing and queueing for slots 2, 1, 0,
    /// except for the calls the request was creating, which leave the lists
    /// and wait for a late reply (see "Late replies" above). An automatic
    /// drop that expired is queued again.
    void Handle_Timeout(uint32_t RequestID, TTapiRequest* Request) override;
    /// LINE_REPLY: a late reply to a request the program gave up on ends the
    /// calls that request created; then as every device (Handle_Reply,
    /// OnTapiReply).
    void Handle_TapiReply(uint32_t RequestID, uint32_t ReplyCode) override;
    /// A clean-up term: kind 3 drops a call still DISCONNECTED, kind 8 frees
    /// a call still IDLE (OnCallDeallocate first).
    void TermReached(uint32_t RequestID, TTapiRequest* Request) override;

    // --- Call tracking -------------------------------------------------------------
    /// Into Calls when valid, else UnboundCalls; never twice.
    void AddCall(TTapiCall* Call);
    /// Drops Call's requests and terms and takes it out of both lists (and
    /// out of every other call's ConferenceCalls and ConsultCall).
    void RemoveCall(TTapiCall* Call);
    /// Files Call by its validity (null: every call of both lists); whether
    /// Call is now in Calls.
    bool ProveCall(TTapiCall* Call);
    /// Call is in Calls (without dereferencing it).
    bool HasCall(const TTapiCall* Call) const;
    /// The call of hCall: from Calls, from UnboundCalls (then moved into
    /// Calls), or adopted when the service knows it and it is not idle; null
    /// otherwise. Raises no event.
    TTapiCall* GetOrCreateCall(uint32_t hCall);
    /// The service knows hCall and its call is not idle; an idle one's handle
    /// is released at once.
    bool CheckNewCall(uint32_t hCall);
    /// LINE_APPNEWCALL: adopts hCall and raises OnNewCall; the call or null.
    TTapiCall* Handle_AppNewCall(uint32_t hCall);
    /// LINE_CALLSTATE (see the top of this header for the events).
    void Handle_CallState(uint32_t hCall, uint32_t CallState, uint32_t StateDetail, uint32_t Privilege);
    /// Frees Call when it is unbound, not valid and has no pending request.
    void FreeBadCall(TTapiCall* Call);
    /// Queues the timed free of Call when it is in Calls, IDLE, with nothing
    /// pending and AutoFreeIdleCalls is not -1.
    void DeallocateIdleCall(TTapiCall* Call);
    /// Queues the timed drop of Call when it is in Calls and DISCONNECTED and
    /// AutoDropDiscCalls is not -1.
    void DropDiscCall(TTapiCall* Call);
    /// Adopts the calls of the line (of one address) the application has no
    /// handle for; the service's result.
    uint32_t Update_LineCalls();
    uint32_t Update_AddressCalls(uint32_t AddressID);
    /// Gives every call of Call's conference the same ConferenceCalls.
    uint32_t Update_ConferenceCalls(TTapiCall* Call);

    virtual void Trigger_CallState(TTapiCall* Call, uint32_t CallState, uint32_t StateDetail, uint32_t Privilege);
    virtual void Trigger_CallPrivilege(TTapiCall* Call, uint32_t Privilege);
    /// OnCallInfo, then OnCallerID, OnCalledID, OnConnectedID,
    /// OnRedirectionID, OnRedirectingID for their bits.
    virtual void Trigger_CallInfo(TTapiCall* Call, uint32_t InfoState);
    virtual void Trigger_IdleCall(TTapiCall* Call);
    virtual void Trigger_NewCall(TTapiCall* Call);
    virtual void Trigger_CallBegin(TTapiCall* Call);
    virtual void Trigger_CallEnd(TTapiCall* Call);

    /// OnDeviceState, then OnRing when State has LINEDEVSTATE_RINGING.
    void Trigger_DeviceState(uint32_t State, uint32_t Detail1, uint32_t Detail2);
    void Trigger_AddressState(TTapiAddress* Address, uint32_t State);
    void Trigger_Digit(TTapiCall* Call, uint32_t Digit, uint32_t DigitMode);
    void Trigger_MonitorMedia(TTapiCall* Call, uint32_t TickCount);
    void Trigger_Generate(TTapiCall* Call, uint32_t Termination);
    void Trigger_GatherTerm(TTapiCall* Call, uint32_t Termination);
    void Trigger_MonitorTone(TTapiCall* Call, uint32_t AppSpecific);
    void Trigger_MonitorSilence(TTapiCall* Call);

    // --- Call control ---------------------------------------------------------------
    /// lineAccept (kind lrkAccept). Exception "<Name> not active." on a
    /// closed line, "Unable to accept call. No valid call of <DeviceName>."
    /// for a call not in Calls.
    void Accept(TTapiCall* Call, const std::string& UserUserInfo);
    /// lineAnswer (kind lrkAnswer). Exception "<Name> not active.", "Unable
    /// to answer call. No valid call of <DeviceName>."
    void Answer(TTapiCall* Call, const std::string& UserUserInfo);
    /// lineDrop (kind lrkDrop). Exception "Drop failed! Invalid call." for a
    /// call not in Calls or without a handle.
    void Drop(TTapiCall* Call, const std::string& UserUserInfo);

    /// MakeCall(DestAddress, 0, the line's CallParams packed).
    TTapiCall* MakeCall(const std::string& DestAddress);
    /// lineMakeCallA from DeviceHandle (kind lrkMakeCall). Exception "<Name>
    /// not active." on a closed line. Returns the new call (see above); null
    /// when it was freed before the method returned. An empty DestAddress
    /// leaves the call at the dial tone, for Dial.
    TTapiCall* MakeCall(const std::string& DestAddress, uint32_t CountryCode, const LINECALLPARAMS* CallParams);
    /// lineHandoffA, to the application AppName, or by MediaMode (a single
    /// LINEMEDIAMODE_ bit) when AppName is empty. The service hands off at
    /// once: nothing is filed or waited for. Exception "HandOff failed!
    /// Invalid call." for a call not in Calls or without a handle.
    void HandOff(TTapiCall* Call, const std::string& AppName, uint32_t MediaMode);
    /// lineHold (lrkHold) / lineUnhold (lrkUnHold); return 0. Exception "Hold
    /// failed! Invalid call." / "Unhold failed! Invalid call." for a call not
    /// in Calls or without a handle.
    uint32_t Hold(TTapiCall* Call);
    uint32_t UnHold(TTapiCall* Call);
    /// lineDialA on Call (lrkDial, filed for the line). Exception "<Name> not
    /// active.", "Dail failed! Invalid call." without a handle; a call of
    /// another line is accepted.
    void Dial(TTapiCall* Call, const std::string& DestAddress, uint32_t CountryCode);
    /// lineRedirectA of an offered call (lrkRedirect, filed for the line).
    /// Exception "<Name> not active.", "Redirect failed! Invalid call" for a
    /// call not in Calls.
    void Redirect(TTapiCall* Call, const std::string& DestAddress, uint32_t CountryCode);
    /// lineBlindTransferA (lrkBlindTransfer, filed for the line). Exception
    /// "<Name> not active.", "BlindTransfer failed! Invalid call" for a call
    /// not in Calls.
    void BlindTransfer(TTapiCall* Call, const std::string& DestAddress, uint32_t CountryCode);
    /// lineSetupTransferA (lrkSetupTransfer: Call, the consultation call).
    /// Returns the new consultation call. Exception "SetupTransfer failed!
    /// Invalid call" without a handle.
    TTapiCall* SetupTransfer(TTapiCall* Call, const LINECALLPARAMS* CallParams);
    /// lineCompleteTransfer of the held Call with ConsultCall
    /// (lrkCompleteTransfer: both, then the new conference call). In
    /// LINETRANSFERMODE_CONFERENCE returns the conference call; in
    /// LINETRANSFERMODE_TRANSFER the service gives none, so the object made
    /// for it is freed with the reply and null is returned. Exceptions
    /// "CompleteTransfer faild! No valid held call." and "CompleteTransfer
    /// faild! No valid ConsultCall." for calls without a handle.
    TTapiCall* CompleteTransfer(TTapiCall* Call, TTapiCall* ConsultCall, uint32_t TransferMode);
    /// lineSwapHold (lrkSwapHold: both calls); returns 0. Exceptions
    /// "SwapCall faild! No valid call." and "SwapCall faild! No valid held
    /// call." for calls without a handle.
    uint32_t SwapHold(TTapiCall* ActiveCall, TTapiCall* HeldCall);
    /// lineSetupConferenceA from Call (lrkSetupConference: Call, the
    /// conference call, the consultation call). Both out-parameters are null
    /// first and receive the new calls once the operation has completed (in
    /// SyncMode after the wait), null for one freed meanwhile. Exception
    /// "SetupConference failed! Invalid call" without a handle.
    void SetupConference(TTapiCall* Call, TTapiCall*& ConfCall, TTapiCall*& ConsultCall, uint32_t NumParties,
                         const LINECALLPARAMS* CallParams);
    /// linePrepareAddToConferenceA (lrkPrepareAddToConference: ConfCall, the
    /// new consultation call); returns the consultation call. Exception
    /// "PrepareAddToConference faild! Invalid call." without a handle.
    TTapiCall* PrepareAddToConference(TTapiCall* ConfCall, const LINECALLPARAMS* CallParams);
    /// lineAddToConference (lrkAddToConference: ConsultCall, ConfCall);
    /// returns 0. Exceptions "AddToConference faild! No valid conference
    /// call." and "AddToConference faild! No valid consultation call." for
    /// calls without a handle.
    uint32_t AddToConference(TTapiCall* ConfCall, TTapiCall* ConsultCall);
    /// lineParkA (lrkPark) at DirAddress (LINEPARKMODE_DIRECTED) or where the
    /// switch chooses (LINEPARKMODE_NONDIRECTED), whose address the service
    /// writes into NonDirAddress (a VARSTRING with dwTotalSize set) when the
    /// reply arrives. The block must stay valid until the request has left
    /// Requests (its reply, its time-out, its call freed, the line closed);
    /// whichever way it leaves, the service's write is cancelled with it, so
    /// afterwards the block may be freed, also after a synchronous wait that
    /// timed out once the request has gone. Exception "Park faild! Invalid
    /// all." without a handle.
    void Park(TTapiCall* Call, uint32_t ParkMode, const std::string& DirAddress, LPVARSTRING NonDirAddress);
    /// lineUnparkA from DeviceHandle (lrkUnpark); returns the new call as
    /// MakeCall does. No check of its own: on a closed line the service's
    /// refusal of the zero line handle is raised.
    TTapiCall* Unpark(uint32_t AddressID, const std::string& DestAddress);

    // Media. Each checks that the line is active (Exception "<Name> not
    // active.") and that Call is in Calls (Exception "Unable to ... No valid
    // call of <DeviceName>."), then asks TAPI; a refusal raises ETapiError.
    // Nothing is filed or waited for, in SyncMode too.
    /// lineGenerateDigitsA: sends Digits in DigitMode (LINEDIGITMODE_DTMF or
    /// _PULSE), each Duration ms (0: the switch's default); OnGenerate when
    /// they have gone. "Unable to generate digits. No valid call of %s."
    void GenerateDigits(TTapiCall* Call, const std::string& Digits, uint32_t Duration, uint32_t DigitMode);
    /// lineGenerateTone: ToneMode (LINETONEMODE_; 0 stops the running
    /// generation) for Duration ms (0: until stopped, or the tone's own
    /// length); NumTones entries of Tones for LINETONEMODE_CUSTOM. OnGenerate
    /// when it ends. "Unable to generate tone. No valid call of %s."
    void GenerateCallTone(TTapiCall* Call, uint32_t ToneMode, uint32_t Duration, uint32_t NumTones,
                          const LINEGENERATETONE* Tones);
    /// lineMonitorTones: listens for the NumEntries tones of Tones instead of
    /// those before (none: stops all tone monitoring of the call, the silence
    /// monitor's too); OnTone, or OnSilence for the silence monitor's entry.
    /// "Unable to monitor tone. No valid call of %s."
    void MonitorTones(TTapiCall* Call, const LINEMONITORTONE* Tones, uint32_t NumEntries);
    /// lineMonitorMedia: reports the media modes MediaModes (0: none) as they
    /// are detected, by OnMediaMode. "Unable to monitor media. No valid call
    /// of %s."
    void MonitorCallMedia(TTapiCall* Call, uint32_t MediaModes);

    // --- Properties and members ----------------------------------------------------
    TTapiAddressList* Get_Addresses() noexcept { return &FAddresses; }
    TStrings* Get_AddressNames() noexcept { return &FAddressNames; }
    TTapiCallList* Get_Calls() noexcept { return &FCalls; }
    TTapiCallList* Get_UnboundCalls() noexcept { return &FUnboundCalls; }
    const TVarBlock& Get_DevCapsBlock() const noexcept { return FDevCaps; }
    const TVarBlock& Get_DevStatusBlock() const noexcept { return FDevStatus; }
    TTapiLineCaps* Get_Caps() noexcept { return &FCaps; }
    TTapiLineStatus* Get_Status() noexcept { return &FStatus; }
    TTapiCallOptions* Get_CallOptions() const noexcept { return FCallOptions.get(); }
    TTapiCallParameters* Get_CallParams() const noexcept { return FCallParams.get(); }
    TTapiLineOptions* Get_Options() const noexcept { return FOptions.get(); }
    TTapiLinePhoneDevices* Get_PhoneDevice() const noexcept { return FPhoneDevice.get(); }
    TTapiLinePrivileges* Get_Privileges() const noexcept { return FPrivileges.get(); }
    uint32_t Get_MediaModes() const noexcept { return FMediaModes; }
    void Set_MediaModes(uint32_t Value) noexcept { FMediaModes = Value; }
    uint32_t Get_RingMode() const noexcept { return FRingMode; }
    uint32_t Get_RingCount() const noexcept { return FRingCount; }
    uint32_t Get_LineStatesMask() const noexcept { return FLineStatesMask; }
    void Set_LineStatesMask(uint32_t Value) noexcept { FLineStatesMask = Value; }
    uint32_t Get_AddressStatesMask() const noexcept { return FAddressStatesMask; }
    void Set_AddressStatesMask(uint32_t Value) noexcept { FAddressStatesMask = Value; }
    uint32_t Get_GrantedLineStates() const noexcept { return FGrantedLineStates; }
    uint32_t Get_GrantedAddressStates() const noexcept { return FGrantedAddressStates; }
    /// The line is being destroyed (deallocation errors are then ignored).
    bool Get_Destroying() const noexcept { return FDestroying; }

    TTapiCallStateEvent OnCallState;
    TTapiCallEvent OnIdle, OnOffering, OnAccepted, OnDialtone, OnDialing, OnRingback, OnBusy, OnSpecialInfo,
        OnConnected, OnProceeding, OnHold, OnConferenced, OnHoldPendConf, OnPendTransfer, OnDisconnected;
    TTapiCallPrivilegeEvent OnCallPrivilege;
    TTapiCallEvent OnCallBegin, OnCallEnd;
    TTapiCallEvent OnNewCall;
    TTapiCallEvent OnCallDeallocate;
    TLineCallInfoEvent OnCallInfo;
    TTapiCallEvent OnCallerID, OnCalledID, OnConnectedID, OnRedirectionID, OnRedirectingID;
    TTapiCallEvent OnMediaMode;
    TTapiAddressStateEvent OnAddressState;
    TTapiLineRingEvent OnRing;
    TTapiCallGatherDigitsEvent OnDigits;
    TTapiCallDigitEvent OnDigit;
    TTapiCallGenerateEvent OnGenerate;
    TTapiCallToneEvent OnTone;
    TTapiCallEvent OnSilence;

protected:
    friend class TTapiCall;
    friend class TTapiAddress;

    /// Holds the line's event depth for a scope: the outermost one to end
    /// deletes what was freed meanwhile (calls, then the line itself). Every
    /// entry point that raises the line's events, and every operation that
    /// may wait, opens one first; a scope's end is the last thing its
    /// function does with the line.
    class TEventScope {
    public:
        explicit TEventScope(TTapiLine& Line) noexcept : FLine(Line) { ++FLine.FEventDepth; }
        ~TEventScope();
        TEventScope(const TEventScope&) = delete;
        TEventScope& operator=(const TEventScope&) = delete;

    private:
        TTapiLine& FLine;
    };

    /// Exception "<Name> not active." unless the line is active.
    void CheckLineActive() const;
    /// Exception Msg unless Call is in Calls.
    void CheckCallListed(const TTapiCall* Call, const std::string& Msg) const;
    /// What Close and LINE_CLOSE release: the wait ends, requests, terms and
    /// Calls go, the Active wish is cleared and the related devices are
    /// forgotten; lineClose only when CloseHandle (raising after the rest is
    /// released, with DeviceHandle still set).
    void ReleaseLine(bool CloseHandle);
    /// Frees a call the way Free() does (deferred during events).
    void FreeCall(TTapiCall* Call);
    /// Adds a clean-up term of Kind for Call after DelayMs.
    void AddCleanupTerm(TTapiCall* Call, uint32_t Kind, int32_t DelayMs);
    /// The state cached in Call's status block.
    static uint32_t CallStateOf(const TTapiCall* Call);
    /// The handle index: the call in Calls with hCall, or null.
    TTapiCall* FindListedCall(uint32_t hCall);
    /// Index maintenance when a listed call's handle changed.
    void CallHandleChanged(TTapiCall* Call, uint32_t OldHandle);
    /// Updates Location after a change of the translate settings.
    void UpdateLocation();

    // Requests given up on (call_control_abandoned.cpp).
    /// A SyncMode wait for RequestID gave up while the request is still
    /// filed: the calls its reply would create are to be ended.
    void AbandonRequest(uint32_t RequestID) override;
    /// Takes the calls that Request creates out of the lists and its slots.
    std::vector<TTapiCall*> DetachCreatedCalls(TTapiRequest* Request);
    /// Notes Calls under RequestID, freeing what had to make room.
    void NoteAbandoned(uint32_t RequestID, const std::vector<TTapiCall*>& Calls);
    /// Ends each call a given-up request created: freed without a handle,
    /// else dropped and deallocated (kept under RequestID until the drop lets
    /// the deallocation through).
    void EndAbandonedCalls(uint32_t RequestID, const std::vector<TTapiCall*>& Calls);
    /// Whether hCall belongs to a call kept for a given-up request; tries
    /// once more to let it go.
    bool AbandonedHandle(uint32_t hCall);
    /// Frees every kept call (the line closes or goes).
    void ReleaseAbandoned() noexcept;

    // The automatic drop (call_cleanup.cpp).
    /// Drops Call for AutoDropDiscCalls, filed with the line in slot 1.
    void AutoDrop(TTapiCall* Call);
    /// What a failed automatic drop leads to: the call freed when its handle
    /// is unknown, else the drop queued again.
    void AutoDropFailed(TTapiCall* Call, uint32_t ErrorCode);
    /// Whether Request is an automatic drop.
    bool IsAutoDrop(const TTapiRequest* Request) const;

    TTapiAddressList FAddresses;
    TStringList FAddressNames;
    TTapiCallList FCalls;
    TTapiCallList FUnboundCalls;
    TVarBlock FDevCaps{DevCapsSize};
    TTapiLineCaps FCaps{&FDevCaps};
    TVarBlock FDevStatus{DevStatusSize};
    TTapiLineStatus FStatus{&FDevStatus};
    std::unique_ptr<TTapiCallOptions> FCallOptions;
    std::unique_ptr<TTapiCallParameters> FCallParams;
    std::unique_ptr<TTapiLineOptions> FOptions;
    std::unique_ptr<TTapiLinePhoneDevices> FPhoneDevice;
    std::unique_ptr<TTapiSystemLocation> FLocation;
    uint32_t FMediaModes = LINEMEDIAMODE_INTERACTIVEVOICE;
    std::unique_ptr<TTapiLinePrivileges> FPrivileges;
    uint32_t FRingMode = 0;
    uint32_t FRingCount = 0;
    uint32_t FLineStatesMask = DefaultLineStatesMask;
    uint32_t FAddressStatesMask = DefaultAddressStatesMask;
    uint32_t FGrantedLineStates = 0;
    uint32_t FGrantedAddressStates = 0;

private:
    void EndOfEvents() noexcept;
    void DeferFree(TTapiCall* Call);
    void ForgetDeferred(TTapiCall* Call) noexcept;
    void IndexCall(TTapiCall* Call);
    void UnindexCall(TTapiCall* Call, uint32_t Handle);
    void PurgeReferences(TTapiCall* Call) noexcept;
    uint32_t FetchCallList(TVarBlock& Block, uint32_t AddressID, uint32_t Select);

    int FEventDepth = 0;
    bool FFreePending = false;
    bool FDestroying = false;
    /// Calls freed during events, deleted when the outermost has ended.
    std::vector<TTapiCall*> FDeferredCalls;
    /// Calls by handle (the first of that handle in Calls) and the calls in
    /// Calls, so lookups do not walk the list.
    std::unordered_map<uint32_t, TTapiCall*> FByHandle;
    std::unordered_set<const TTapiCall*> FListed;
    /// Reused for lineGetNewCalls on every call-state message.
    TVarBlock FNewCalls{CallListSize};
    /// Requests given up on and the calls kept for them.
    std::unique_ptr<TAbandonedRequests> FAbandoned;
};

} // namespace kxtapi
