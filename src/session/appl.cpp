// TTapiAppl: the session's settings and notifications as a component.

#include "kxtapi/session/appl.h"

#include "assisted/make_call_request.h"

#include "kxtapi/rtl/strings.h"
#include "kxtapi/session/application.h"
#include "kxtapi/session/errors.h"
#include "kxtapi/tapi/line_constants.h"
#include "kxtapi/tapi/line_functions.h"

namespace kxtapi {

TTapiAppl::TTapiAppl(TComponent* AOwner) : TTapiComponent(AOwner, tckOther)
{
    if (!IsLoading() && !IsDesigning()) FApplName = TapiApplication->Get_AppName();
    FAutoShutdown = TapiApplication->Get_AutoShutdown();
}

TTapiAppl::~TTapiAppl()
{
    if (IsEnabled() && FRequestMakeCall)
        lineRegisterRequestRecipient(Session->LineAppHandle, Get_CallbackInstance(), LINEREQUESTMODE_MAKECALL, 0);
}

void TTapiAppl::Loaded()
{
    TTapiComponent::Loaded();
    // Only a real change goes through the session's setter, which refuses
    // while active: a form read while the session runs, carrying the name the
    // session already has, must still load.
    if (FApplName != TapiApplication->Get_AppName()) TapiApplication->Set_AppName(FApplName);
    ApplyEnabled();
    ApplyRequestMakeCall();
}

void TTapiAppl::SetEnabled(bool Value)
{
    FEnabled = Value;
    if (Value != IsEnabled() && !IsLoading() && !IsDesigning()) ApplyEnabled();
}

void TTapiAppl::Handle_DeviceCreate(const std::string& DeviceClass, uint32_t DeviceID)
{
    if (AnsiSameText(DeviceClass, "tapi/line")) FireNamedEvent("OnLineCreate", OnLineCreate, this, DeviceID);
    else if (AnsiSameText(DeviceClass, "tapi/phone")) FireNamedEvent("OnPhoneCreate", OnPhoneCreate, this, DeviceID);
}

void TTapiAppl::Handle_DeviceRemove(const std::string& DeviceClass, uint32_t DeviceID)
{
    if (AnsiSameText(DeviceClass, "tapi/line")) FireNamedEvent("OnLineRemove", OnLineRemove, this, DeviceID);
    else if (AnsiSameText(DeviceClass, "tapi/phone")) FireNamedEvent("OnPhoneRemove", OnPhoneRemove, this, DeviceID);
}

void TTapiAppl::Trigger_Initialize()
{
    FireNamedEvent("OnInitialize", OnInitialize, this);
}

void TTapiAppl::Trigger_Shutdown()
{
    FireNamedEvent("OnShutdown", OnShutdown, this);
}

void TTapiAppl::Set_ApplName(const std::string& Value)
{
    FApplName = Value;
    TapiApplication->FAppName = Value;
}

void TTapiAppl::Set_AutoShutdown(int32_t Value)
{
    FAutoShutdown = Value;
    TapiApplication->Set_AutoShutdown(Value);
}

void TTapiAppl::Set_RequestMakeCall(bool Value)
{
    FRequestMakeCall = Value;
    if (!IsLoading() && !IsDesigning()) ApplyRequestMakeCall();
}

void TTapiAppl::ApplyRequestMakeCall()
{
    if (!IsEnabled()) return;
    TTapiApplication& App = *TapiApplication;
    if (FRequestMakeCall)
        CheckTapiResult(lineRegisterRequestRecipient(App.LineAppHandle, Get_CallbackInstance(),
                                                     LINEREQUESTMODE_MAKECALL, 1));
    else
        lineRegisterRequestRecipient(App.LineAppHandle, Get_CallbackInstance(), LINEREQUESTMODE_MAKECALL, 0);
}

void TTapiAppl::Handle_LineRequest(uint32_t Param1, uint32_t, uint32_t)
{
    TMakeCallRequest Request;
    if (FetchMakeCallRequest(TapiApplication->LineAppHandle, Param1, Request))
        RaiseMakeCallRequest(OnRequestMakeCall, this, Request);
}

} // namespace kxtapi
