// TTapiApplication: starting and stopping the session, and the components
// registered with it.

#include "kxtapi/session/application.h"

#include "assisted/make_call_request.h"

#include "kxtapi/rtl/sync.h"
#include "kxtapi/rtl/system.h"
#include "kxtapi/session/appl.h"
#include "kxtapi/session/callback_registry.h"
#include "kxtapi/session/device.h"
#include "kxtapi/session/errors.h"
#include "kxtapi/session/event_thread.h"
#include "kxtapi/tapi/config.h"
#include "kxtapi/tapi/errors.h"
#include "kxtapi/tapi/line_constants.h"
#include "kxtapi/tapi/line_functions.h"
#include "kxtapi/tapi/phone_constants.h"
#include "kxtapi/tapi/phone_functions.h"

#include <algorithm>
#include <cstdlib>

namespace kxtapi {
namespace {

// The library's module instance handle as TAPI sees it; the service does not
// use it on this platform, so a fixed value stands in.
constexpr HINSTANCE ModuleInstance = 1;

// Runs a handler of the application; what it raises must not stop the
// session's own change of state.
template <class F>
void Guarded(F&& Fn) noexcept
{
    try {
        Fn();
    } catch (...) {
    }
}

} // namespace

TTapiApplication::TTapiApplication()
    : FAppName(DefaultApplName()),
      FCallbackInstance(RegisterCallbackInstance(this)),
      FArrivalEvent(CreateEvent(false, false))
{
    SoundFeedback = false;
    NotifyMessage = WM_USER;
    FAutoShutdown = -1;
}

TTapiApplication::~TTapiApplication()
{
    StopEventThread();
    if (WindowHandle != 0) DeallocateHWnd(WindowHandle);
    UnregisterCallbackInstance(FCallbackInstance);
    if (FArrivalEvent != 0) CloseHandle(FArrivalEvent);
}

void TTapiApplication::Set_Active(bool Value)
{
    if (Value && !IsActive()) Initialize();
    else if (!Value && IsActive()) Shutdown();
}

void TTapiApplication::Set_AppName(const std::string& Value)
{
    if (IsActive()) throw Exception("Unable to change TapiApplication.AppName while TapiApplication.Active is True");
    FAppName = Value;
}

void TTapiApplication::Set_AssistMakeCall(bool Value)
{
    if (Value == FAssistMakeCall) return;
    if (Value) {
        Initialize();
        CheckTapiResult(lineRegisterRequestRecipient(LineAppHandle, FCallbackInstance, LINEREQUESTMODE_MAKECALL, 1));
    } else if (IsActive()) {
        CheckTapiResult(lineRegisterRequestRecipient(LineAppHandle, FCallbackInstance, LINEREQUESTMODE_MAKECALL, 0));
    }
    FAssistMakeCall = Value;
}

void TTapiApplication::Initialize()
{
    if (IsActive()) return;
    uint32_t r = 0;
    for (int Try = 0; Try < 5; ++Try) {
        r = Init(FAppName);
        if (r == 0) break;
        // A configuration that cannot be used stays so: trying again would
        // only start its providers again.
        if (r == LINEERR_INIFILECORRUPT || r == LINEERR_NODRIVER) {
            const std::string Why = TelephonyStartError();
            if (!Why.empty()) throw ETapiError(r, Why);
            break;
        }
    }
    CheckTapiResult(r);
    // Stopping the session ended the registration with its line usage; the
    // flag still asks for it. When it cannot be had, the flag says so.
    if (FAssistMakeCall &&
        lineRegisterRequestRecipient(LineAppHandle, FCallbackInstance, LINEREQUESTMODE_MAKECALL, 1) != 0)
        FAssistMakeCall = false;
    if (SoundFeedback) {
        Beep(500, 80);
        Beep(1000, 80);
    }
}

void TTapiApplication::Shutdown()
{
    if (!IsActive()) return;
    // Disabling the devices below lets go of the session one by one; the
    // AutoShutdown rule must not start a second shutdown in the middle of
    // this one.
    FShuttingDown = true;
    struct TReset {
        bool& Flag;
        ~TReset() { Flag = false; }
    } Reset{FShuttingDown};
    for (TTapiDeviceList* List : {static_cast<TTapiDeviceList*>(&Lines), static_cast<TTapiDeviceList*>(&Phones)}) {
        for (int i = 0; i < List->Count(); ++i) {
            TTapiDevice* Device = List->Get_Items(i);
            // A handler raised while closing may destroy the device.
            const uint32_t Cookie = Device->Get_CallbackInstance();
            Guarded([&] {
                if (Device->Get_Active()) Device->Close();
                if (!TapiComponentAlive(Cookie, Device)) return;
                Device->Set_DeviceID(-1);
                if (Device->IsEnabled()) Device->SetEnabled(false);
            });
        }
    }
    const uint32_t r = Done();
    CheckTapiResult(r);
    if (SoundFeedback) {
        Beep(1000, 80);
        Beep(500, 80);
    }
}

bool TTapiApplication::CouldShutdown() const
{
    if (FAssistMakeCall) return false;
    // A registered request recipient would otherwise lose its registration
    // with the line usage, silently.
    for (const TTapiComponent* Other : FOthers)
        if (Other->KeepsSession()) return false;
    for (const TTapiDeviceList* List : {static_cast<const TTapiDeviceList*>(&Lines),
                                        static_cast<const TTapiDeviceList*>(&Phones)})
        for (int i = 0; i < List->Count(); ++i)
            if (List->Get_Items(i)->IsEnabled()) return false;
    return true;
}

uint32_t TTapiApplication::Init(const std::string& AAppName)
{
    if (LineAppHandle != 0 || PhoneAppHandle != 0) return LINEERR_NOMULTIPLEINSTANCE;
    uint32_t r = Init_Lines(AAppName);
    if (r == 0) r = Init_Phones(AAppName);
    if (r == 0 && (LineEventHandle == 0 || PhoneEventHandle == 0)) r = LINEERR_NOMEM;
    if (r == 0) {
        // The window exists before the thread that posts to it, so no
        // notification is lost in between.
        WindowHandle = AllocateHWnd([this](TMessage& Message) { WindowProc(Message); });
        try {
            FEventThread.reset(new TTapiEventThread(this));
        } catch (...) {
            FEventThread.reset();
            r = LINEERR_OPERATIONFAILED;
        }
    }
    if (r != 0) {
        if (LineAppHandle != 0) lineShutdown(LineAppHandle);
        if (PhoneAppHandle != 0) phoneShutdown(PhoneAppHandle);
        if (WindowHandle != 0) DeallocateHWnd(WindowHandle);
        LineAppHandle = 0;
        PhoneAppHandle = 0;
        WindowHandle = 0;
        LineEventHandle = 0;
        PhoneEventHandle = 0;
        // Names read through a usage handle that is gone would be stale.
        LineDevices.Clear();
        PhoneDevices.Clear();
        return r;
    }
    RaiseInitialize();
    return r;
}

void TTapiApplication::StopEventThread() noexcept
{
    if (!FEventThread) return;
    // The thread wakes on its stop event at once; joining it here means no
    // thread is left running against the handles shut down below.
    FEventThread->TerminateAndWait();
    FEventThread.reset();
}

uint32_t TTapiApplication::Done()
{
    if (WindowHandle != 0) KillTimer(WindowHandle, AutoShutdownTimerID);
    if (LineAppHandle == 0 && PhoneAppHandle == 0) return 0;
    StopEventThread();
    for (TTapiDeviceList* List : {static_cast<TTapiDeviceList*>(&Lines), static_cast<TTapiDeviceList*>(&Phones)}) {
        for (int i = 0; i < List->Count(); ++i) {
            TTapiDevice* Device = List->Get_Items(i);
            const uint32_t Cookie = Device->Get_CallbackInstance();
            if (Device->IsActive()) Guarded([&] { Device->Close(); });
            if (TapiComponentAlive(Cookie, Device)) Device->Session = nullptr;
        }
    }
    // The others held the session too; left pointing at a stopped session
    // they would read as enabled and could never start it again.
    for (TTapiComponent* Other : FOthers) Other->Session = nullptr;
    uint32_t r = 0;
    if (LineAppHandle != 0) {
        r = lineShutdown(LineAppHandle);
        LineAppHandle = 0;
        LineEventHandle = 0;
    }
    if (PhoneAppHandle != 0) {
        r = phoneShutdown(PhoneAppHandle);
        PhoneAppHandle = 0;
        PhoneEventHandle = 0;
    }
    if (WindowHandle != 0) {
        DeallocateHWnd(WindowHandle);
        WindowHandle = 0;
    }
    RaiseShutdown();
    return r;
}

uint32_t TTapiApplication::Init_Lines(const std::string& AAppName)
{
    LINEINITIALIZEEXPARAMS Params{};
    Params.dwTotalSize = sizeof(LINEINITIALIZEEXPARAMS);
    Params.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
    DWORD Version = 0x00020001;
    DWORD Count = 0;
    HLINEAPP Handle = 0;
    uint32_t r = lineInitializeExA(&Handle, ModuleInstance, nullptr, AAppName.c_str(), &Count, &Version, &Params);
    // The service's own statics exist from its first call on; finishing the
    // session at exit must come before they are destroyed, and exit handlers
    // run in reverse order of registration.
    static const bool FinishAtExit = std::atexit([] { FinalizeTapiApplication(); }) == 0;
    (void)FinishAtExit;
    LineAppHandle = Handle;
    LineDeviceCount = r == 0 ? Count : 0;
    if (r == 0) {
        const HANDLE Event = Params.Handles.hEvent;
        if (Event != 0) LineEventHandle = Event;
        else r = LINEERR_NOMEM;
    }
    Update_LineDevices();
    return r;
}

uint32_t TTapiApplication::Init_Phones(const std::string& AAppName)
{
    PHONEINITIALIZEEXPARAMS Params{};
    Params.dwTotalSize = sizeof(PHONEINITIALIZEEXPARAMS);
    Params.dwOptions = PHONEINITIALIZEEXOPTION_USEEVENT;
    DWORD Version = 0x00020001;
    DWORD Count = 0;
    HPHONEAPP Handle = 0;
    uint32_t r = phoneInitializeExA(&Handle, ModuleInstance, nullptr, AAppName.c_str(), &Count, &Version, &Params);
    PhoneAppHandle = Handle;
    PhoneDeviceCount = r == 0 ? Count : 0;
    if (r == 0) {
        const HANDLE Event = Params.Handles.hEvent;
        if (Event != 0) PhoneEventHandle = Event;
        else r = LINEERR_NOMEM;
    }
    Update_PhoneDevices();
    return r;
}

void TTapiApplication::AddTapiComponent(TObject* Component)
{
    auto* C = dynamic_cast<TTapiComponent*>(Component);
    if (C == nullptr) throw Exception("AddTapiComponent: Unknow TapiComponent");
    auto* Device = dynamic_cast<TTapiDevice*>(C);
    switch (C->Get_TapiKind()) {
    case tckLine:
    case tckPhone: {
        if (Device == nullptr) throw Exception("AddTapiComponent: Unknow TapiComponent");
        TTapiDeviceList& List = C->Get_TapiKind() == tckLine ? static_cast<TTapiDeviceList&>(Lines)
                                                              : static_cast<TTapiDeviceList&>(Phones);
        if (List.IndexOf(Device) < 0) List.TList::Add(Device);
        break;
    }
    default:
        if (std::find(FOthers.begin(), FOthers.end(), C) == FOthers.end()) FOthers.push_back(C);
        break;
    }
    if (IsActive()) return;
    for (const TTapiDeviceList* List : {static_cast<const TTapiDeviceList*>(&Lines),
                                        static_cast<const TTapiDeviceList*>(&Phones)})
        for (int i = 0; i < List->Count(); ++i)
            if (List->Get_Items(i)->Get_Enabled()) {
                Initialize();
                return;
            }
}

void TTapiApplication::RemoveTapiComponent(TObject* Component)
{
    auto* C = dynamic_cast<TTapiComponent*>(Component);
    if (C == nullptr) return;
    auto* Device = dynamic_cast<TTapiDevice*>(C);
    switch (C->Get_TapiKind()) {
    case tckLine:
        if (Device != nullptr) Lines.Remove(Device);
        break;
    case tckPhone:
        if (Device != nullptr) Phones.Remove(Device);
        break;
    default: FOthers.erase(std::remove(FOthers.begin(), FOthers.end(), C), FOthers.end()); break;
    }
}

void TTapiApplication::EnableTapiComponent(TTapiComponent* Component, bool Enable)
{
    if (Component == nullptr) return;
    Component->Session = Enable ? this : nullptr;
    if (Enable && !IsActive()) {
        try {
            Initialize();
        } catch (...) {
            Component->Session = nullptr;
            throw;
        }
    }
    if (!Enable && IsActive() && !FShuttingDown && CouldShutdown()) {
        if (Component->IsDesigning() || FAutoShutdown == 0) Shutdown();
        else if (FAutoShutdown > 0) SetTimer(WindowHandle, AutoShutdownTimerID, static_cast<uint32_t>(FAutoShutdown));
    }
}

std::string TTapiApplication::DefaultApplName()
{
    const std::string Path = GetModuleFileName();
    const size_t Slash = Path.find_last_of('/');
    return Slash == std::string::npos ? Path : Path.substr(Slash + 1);
}

bool TTapiApplication::IsRegisteredOther(const TTapiComponent* Component) const
{
    return std::find(FOthers.begin(), FOthers.end(), Component) != FOthers.end();
}

void TTapiApplication::RaiseInitialize()
{
    Guarded([&] { FireNamedEvent("OnInitialize", OnInitialize, this); });
    for (TTapiComponent* C : OthersSnapshot()) {
        if (!IsRegisteredOther(C)) continue;
        if (auto* Appl = dynamic_cast<TTapiAppl*>(C)) Guarded([&] { Appl->Trigger_Initialize(); });
    }
}

void TTapiApplication::RaiseShutdown()
{
    Guarded([&] { FireNamedEvent("OnShutdown", OnShutdown, this); });
    for (TTapiComponent* C : OthersSnapshot()) {
        if (!IsRegisteredOther(C)) continue;
        if (auto* Appl = dynamic_cast<TTapiAppl*>(C)) Guarded([&] { Appl->Trigger_Shutdown(); });
    }
}

void TTapiApplication::ForwardDeviceEvent(bool Line, bool Created, uint32_t DeviceID)
{
    const std::string Class = Line ? "tapi/line" : "tapi/phone";
    for (TTapiComponent* C : OthersSnapshot()) {
        if (!IsRegisteredOther(C)) continue;
        if (auto* Appl = dynamic_cast<TTapiAppl*>(C)) {
            if (Created) Appl->Handle_DeviceCreate(Class, DeviceID);
            else Appl->Handle_DeviceRemove(Class, DeviceID);
        }
    }
}

void TTapiApplication::Handle_LineRequest(uint32_t Param1, uint32_t Param2, uint32_t Param3)
{
    if (FLineRequestHandler) {
        TLineRequestHandler Handler = FLineRequestHandler;
        Handler(*this, Param1, Param2, Param3);
        return;
    }
    TMakeCallRequest Request;
    if (FetchMakeCallRequest(LineAppHandle, Param1, Request)) RaiseMakeCallRequest(OnRequestMakeCall, this, Request);
}

void TTapiApplication::SetLineRequestHandler(TLineRequestHandler Handler)
{
    FLineRequestHandler = std::move(Handler);
}

} // namespace kxtapi
