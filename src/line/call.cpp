// TTapiCall: life cycle, handle, cached blocks and properties.

#include "kxtapi/line/call.h"

#include "kxtapi/line/line.h"
#include "kxtapi/rtl/tick.h"
#include "kxtapi/session/errors.h"
#include "kxtapi/tapi/extensions.h"
#include "kxtapi/tapi/line_functions.h"

#include <atomic>
#include <cstddef>

namespace kxtapi {
namespace {

TTapiLine* RequireLine(TTapiLine* Line)
{
    if (Line == nullptr) throw Exception("TTapiCallEx.Create failed! Invalid Line");
    return Line;
}

constexpr uint32_t StatusOffsets[] = {
    offsetof(LINECALLSTATUS, dwCallState),       offsetof(LINECALLSTATUS, dwCallStateMode),
    offsetof(LINECALLSTATUS, dwCallPrivilege),   offsetof(LINECALLSTATUS, dwCallFeatures),
    offsetof(LINECALLSTATUS, dwDevSpecificSize), offsetof(LINECALLSTATUS, dwDevSpecificOffset),
    offsetof(LINECALLSTATUS, dwCallFeatures2),
};

} // namespace

TTapiCall::TTapiCall(TTapiLine* ALine, uint32_t AHandle)
    : FLine(RequireLine(ALine)),
      FHandle(AHandle),
      FCallStatus(CallStatusSize),
      FCallInfoBlock(CallInfoSize),
      FCallInfo(&FCallInfoBlock),
      FCommDevice(new TTapiCommDevice(this, "comm/datamodem")),
      FWaveInDevice(new TTapiRelatedWaveDevice(this, "wave/in")),
      FWaveOutDevice(new TTapiRelatedWaveDevice(this, "wave/out")),
      FGatherDigits(new TTapiCallGatherDigits(this)),
      FMonitorDigits(new TTapiCallMonitorDigits(this)),
      FMonitorMedia(new TTapiCallMonitorMedia(this)),
      FMonitorSilence(new TTapiCallMonitorSilence(this))
{
    FCommDevice->Set_Enabled(FLine->Get_CallOptions()->Get_Comm()->Get_Enabled());
    FLine->AddCall(this);
    if (AHandle != 0) {
        Update_CallStatus();
        Update_CallInfo();
        Update_ConferenceCalls();
    }
}

TTapiCall::~TTapiCall()
{
    // Whatever the service still owes into this object is cancelled before
    // the handle is read for the last time.
    kxtapiCancelWriteBack(&FHandle, sizeof(FHandle));
    if (Get_Handle() != 0) DeallocateHandle();
    FLine->RemoveCall(this);
    FLine->ForgetDeferred(this);
    // The comm device closes its own port handle as it goes.
}

void TTapiCall::Free()
{
    FLine->FreeCall(this);
}

uint32_t TTapiCall::Get_Handle() const noexcept
{
    // The service stores handles with release stores (atomic_ref over the
    // same slot); the object itself is not const for it.
    return std::atomic_ref<HCALL>(const_cast<HCALL&>(FHandle)).load(std::memory_order_acquire);
}

void TTapiCall::Set_Handle(uint32_t Value) noexcept
{
    const uint32_t Old = Get_Handle();
    std::atomic_ref<HCALL>(FHandle).store(Value, std::memory_order_release);
    if (Old != Value) FLine->CallHandleChanged(this, Old);
}

void TTapiCall::Init()
{
    if (Valid()) FAlive = GetCallStatusDW(0) > LINECALLSTATE_IDLE;
}

uint32_t TTapiCall::DeallocateHandle() noexcept
{
    const uint32_t r = lineDeallocateCall(Get_Handle());
    if (r == 0 || r == LINEERR_INVALCALLHANDLE) {
        {
            TListLock Lock(FLine->Requests, INFINITE);
            FLine->Requests.RemoveAllRequests(this);
        }
        Set_Handle(0);
    }
    return r;
}

void TTapiCall::Deallocate()
{
    const uint32_t r = DeallocateHandle();
    if (r != 0 && !FLine->Get_Destroying()) throw ETapiError(r);
}

// --- Blocks -------------------------------------------------------------------------

uint32_t TTapiCall::Update_CallStatus()
{
    const uint32_t h = Get_Handle();
    return FetchVarBlock(FCallStatus, [&] { return lineGetCallStatus(h, FCallStatus.As<LINECALLSTATUS>()); });
}

uint32_t TTapiCall::Update_CallInfo()
{
    const uint32_t h = Get_Handle();
    return FetchVarBlock(FCallInfoBlock, [&] { return lineGetCallInfoA(h, FCallInfoBlock.As<LINECALLINFO>()); });
}

uint32_t TTapiCall::Update_ConferenceCalls()
{
    TVarBlock List(CallListSize);
    const uint32_t h = Get_Handle();
    const uint32_t r = FetchVarBlock(List, [&] { return lineGetConfRelatedCalls(h, List.As<LINECALLLIST>()); });
    if (r != 0) return r;
    const uint32_t Count = List.Dword(offsetof(LINECALLLIST, dwCallsNumEntries));
    const uint32_t Offset = List.Dword(offsetof(LINECALLLIST, dwCallsOffset));
    const std::vector<HCALL> Handles = List.Entries<HCALL>(Count, Offset);
    FConferenceCalls.TList::Clear();
    for (HCALL Member : Handles)
        if (TTapiCall* Call = FLine->GetOrCreateCall(Member)) FConferenceCalls.Add(Call);
    return 0;
}

void TTapiCall::SetStatusDW(int Index, uint32_t Value) noexcept
{
    if (Index >= 0 && Index < static_cast<int>(std::size(StatusOffsets)))
        FCallStatus.SetDword(StatusOffsets[Index], Value);
}

uint32_t TTapiCall::GetCallStatusDW(int Index) const
{
    if (Index < 0 || Index >= static_cast<int>(std::size(StatusOffsets))) return 0;
    return FCallStatus.Dword(StatusOffsets[Index]);
}

uint32_t TTapiCall::GetCallInfoDW(int Index) const
{
    return FCallInfo.GetCallInfoDW(Index);
}

std::string TTapiCall::GetCallInfoStr(int Index) const
{
    return FCallInfo.GetString(Index);
}

// --- State handling -------------------------------------------------------------------

void TTapiCall::Set_Alive(bool Value)
{
    if (Value == FAlive) return;
    FAlive = Value;
    if (Value) {
        FBeginTime = Now();
        FBeginTick = GetTickCount();
        FStateHistory = 0;
        FOriginHistory = 0;
    } else {
        FEndTime = Now();
        FEndTick = GetTickCount();
        // The service ends these with the call; nothing is asked of it.
        FMonitorDigits->ResetActive();
        FGatherDigits->ResetActive();
        FMonitorSilence->ResetActive();
    }
}

void TTapiCall::Handle_CallState(uint32_t CallState, uint32_t StateDetail, uint32_t Privilege)
{
    switch (CallState) {
    case LINECALLSTATE_IDLE:
    case LINECALLSTATE_ONHOLD:
    case LINECALLSTATE_CONFERENCED:
    case LINECALLSTATE_ONHOLDPENDCONF:
    case LINECALLSTATE_ONHOLDPENDTRANSFER:
    case LINECALLSTATE_DISCONNECTED: FLine->Update_LineCalls(); break;
    case LINECALLSTATE_CONNECTED: FConnectTime = Now(); break;
    default: break;
    }
    Set_Alive(CallState != LINECALLSTATE_IDLE);
    Update_CallStatus();
    SetStatusDW(0, CallState);
    SetStatusDW(1, StateDetail);
    if (Privilege != 0) SetStatusDW(2, Privilege);
    if (CallState == LINECALLSTATE_CONNECTED) {
        FCommDevice->Init();
        FWaveInDevice->Init();
        FWaveOutDevice->Init();
    } else {
        if (FCommDevice->Get_Initialized()) FCommDevice->Done();
        if (FWaveInDevice->Get_Initialized()) FWaveInDevice->Done();
        if (FWaveOutDevice->Get_Initialized()) FWaveOutDevice->Done();
    }
}

void TTapiCall::Handle_CallInfo(uint32_t InfoState)
{
    Update_CallInfo();
    if (InfoState & LINECALLINFOSTATE_ORIGIN) FOriginHistory |= Get_Origin();
}

bool TTapiCall::Get_Active() const
{
    return Valid() && (GetCallStatusDW(0) & ~0x3401u) != 0;
}

// --- Properties -------------------------------------------------------------------------

TTapiAddress* TTapiCall::Get_Address() const
{
    TTapiAddressList* Addresses = FLine->Get_Addresses();
    const uint32_t ID = GetCallInfoDW(0);
    if (ID >= static_cast<uint32_t>(Addresses->Count())) return nullptr;
    return Addresses->Get(static_cast<int>(ID));
}

uint32_t TTapiCall::Get_Privilege() const
{
    return GetCallStatusDW(2);
}

void TTapiCall::Set_Privilege(uint32_t Value)
{
    FLine->CheckTapiResult(lineSetCallPrivilege(Get_Handle(), Value));
}

bool TTapiCall::Get_Owner() const
{
    return (Get_Privilege() & LINECALLPRIVILEGE_OWNER) != 0;
}

void TTapiCall::Set_Owner(bool Value)
{
    FLine->CheckTapiResult(
        lineSetCallPrivilege(Get_Handle(), Value ? LINECALLPRIVILEGE_OWNER : LINECALLPRIVILEGE_MONITOR));
    Update_CallStatus();
}

uint32_t TTapiCall::Get_MediaMode() const
{
    return GetCallInfoDW(4);
}

void TTapiCall::Set_MediaMode(uint32_t Value)
{
    FLine->CheckTapiResult(lineSetMediaMode(Get_Handle(), Value));
    Update_CallInfo();
}

uint32_t TTapiCall::Get_Origin() const
{
    return GetCallInfoDW(2);
}

std::string TTapiCall::Get_Notes(const std::string& Name) const
{
    return FNotes.Values(Name);
}

void TTapiCall::Set_Notes(const std::string& Name, const std::string& Value)
{
    FNotes.SetValue(Name, Value);
}

void TTapiCall::ClearNotes()
{
    FNotes.Clear();
}

uint32_t TTapiCall::PendingRequest() const
{
    TTapiRequestList* Requests = FLine->Get_Requests();
    TListLock Lock(*Requests, INFINITE);
    const int i = Requests->IndexOfRequest(0, 0, this);
    return i >= 0 ? Requests->Get(i)->Kind : 0;
}

TTapiRelatedTarget TTapiCall::Get_RelatedTarget() const
{
    TTapiRelatedTarget Target;
    Target.Kind = rkCall;
    Target.hDevice = FLine->Get_DeviceHandle();
    Target.hCall = Get_Handle();
    return Target;
}

} // namespace kxtapi
