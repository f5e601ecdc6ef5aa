// The process's connection to the telephony service: TTapiApplication and
// the global TapiApplication.
#pragma once

#include "kxtapi/rtl/messages.h"
#include "kxtapi/rtl/strings.h"
#include "kxtapi/session/device_lists.h"
#include "kxtapi/session/events.h"
#include "kxtapi/session/message_stack.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kxtapi {

class TTapiComponent;
class TTapiEventThread;

/// The single session of the process. It initialises the line and phone
/// interfaces on behalf of every component, keeps the device-name lists the
/// components select from, holds the registered lines and phones, and owns
/// the event thread, the message queues and the hidden notification window.
/// It starts when the first component is enabled and stops under the
/// AutoShutdown rule, when set inactive, or when the module finishes.
///
/// Everything here runs on the main thread (the thread of the message loop),
/// except the event thread's work on MessageStack.
class TTapiApplication : public TObject {
public:
    /// Window timer of the AutoShutdown delay.
    static constexpr uintptr_t AutoShutdownTimerID = 0x10000000;
    /// Replies kept in ReplyStack between synchronous waits; older ones go.
    static constexpr int ReplyStackLimit = 256;
    /// Device-name lists hold at most this many entries (a service that
    /// reports more devices leaves the rest unlisted).
    static constexpr uint32_t MaxListedDevices = 4096;

    TTapiApplication();
    /// Frees the lists and queues. Does not shut the session down (the
    /// module's finalisation does that first); a thread still running is
    /// stopped and joined.
    ~TTapiApplication() override;
    TTapiApplication(const TTapiApplication&) = delete;
    TTapiApplication& operator=(const TTapiApplication&) = delete;
    std::string ClassName() const override { return "TTapiApplication"; }

    // --- State ---------------------------------------------------------------
    /// Active exactly while LineAppHandle is not 0.
    bool IsActive() const noexcept { return LineAppHandle != 0; }
    bool Get_Active() const noexcept { return IsActive(); }
    /// true while inactive: Initialize; false while active: Shutdown.
    void Set_Active(bool Value);

    const std::string& Get_AppName() const noexcept { return FAppName; }
    /// Raises Exception "Unable to change TapiApplication.AppName while
    /// TapiApplication.Active is True" while active, keeping the old name.
    void Set_AppName(const std::string& Value);
    /// -1 (any negative): never stop by itself; 0: stop when the last enabled
    /// line or phone lets go; n > 0: n ms later unless one is enabled again.
    int32_t Get_AutoShutdown() const noexcept { return FAutoShutdown; }
    void Set_AutoShutdown(int32_t Value) noexcept { FAutoShutdown = Value; }
    bool Get_AssistMakeCall() const noexcept { return FAssistMakeCall; }
    /// Registers (true: starting the session first) or unregisters the
    /// session as recipient of make-call requests; a refusal raises
    /// ETapiError and leaves the flag as it was. True keeps the session from
    /// stopping by itself; a session stopped and started again registers
    /// again (and clears the flag when that is refused).
    void Set_AssistMakeCall(bool Value);

    // --- Starting and stopping ---------------------------------------------
    /// Does nothing while active; otherwise Init up to 5 times until it
    /// returns 0, then raises ETapiError for a last negative result.
    void Initialize();
    /// Closes and disables every line and phone (DeviceID -1), then Done;
    /// raises ETapiError for a negative Done result. Nothing while inactive.
    void Shutdown();
    /// No make-call registration (AssistMakeCall, or a component's
    /// KeepsSession) and no listed line or phone enabled.
    bool CouldShutdown() const;
    /// Initialises the line then the phone interface, makes the hidden
    /// window, then starts the event thread. LINEERR_NOMULTIPLEINSTANCE while
    /// a usage handle is set (nothing touched). On failure everything started
    /// is undone. Raises OnInitialize on success (its exceptions swallowed).
    uint32_t Init(const std::string& AAppName);
    /// Stops the event thread (joining it), closes open devices, shuts both
    /// interfaces down, destroys the window and raises OnShutdown. Returns
    /// the last shutdown result (0 when nothing was active).
    uint32_t Done();
    uint32_t Init_Lines(const std::string& AAppName);
    uint32_t Init_Phones(const std::string& AAppName);
    /// Rebuilds LineDevices: one entry per device identifier (see the naming
    /// rules in the session's documentation of the name table).
    void Update_LineDevices();
    void Update_PhoneDevices();

    // --- Components ----------------------------------------------------------
    /// Registers a TTapiComponent (listing lines and phones); starts the
    /// session when inactive and a listed device wishes to be enabled. Any
    /// other object raises Exception "AddTapiComponent: Unknow TapiComponent".
    void AddTapiComponent(TObject* Component);
    void RemoveTapiComponent(TObject* Component);
    /// Sets or clears the component's session reference; enabling starts the
    /// session; disabling the last enabled device applies AutoShutdown. When
    /// the start fails the reference is cleared again and the error raised.
    void EnableTapiComponent(TTapiComponent* Component, bool Enable);
    /// The file name (no directory) of the module containing the library.
    static std::string DefaultApplName();

    // --- Messages ------------------------------------------------------------
    /// Handler of the hidden window.
    void WindowProc(TMessage& Message);
    /// Dispatches queued messages until none is left.
    void ProcessTapiMessages();
    /// Takes the oldest queued message (lock limit 50 ms) and dispatches it;
    /// false when the queue was empty or could not be locked.
    bool ProcessTapiMessage();
    /// The tick: Handle_InternalTimer of every active line and phone.
    void TimerEventProc();
    /// A LINE_REQUEST addressed to the session: for request mode
    /// LINEREQUESTMODE_MAKECALL (Param1) fetches one request with
    /// lineGetRequestA and raises OnRequestMakeCall with its four fields
    /// (whatever the handler throws is discarded); other modes fetch
    /// nothing. A handler set with SetLineRequestHandler takes the message
    /// instead.
    virtual void Handle_LineRequest(uint32_t Param1, uint32_t Param2, uint32_t Param3);
    using TLineRequestHandler = std::function<void(TTapiApplication& Session, uint32_t Param1,
                                                   uint32_t Param2, uint32_t Param3)>;
    void SetLineRequestHandler(TLineRequestHandler Handler);

    /// The cookie naming the session to the service (request registration).
    uint32_t Get_CallbackInstance() const noexcept { return FCallbackInstance; }
    /// An auto-reset event the event thread sets whenever it queued a
    /// message, so a synchronous wait can dispatch without sleeping out its
    /// round.
    THandle Get_ArrivalEvent() const noexcept { return FArrivalEvent; }
    TTapiEventThread* Get_EventThread() const noexcept { return FEventThread.get(); }
    /// Every registered component that is neither a line nor a phone.
    const std::vector<TTapiComponent*>& Get_OtherComponents() const noexcept { return FOthers; }

    /// The first reply to RequestID in Stack (lock limit Timeout):
    /// WAIT_OBJECT_0 with ReplyCode set, or WAIT_TIMEOUT when there is none
    /// or the lock was not had.
    static uint32_t FindReply(TTapiMessageStack& Stack, uint32_t RequestID, uint32_t Timeout,
                              uint32_t& ReplyCode);

    // --- Fields ----------------------------------------------------------------
    uint32_t LineAppHandle = 0;
    uint32_t PhoneAppHandle = 0;
    HWND WindowHandle = 0;
    uint32_t NotifyMessage = WM_USER;
    uint32_t LineDeviceCount = 0;
    THandle LineEventHandle = 0;
    uint32_t PhoneDeviceCount = 0;
    THandle PhoneEventHandle = 0;
    /// Registered line components.
    TTapiLineList Lines;
    /// Registered phone components.
    TTapiPhoneList Phones;
    /// Initialize and Shutdown beep when set; nothing in the library sets it.
    bool SoundFeedback = false;
    /// One name per line device identifier (index = identifier).
    TStringList LineDevices;
    /// One name per phone device identifier.
    TStringList PhoneDevices;
    /// Messages fetched by the event thread, not yet dispatched.
    TTapiMessageStack MessageStack;
    /// Replies already dispatched, kept for synchronous waits (at most
    /// ReplyStackLimit).
    TTapiMessageStack ReplyStack;
    /// Synchronous waits in progress.
    int32_t WaitNesting = 0;

    TNotifyEvent OnInitialize;
    TTapiDeviceEvent OnLineCreate;
    TTapiDeviceEvent OnLineRemove;
    TTapiDeviceEvent OnPhoneCreate;
    TTapiDeviceEvent OnPhoneRemove;
    TTapiRequestMakeCallEvent OnRequestMakeCall;
    TNotifyEvent OnShutdown;

private:
    friend class TTapiAppl;

    void Dispatch(const TTapiMsgStackItem& Item);
    void DeviceListChanged(bool Line, const LINEMESSAGE& Msg);
    void RaiseInitialize();
    void RaiseShutdown();
    void ForwardDeviceEvent(bool Line, bool Created, uint32_t DeviceID);
    std::vector<TTapiComponent*> OthersSnapshot() const { return FOthers; }
    bool IsRegisteredOther(const TTapiComponent* Component) const;
    void StopEventThread() noexcept;

    std::string FAppName;
    int32_t FAutoShutdown = -1;
    bool FAssistMakeCall = false;
    bool FShuttingDown = false;
    uint32_t FCallbackInstance = 0;
    THandle FArrivalEvent = 0;
    std::unique_ptr<TTapiEventThread> FEventThread;
    std::vector<TTapiComponent*> FOthers;
    TLineRequestHandler FLineRequestHandler;
};

/// The global TapiApplication: `TapiApplication->Set_Active(true)`. The
/// session is created on first use; module finalisation (at process exit or
/// when the library is unloaded) shuts it down when active, joins its event
/// thread, frees it and leaves the holder empty. After that `Get()` is null.
class TTapiApplicationHolder {
public:
    constexpr TTapiApplicationHolder() noexcept = default;
    /// The session, created on first use; null after finalisation.
    TTapiApplication* Get() const;
    /// The session if it exists, without creating it.
    TTapiApplication* Peek() const noexcept;
    TTapiApplication* operator->() const { return Get(); }
    TTapiApplication& operator*() const { return *Get(); }
    explicit operator bool() const noexcept { return Peek() != nullptr; }
};

extern TTapiApplicationHolder TapiApplication;

/// Shuts the session down when active, frees it and empties TapiApplication;
/// runs by itself when the module finishes. Safe to call more than once.
void FinalizeTapiApplication() noexcept;

} // namespace kxtapi
