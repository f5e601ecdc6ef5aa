// The in-process telephony service behind the TAPI C functions.
//
// Threads. The TAPI functions may be called from any thread; each runs
// under the service lock (service_lock.h). Messages are queued per usage in
// the order the events happened and fetched with lineGetMessage /
// phoneGetMessage, whatever thread calls it. Requests complete on one of
// three threads:
// - immediately: before the function that made the request returns, on the
//   caller's thread (the reply is queued when the function returns);
// - delayed, with the test clock installed: on the thread that advances the
//   clock, before AdvanceTestClock returns;
// - delayed, on a real clock: on the service's timer thread (scheduler.h).
// Control calls of the simulated switch (sim.h) run on the caller's thread
// and queue their messages before they return.
//
// Handles. Usage, line, call and phone handles come from one 32-bit
// counter: never 0 and never reused within the process, so a stale handle
// fails with LINEERR_INVAL... instead of reaching another object. Request
// identifiers are positive, unique across the line and phone side.
//
// Write-backs into application memory (call handles of lineMakeCallA and
// its kin, gathered digits, park addresses) are attached to the message
// that reports their completion and made when lineGetMessage fetches that
// message; see kxtapiCancelWriteBack in <kxtapi/tapi/extensions.h>.
#pragma once

#include "service/media_monitor.h"
#include "service/provider.h"
#include "service/scheduler.h"

#include "kxtapi/rtl/handles.h"
#include "kxtapi/tapi.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kxtapi::service {

/// The API versions the service itself speaks.
inline constexpr uint32_t ServiceAPILow = 0x00010003;
inline constexpr uint32_t ServiceAPIHigh = 0x00020001;

/// One pending write into application memory.
struct TWriteBack {
    void* Target = nullptr;
    std::vector<uint8_t> Bytes;
    bool IsHandle = false;   // a 32-bit handle slot: stored atomically
    bool Cancelled = false;
    // What the write belongs to, so that closing or freeing it cancels it.
    uint32_t Usage = 0;
    uint32_t Line = 0;
    uint32_t Call = 0;
};
using TWriteBackPtr = std::shared_ptr<TWriteBack>;

struct TQueuedMessage {
    LINEMESSAGE Msg{};
    std::vector<TWriteBackPtr> WriteBacks;
};

/// One lineInitializeExA or phoneInitializeExA.
struct TUsage {
    uint32_t Handle = 0;
    bool Phone = false;
    std::string FriendlyName;
    std::string ModuleName;   // base name of the program, for priorities
    uint32_t APIVersion = 0;
    THandle Event = 0;
    std::deque<TQueuedMessage> Queue;
    uint64_t Order = 0;
    // Assisted telephony (line usages only). Every registration instance
    // counts on its own, oldest first, so one component letting go leaves
    // the others of the same usage registered; LINE_REQUEST names the newest.
    std::vector<uint32_t> MakeCallInstances;
    bool MediaCallRecipient = false;
    uint64_t RequestStamp = 0;   // last make-call registration (requests/recipients.h)
    std::deque<LINEREQMAKECALL> MakeCallRequests;
};

struct TLineSlot {
    std::shared_ptr<TProviderLine> Device;   // null once removed
    std::vector<uint32_t> Opens;             // HLINEs, in order of opening
};

struct TPhoneSlot {
    std::shared_ptr<TProviderPhone> Device;
    std::vector<uint32_t> Opens;
};

struct TLineOpen {
    uint32_t Handle = 0;
    uint32_t Usage = 0;
    uint32_t DeviceID = 0;
    uint32_t Instance = 0;
    uint32_t Privileges = 0;
    uint32_t MediaModes = 0;
    uint32_t APIVersion = 0;
    uint32_t ExtVersion = 0;
    uint32_t LineStates = 0;
    uint32_t AddressStates = 0;
    std::vector<uint32_t> Calls;   // HCALLs of this open
};

/// The service's knowledge of one provider call.
struct TCallRecord {
    std::shared_ptr<TProviderCall> Call;
    uint32_t DeviceID = 0;
    std::vector<uint32_t> Handles;
    std::string AppName;   // the application that made the call
    bool Announced = false;   // its monitors have been given handles
    // What is heard from the far end now (tone monitoring).
    bool Tone = false;
    uint32_t Frequency[3] = {0, 0, 0};
    uint32_t ToneSeq = 0;
};

struct TCallHandle {
    uint32_t Handle = 0;
    uint32_t Line = 0;    // HLINE
    uint32_t Usage = 0;
    TProviderCall* Call = nullptr;
    uint32_t Privilege = 0;
    bool ReportPrivilege = true;   // the next LINE_CALLSTATE carries it
    bool Held = false;             // created by a request that has not completed
    std::vector<LINEMESSAGE> HeldMessages;
    TMediaMonitor Media;
};

struct TPhoneOpen {
    uint32_t Handle = 0;
    uint32_t Usage = 0;
    uint32_t DeviceID = 0;
    uint32_t Instance = 0;
    uint32_t Privilege = 0;
    uint32_t APIVersion = 0;
    uint32_t ExtVersion = 0;
    uint32_t PhoneStates = 0;
    uint32_t ButtonModes = 0;
    uint32_t ButtonStates = 0;
};

struct TPendingRequest {
    uint32_t ID = 0;
    uint32_t Usage = 0;
    bool Phone = false;
    uint32_t Device = 0;     // HLINE or HPHONE
    uint32_t Instance = 0;   // callback instance of that open
    std::vector<uint32_t> NewCalls;   // held handles the request creates
    std::vector<TWriteBackPtr> WriteBacks;
    // Non-directed park: the VARSTRING to fill at completion.
    void* ParkTarget = nullptr;
    uint32_t ParkTotalSize = 0;
};

/// lineSetAppPriorityA entries, highest priority first.
struct TAppPriority {
    std::string Module;   // lower-case base name
    uint32_t MediaMode = 0;
    uint32_t RequestMode = 0;
    uint64_t Stamp = 0;   // when it was put at the top (requests/recipients.h)
};

class TService final : public TProviderHost {
public:
    TService();
    ~TService() override;

    // --- State (guarded by the service lock) ------------------------------
    std::map<uint32_t, std::unique_ptr<TUsage>> Usages;
    std::vector<TLineSlot> LineSlots;    // index = device identifier
    std::vector<TPhoneSlot> PhoneSlots;
    std::map<uint32_t, TLineOpen> LineOpens;
    std::map<uint32_t, TCallHandle> CallHandles;
    std::map<TProviderCall*, TCallRecord> CallRecords;
    std::map<uint32_t, TPhoneOpen> PhoneOpens;
    std::map<uint32_t, TPendingRequest> Requests;
    std::vector<TAppPriority> Priorities;
    TScheduler Scheduler;
    bool Running = false;   // providers started
    /// Why the last start failed ("SOURCE: KEY: PROBLEM"), empty when it did not.
    std::string StartError;
    /// The providers the configuration file added, started with the others.
    std::vector<std::shared_ptr<TProvider>> ConfiguredProviders;
    /// The configuration left the simulated switch out.
    bool SimLeftOut = false;

    // Fault injection into the functions the service answers itself
    // (locations, countries, call lists): the simulated switch installs
    // these so that its faults reach those functions too.
    std::function<uint32_t(const char* Function)> CallFault;
    std::function<THostileBlock(const char* Function)> BlockFault;
    uint32_t FailCall(const char* Function) const { return CallFault ? CallFault(Function) : 0; }
    THostileBlock Hostile(const char* Function) const { return BlockFault ? BlockFault(Function) : hbNone; }

    // --- Identifiers --------------------------------------------------------
    uint32_t NewHandle();
    uint32_t NewRequestID();
    uint32_t NewEndToEndID() { return FNextEndToEnd++; }
    uint64_t NextOrder() { return FNextOrder++; }

    // --- Lookups (null when the value names nothing) ------------------------
    TUsage* LineUsage(uint32_t hLineApp);
    TUsage* PhoneUsage(uint32_t hPhoneApp);
    TLineOpen* LineOpen(uint32_t hLine);
    TCallHandle* CallHandle(uint32_t hCall);   // held handles are invisible
    TPhoneOpen* PhoneOpen(uint32_t hPhone);
    TProviderLine* LineDevice(uint32_t DeviceID);
    TProviderPhone* PhoneDevice(uint32_t DeviceID);
    /// LINEERR_BADDEVICEID / LINEERR_NODEVICE / 0.
    uint32_t CheckLineDevice(uint32_t DeviceID) const;
    uint32_t CheckPhoneDevice(uint32_t DeviceID) const;
    int32_t LineDeviceIDOf(const TProviderLine* Line) const;
    int32_t PhoneDeviceIDOf(const TProviderPhone* Phone) const;
    TCallRecord* Record(TProviderCall* Call);
    TCallRecord& RecordFor(const std::shared_ptr<TProviderCall>& Call);
    /// The handle Open has on Call, or 0.
    uint32_t HandleOf(TProviderCall* Call, uint32_t hLine) const;

    // --- Starting and stopping ----------------------------------------------
    /// Starts the providers when the first usage is created, as the
    /// telephony configuration says (kxtapi/tapi/config.h). Returns 0, or
    /// LINEERR_INIFILECORRUPT / LINEERR_NODRIVER with StartError set; then
    /// nothing is left started.
    uint32_t StartIfNeeded();
    /// Closes them when no usage is left.
    void StopIfIdle();
    /// Closes every started provider and forgets their devices.
    void StopProviders();

    // --- Messages -------------------------------------------------------------
    void Post(TUsage& Usage, const LINEMESSAGE& Msg, std::vector<TWriteBackPtr> WriteBacks = {});
    void PostLine(const TLineOpen& Open, uint32_t MessageID, uint32_t Param1, uint32_t Param2, uint32_t Param3);
    void PostCall(TCallHandle& Handle, uint32_t MessageID, uint32_t Param1, uint32_t Param2, uint32_t Param3,
                  std::vector<TWriteBackPtr> WriteBacks = {});
    void PostPhone(const TPhoneOpen& Open, uint32_t MessageID, uint32_t Param1, uint32_t Param2, uint32_t Param3);
    /// Takes the oldest message, making its write-backs; false when none.
    bool Fetch(TUsage& Usage, LINEMESSAGE& Msg);
    void CancelWriteBacks(const void* Target, uint32_t Size);
    void CancelWriteBacksOf(uint32_t Usage, uint32_t Line, uint32_t Call);

    // --- Calls ------------------------------------------------------------------
    TCallHandle& CreateCallHandle(TLineOpen& Open, TCallRecord& Record, uint32_t Privilege, bool Held);
    /// Removes a handle and everything of it (queued messages, timers).
    void DestroyCallHandle(uint32_t hCall, bool NotifyOthers);
    /// Gives the call's handles to the opens that should see it: an owner
    /// among the owner opens (when OfferOwner and none has it yet) and every
    /// monitor open, each with LINE_APPNEWCALL.
    void AnnounceCall(TCallRecord& Record, bool OfferOwner);
    void ReleaseHeld(TCallHandle& Handle);
    uint32_t OwnerCount(const TCallRecord& Record) const;
    uint32_t MonitorCount(const TCallRecord& Record) const;
    /// Tells a record's other handles that owners or monitors changed.
    void NotifyOwnership(TCallRecord& Record, uint32_t Except, uint32_t InfoState);

    // --- Requests -----------------------------------------------------------------
    TPendingRequest& AddRequest(uint32_t Usage, bool Phone, uint32_t Device, uint32_t Instance);
    void DropRequest(uint32_t ID);
    /// Handle write-back of a request: *Target receives hCall at the reply.
    void AddHandleWriteBack(TPendingRequest& Request, LPHCALL Target, uint32_t hCall);

    // --- Opens ----------------------------------------------------------------------
    /// Closes an open: its calls, requests and write-backs. Reason is
    /// LINE_CLOSE (the device went) or 0 (lineClose).
    void CloseLineOpen(uint32_t hLine, bool Notify);
    void ClosePhoneOpen(uint32_t hPhone, bool Notify);
    void ShutdownUsage(uint32_t hApp);
    /// LINE_LINEDEVSTATE with State to every open line, whatever its masks,
    /// and to every line usage without open lines (with no device).
    void BroadcastLineDevState(uint32_t State);

    // --- Media --------------------------------------------------------------------------
    void EndGather(TCallHandle& Handle, uint32_t Termination);
    void StartToneWatch(TCallHandle& Handle, const TCallRecord& Record);
    void OnGatherTimeout(uint32_t hCall, uint64_t Generation, uint32_t Termination);

    // --- TProviderHost ------------------------------------------------------------------
    void AddLine(std::shared_ptr<TProviderLine> Line) override;
    void RemoveLine(TProviderLine* Line) override;
    void AddPhone(std::shared_ptr<TProviderPhone> Phone) override;
    void RemovePhone(TProviderPhone* Phone) override;
    void LineClosed(TProviderLine* Line) override;
    void PhoneClosed(TProviderPhone* Phone) override;
    void Reinit() override;
    int32_t LineDeviceID(const TProviderLine* Line) const override { return LineDeviceIDOf(Line); }
    int32_t PhoneDeviceID(const TProviderPhone* Phone) const override { return PhoneDeviceIDOf(Phone); }
    void LineDevState(TProviderLine* Line, uint32_t State, uint32_t Param2, uint32_t Param3) override;
    void AddressState(TProviderLine* Line, uint32_t AddressID, uint32_t State) override;
    void NewCall(std::shared_ptr<TProviderCall> Call) override;
    void CallState(TProviderCall* Call, uint32_t State, uint32_t Mode, TProviderCall* Related) override;
    void CallInfo(TProviderCall* Call, uint32_t InfoStates) override;
    void CallDigit(TProviderCall* Call, char Digit, uint32_t DigitMode) override;
    void CallMedia(TProviderCall* Call, uint32_t MediaMode) override;
    void CallTone(TProviderCall* Call, bool Tone, uint32_t Frequency1, uint32_t Frequency2,
                  uint32_t Frequency3) override;
    void CallGenerateEnded(TProviderCall* Call, uint32_t EndToEndID, uint32_t Termination) override;
    void CallDevSpecific(TProviderCall* Call, uint32_t Param1, uint32_t Param2, uint32_t Param3) override;
    void PhoneState(TProviderPhone* Phone, uint32_t States, uint32_t Param2, uint32_t Param3) override;
    void PhoneButton(TProviderPhone* Phone, uint32_t ButtonLampID, uint32_t Mode, uint32_t State) override;
    void CompleteRequest(TRequestID Request, uint32_t Result, const std::string& Text) override;
    void Defer(std::function<void()> Action) override;
    uint64_t Schedule(uint32_t Delay, std::function<void()> Action) override;
    void CancelScheduled(uint64_t ID) override;

private:
    uint32_t FNextHandle = 0x00010001;
    uint32_t FNextRequest = 1;
    uint32_t FNextEndToEnd = 1;
    uint64_t FNextOrder = 1;
    bool FStarting = false;   // providers are reporting their first devices
};

/// The process's service. Requires the service lock for everything but
/// taking the reference.
TService& Service();

/// Lower-case base name of a path ("C:\a\B.EXE" and "/x/b.exe" give "b.exe").
std::string ModuleBaseName(const std::string& Path);

}  // namespace kxtapi::service
