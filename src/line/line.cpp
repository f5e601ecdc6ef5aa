// TTapiLine: construction, device selection, names, dialogs and address
// translation, and freeing during the line's events.

#include "kxtapi/line/line.h"

#include "line/abandoned_requests.h"

#include "kxtapi/rtl/format.h"
#include "kxtapi/session/application.h"
#include "kxtapi/session/errors.h"
#include "kxtapi/tapi/line_functions.h"
#include "kxtapi/tapi/location_structs.h"

#include <cstddef>

namespace kxtapi {

void TTapiLineOptions::Assign(const TPersistent* Source)
{
    if (const auto* O = dynamic_cast<const TTapiLineOptions*>(Source)) {
        ReplyTimeout = O->ReplyTimeout;
        SyncMode = O->SyncMode;
        AutoFreeIdleCalls = O->AutoFreeIdleCalls;
        AutoDropDiscCalls = O->AutoDropDiscCalls;
        return;
    }
    TTapiDeviceOptions::Assign(Source);
}

TTapiLine::TTapiLine(TComponent* AOwner)
    : TTapiDevice(AOwner, tckLine),
      FCallOptions(new TTapiCallOptions),
      FCallParams(new TTapiCallParameters),
      FOptions(new TTapiLineOptions),
      FPhoneDevice(new TTapiLinePhoneDevices(this, "tapi/phone")),
      FLocation(new TTapiSystemLocation),
      FPrivileges(new TTapiLinePrivileges),
      FAbandoned(new TAbandonedRequests)
{
    TSP.reset(new TTapiLineTSP(this));
    FPrivileges->Set_Owner(true);
    FPrivileges->Set_Monitor(true);
}

TTapiLine::~TTapiLine()
{
    // Out of the session first: closing and freeing below must not have
    // messages dispatched to a half-destroyed line.
    DetachFromSession();
    FDestroying = true;
    if (DeviceHandle != 0) {
        lineClose(DeviceHandle);
        DeviceHandle = 0;
    }
    // Deferred calls are already out of the lists; the rest leave them as
    // they are deleted.
    for (TTapiCall* Call : std::vector<TTapiCall*>(FDeferredCalls)) delete Call;
    FDeferredCalls.clear();
    ReleaseAbandoned();
    while (FCalls.Count() > 0) delete FCalls.Get(0);
    while (FUnboundCalls.Count() > 0) delete FUnboundCalls.Get(0);
    while (FAddresses.Count() > 0) delete FAddresses.Get(FAddresses.Count() - 1);
}

// --- Freeing ---------------------------------------------------------------------

TTapiLine::TEventScope::~TEventScope()
{
    if (--FLine.FEventDepth == 0) FLine.EndOfEvents();
}

void TTapiLine::EndOfEvents() noexcept
{
    // Deleting a call raises no event, so nothing is added while this runs.
    while (!FDeferredCalls.empty()) {
        TTapiCall* Call = FDeferredCalls.back();
        FDeferredCalls.pop_back();
        delete Call;
    }
    if (FFreePending) delete this;
}

void TTapiLine::Free()
{
    if (FEventDepth > 0) {
        FFreePending = true;
        return;
    }
    delete this;
}

void TTapiLine::FreeCall(TTapiCall* Call)
{
    if (Call == nullptr) return;
    if (FEventDepth > 0) DeferFree(Call);
    else delete Call;
}

void TTapiLine::DeferFree(TTapiCall* Call)
{
    if (Call->FFreePending) return;
    Call->FFreePending = true;
    // Gone for the application and for the line's bookkeeping now; the
    // object itself stays until the events that may still hold it are over.
    RemoveCall(Call);
    FDeferredCalls.push_back(Call);
}

void TTapiLine::ForgetDeferred(TTapiCall* Call) noexcept
{
    for (auto It = FDeferredCalls.begin(); It != FDeferredCalls.end(); ++It) {
        if (*It == Call) {
            FDeferredCalls.erase(It);
            return;
        }
    }
}

// --- Device selection ---------------------------------------------------------------

uint32_t TTapiLine::Init(int32_t ADeviceID)
{
    if (DeviceHandle != 0) throw Exception("TTapiLine.Init failed! Device already active.");
    if (ADeviceID >= 0 && !IsEnabled()) EnableTapiComponent();
    if (ADeviceID == DeviceID && IsEnabled()) return 0;
    // Asking for the list enables the component, so a deselection (reached
    // while the component is being disabled) must not ask.
    TStrings* List = ADeviceID >= 0 ? Get_DeviceList() : nullptr;
    const bool InRange = ADeviceID >= 0 && ADeviceID <= 255 && List != nullptr && ADeviceID < List->Count();
    // An identifier that selects nothing leaves the current selection.
    if (!InRange && ADeviceID != -1) return LINEERR_BADDEVICEID;
    if (ADeviceID != DeviceID && Available) Done();
    if (InRange) {
        DeviceID = ADeviceID;
        DeviceName = List->Strings(ADeviceID);
        const uint32_t r = TSP->Init(ADeviceID);
        Available = r == 0;
        if (r != 0) {
            TSP->Done();
            return r;
        }
        Update_DevCaps();
        Update_Addresses();
        FMediaModes = FCaps.GetDWORD(12);
        Icon.Set_Handle(Get_IconHandle(""));
        return 0;
    }
    DeviceID = -1;
    if (Available) Done();
    return 0;
}

uint32_t TTapiLine::Done()
{
    TTapiDevice::Done();
    Icon.Clear();
    FDevCaps.Allocate(DevCapsSize);
    return 0;
}

uint32_t TTapiLine::Update_DevCaps()
{
    const uint32_t App = Get_LineApp();
    return FetchVarBlock(FDevCaps, [&] {
        return lineGetDevCapsA(App, static_cast<uint32_t>(DeviceID), TSP->APIVersion, TSP->Get_ExtVersion(),
                               FDevCaps.As<LINEDEVCAPS>());
    });
}

uint32_t TTapiLine::Update_DevStatus()
{
    if (FDevStatus.Get_NeededSize() < 512) FDevStatus.Set_NeededSize(512);
    return FetchVarBlock(FDevStatus, [&] {
        return lineGetLineDevStatusA(DeviceHandle, FDevStatus.As<LINEDEVSTATUS>());
    });
}

// --- Names, lists, icons --------------------------------------------------------------

std::string TTapiLine::Get_DeviceName() const
{
    if (!Available) return DeviceName;
    if (!FDevCaps.Exists()) return "Error: No DevCaps";
    std::string Name = FCaps.GetString(2);
    if (Name.empty()) Name = Format("Line Device #%d", DeviceID);
    return Name;
}

TStrings* TTapiLine::Get_DeviceList()
{
    EnableTapiComponent();
    return &TapiApplication->LineDevices;
}

uint32_t TTapiLine::Get_IconHandle(const std::string& DeviceClass)
{
    HICON h = 0;
    if (lineGetIconA(static_cast<uint32_t>(DeviceID), DeviceClass.c_str(), &h) != 0) return 0;
    return h;
}

uint32_t TTapiLine::Get_LineApp() const
{
    TTapiApplication* App = TapiApplication.Peek();
    return App != nullptr ? App->LineAppHandle : 0;
}

TTapiAddress* TTapiLine::Get_AddressByName(const std::string& Name) const
{
    for (int i = 0; i < FAddressNames.Count(); ++i) {
        if (FAddressNames.Strings(i) == Name) return i < FAddresses.Count() ? FAddresses.Get(i) : nullptr;
    }
    return nullptr;
}

TTapiSystemLocation* TTapiLine::Get_Location()
{
    if (!FLocation->Valid) FLocation->Init();
    return FLocation.get();
}

void TTapiLine::UpdateLocation()
{
    FLocation->Update();
}

// --- Dialogs and translation ---------------------------------------------------------

uint32_t TTapiLine::ConfigDialog(HWND OwnerWindow)
{
    if (!Available) throw Exception("ConfigDialog failed! No device.");
    CheckTapiResult(lineConfigDialogA(static_cast<uint32_t>(DeviceID), OwnerWindow, nullptr));
    return 0;
}

void TTapiLine::TranslateDialog(const std::string& AddressIn, HWND OwnerWindow)
{
    if (!Available) throw Exception("TranslateDialog failed! No device.");
    CheckTapiResult(lineTranslateDialogA(Get_LineApp(), static_cast<uint32_t>(DeviceID), TSP->APIVersion,
                                         OwnerWindow, AddressIn.c_str()));
    UpdateLocation();
}

std::string TTapiLine::TranslateAddress(const std::string& AddressIn, uint32_t TranslateOptions)
{
    if (!Available) throw Exception("TranslateAddress failed! No device.");
    TVarBlock Output(TranslateOutputSize);
    const uint32_t App = Get_LineApp();
    const uint32_t r = FetchVarBlock(Output, [&] {
        return lineTranslateAddressA(App, static_cast<uint32_t>(DeviceID), TSP->APIVersion, AddressIn.c_str(), 0,
                                     TranslateOptions, Output.As<LINETRANSLATEOUTPUT>());
    });
    if (r != 0) return std::string();
    return Output.String(offsetof(LINETRANSLATEOUTPUT, dwDialableStringSize),
                         offsetof(LINETRANSLATEOUTPUT, dwDialableStringOffset));
}

} // namespace kxtapi
