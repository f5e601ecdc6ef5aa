// The message loop: hidden windows with a handler, posted and sent messages,
// window timers, and the application object that pumps them.
//
// Everything a window handler does runs on the main thread. Worker threads
// post (never waiting) or send (waiting until the main thread has handled the
// message).
//
// Driving the loop from another event loop
// ----------------------------------------
// `Application()->PollFd()` is a descriptor that is readable while a message
// waits or a window timer is due. Watch it for readability and call
// `Application()->ProcessMessages()` when it is; never read it yourself.
//
//   Qt:    auto* n = new QSocketNotifier(Application()->PollFd(),
//                                        QSocketNotifier::Read, &app);
//          QObject::connect(n, &QSocketNotifier::activated,
//                           [] { Application()->ProcessMessages(); });
//   GLib:  GIOChannel* ch = g_io_channel_unix_new(Application()->PollFd());
//          g_io_add_watch(ch, G_IO_IN, [](GIOChannel*, GIOCondition, gpointer) {
//              Application()->ProcessMessages(); return G_SOURCE_CONTINUE; },
//              nullptr);
//   libuv: uv_poll_init(loop, &poll, Application()->PollFd());
//          uv_poll_start(&poll, UV_READABLE, on_readable);
//   Asio:  posix::stream_descriptor d(io, dup(Application()->PollFd()));
//          d.async_wait(posix::descriptor::wait_read, handler);  // re-arm after
//
// The library must be driven from the thread that is its main thread (the
// host loop's thread). examples/poll_loop.cpp drives it from poll().
#pragma once

#include "kxtapi/rtl/handles.h"
#include "kxtapi/rtl/object.h"
#include "kxtapi/rtl/tick.h"

#include <cstdint>
#include <exception>
#include <functional>

namespace kxtapi {

/// A window handle: never 0, never reused within the process.
using HWND = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

inline constexpr uint32_t WM_NULL = 0x0000;
inline constexpr uint32_t WM_TIMER = 0x0113;
inline constexpr uint32_t WM_USER = 0x0400;

/// A message as a window handler sees it; the handler may set Result, which
/// SendMessage returns.
struct TMessage {
    uint32_t Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};

/// A window's handler.
using TWndMethod = std::function<void(TMessage& Message)>;

/// Creates a hidden window whose messages go to Method, on the main thread.
/// Never fails; the handle is never 0. Windows exist before the threads that
/// post to them, so create it first.
HWND AllocateHWnd(TWndMethod Method);

/// Destroys a window: messages still queued for it are dropped, its timers
/// are killed, senders waiting on it are released (their SendMessage returns
/// 0), and later posts to it fail. A handler of this window that is running
/// at that moment (the caller itself, say) finishes safely; none starts
/// afterwards. Call it on the main thread. An unknown handle is ignored.
void DeallocateHWnd(HWND Wnd);

/// True while Wnd is an allocated window.
bool IsWindow(HWND Wnd) noexcept;

/// Queues a message for Wnd and returns at once; from any thread. False
/// with ERROR_INVALID_WINDOW_HANDLE for an unknown window.
bool PostMessage(HWND Wnd, uint32_t Msg, WPARAM WParam, LPARAM LParam);

/// Sends a message and returns the handler's Result.
///
/// On the main thread the handler is called directly (an exception it raises
/// reaches the caller). From any other thread the message joins the main
/// thread's queue in arrival order with the posted ones, and the caller blocks
/// until the main thread has handled it. A waiting sender is released, with
/// 0, when the window is deallocated, or when its own thread is told to stop
/// (TThread::Terminate on the TThread running it; a thread already told to
/// stop does not send at all). A sender released before its message was
/// handled takes it back from the queue; one released while the handler runs
/// returns while the handler goes on with its copy of the message, so a
/// cancellable sender passes values in WParam and LParam, never the address
/// of its own locals.
///
/// 0 with ERROR_INVALID_WINDOW_HANDLE for an unknown window.
LRESULT SendMessage(HWND Wnd, uint32_t Msg, WPARAM WParam, LPARAM LParam);

/// As SendMessage, and also released when CancelEvent (an event handle; 0
/// for none) is signalled. Returns true when the handler ran to completion,
/// with its Result in Result; false when released (ERROR_CANCELLED), or for
/// an unknown window (ERROR_INVALID_WINDOW_HANDLE) or a bad CancelEvent
/// (ERROR_INVALID_HANDLE); Result is 0 then.
bool SendMessageCancellable(HWND Wnd, uint32_t Msg, WPARAM WParam, LPARAM LParam,
                            THandle CancelEvent, LRESULT& Result);

/// The default handling of a message nobody handles: nothing, result 0.
LRESULT DefWindowProc(HWND Wnd, uint32_t Msg, WPARAM WParam, LPARAM LParam);

/// Starts (or restarts) timer IDEvent of Wnd: WM_TIMER with WParam = IDEvent
/// and LParam 0 is queued each time Elapse ms (1 to 0x7FFFFFFF; values
/// outside are clamped) have passed. While one WM_TIMER of a timer waits
/// unhandled, no second one is queued; the next interval counts from the
/// moment it was queued. Setting an existing timer again restarts its
/// interval and withdraws a WM_TIMER of it still waiting. False with
/// ERROR_INVALID_WINDOW_HANDLE for an unknown window.
bool SetTimer(HWND Wnd, uintptr_t IDEvent, uint32_t Elapse);

/// Stops a timer and withdraws its WM_TIMER if one still waits. False when
/// Wnd has no such timer.
bool KillTimer(HWND Wnd, uintptr_t IDEvent);

/// True on the main thread.
bool IsMainThread() noexcept;

/// The message loop of the process.
///
/// Main thread: the thread that first allocates a window, sets a timer or
/// pumps messages (ProcessMessages, HandleMessage, Run), unless SetMainThread
/// named one before. Pumping from another thread raises Exception.
///
/// Order: messages are handled in the order they arrived, posted and sent
/// alike. A window timer's WM_TIMER joins the queue when the timer is found
/// due: when the loop is pumped or waits, or when the test clock advances.
///
/// Exceptions: an exception that escapes a handler while the loop dispatches
/// (ProcessMessages, HandleMessage, Run) never reaches the loop's caller. It
/// goes to OnException when that is assigned. Without OnException, the
/// library's own exceptions (kxtapi::Exception) are swallowed, as the
/// component framework's application does with its handled errors, and any
/// other exception is written as one line to standard error; the loop goes on
/// with the next message either way. An exception raised by OnException
/// itself is dropped.
class TApplication : public TObject {
public:
    std::string ClassName() const override { return "TApplication"; }

    /// Makes the calling thread the main thread (it must not be changed while
    /// windows exist on another one; tests that need their own main thread
    /// call this first).
    void SetMainThread();

    /// Handles every message that was waiting when it was called (and every
    /// timer due then), then returns. Messages that arrive meanwhile wait for
    /// the next call. Re-entrant: a handler may call it again, and each
    /// message is still handled exactly once, in order of arrival.
    void ProcessMessages();

    /// Waits up to Timeout ms for one message (or a due timer) and handles
    /// it. Returns true when it handled one; false after the time-out, or at
    /// once when Terminate has been called and nothing waits.
    bool HandleMessage(uint32_t Timeout = INFINITE);

    /// Handles messages until Terminate is called; then clears the request
    /// and returns.
    void Run();
    /// Asks Run (and a waiting HandleMessage) to return; from any thread.
    void Terminate() noexcept;
    bool Terminated() const noexcept;

    /// True when a message waits or a timer is due.
    bool MessagesWaiting();

    /// Milliseconds until the next timer falls due (0 when something waits
    /// now, INFINITE when there is no timer): a time-out for hosts that poll.
    uint32_t NextTimeout();

    /// A descriptor readable while a message waits or a timer is due (see the
    /// top of this header). It stays open for the life of the process.
    /// Returns -1 (with the last error set) when the system refuses one.
    int PollFd();

    /// Receives the exceptions that escape handlers during dispatch; Sender is
    /// the application. The telephony session also hands it the library
    /// exceptions it swallows from event handlers, as ETapiEventError
    /// (<kxtapi/session/events.h>).
    std::function<void(TObject* Sender, std::exception_ptr E)> OnException;

    /// Passes one exception to OnException or the default policy above.
    void HandleException(std::exception_ptr E) noexcept;
};

/// The application object of the process (never null).
TApplication* Application() noexcept;

} // namespace kxtapi
