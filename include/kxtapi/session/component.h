// Base of every component that needs the telephony session.
#pragma once

#include "kxtapi/rtl/classes.h"

#include <cstdint>
#include <string>

namespace kxtapi {

class TTapiApplication;

/// Which list of the session a component joins when it is created.
enum TTapiComponentKind {
    tckOther,  ///< a TTapiAppl, a request recipient ...: registered, not listed
    tckLine,   ///< listed in the session's line list and dispatched LINE_ messages
    tckPhone   ///< listed in the session's phone list and dispatched PHONE_ messages
};

/// A component that registers with the session (TapiApplication) when it is
/// created and unregisters when it is destroyed, and holds the session while
/// it is enabled.
///
/// `Enabled` is the wish (FEnabled); `IsEnabled` the state: the session
/// reference is set. Each component has a callback instance
/// (Get_CallbackInstance): the cookie it hands the service when it opens a
/// device or registers, which messages name it by.
class TTapiComponent : public TComponent {
public:
    /// Registers with the session as AKind. The kind is given here, not read
    /// from a virtual, because virtuals do not reach descendants during
    /// construction. A tckOther component registers here; a line or phone
    /// (tckLine, tckPhone) is listed by TTapiDevice's constructor, once it is
    /// a device.
    explicit TTapiComponent(TComponent* AOwner, TTapiComponentKind AKind = tckOther);
    /// Unregisters and lets go of the session (which may then stop under its
    /// AutoShutdown rule).
    ~TTapiComponent() override;
    std::string ClassName() const override { return "TTapiComponent"; }

    /// Enables or disables the component at the session when the wish and
    /// the state differ.
    virtual void ApplyEnabled();
    /// Stores the wish; applies it unless loading or in design mode.
    virtual void SetEnabled(bool Value);
    /// The session reference is set.
    virtual bool IsEnabled() const;

    bool Get_Enabled() const noexcept { return FEnabled; }
    void Set_Enabled(bool Value) { SetEnabled(Value); }

    /// Wishes to be enabled, applies that and returns IsEnabled.
    bool EnableTapiComponent();
    /// Wishes to be disabled and applies that.
    void DisableTapiComponent();

    /// As the free CheckTapiResult: raises ETapiError for a negative result,
    /// returns any other unchanged.
    uint32_t CheckTapiResult(uint32_t Result);

    TTapiApplication* Get_Session() const noexcept { return Session; }
    uint32_t Get_LastRequestID() const noexcept { return LastRequestID; }
    TTapiComponentKind Get_TapiKind() const noexcept { return FKind; }
    /// True while this component needs the session kept running although
    /// no line or phone is enabled (a make-call request registration).
    virtual bool KeepsSession() const { return false; }
    /// A LINE_REQUEST whose callback instance is this component: it
    /// registered as make-call request recipient. The base ignores it.
    virtual void Handle_LineRequest(uint32_t Param1, uint32_t Param2, uint32_t Param3) {}
    /// The cookie that names this component to the service (never 0).
    uint32_t Get_CallbackInstance() const noexcept { return FCallbackInstance; }

protected:
    friend class TTapiApplication;

    /// Set by the session while the component is enabled.
    TTapiApplication* Session = nullptr;
    bool FEnabled = false;
    uint32_t LastRequestID = 0;

    /// Leaves the session now (idempotent). A descendant whose destructor may
    /// run code that dispatches messages calls this first, so no message
    /// reaches its half-destroyed object.
    void DetachFromSession() noexcept;

private:
    const TTapiComponentKind FKind;
    uint32_t FCallbackInstance = 0;
    bool FDetached = false;
};

/// True while the component that was given Cookie still exists (cookies
/// are never reused, so this holds across the component's destruction).
bool TapiComponentAlive(uint32_t Cookie, const TTapiComponent* Component) noexcept;

} // namespace kxtapi
