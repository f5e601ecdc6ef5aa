// The notes on library exceptions leaving event handlers, and their report
// to the program's exception hook.
//
// Each note is tied to the exception it was made for, and the innermost
// wins: a nested dispatch (a synchronous wait inside a handler) or a
// nested event notes first, the outer frames the same exception passes
// through leave the note alone. A note for an exception that the program
// caught itself is simply never matched.

#include "session/event_errors.h"

#include "kxtapi/rtl/messages.h"
#include "kxtapi/session/callback_registry.h"
#include "kxtapi/session/component.h"
#include "kxtapi/session/events.h"

#include <string>

namespace kxtapi::detail {
namespace {

/// A component noted by pointer and, for telephony components, by cookie, so
/// a destroyed one is not handed out.
struct TNotedObject {
    const TObject* Object = nullptr;
    uint32_t Cookie = 0;

    void Set(const TObject* O) noexcept
    {
        Object = O;
        const auto* Component = dynamic_cast<const TTapiComponent*>(O);
        Cookie = Component != nullptr ? Component->Get_CallbackInstance() : 0;
    }
    TObject* Get() const noexcept
    {
        // Asked of the registry by cookie, without touching the object.
        if (Cookie != 0 && FindCallbackInstance(Cookie) != Object) return nullptr;
        return const_cast<TObject*>(Object);
    }
};

struct TNotes {
    std::exception_ptr EventFor;
    std::string EventName;
    TNotedObject EventSender;

    std::exception_ptr DispatchFor;
    bool FromTick = false;
    TTapiMsgStackItem Item;
    TNotedObject Target;
};

// Dispatch runs on the main thread only; a note per thread keeps any other
// thread that raises events on its own from mixing in.
thread_local TNotes Notes;

} // namespace

void NoteEventException(const char* Name, const TObject* Sender) noexcept
{
    std::exception_ptr E = std::current_exception();
    if (!E || Notes.EventFor == E) return;
    try {
        Notes.EventName = Name != nullptr ? Name : "";
    } catch (...) {
        Notes.EventName.clear();
    }
    Notes.EventFor = E;
    Notes.EventSender.Set(Sender);
}

void NoteDispatchException(const TTapiMsgStackItem& Item, const TObject* Target) noexcept
{
    std::exception_ptr E = std::current_exception();
    if (!E || Notes.DispatchFor == E) return;
    Notes.DispatchFor = E;
    Notes.FromTick = false;
    Notes.Item = Item;
    Notes.Target.Set(Target);
}

void NoteTickException(const TObject* Device, uint32_t Cookie) noexcept
{
    std::exception_ptr E = std::current_exception();
    if (!E || Notes.DispatchFor == E) return;
    Notes.DispatchFor = E;
    Notes.FromTick = true;
    Notes.Item = {};
    Notes.Target.Object = Device;
    Notes.Target.Cookie = Cookie;
}

void ReportEventException() noexcept
{
    std::exception_ptr E = std::current_exception();
    TNotes Noted = std::move(Notes);
    Notes = {};
    if (!E || !Application()->OnException) return;
    try {
        std::string Message;
        try {
            std::rethrow_exception(E);
        } catch (const std::exception& X) {
            Message = X.what();
        } catch (...) {
        }
        ETapiEventError Error(Message);
        Error.Original = E;
        if (Noted.EventFor == E) {
            Error.EventName = Noted.EventName;
            Error.Sender = Noted.EventSender.Get();
        }
        if (Noted.DispatchFor == E) {
            if (Error.Sender == nullptr) Error.Sender = Noted.Target.Get();
            Error.FromTick = Noted.FromTick;
            const LINEMESSAGE& m = Noted.Item.Msg;
            Error.IsLine = Noted.Item.IsLine;
            Error.hDevice = m.hDevice;
            Error.MessageID = m.dwMessageID;
            Error.CallbackInstance = m.dwCallbackInstance;
            Error.Param1 = m.dwParam1;
            Error.Param2 = m.dwParam2;
            Error.Param3 = m.dwParam3;
        }
        Application()->HandleException(std::make_exception_ptr(std::move(Error)));
    } catch (...) {
        // Out of memory while wrapping: the exception stays swallowed.
    }
}

} // namespace kxtapi::detail
