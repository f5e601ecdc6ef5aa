// TTapiLine: opening and closing the line, by the application and by the
// service.

#include "kxtapi/line/line.h"

#include "kxtapi/rtl/sync.h"
#include "kxtapi/session/errors.h"
#include "kxtapi/tapi/line_functions.h"

#include <algorithm>
#include <vector>

namespace kxtapi {

void TTapiLine::Open()
{
    if (!Available) throw ETapiError(LINEERR_NODEVICE);
    if (DeviceHandle != 0) return;
    const uint32_t r = OpenLine(nullptr);
    if (r != 0) throw ETapiError(r);
    Update_LineCalls();
    FPhoneDevice->Init();
    WaveInDevice->Init();
    WaveOutDevice->Init();
}

uint32_t TTapiLine::OpenLine(const LINECALLPARAMS* CallParams)
{
    HLINE h = 0;
    uint32_t r = lineOpenA(Get_LineApp(), static_cast<uint32_t>(DeviceID), &h, TSP->APIVersion,
                           TSP->Get_ExtVersion(), Get_CallbackInstance(), FPrivileges->Get_Value(), FMediaModes,
                           CallParams);
    DeviceHandle = r == 0 ? h : 0;
    if (r == 0) {
        r = Update_DevStatus();
        if (r == LINEERR_INVALLINEHANDLE) r = LINEERR_OPERATIONFAILED;
        // Devices that refuse some of the reports asked for get the ones they
        // offer; what was granted is read back below.
        if (lineSetStatusMessages(DeviceHandle, FLineStatesMask, FAddressStatesMask) != 0) {
            const uint32_t LineStates = FCaps.GetDWORD(29) & FLineStatesMask;
            lineSetStatusMessages(DeviceHandle, LineStates, FAddressStatesMask);
            if (FAddresses.Count() > 0 && FAddresses.Get(0)->Get_CapsBlock().Exists()) {
                const uint32_t AddressStates = FAddresses.Get(0)->Get_Caps()->GetDWORD(4) & FAddressStatesMask;
                lineSetStatusMessages(DeviceHandle, LineStates, AddressStates);
            }
        }
        FGrantedLineStates = 0;
        FGrantedAddressStates = 0;
        if (lineGetStatusMessages(DeviceHandle, &FGrantedLineStates, &FGrantedAddressStates) != 0) {
            FGrantedLineStates = 0;
            FGrantedAddressStates = 0;
        }
        ResetEvent(CloseEvent);
    }
    FActive = r == 0;
    return r;
}

void TTapiLine::Close()
{
    if (DeviceHandle == 0) return;
    ReleaseLine(true);
}

void TTapiLine::ReleaseLine(bool CloseHandle)
{
    // A synchronous wait in progress expects a reply that will not come.
    SetEvent(CloseEvent);
    // Calls that requests were creating can no longer get a handle: they go
    // with their requests, as after a time-out.
    std::vector<TTapiCall*> Creating;
    {
        TListLock Lock(Requests, INFINITE);
        for (int i = 0; i < Requests.Count(); ++i)
            for (TObject* Object : Requests.Get_Items(i)->Objects)
                if (auto* Call = dynamic_cast<TTapiCall*>(Object);
                    Call != nullptr && std::find(Creating.begin(), Creating.end(), Call) == Creating.end())
                    Creating.push_back(Call);
        Requests.Clear();
    }
    for (TTapiCall* Call : Creating) FreeBadCall(Call);
    // Closing cancels the handle writes the kept calls were waiting for.
    ReleaseAbandoned();
    {
        TListLock Lock(Terms, INFINITE);
        Terms.Clear();
    }
    while (FCalls.Count() > 0) FreeCall(FCalls.Get(0));
    if (CloseHandle) {
        CheckTapiResult(lineClose(DeviceHandle));
        DeviceHandle = 0;
    }
    FActive = false;
    FPhoneDevice->Done();
    WaveInDevice->Done();
    WaveOutDevice->Done();
}

void TTapiLine::Handle_DeviceClose()
{
    Handle_LineClose();
}

void TTapiLine::Handle_LineClose()
{
    if (DeviceHandle == 0) return;
    TEventScope Scope(*this);
    // The service has closed the handle already: everything Close would
    // release goes, but the dead handle is not closed again.
    DeviceHandle = 0;
    ReleaseLine(false);
    Trigger_DeviceClose();
}

} // namespace kxtapi
