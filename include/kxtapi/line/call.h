// One call on a line: its handle, its cached status and information, the
// history the Is and Was tests read, its party identifications, notes,
// related devices and media monitors, and the call-control short forms.
//
// A line creates, owns and frees its calls (TTapiLine, Parts of the line
// component): when the service reports a call the application does not know
// yet, or when an operation that creates a call starts. An application reads
// its calls from the line's events and its Calls list, and frees one it no
// longer wants with Free():
//
//   Line.OnOffering = [](TObject*, TTapiCall* Call) {
//       std::string From = Call->Get_CallerID()->GetAddress();
//       Call->Answer("");
//   };
//   Line.OnIdle = [](TObject*, TTapiCall* Call) { Call->Free(); };
//
// Event handlers free a call only with Free(): while an event of its line is
// being raised, Free() marks the call and takes it out of the line's lists
// at once, and the line deletes it when the outermost event of that line has
// ended. `delete` is for code outside the line's events.
//
// Main thread only. The handle is read with an atomic load, because the
// service writes the handle of a call made by an operation when the
// operation completes (on the thread that fetches its reply).
#pragma once

#include "kxtapi/line/call_info.h"
#include "kxtapi/line/call_monitors.h"
#include "kxtapi/related/related_device.h"
#include "kxtapi/rtl/object.h"
#include "kxtapi/rtl/strings.h"
#include "kxtapi/rtl/system.h"
#include "kxtapi/session/device_lists.h"
#include "kxtapi/session/var_block.h"
#include "kxtapi/tapi/types.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kxtapi {

class TTapiLine;
class TTapiAddress;
class TTapiCall;

/// One of the five party identifications of a call's information: kind 0
/// caller, 1 called, 2 connected, 3 redirection, 4 redirecting. Reads the
/// call's information block directly; another kind reads "" and 0.
class TTapiCallPartyID : public TObject {
public:
    TTapiCallPartyID(TTapiCall* ACall, int AKind) noexcept : FCall(ACall), FKind(AKind) {}
    std::string ClassName() const override { return "TTapiCallPartyID"; }

    TTapiCall* Get_Call() const noexcept { return FCall; }
    int Get_Kind() const noexcept { return FKind; }

    /// The party's number (dwCallerID, dwCalledID ...).
    std::string GetAddress() const;
    /// The party's name (dwCallerIDName ...).
    std::string GetName() const;
    /// The LINECALLPARTYID_ flags (dwCallerIDFlags ...).
    uint32_t GetFlags() const;

    bool Blocked() const { return (GetFlags() & 0x1) != 0; }
    bool OutOfArea() const { return (GetFlags() & 0x2) != 0; }
    bool NameAvail() const { return (GetFlags() & 0x4) != 0; }
    bool AddressAvail() const { return (GetFlags() & 0x8) != 0; }
    bool Partial() const { return (GetFlags() & 0x10) != 0; }
    bool Unknown() const { return (GetFlags() & 0x20) != 0; }
    bool Unavail() const { return (GetFlags() & 0x40) != 0; }

private:
    TTapiCall* FCall;
    int FKind;
};

/// A call of a TTapiLine. See the top of this header.
class TTapiCall : public TObject, public TTapiRelatedOwner {
public:
    /// Sizes of the cached blocks when the call is created.
    static constexpr uint32_t CallStatusSize = 56;
    static constexpr uint32_t CallInfoSize = 324;
    static constexpr uint32_t CallListSize = 536;

    /// Creates the call on ALine (Exception "TTapiCallEx.Create failed!
    /// Invalid Line" without one) and files it in the line's Calls (AHandle
    /// non-zero) or UnboundCalls (0). A call with a handle loads its status,
    /// information and conference list.
    TTapiCall(TTapiLine* ALine, uint32_t AHandle);
    /// Releases the handle (lineDeallocateCall; whatever the service answers,
    /// the destruction completes and nothing is raised), cancels every write
    /// the service still owes into this object, and leaves the line: its
    /// requests and timed terms go, and no other call keeps it in its
    /// ConferenceCalls or as ConsultCall. To learn the service's answer,
    /// call Deallocate first.
    ~TTapiCall() override;
    TTapiCall(const TTapiCall&) = delete;
    TTapiCall& operator=(const TTapiCall&) = delete;
    std::string ClassName() const override { return "TTapiCall"; }

    /// Frees the call: at once outside the line's events; during them it is
    /// taken out of the line's lists now and deleted when the outermost event
    /// has ended. Calling it again before then does nothing.
    void Free();
    /// Free() has been called and the deletion is still to come.
    bool Get_FreePending() const noexcept { return FFreePending; }

    // --- Handle ----------------------------------------------------------------
    /// The call handle; 0 while the service has not delivered it or after it
    /// was released.
    uint32_t Get_Handle() const noexcept;
    /// Where the service writes the handle of a call an operation creates
    /// (lineMakeCallA's lphCall ...).
    HCALL* Get_HandleSlot() noexcept { return &FHandle; }
    /// The handle is non-zero.
    bool Valid() const noexcept { return Get_Handle() != 0; }
    /// For a valid call: Alive from its cached state (above IDLE).
    void Init();

    // --- Blocks ----------------------------------------------------------------
    uint32_t Update_CallStatus();
    uint32_t Update_CallInfo();
    /// Reads the conference-related calls; on success ConferenceCalls holds
    /// the line's call for each handle, in order (found or adopted); on
    /// failure it is left as it was. Returns the service's result.
    uint32_t Update_ConferenceCalls();

    /// The call's own state update (the line's LINE_CALLSTATE handling does
    /// its own bookkeeping and does not call it).
    virtual void Handle_CallState(uint32_t CallState, uint32_t StateDetail, uint32_t Privilege);
    /// Refreshes the information; an ORIGIN change adds the origin to
    /// OriginHistory.
    virtual void Handle_CallInfo(uint32_t InfoState);
    /// Valid, and the state is not only IDLE, ONHOLD, ONHOLDPENDCONF or
    /// ONHOLDPENDTRANSFER.
    virtual bool Get_Active() const;

    /// LINECALLSTATUS fields: 0 dwCallState, 1 dwCallStateMode,
    /// 2 dwCallPrivilege, 3 dwCallFeatures, 4 dwDevSpecificSize,
    /// 5 dwDevSpecificOffset, 6 dwCallFeatures2; 0 otherwise.
    uint32_t GetCallStatusDW(int Index) const;
    /// LINECALLINFO fields: 0 dwAddressID, 1 dwBearerMode, 2 dwOrigin,
    /// 3 dwReason, 4 dwMediaMode, 5 dwCallerIDFlags, 6 dwCalledIDFlags,
    /// 7 dwConnectedIDFlags; 0 otherwise.
    uint32_t GetCallInfoDW(int Index) const;
    /// The call-information string of that index (TTapiCallInfo::GetString).
    std::string GetCallInfoStr(int Index) const;

    // --- Properties --------------------------------------------------------------
    TTapiLine* Get_Line() const noexcept { return FLine; }
    /// The call exists in a state other than IDLE. Setting it true records
    /// the begin time and starts both histories afresh; false records the end
    /// time and resets the monitors that end with the call.
    bool Get_Alive() const noexcept { return FAlive; }
    void Set_Alive(bool Value);
    /// The line's address of the call's dwAddressID, or null.
    TTapiAddress* Get_Address() const;
    /// dwCallPrivilege; the setter asks the service (ETapiError on refusal).
    uint32_t Get_Privilege() const;
    void Set_Privilege(uint32_t Value);
    /// Owner privilege; the setter switches between OWNER and MONITOR.
    bool Get_Owner() const;
    void Set_Owner(bool Value);
    /// dwMediaMode; the setter asks the service (ETapiError on refusal).
    uint32_t Get_MediaMode() const;
    void Set_MediaMode(uint32_t Value);
    uint32_t Get_Origin() const;
    /// The application's Name=Value notes; names compare in any letter case,
    /// an empty value removes the note.
    std::string Get_Notes(const std::string& Name) const;
    void Set_Notes(const std::string& Name, const std::string& Value);
    void ClearNotes();

    // --- State tests ---------------------------------------------------------------
    bool IsOutgoing() const;
    bool WasOutgoing() const;
    bool IsIncoming() const;
    bool WasIncoming() const;
    bool IsConnected() const;
    bool WasConnected() const;
    bool WasDisconnected() const;
    bool IsHeld() const;
    bool WasHeld() const;
    bool IsOffering() const;
    bool WasOffering() const;
    bool IsDialing() const;
    bool WasDialing() const;
    bool IsBusy() const;
    bool WasBusy() const;

    /// The kind of this call's first outstanding request in the line's
    /// Requests (TTapiLineRequestKind), 0 when none.
    uint32_t PendingRequest() const;

    // --- Texts -----------------------------------------------------------------------
    std::string StateText() const;
    std::string OriginText() const;
    /// The media modes' names joined by ", ".
    std::string MediaModeText() const;
    /// Always empty.
    std::string StateModeText() const;

    /// Releases the handle: on success (or when the service no longer knows
    /// it) the call's requests go and the handle becomes 0; any other refusal
    /// leaves the handle. A failure raises ETapiError, except while the line
    /// is being destroyed.
    void Deallocate();

    // --- Call control: short forms of the line's operations ----------------------
    void Accept(const std::string& UserUserInfo = {});
    void Answer(const std::string& UserUserInfo = {});
    void Drop(const std::string& UserUserInfo = {});
    // The line's operations with this call (their checks and failures are
    // the line's). Where a LINECALLPARAMS block is wanted, the line's
    // CallParams are packed with this call's address ID.
    /// Dial, Redirect and BlindTransfer with country code 0.
    void Dial(const std::string& DestAddress);
    void Redirect(const std::string& DestAddress);
    /// HandOff to the application AppName (media mode 0, so an empty name is
    /// refused by the service with LINEERR_INVALMEDIAMODE).
    void HandOff(const std::string& AppName);
    void BlindTransfer(const std::string& DestAddress);
    void Hold();
    void Unhold();
    /// This (active) call goes on hold and HeldCall becomes active.
    void SwapHold(TTapiCall* HeldCall);
    /// The new consultation call, also stored as ConsultCall.
    TTapiCall* SetupTransfer();
    /// Completes the transfer with AConsultCall, or (null) with ConsultCall
    /// while that is in the line's Calls: as a conference (returning the
    /// conference call) or as a plain transfer (returning null).
    TTapiCall* CompleteTransfer(TTapiCall* AConsultCall, bool Conference);
    /// A conference from this call (0 parties: the switch decides).
    void SetupConference(TTapiCall*& ConfCall, TTapiCall*& AConsultCall);
    /// This conference call's new consultation call.
    TTapiCall* PrepareAddToConference();
    /// This (consultation) call joins ConfCall.
    void AddToConference(TTapiCall* ConfCall);
    /// The line's Park: at DirAddress (LINEPARKMODE_DIRECTED), or, when it is
    /// empty, where the switch chooses (LINEPARKMODE_NONDIRECTED, into an
    /// address block the call keeps). Returns where the call waits:
    /// DirAddress, or the switch's choice once the reply has come (in
    /// SyncMode on return; asynchronously "" at first, then
    /// Get_ParkedAddress after OnTapiReply).
    std::string Park(const std::string& DirAddress = {});
    /// The address the switch chose for this call's last non-directed park,
    /// once its reply has come; "" before and without one.
    std::string Get_ParkedAddress() const;
    // Media short forms (TTapiLine's media operations, with their checks).
    /// The line's GenerateDigits in LINEDIGITMODE_DTMF.
    void GenerateDigits(const std::string& Digits, uint32_t Duration);
    /// The line's GenerateDigits in LINEDIGITMODE_PULSE.
    void GeneratePulseDigits(const std::string& Digits, uint32_t Duration);
    /// The line's GenerateCallTone with no custom tones.
    void GenerateTone(uint32_t ToneMode, uint32_t Duration);
    /// The line's MonitorTones with this one tone (frequencies in Hz, all 0
    /// for silence) lasting Duration ms; it replaces the tones monitored
    /// before, the silence monitor's entry too. OnTone reports AppSpecific.
    void MonitorTone(uint32_t Frequency1, uint32_t Frequency2, uint32_t Frequency3, uint32_t Duration,
                     uint32_t AppSpecific);

    // --- Members -----------------------------------------------------------------------
    /// The conference-related calls (this one included); not owned.
    TTapiCallList* Get_ConferenceCalls() noexcept { return &FConferenceCalls; }
    /// The consultation call of this call's SetupTransfer, or null.
    TTapiCall* Get_ConsultCall() const noexcept { return FConsultCall; }
    void Set_ConsultCall(TTapiCall* Value) noexcept { FConsultCall = Value; }
    const TVarBlock& Get_CallStatusBlock() const noexcept { return FCallStatus; }
    const TVarBlock& Get_CallInfoBlock() const noexcept { return FCallInfoBlock; }
    TTapiCallInfo* Get_CallInfo() noexcept { return &FCallInfo; }
    TDateTime Get_BeginTime() const noexcept { return FBeginTime; }
    uint32_t Get_BeginTick() const noexcept { return FBeginTick; }
    TDateTime Get_EndTime() const noexcept { return FEndTime; }
    uint32_t Get_EndTick() const noexcept { return FEndTick; }
    TDateTime Get_ConnectTime() const noexcept { return FConnectTime; }
    /// OR of every state handled since the call became alive.
    uint32_t Get_StateHistory() const noexcept { return FStateHistory; }
    /// OR of every origin read after an ORIGIN change since it became alive.
    uint32_t Get_OriginHistory() const noexcept { return FOriginHistory; }
    TTapiCallPartyID* Get_CallerID() noexcept { return &FCallerID; }
    TTapiCallPartyID* Get_CalledID() noexcept { return &FCalledID; }
    TTapiCallPartyID* Get_ConnectedID() noexcept { return &FConnectedID; }
    TTapiCallPartyID* Get_RedirectionID() noexcept { return &FRedirectionID; }
    TTapiCallPartyID* Get_RedirectingID() noexcept { return &FRedirectingID; }
    TTapiCommDevice* Get_CommDevice() const noexcept { return FCommDevice.get(); }
    TTapiRelatedWaveDevice* Get_WaveInDevice() const noexcept { return FWaveInDevice.get(); }
    TTapiRelatedWaveDevice* Get_WaveOutDevice() const noexcept { return FWaveOutDevice.get(); }
    TTapiCallGatherDigits* Get_GatherDigits() const noexcept { return FGatherDigits.get(); }
    TTapiCallMonitorDigits* Get_MonitorDigits() const noexcept { return FMonitorDigits.get(); }
    TTapiCallMonitorMedia* Get_MonitorMedia() const noexcept { return FMonitorMedia.get(); }
    TTapiCallMonitorSilence* Get_MonitorSilence() const noexcept { return FMonitorSilence.get(); }
    TStrings* Get_NotesList() noexcept { return &FNotes; }

    /// The call on its line (LINECALLSELECT_CALL).
    TTapiRelatedTarget Get_RelatedTarget() const override;

protected:
    friend class TTapiLine;

    /// Stores the handle (release store, as the service's own writes).
    void Set_Handle(uint32_t Value) noexcept;
    /// lineDeallocateCall; the requests go and the handle becomes 0 when it
    /// succeeded or the handle was unknown. Returns the service's result.
    uint32_t DeallocateHandle() noexcept;
    /// Writes a dword of the cached status block.
    void SetStatusDW(int Index, uint32_t Value) noexcept;

    TTapiLine* const FLine;
    HCALL FHandle = 0;
    TTapiCallList FConferenceCalls;
    TTapiCall* FConsultCall = nullptr;
    TVarBlock FCallStatus;
    TVarBlock FCallInfoBlock;
    TTapiCallInfo FCallInfo;
    bool FAlive = false;
    TDateTime FBeginTime = 0;
    uint32_t FBeginTick = 0;
    TDateTime FEndTime = 0;
    uint32_t FEndTick = 0;
    TDateTime FConnectTime = 0;
    TStringList FNotes;
    TTapiCallPartyID FCallerID{this, 0};
    TTapiCallPartyID FCalledID{this, 1};
    TTapiCallPartyID FConnectedID{this, 2};
    TTapiCallPartyID FRedirectionID{this, 3};
    TTapiCallPartyID FRedirectingID{this, 4};
    uint32_t FStateHistory = 0;
    uint32_t FOriginHistory = 0;
    std::unique_ptr<TTapiCommDevice> FCommDevice;
    std::unique_ptr<TTapiRelatedWaveDevice> FWaveInDevice;
    std::unique_ptr<TTapiRelatedWaveDevice> FWaveOutDevice;
    std::unique_ptr<TTapiCallGatherDigits> FGatherDigits;
    std::unique_ptr<TTapiCallMonitorDigits> FMonitorDigits;
    std::unique_ptr<TTapiCallMonitorMedia> FMonitorMedia;
    std::unique_ptr<TTapiCallMonitorSilence> FMonitorSilence;

private:
    bool FFreePending = false;
    /// The address blocks of the non-directed parks, newest last. Each stays
    /// until the call goes (its request cancels the service's write when it
    /// leaves), so a second park never reuses a block the first may still
    /// be written into.
    std::vector<std::unique_ptr<uint8_t[]>> FParkBlocks;
};

} // namespace kxtapi
