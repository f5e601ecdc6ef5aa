// TTapiRequestRecipient: a placeable recipient of other programs' make-call
// requests (assisted telephony).
#pragma once

#include "kxtapi/session/component.h"
#include "kxtapi/session/events.h"

#include <cstdint>
#include <string>

namespace kxtapi {

/// Registers itself with the telephony service as recipient of make-call
/// requests while Enabled, and raises OnRequestMakeCall on the main thread
/// for each request another program (or this one) makes with
/// tapiRequestMakeCallA or kxtapi-request-makecall.
///
/// When several programs of the user are registered, a request goes to the
/// one RegisterAppl made preferred most recently, else to the one that
/// registered last. Enabling the recipient starts the session, which then
/// does not stop by itself (AutoShutdown) while the recipient is enabled.
///
/// @code
///   TTapiRequestRecipient Recipient(nullptr);
///   Recipient.OnRequestMakeCall = [&](TObject*, const std::string& Dest, const std::string& App,
///                                     const std::string& Called, const std::string& Comment) {
///       Line.MakeCall(Dest);   // place the call the other program asked for
///   };
///   Recipient.Set_Enabled(true);
/// @endcode
class TTapiRequestRecipient : public TTapiComponent {
public:
    explicit TTapiRequestRecipient(TComponent* AOwner);
    /// Withdraws the registration (Done), then leaves the session.
    ~TTapiRequestRecipient() override;
    std::string ClassName() const override { return "TTapiRequestRecipient"; }

    /// The framework's Loaded, then ApplyEnabled.
    void Loaded() override;
    /// Stores the wish; applies it when it differs from IsEnabled, unless
    /// loading or in design mode.
    void SetEnabled(bool Value) override;
    /// Enabling: enables the component with the session (starting it) and
    /// registers; a refused registration raises ETapiError and leaves the
    /// component disabled. Disabling: unregisters (a refusal raises
    /// ETapiError and the component stays enabled), then lets go of the
    /// session.
    void ApplyEnabled() override;
    /// While enabled: withdraws the registration and returns the service's
    /// result without raising; otherwise 0.
    int32_t Done();
    /// Puts the running program at the top of the make-call priority list
    /// (lineSetAppPriorityA with its executable's full path and priority 1),
    /// so it gets the requests ahead of programs that registered later.
    /// Raises ETapiError when refused. The library never calls it itself.
    void RegisterAppl();
    /// Takes the running program off that list (priority 0).
    void UnregisterAppl();
    /// Raises OnRequestMakeCall with an empty AppName and Comment.
    void Handle_Request(const std::string& DestAddress, const std::string& CalledParty);
    /// Raises OnRequestMakeCall (when assigned) with this recipient as Sender,
    /// DestAddress, an empty AppName, CalledParty and an empty Comment.
    void Trigger_MakeCall(const std::string& DestAddress, const std::string& CalledParty);
    /// Raises OnRequestMakeCall with all four fields of a request.
    void Trigger_MakeCall(const std::string& DestAddress, const std::string& AppName,
                          const std::string& CalledParty, const std::string& Comment);
    /// A request for this registration: fetched and raised with all four
    /// fields; whatever the handler throws is discarded.
    void Handle_LineRequest(uint32_t Param1, uint32_t Param2, uint32_t Param3) override;
    /// While enabled, the session does not stop by itself.
    bool KeepsSession() const override { return IsEnabled(); }

    TTapiRequestMakeCallEvent OnRequestMakeCall;

private:
    uint32_t Register(bool Enable);
};

/// Registers TTapiRequestRecipient's published properties (Enabled).
void RegisterAssistedClasses();

} // namespace kxtapi
