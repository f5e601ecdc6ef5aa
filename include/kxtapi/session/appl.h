// TTapiAppl: the placeable component for the session's settings and events.
#pragma once

#include "kxtapi/session/component.h"
#include "kxtapi/session/events.h"

#include <cstdint>
#include <string>

namespace kxtapi {

/// Exposes the session's AppName and AutoShutdown as published properties
/// and raises the session's notifications on every placed component:
/// OnInitialize and OnShutdown after the session starts and stops,
/// OnLineCreate/OnLineRemove and OnPhoneCreate/OnPhoneRemove (through
/// Handle_DeviceCreate/Handle_DeviceRemove with the device classes
/// "tapi/line" and "tapi/phone") when devices come and go. Enabling it starts
/// the session; it does not keep the session from stopping (only lines,
/// phones and the make-call registration do).
class TTapiAppl : public TTapiComponent {
public:
    /// Takes ApplName from the session (unless loading or in design mode) and
    /// AutoShutdown from the session.
    explicit TTapiAppl(TComponent* AOwner);
    /// Withdraws its make-call registration, so requests go to a recipient
    /// that is still there.
    ~TTapiAppl() override;
    std::string ClassName() const override { return "TTapiAppl"; }

    /// Sets the session's AppName when it differs from the stored ApplName,
    /// then applies Enabled, then RequestMakeCall.
    void Loaded() override;
    /// Stores the wish; applies it unless loading or in design mode.
    void SetEnabled(bool Value) override;

    /// Raises OnLineCreate for "tapi/line", OnPhoneCreate for "tapi/phone"
    /// (any letter case); nothing for other classes.
    virtual void Handle_DeviceCreate(const std::string& DeviceClass, uint32_t DeviceID);
    /// The same with OnLineRemove and OnPhoneRemove.
    virtual void Handle_DeviceRemove(const std::string& DeviceClass, uint32_t DeviceID);
    /// Raised by the session after it started and after it stopped.
    void Trigger_Initialize();
    void Trigger_Shutdown();

    const std::string& Get_ApplName() const noexcept { return FApplName; }
    /// Stores the name and writes it into the session's AppName as it is,
    /// active or not; it is used at the next start.
    void Set_ApplName(const std::string& Value);
    int32_t Get_AutoShutdown() const noexcept { return FAutoShutdown; }
    /// Stores the value and sets the session's AutoShutdown.
    void Set_AutoShutdown(int32_t Value);
    bool Get_RequestMakeCall() const noexcept { return FRequestMakeCall; }
    /// Stores the wish; applies it unless loading or in design mode.
    void Set_RequestMakeCall(bool Value);
    /// While enabled: registers this component as make-call request
    /// recipient (raising ETapiError when refused), or unregisters it
    /// (ignoring a refusal).
    void ApplyRequestMakeCall();
    /// A make-call request for this component's registration: fetched and
    /// raised as OnRequestMakeCall with all four fields (whatever the
    /// handler throws is discarded).
    void Handle_LineRequest(uint32_t Param1, uint32_t Param2, uint32_t Param3) override;
    /// While enabled with RequestMakeCall, the session does not stop by
    /// itself.
    bool KeepsSession() const override { return FRequestMakeCall && IsEnabled(); }

    TNotifyEvent OnShutdown;
    TNotifyEvent OnInitialize;
    TTapiDeviceEvent OnLineCreate;
    TTapiDeviceEvent OnLineRemove;
    TTapiDeviceEvent OnPhoneCreate;
    TTapiDeviceEvent OnPhoneRemove;
    TTapiRequestMakeCallEvent OnRequestMakeCall;

private:
    std::string FApplName;
    int32_t FAutoShutdown = -1;
    bool FRequestMakeCall = false;
};

} // namespace kxtapi
