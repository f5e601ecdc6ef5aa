// TTapiPhone: construction, device selection, names, icons and the
// configuration dialog, the controls, and freeing during the phone's events.

#include "kxtapi/phone/phone.h"

#include "kxtapi/rtl/format.h"
#include "kxtapi/session/application.h"
#include "kxtapi/session/errors.h"
#include "kxtapi/tapi/phone_constants.h"
#include "kxtapi/tapi/phone_functions.h"

#include <algorithm>

namespace kxtapi {

TTapiPhone::TTapiPhone(TComponent* AOwner)
    : TTapiDevice(AOwner, tckPhone),
      FOptions(new TTapiPhoneOptions),
      FPrivileges(new TTapiPhonePrivileges),
      FHandset(new TTapiPhoneHookSwitch(this, PHONEHOOKSWITCHDEV_HANDSET)),
      FHeadset(new TTapiPhoneHookSwitch(this, PHONEHOOKSWITCHDEV_HEADSET)),
      FSpeakerphone(new TTapiPhoneHookSwitch(this, PHONEHOOKSWITCHDEV_SPEAKER)),
      FDisplay(new TTapiPhoneDisplay(this)),
      FRinger(new TTapiPhoneRinger(this)),
      FLineDevice(new TTapiPhoneLineDevice(this, "tapi/line"))
{
    TSP.reset(new TTapiPhoneTSP(this));
    // Owner first, then Monitor: the phone opens as a monitor by default.
    FPrivileges->Set_Owner(true);
    FPrivileges->Set_Monitor(true);
}

TTapiPhone::~TTapiPhone()
{
    // Out of the session first: nothing may be dispatched to a phone whose
    // parts are going.
    DetachFromSession();
    if (DeviceHandle != 0) {
        phoneClose(DeviceHandle);
        DeviceHandle = 0;
    }
    FreeControls();
}

// --- Freeing ---------------------------------------------------------------------

TTapiPhone::TEventScope::~TEventScope()
{
    if (--FPhone.FEventDepth == 0) FPhone.EndOfEvents();
}

void TTapiPhone::EndOfEvents() noexcept
{
    if (FFreePending) delete this;
}

void TTapiPhone::Free()
{
    if (FEventDepth > 0) {
        FFreePending = true;
        return;
    }
    delete this;
}

// --- Device selection ---------------------------------------------------------------

uint32_t TTapiPhone::Init(int32_t ADeviceID)
{
    if (IsActive()) throw Exception("TTapiPhone.Init failed! Device already active.");
    if (ADeviceID >= 0 && !IsEnabled()) EnableTapiComponent();
    if (ADeviceID == DeviceID && IsEnabled()) return 0;
    if (ADeviceID != DeviceID && Available) Done();
    // Asking for the list enables the component, so a deselection (reached
    // while the component is being disabled) must not ask.
    TStrings* List = ADeviceID >= 0 ? Get_DeviceList() : nullptr;
    if (ADeviceID >= 0 && ADeviceID <= 255 && List != nullptr && ADeviceID < List->Count()) {
        DeviceID = ADeviceID;
        DeviceName = List->Strings(ADeviceID);
        const uint32_t r = TSP->Init(ADeviceID);
        Available = r == 0;
        if (r != 0) return r;
        const uint32_t Result = Update_DevCaps();
        Detect_Controls();
        Icon.Clear();
        Icon.Set_Handle(Get_IconHandle(""));
        FHandset->Init();
        FHeadset->Init();
        FSpeakerphone->Init();
        return Result;
    }
    if (ADeviceID == -1) {
        DeviceID = -1;
        if (Available) Done();
        return 0;
    }
    return LINEERR_BADDEVICEID;
}

uint32_t TTapiPhone::Done()
{
    const uint32_t Result = TTapiDevice::Done();
    // Both blocks start again at the capabilities' fixed size, which holds
    // either structure.
    FDevCaps.Allocate(DevCapsSize);
    FDevStatus.Allocate(DevCapsSize);
    FHandset->Done();
    FHeadset->Done();
    FSpeakerphone->Done();
    FreeControls();
    return Result;
}

uint32_t TTapiPhone::Update_DevCaps()
{
    TTapiApplication* App = TapiApplication.Peek();
    const uint32_t hPhoneApp = App != nullptr ? App->PhoneAppHandle : 0;
    return FetchVarBlock(FDevCaps, [&] {
        return phoneGetDevCapsA(hPhoneApp, static_cast<uint32_t>(DeviceID), TSP->APIVersion, TSP->Get_ExtVersion(),
                                FDevCaps.As<PHONECAPS>());
    });
}

uint32_t TTapiPhone::Update_DevStatus()
{
    return FetchVarBlock(FDevStatus, [&] { return phoneGetStatusA(DeviceHandle, FDevStatus.As<PHONESTATUS>()); });
}

// --- Controls ------------------------------------------------------------------------

void TTapiPhone::FreeControls()
{
    TListLock Lock(FControls, INFINITE);
    for (int i = 0; i < FControls.Count(); ++i) delete FControls.Get(i);
    FControls.Clear();
}

void TTapiPhone::Detect_Controls()
{
    FreeControls();
    // A provider's count is not trusted with the memory and the service
    // calls of a control each.
    const uint32_t Count = std::min(FCaps.GetDWORD(21), MaxControls);
    TListLock Lock(FControls, INFINITE);
    for (uint32_t ID = 0; ID < Count; ++ID) FControls.Add(new TTapiPhoneControl(this, ID));
}

// --- Names, lists, icons, dialogs -------------------------------------------------------

std::string TTapiPhone::Get_DeviceName() const
{
    if (!Available) return DeviceName;
    if (!FDevCaps.Exists()) return "Error: No DevCaps";
    std::string Name = FCaps.GetString(2);
    if (Name.empty()) Name = Format("Phone Device #%d", DeviceID);
    return Name;
}

TStrings* TTapiPhone::Get_DeviceList()
{
    EnableTapiComponent();
    return &TapiApplication->PhoneDevices;
}

uint32_t TTapiPhone::Get_IconHandle(const std::string& DeviceClass)
{
    HICON h = 0;
    if (phoneGetIconA(static_cast<uint32_t>(DeviceID), DeviceClass.c_str(), &h) != 0) return 0;
    return h;
}

uint32_t TTapiPhone::ConfigDialog(HWND OwnerWindow)
{
    return CheckTapiResult(phoneConfigDialogA(static_cast<uint32_t>(DeviceID), OwnerWindow, ""));
}

} // namespace kxtapi
