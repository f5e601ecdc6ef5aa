// TTapiRequestRecipient: registration as make-call request recipient.

#include "kxtapi/assisted/request_recipient.h"

#include "assisted/make_call_request.h"

#include "kxtapi/rtl/properties.h"
#include "kxtapi/session/application.h"
#include "kxtapi/session/errors.h"
#include "kxtapi/session/registration.h"
#include "kxtapi/tapi/line_constants.h"
#include "kxtapi/tapi/line_functions.h"

#include <unistd.h>

#include <mutex>

namespace kxtapi {

namespace {

std::string ExecutablePath()
{
    char Path[4096];
    const ssize_t n = readlink("/proc/self/exe", Path, sizeof Path - 1);
    return n > 0 ? std::string(Path, static_cast<size_t>(n)) : std::string();
}

void SetAppPriority(uint32_t Priority)
{
    const std::string Path = ExecutablePath();
    CheckTapiResult(lineSetAppPriorityA(Path.c_str(), 0, nullptr, LINEREQUESTMODE_MAKECALL, "", Priority));
}

} // namespace

TTapiRequestRecipient::TTapiRequestRecipient(TComponent* AOwner) : TTapiComponent(AOwner, tckOther) {}

TTapiRequestRecipient::~TTapiRequestRecipient()
{
    Done();
}

uint32_t TTapiRequestRecipient::Register(bool Enable)
{
    return lineRegisterRequestRecipient(Session->LineAppHandle, Get_CallbackInstance(), LINEREQUESTMODE_MAKECALL,
                                        Enable ? 1 : 0);
}

void TTapiRequestRecipient::Loaded()
{
    TTapiComponent::Loaded();
    ApplyEnabled();
}

void TTapiRequestRecipient::SetEnabled(bool Value)
{
    FEnabled = Value;
    if (Value != IsEnabled() && !IsLoading() && !IsDesigning()) ApplyEnabled();
}

void TTapiRequestRecipient::ApplyEnabled()
{
    if (IsEnabled() == FEnabled) return;
    if (FEnabled) {
        TapiApplication->EnableTapiComponent(this, true);
        const uint32_t r = Register(true);
        if (static_cast<int32_t>(r) < 0) {
            // Enabled but not registered would be neither: the next
            // disabling would fail on a registration that never was.
            TapiApplication->EnableTapiComponent(this, false);
            CheckTapiResult(r);
        }
    } else {
        CheckTapiResult(Register(false));
        TapiApplication->EnableTapiComponent(this, false);
    }
}

int32_t TTapiRequestRecipient::Done()
{
    if (!IsEnabled()) return 0;
    return static_cast<int32_t>(Register(false));
}

void TTapiRequestRecipient::RegisterAppl()
{
    SetAppPriority(1);
}

void TTapiRequestRecipient::UnregisterAppl()
{
    SetAppPriority(0);
}

void TTapiRequestRecipient::Handle_Request(const std::string& DestAddress, const std::string& CalledParty)
{
    Trigger_MakeCall(DestAddress, CalledParty);
}

void TTapiRequestRecipient::Trigger_MakeCall(const std::string& DestAddress, const std::string& CalledParty)
{
    Trigger_MakeCall(DestAddress, std::string(), CalledParty, std::string());
}

void TTapiRequestRecipient::Trigger_MakeCall(const std::string& DestAddress, const std::string& AppName,
                                             const std::string& CalledParty, const std::string& Comment)
{
    FireEvent(OnRequestMakeCall, this, DestAddress, AppName, CalledParty, Comment);
}

void TTapiRequestRecipient::Handle_LineRequest(uint32_t Param1, uint32_t, uint32_t)
{
    if (!IsEnabled()) return;
    TMakeCallRequest Request;
    if (!FetchMakeCallRequest(Session->LineAppHandle, Param1, Request)) return;
    try {
        Trigger_MakeCall(Request.DestAddress, Request.AppName, Request.CalledParty, Request.Comment);
    } catch (...) {
        // The handler failed on this request; the next one must still
        // reach it.
    }
}

void RegisterAssistedClasses()
{
    static std::once_flag Once;
    std::call_once(Once, [] {
        RegisterSessionClasses();
        RegisterClass<TTapiRequestRecipient, TTapiComponent>("TTapiRequestRecipient")
            .Boolean("Enabled", &TTapiRequestRecipient::Get_Enabled, &TTapiRequestRecipient::Set_Enabled, false);
    });
}

namespace {

struct TRegisterAssistedAtLoad {
    TRegisterAssistedAtLoad() { RegisterAssistedClasses(); }
} gRegisterAssistedAtLoad;

} // namespace

} // namespace kxtapi
