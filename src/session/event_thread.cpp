// TTapiEventThread: from the service's event handles into MessageStack.

#include "kxtapi/session/event_thread.h"

#include "kxtapi/rtl/sync.h"
#include "kxtapi/rtl/system.h"
#include "kxtapi/session/application.h"
#include "kxtapi/tapi/line_functions.h"
#include "kxtapi/tapi/phone_functions.h"

namespace kxtapi {
namespace {

constexpr uint32_t WaitTimeout = 100;
constexpr uint32_t QueueLockTimeout = 1000;
constexpr WPARAM NotifyMessages = 1;
constexpr WPARAM NotifyTick = 3;

} // namespace

TTapiEventThread::TTapiEventThread(TTapiApplication* ASession)
    : FSession(ASession),
      FLineApp(ASession->LineAppHandle),
      FPhoneApp(ASession->PhoneAppHandle),
      FLineEvent(ASession->LineEventHandle),
      FPhoneEvent(ASession->PhoneEventHandle),
      FWindow(ASession->WindowHandle),
      FNotifyMessage(ASession->NotifyMessage),
      FStack(&ASession->MessageStack),
      FArrivalEvent(ASession->Get_ArrivalEvent()),
      FStopEvent(CreateEvent(true, false))
{
    if (FStopEvent == 0) throw Exception("Cannot create the event thread's stop event");
    try {
        Start();
    } catch (...) {
        CloseHandle(FStopEvent);
        throw;
    }
}

TTapiEventThread::~TTapiEventThread()
{
    TerminateAndWait();
    CloseHandle(FStopEvent);
}

void TTapiEventThread::Terminate()
{
    TThread::Terminate();
    SetEvent(FStopEvent);
    Sleep(1);
}

void TTapiEventThread::Fetch(bool Line)
{
    // The message has left the service once fetched, so it is queued however
    // long the main thread holds the queue; only a stopping thread gives up.
    if (Line) {
        LINEMESSAGE Msg{};
        if (lineGetMessage(FLineApp, &Msg, 0) == 0) {
            while (!Terminated()) {
                TListLock Lock(*FStack, QueueLockTimeout);
                if (!Lock) continue;
                FStack->AddLineMsg(Msg);
                break;
            }
        }
    } else {
        PHONEMESSAGE Msg{};
        if (phoneGetMessage(FPhoneApp, &Msg, 0) == 0) {
            while (!Terminated()) {
                TListLock Lock(*FStack, QueueLockTimeout);
                if (!Lock) continue;
                FStack->AddPhoneMsg(Msg);
                break;
            }
        }
    }
    // After every attempt, fetched or not: a synchronous wait that saw
    // messages pending waits for exactly this.
    if (FArrivalEvent != 0) SetEvent(FArrivalEvent);
    // Posted even when nothing was fetched: the main thread then finds
    // whatever is still queued.
    PostMessage(FWindow, FNotifyMessage, NotifyMessages, Line ? 0 : 1);
}

void TTapiEventThread::Execute()
{
    // Line first, so it wins when both are signalled; the stop event last,
    // so pending messages are still fetched before the thread ends.
    const THandle Handles[3] = {FLineEvent, FPhoneEvent, FStopEvent};
    try {
        while (!Terminated()) {
            const uint32_t w = WaitForMultipleObjects(3, Handles, false, WaitTimeout);
            if (Terminated()) break;
            if (w == WAIT_OBJECT_0) Fetch(true);
            else if (w == WAIT_OBJECT_0 + 1) Fetch(false);
            else if (w == WAIT_TIMEOUT) PostMessage(FWindow, FNotifyMessage, NotifyTick, 0);
            else if (w == WAIT_FAILED) {
                // Handles that went invalid would make every wait fail at
                // once; wait on the stop event alone instead of spinning.
                WaitForSingleObject(FStopEvent, WaitTimeout);
            }
        }
    } catch (...) {
        Beep(1000, 100);
        Beep(500, 100);
        Beep(1000, 100);
    }
    if (FArrivalEvent != 0) SetEvent(FArrivalEvent);
}

} // namespace kxtapi
