// TTapiDevice: selection, Enabled and Active wishes, and device messages.

#include "kxtapi/session/device.h"

#include "kxtapi/rtl/format.h"
#include "kxtapi/rtl/sync.h"
#include "kxtapi/session/application.h"

namespace kxtapi {

TTapiDevice::TTapiDevice(TComponent* AOwner, TTapiComponentKind AKind)
    : TTapiComponent(AOwner, AKind),
      CloseEvent(CreateEvent(true, false)),
      WaveInDevice(new TTapiRelatedWaveDevice(this, "wave/in")),
      WaveOutDevice(new TTapiRelatedWaveDevice(this, "wave/out"))
{
    try {
        TapiApplication->AddTapiComponent(this);
    } catch (...) {
        DetachFromSession();
        if (CloseEvent != 0) CloseHandle(CloseEvent);
        throw;
    }
}

TTapiDevice::~TTapiDevice()
{
    // Out of the session first, so that nothing is dispatched to the parts
    // freed below.
    DetachFromSession();
    Requests.Clear();
    Terms.Clear();
    Icon.Clear();
    WaveInDevice.reset();
    WaveOutDevice.reset();
    if (CloseEvent != 0) CloseHandle(CloseEvent);
    CloseEvent = 0;
}

void TTapiDevice::Loaded()
{
    TTapiComponent::Loaded();
    ApplyEnabled();
    // A stored name that matches no device leaves the component enabled and
    // closed; opening it would raise and fail the whole form.
    if (FActive && !Get_Available()) return;
    ApplyActive();
}

void TTapiDevice::SetEnabled(bool Value)
{
    if (Value == IsEnabled()) return;
    FEnabled = Value;
    if (!IsLoading()) ApplyEnabled();
}

void TTapiDevice::ApplyEnabled()
{
    if (IsEnabled() == FEnabled) return;
    TTapiComponent::ApplyEnabled();
    if (IsEnabled()) {
        SelectByName();
    } else {
        if (FActive) Set_Active(false);
        Set_DeviceID(-1);
    }
}

void TTapiDevice::SelectByName()
{
    TStrings* List = Get_DeviceList();
    Set_DeviceID(List != nullptr ? List->IndexOf(DeviceName) : -1);
}

uint32_t TTapiDevice::Init(int32_t ADeviceID)
{
    if (IsActive()) throw Exception("Unable to change DeviceID/DeviceName while TAPI device is active.");
    if (ADeviceID >= 0 && !IsEnabled()) EnableTapiComponent();
    if (Available && ADeviceID != DeviceID) Done();
    return 0;
}

uint32_t TTapiDevice::Done()
{
    Available = false;
    DeviceID = -1;
    if (TSP) TSP->Done();
    Icon.Clear();
    return 0;
}

void TTapiDevice::ApplyActive()
{
    if (IsDesigning() || IsLoading()) return;
    if (IsActive() == FActive) return;
    if (FActive) Open();
    else Close();
}

void TTapiDevice::Set_Active(bool Value)
{
    FActive = Value;
    if (Value == IsActive() || IsDesigning() || IsLoading()) return;
    if (IsEnabled()) ApplyActive();
    else FActive = false;
}

bool TTapiDevice::Get_Active() const
{
    if (IsDesigning() || IsLoading()) return FActive;
    return FActive && IsActive();
}

bool TTapiDevice::Get_Available() const
{
    return Available;
}

void TTapiDevice::Handle_DeviceCreate(uint32_t /*ADeviceID*/) {}

void TTapiDevice::Handle_DeviceClose()
{
    if (!IsActive()) return;
    DeviceHandle = 0;
    // The service closed the device: a reply a synchronous wait expects will
    // not come, so the wait ends now rather than after ReplyTimeout.
    SetEvent(CloseEvent);
    Close();
    Trigger_DeviceClose();
}

void TTapiDevice::Handle_DeviceRemove(uint32_t ADeviceID)
{
    if (!Available || static_cast<int32_t>(ADeviceID) != DeviceID || DeviceID < 0) return;
    Done();
    FireNamedEvent("OnDeviceRemove", OnDeviceRemove, this);
}

void TTapiDevice::Handle_TapiMessage(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}

void TTapiDevice::Handle_DevState(uint32_t State, uint32_t Detail1, uint32_t Detail2)
{
    Trigger_DeviceState(State, Detail1, Detail2);
}

void TTapiDevice::Trigger_DeviceState(uint32_t State, uint32_t Detail1, uint32_t Detail2)
{
    FireNamedEvent("OnDeviceState", OnDeviceState, this, State, Detail1, Detail2);
}

void TTapiDevice::Trigger_DeviceClose()
{
    FireNamedEvent("OnDeviceClose", OnDeviceClose, this);
}

void TTapiDevice::Trigger_TapiReinit()
{
    FireNamedEvent("OnTapiReinit", OnTapiReinit, this);
}

void TTapiDevice::Trigger_TapiMessage(uint32_t MessageID, uint32_t Param1, uint32_t Param2, uint32_t Param3)
{
    FireNamedEvent("OnTapiMessage", OnTapiMessage, this, MessageID, Param1, Param2, Param3);
}

void TTapiDevice::Set_DeviceID(int32_t Value)
{
    Init(Value);
}

std::string TTapiDevice::Get_DeviceName() const
{
    return std::string();
}

uint32_t TTapiDevice::Get_IconHandle(const std::string& /*DeviceClass*/)
{
    return 0;
}

TTapiIcon* TTapiDevice::Get_Icon()
{
    return &Icon;
}

void TTapiDevice::Set_DeviceName(const std::string& Value)
{
    if (!Value.empty()) EnableTapiComponent();
    DeviceName = Value;
    if (Value.empty() && IsDesigning()) FActive = false;
    if (IsEnabled()) SelectByName();
}

bool TTapiDevice::IsActive() const
{
    return DeviceHandle != 0;
}

void TTapiDevice::CheckEnabled() const
{
    if (!IsEnabled()) throw Exception(Format("%s is not enabled", Get_Name()));
}

TTapiRelatedTarget TTapiDevice::Get_RelatedTarget() const
{
    TTapiRelatedTarget Target;
    Target.Kind = Get_TapiKind() == tckPhone ? rkPhone : rkLine;
    Target.hDevice = DeviceHandle;
    return Target;
}

} // namespace kxtapi
