// TTapiComponent: registration with the session and the Enabled wish.

#include "kxtapi/session/component.h"

#include "kxtapi/session/application.h"
#include "kxtapi/session/callback_registry.h"
#include "kxtapi/session/errors.h"

namespace kxtapi {

TTapiComponent::TTapiComponent(TComponent* AOwner, TTapiComponentKind AKind)
    : TComponent(AOwner), FKind(AKind)
{
    LastRequestID = 0;
    FCallbackInstance = RegisterCallbackInstance(this);
    // Lines and phones join the session from TTapiDevice's constructor,
    // once they are devices: the session lists them by that type.
    if (AKind != tckOther) return;
    try {
        TapiApplication->AddTapiComponent(this);
    } catch (...) {
        UnregisterCallbackInstance(FCallbackInstance);
        throw;
    }
}

TTapiComponent::~TTapiComponent()
{
    DetachFromSession();
}

void TTapiComponent::DetachFromSession() noexcept
{
    if (FDetached) return;
    FDetached = true;
    UnregisterCallbackInstance(FCallbackInstance);
    if (TTapiApplication* App = TapiApplication.Peek()) {
        try {
            App->RemoveTapiComponent(this);
            // Only a component that held the session lets go of it; one that
            // was never enabled must not stop a session others started.
            if (Session != nullptr) App->EnableTapiComponent(this, false);
        } catch (...) {
            // Letting go may stop the session; a failing service must not
            // keep the component from going away.
        }
    }
    Session = nullptr;
}

void TTapiComponent::ApplyEnabled()
{
    if (IsEnabled() != FEnabled) TapiApplication->EnableTapiComponent(this, FEnabled);
}

void TTapiComponent::SetEnabled(bool Value)
{
    FEnabled = Value;
    if (Value != IsEnabled() && !IsLoading() && !IsDesigning()) ApplyEnabled();
}

bool TTapiComponent::IsEnabled() const
{
    return Session != nullptr;
}

bool TTapiComponent::EnableTapiComponent()
{
    FEnabled = true;
    ApplyEnabled();
    return IsEnabled();
}

void TTapiComponent::DisableTapiComponent()
{
    FEnabled = false;
    ApplyEnabled();
}

uint32_t TTapiComponent::CheckTapiResult(uint32_t Result)
{
    return kxtapi::CheckTapiResult(Result);
}

bool TapiComponentAlive(uint32_t Cookie, const TTapiComponent* Component) noexcept
{
    return Component != nullptr && FindCallbackInstance(Cookie) == Component;
}

} // namespace kxtapi
