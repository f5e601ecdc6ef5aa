// Event types of the telephony components, and the helper that raises one.
//
// Events are raised on the main thread while the session dispatches a
// message of the telephony service or runs its 100 ms tick (or inside a
// synchronous wait, which dispatches the same way).
//
// Exceptions from handlers. An exception of the library (kxtapi::Exception,
// ETapiError among them) that a handler lets escape ends the handling of
// that message or tick: the rest of its events are not raised, and the
// exception is swallowed, so a failed Answer inside OnOffering does not
// reach the host's event loop. It is not lost: where the program has
// installed the runtime layer's hook, Application()->OnException (see
// <kxtapi/rtl/messages.h>), the hook receives an ETapiEventError carrying
// the exception, its message and the event it came from:
//
//   Application()->OnException = [](TObject*, std::exception_ptr E) {
//       try { std::rethrow_exception(E); }
//       catch (const ETapiEventError& Err) {
//           std::cerr << Err.EventName << ": " << Err.Message() << '\n';
//       } catch (...) {}
//   };
//
// Other exceptions leave the dispatch and reach the same hook (or the
// runtime layer's default policy) unwrapped. Inside a synchronous wait,
// exceptions of handlers leave the operation that waits, as ever.
#pragma once

#include "kxtapi/rtl/object.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <type_traits>

namespace kxtapi {

/// An event with the sender alone.
using TNotifyEvent = std::function<void(TObject* Sender)>;
/// A device was created or removed (OnLineCreate, OnPhoneRemove ...).
using TTapiDeviceEvent = std::function<void(TObject* Sender, uint32_t DeviceID)>;
/// A device's state changed (OnDeviceState).
using TTapiDeviceStateEvent =
    std::function<void(TObject* Sender, uint32_t State, uint32_t StateDetail1, uint32_t StateDetail2)>;
/// Any message routed to a device (OnTapiMessage).
using TTapiMessageEvent = std::function<void(TObject* Sender, uint32_t MessageID, uint32_t Param1,
                                             uint32_t Param2, uint32_t Param3)>;
/// The reply of an asynchronous request (OnTapiReply): ReplyCode 0 or an error.
using TTapiReplyEvent = std::function<void(TObject* Sender, uint32_t RequestID, uint32_t ReplyCode)>;
/// An asynchronous request got no reply in time (OnTapiTimeout).
using TTapiTimeoutEvent = std::function<void(TObject* Sender, uint32_t RequestID)>;
/// Another program asks for a call to be made (OnRequestMakeCall).
using TTapiRequestMakeCallEvent =
    std::function<void(TObject* Sender, const std::string& DestAddress, const std::string& AppName,
                       const std::string& CalledParty, const std::string& Comment)>;

/// A library exception that an event handler let escape during the
/// session's dispatch, as handed to Application()->OnException (see the top
/// of this header). Message() is the original exception's message.
class ETapiEventError : public Exception {
public:
    using Exception::Exception;
    std::string ClassName() const override { return "ETapiEventError"; }

    /// The exception the handler raised; rethrow it to see its type (an
    /// ETapiError with its ErrorCode, say).
    std::exception_ptr Original;
    /// The event whose handler raised it ("OnOffering"); empty when the
    /// exception did not pass through a named event.
    std::string EventName;
    /// The component whose event it was, or the device the message went to;
    /// null when it has been destroyed meanwhile. Valid during the hook only.
    TObject* Sender = nullptr;
    /// True when it came from the session's tick (time-outs, clean-up),
    /// false when from a message of the telephony service:
    bool FromTick = false;
    /// the message: a line (true) or phone message, and its six values.
    bool IsLine = true;
    uint32_t hDevice = 0, MessageID = 0, CallbackInstance = 0, Param1 = 0, Param2 = 0, Param3 = 0;
};

namespace detail {

/// Notes that a library exception (the current one) left the handler of
/// event Name of Sender; the innermost event an exception leaves is kept.
void NoteEventException(const char* Name, const TObject* Sender) noexcept;

template <class T, class... R>
const TObject* EventSender(const T& First, const R&...) noexcept
{
    if constexpr (std::is_convertible_v<const T&, const TObject*>) return First;
    else return nullptr;
}
inline const TObject* EventSender() noexcept { return nullptr; }

} // namespace detail

/// Raises Event, named Name, when it is assigned. The event is copied first,
/// so a handler that reassigns or clears it (or frees its sender) is safe. A
/// library exception from the handler passes on, noted with Name (see
/// ETapiEventError).
template <class F, class... A>
void FireNamedEvent(const char* Name, const F& Event, A&&... Args)
{
    if (!Event) return;
    F Copy = Event;
    try {
        Copy(static_cast<A&&>(Args)...);
    } catch (const Exception&) {
        detail::NoteEventException(Name, detail::EventSender(Args...));
        throw;
    }
}

/// FireNamedEvent without a name.
template <class F, class... A>
void FireEvent(const F& Event, A&&... Args)
{
    FireNamedEvent(nullptr, Event, static_cast<A&&>(Args)...);
}

} // namespace kxtapi
