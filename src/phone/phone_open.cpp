// TTapiPhone: opening and closing the phone, by the application and by the
// service.

#include "kxtapi/phone/phone.h"

#include "kxtapi/rtl/sync.h"
#include "kxtapi/session/application.h"
#include "kxtapi/session/errors.h"
#include "kxtapi/tapi/phone_functions.h"

namespace kxtapi {

void TTapiPhone::Open()
{
    if (!Available) throw ETapiError(LINEERR_NODEVICE);
    if (DeviceHandle != 0) return;
    CheckTapiResult(OpenPhone());
    Update_DevStatus();
    FHandset->Open();
    FHeadset->Open();
    FSpeakerphone->Open();
    FLineDevice->Init();
    WaveInDevice->Init();
    WaveOutDevice->Init();
    TListLock Lock(FControls, INFINITE);
    for (int i = 0; i < FControls.Count(); ++i) FControls.Get(i)->Update();
}

uint32_t TTapiPhone::OpenPhone()
{
    TTapiApplication* App = TapiApplication.Peek();
    HPHONE h = 0;
    const uint32_t r = phoneOpen(App != nullptr ? App->PhoneAppHandle : 0, static_cast<uint32_t>(DeviceID), &h,
                                 TSP->APIVersion, TSP->Get_ExtVersion(), Get_CallbackInstance(),
                                 FPrivileges->Get_Value());
    DeviceHandle = r == 0 ? h : 0;
    if (r == 0) {
        // A device that refuses some of the states asked for gets the ones
        // it offers; what was granted is read back below.
        if (phoneSetStatusMessages(DeviceHandle, PhoneStatesMask, ButtonModesMask, ButtonStatesMask) != 0)
            phoneSetStatusMessages(DeviceHandle, FCaps.GetDWORD(11), ButtonModesMask, ButtonStatesMask);
        FGrantedPhoneStates = 0;
        FGrantedButtonModes = 0;
        FGrantedButtonStates = 0;
        if (phoneGetStatusMessages(DeviceHandle, &FGrantedPhoneStates, &FGrantedButtonModes,
                                   &FGrantedButtonStates) != 0) {
            FGrantedPhoneStates = 0;
            FGrantedButtonModes = 0;
            FGrantedButtonStates = 0;
        }
        ResetEvent(CloseEvent);
    }
    FActive = r == 0;
    return r;
}

void TTapiPhone::Close()
{
    if (DeviceHandle == 0) return;
    // A synchronous wait in progress expects a reply that will not come.
    SetEvent(CloseEvent);
    CheckTapiResult(phoneClose(DeviceHandle));
    DeviceHandle = 0;
    ReleasePhone();
}

void TTapiPhone::Handle_DeviceClose()
{
    if (DeviceHandle == 0) return;
    TEventScope Scope(*this);
    // The service has closed the handle already: everything Close releases
    // goes, so that no request, hook switch or wait outlives the handle, but
    // the dead handle is not closed again.
    DeviceHandle = 0;
    SetEvent(CloseEvent);
    ReleasePhone();
    Trigger_DeviceClose();
}

void TTapiPhone::ReleasePhone()
{
    {
        TListLock Lock(Requests, INFINITE);
        Requests.Clear();
    }
    {
        TListLock Lock(Terms, INFINITE);
        Terms.Clear();
    }
    FSpeakerphone->Close();
    FHandset->Close();
    FHeadset->Close();
    FLineDevice->Done();
    FGrantedPhoneStates = 0;
    FGrantedButtonModes = 0;
    FGrantedButtonStates = 0;
    FActive = false;
}

} // namespace kxtapi
