// Base of line and phone components: device selection, the wanted-versus-
// actual Active state, the device handle, the request lists and the reply,
// time-out and synchronous-wait plumbing.
//
// Building a device class on this base (the line and the phone do so):
//
//   class TTapiLine : public TTapiDevice {
//   public:
//       explicit TTapiLine(TComponent* AOwner) : TTapiDevice(AOwner, tckLine) {
//           TSP.reset(new TTapiLineTSP(this));
//       }
//       // supply: Open, Close, Get_DeviceList, Get_ReplyTimeout,
//       // Get_SyncMode, ConfigDialog; usually also Init, Done,
//       // Get_DeviceName, Handle_TapiMessage, Handle_Reply,
//       // Handle_Timeout, TermReached.
//   };
//
// - The kind (tckLine or tckPhone) puts the component into the session's
//   line or phone list: it then receives, on the main thread, every message
//   whose callback instance is its Get_CallbackInstance() (pass that to
//   lineOpenA / phoneOpen), LINE_CREATE/LINE_REMOVE (PHONE_...) while
//   enabled, and Handle_InternalTimer every 100 ms of idleness while Active.
// - Open sets DeviceHandle and resets CloseEvent; Close sets CloseEvent
//   (ending a synchronous wait), frees Requests and Terms, closes the handle.
// - An asynchronous operation:
//
//       uint32_t r = CheckTapiResult(lineAnswer(Call->Get_Handle(), nullptr, 0));
//       return FileRequest(r, 1, Call);   // waits in SyncMode, raising on failure
//
//   FileRequest files the request (kind 1, object slot 0 the call) with
//   Get_ReplyTimeout and, in SyncMode, waits for the reply and has it handled
//   before it returns.
//
//   The matching LINE_REPLY goes to Handle_TapiReply (call it from
//   Handle_TapiMessage), which takes the request out and calls Handle_Reply;
//   an unanswered one expires in Handle_InternalTimer (Handle_Timeout, then
//   OnTapiTimeout). A handler may close or destroy the device, or free the
//   request's objects; the walks stop safely.
#pragma once

#include "kxtapi/related/related_device.h"
#include "kxtapi/rtl/handles.h"
#include "kxtapi/rtl/messages.h"
#include "kxtapi/rtl/strings.h"
#include "kxtapi/session/component.h"
#include "kxtapi/session/events.h"
#include "kxtapi/session/icon.h"
#include "kxtapi/session/requests.h"
#include "kxtapi/session/tsp.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kxtapi {

/// A line or phone component. See the top of this header.
class TTapiDevice : public TTapiComponent, public TTapiRelatedOwner {
public:
    /// AKind is tckLine or tckPhone.
    TTapiDevice(TComponent* AOwner, TTapiComponentKind AKind);
    /// Frees the request lists, the icon, the wave devices and closes
    /// CloseEvent. It does not close the device: a descendant's destructor
    /// closes its handle itself.
    ~TTapiDevice() override;
    std::string ClassName() const override { return "TTapiDevice"; }

    /// Applies the stored wishes: Enabled first, then Active (a wish to be
    /// active is kept, not applied, when no device could be selected).
    void Loaded() override;
    /// Stores the wish and applies it unless loading; design mode does not
    /// block it, so a device lists real names in the development environment.
    void SetEnabled(bool Value) override;
    /// Enables or disables at the session; once enabled, selects the device
    /// whose name is DeviceName (any letter case); once disabled, drops the
    /// Active wish and the selection.
    void ApplyEnabled() override;

    // --- Selection ----------------------------------------------------------
    /// Selects a device. The base refuses while open (Exception "Unable to
    /// change DeviceID/DeviceName while TAPI device is active."), enables the
    /// component for an identifier of 0 or more, forgets an available device
    /// of another identifier, and returns 0; descendants select and read.
    virtual uint32_t Init(int32_t ADeviceID);
    /// Forgets the selected device: not available, DeviceID -1, TSP done,
    /// icon cleared. Returns 0.
    virtual uint32_t Done();

    // --- Opening ------------------------------------------------------------
    virtual void Open() = 0;
    virtual void Close() = 0;
    /// Opens or closes to match the Active wish (not in design mode or while
    /// loading).
    virtual void ApplyActive();
    /// Stores the wish; applies it when it differs from the state, outside
    /// design mode and loading. On a disabled device the wish is dropped
    /// again, silently.
    virtual void Set_Active(bool Value);
    /// The wish in design mode or while loading; otherwise wish and open.
    virtual bool Get_Active() const;
    virtual bool Get_Available() const;

    // --- Messages -------------------------------------------------------------
    /// Nothing in the base.
    virtual void Handle_DeviceCreate(uint32_t ADeviceID);
    /// TAPI closed the device: only when open, DeviceHandle becomes 0,
    /// CloseEvent is set (ending a wait for a reply that cannot come), Close
    /// runs and OnDeviceClose is raised.
    virtual void Handle_DeviceClose();
    /// The own device was removed: when available and ADeviceID is the own
    /// identifier, Done, then OnDeviceRemove.
    virtual void Handle_DeviceRemove(uint32_t ADeviceID);
    /// Every message the session routes to this device. Nothing in the base.
    virtual void Handle_TapiMessage(uint32_t hDevice, uint32_t MessageID, uint32_t Param1,
                                    uint32_t Param2, uint32_t Param3);
    /// Raises OnDeviceState.
    virtual void Handle_DevState(uint32_t State, uint32_t Detail1, uint32_t Detail2);

    // --- Requests -------------------------------------------------------------
    /// A reply (dwParam1, dwParam2 of LINE_REPLY/PHONE_REPLY): the request
    /// with exactly that identifier is taken out of Requests and passed to
    /// Handle_Reply, then freed; OnTapiReply is raised for every reply, known
    /// or not.
    virtual void Handle_TapiReply(uint32_t RequestID, uint32_t ReplyCode);
    /// Acts on a completed request; nothing in the base. Request lives for
    /// the call only.
    virtual void Handle_Reply(uint32_t RequestID, uint32_t ReplyCode, TTapiRequest* Request);
    /// Acts on an expired request; nothing in the base.
    virtual void Handle_Timeout(uint32_t RequestID, TTapiRequest* Request);
    /// The tick (every 100 ms of idleness, while Active): expires Requests
    /// (Handle_Timeout, then OnTapiTimeout) and Terms (TermReached) whose
    /// time-out has passed at Tick. A list that cannot be locked within 1 ms
    /// waits for the next tick.
    virtual void Handle_InternalTimer(uint32_t Tick);
    virtual void Trigger_TapiMessage(uint32_t MessageID, uint32_t Param1, uint32_t Param2, uint32_t Param3);
    virtual void Trigger_TapiReply(uint32_t RequestID, uint32_t ReplyCode);
    virtual void Trigger_TapiTimeout(uint32_t RequestID, TTapiRequest* Request);
    /// A timed term fell due; nothing in the base.
    virtual void TermReached(uint32_t RequestID, TTapiRequest* Request);

    /// After an asynchronous call: remembers a positive Result as
    /// LastRequestID. Outside SyncMode returns 0. In SyncMode waits for the
    /// reply of a positive Result and returns the reply code, raising
    /// ETapiError with the reply's code when it is negative, or with
    /// LINEERR_OPERATIONFAILED when no reply came, the device was closed or
    /// the wait failed. A Result of 0 (the function completed at once) returns
    /// 0 without waiting; a negative Result raises ETapiError with it.
    uint32_t CheckAsyncTapiResult(uint32_t Result);
    /// Waits for the reply to RequestID on the main thread: first in the
    /// queue not yet dispatched, then round by round (at most 10 ms apart)
    /// dispatching queued messages, so events are raised during the wait, and
    /// pumping window messages. Returns 0 with ReplyCode set when the reply was
    /// seen, WAIT_TIMEOUT after Get_ReplyTimeout ms (INFINITE: no limit),
    /// WAIT_ABANDONED when the device was closed or destroyed meanwhile, or
    /// another wait failure. Waits nest.
    uint32_t WaitForAsyncReply(uint32_t RequestID, uint32_t& ReplyCode);

    // --- Identity and properties ---------------------------------------------
    /// Calls Init(Value).
    virtual void Set_DeviceID(int32_t Value);
    int32_t Get_DeviceID() const noexcept { return DeviceID; }
    /// The empty string in the base; lines and phones name the selected device.
    virtual std::string Get_DeviceName() const;
    /// Enables the component and returns the session's list of device names
    /// of this kind. Because it enables, an Init(-1) (reached when the
    /// component is being disabled) must not call it.
    virtual TStrings* Get_DeviceList() = 0;
    /// 0 in the base.
    virtual uint32_t Get_IconHandle(const std::string& DeviceClass);
    virtual TTapiIcon* Get_Icon();
    /// A non-empty name enables the component; the name is stored, an empty
    /// one in design mode drops the Active wish, and an enabled device
    /// selects by it.
    virtual void Set_DeviceName(const std::string& Value);
    virtual uint32_t Get_ReplyTimeout() const = 0;
    virtual bool Get_SyncMode() const = 0;
    /// The device is open (DeviceHandle is not 0).
    virtual bool IsActive() const;
    /// Raises Exception "<Name> is not enabled" unless enabled.
    virtual void CheckEnabled() const;
    virtual uint32_t ConfigDialog(HWND OwnerWindow) = 0;

    void Trigger_DeviceState(uint32_t State, uint32_t Detail1, uint32_t Detail2);
    void Trigger_DeviceClose();
    void Trigger_TapiReinit();

    /// The line or phone (by kind) with the open handle.
    TTapiRelatedTarget Get_RelatedTarget() const override;

    uint32_t Get_DeviceHandle() const noexcept { return DeviceHandle; }
    TTapiRequestList* Get_Requests() noexcept { return &Requests; }
    TTapiRequestList* Get_Terms() noexcept { return &Terms; }
    TTapiTSP* Get_TSP() const noexcept { return TSP.get(); }
    THandle Get_CloseEvent() const noexcept { return CloseEvent; }
    TTapiRelatedWaveDevice* Get_WaveInDevice() const noexcept { return WaveInDevice.get(); }
    TTapiRelatedWaveDevice* Get_WaveOutDevice() const noexcept { return WaveOutDevice.get(); }

    TNotifyEvent OnDeviceClose;
    TTapiDeviceStateEvent OnDeviceState;
    TTapiMessageEvent OnTapiMessage;
    TTapiReplyEvent OnTapiReply;
    TTapiTimeoutEvent OnTapiTimeout;
    TNotifyEvent OnDeviceRemove;
    TNotifyEvent OnTapiReinit;

protected:
    /// Looks DeviceName up in Get_DeviceList (first match, any letter case)
    /// and selects that identifier, or -1.
    void SelectByName();
    /// Walks one request list for Handle_InternalTimer; false when the device
    /// was destroyed by a handler (the walk then stops at once).
    bool ExpireRequests(TTapiRequestList& List, uint32_t Tick, bool IsTerms);

    /// Files request Result of Kind with its objects in Requests and completes
    /// it with AwaitRequest. Only a positive Result is filed: 0 is an
    /// operation that completed at once and has no reply to wait for.
    uint32_t FileRequest(uint32_t Result, uint32_t Kind, TObject* Object0, TObject* Object1 = nullptr,
                         TObject* Object2 = nullptr);
    /// CheckAsyncTapiResult for a request filed already. In SyncMode the
    /// reply has also been handled (Handle_Reply, OnTapiReply) when it
    /// returns or raises, unless the device was closed or destroyed meanwhile:
    /// the wait may end on seeing the reply still queued, and the caller's
    /// next step must find the reply's effects done.
    uint32_t AwaitRequest(uint32_t Result);
    /// Dispatches queued messages, oldest first, while request RequestID is
    /// pending and messages are queued. Stops when a handler destroyed the
    /// device.
    void DispatchReply(uint32_t RequestID);
    /// True while request RequestID is in Requests (its reply not handled).
    bool RequestFiled(uint32_t RequestID);
    /// A SyncMode wait for RequestID gave up while the request is still
    /// filed: the program was told it failed. Does nothing here; a device
    /// whose requests create objects undoes what a late reply would bring.
    virtual void AbandonRequest(uint32_t RequestID);

    bool FActive = false;
    bool Available = false;
    int32_t DeviceID = -1;
    std::string DeviceName;
    uint32_t DeviceHandle = 0;
    TTapiRequestList Requests;
    TTapiRequestList Terms;
    /// Created by the descendant (TTapiLineTSP, TTapiPhoneTSP).
    std::unique_ptr<TTapiTSP> TSP;
    TTapiIcon Icon;
    /// Manual-reset; set by Close, reset by Open.
    THandle CloseEvent = 0;
    std::unique_ptr<TTapiRelatedWaveDevice> WaveInDevice;
    std::unique_ptr<TTapiRelatedWaveDevice> WaveOutDevice;
};

} // namespace kxtapi
