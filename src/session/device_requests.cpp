// TTapiDevice: replies, time-outs and the synchronous wait.

#include "kxtapi/rtl/sync.h"
#include "kxtapi/session/application.h"
#include "kxtapi/session/device.h"
#include "kxtapi/session/errors.h"
#include "kxtapi/session/event_thread.h"
#include "kxtapi/tapi/message_ids.h"

#include <algorithm>
#include <memory>

namespace kxtapi {
namespace {

// True while the event thread runs and the service holds messages it has
// not fetched yet. Only manual-reset events are looked at: peeking at an
// auto-reset one would take the signal from the thread.
bool FetchPending(const TTapiApplication& App)
{
    const TTapiEventThread* Thread = App.Get_EventThread();
    if (Thread == nullptr || Thread->Finished()) return false;
    for (THandle h : {App.LineEventHandle, App.PhoneEventHandle}) {
        if (h == 0) continue;
        auto Event = LookupHandleAs<TEventObject>(h);
        if (Event && Event->ManualReset() && Event->IsSet()) return true;
    }
    return false;
}

} // namespace

void TTapiDevice::Handle_TapiReply(uint32_t RequestID, uint32_t ReplyCode)
{
    const uint32_t Cookie = Get_CallbackInstance();
    std::unique_ptr<TTapiRequest> Request;
    {
        TListLock Lock(Requests, INFINITE);
        // An exact match: a reply carrying identifier 0 must not complete
        // whichever request happens to be first.
        const int i = RequestID != 0 ? Requests.IndexOfID(static_cast<int32_t>(RequestID)) : -1;
        if (i >= 0) Request.reset(Requests.Extract(i));
    }
    if (Request) {
        Handle_Reply(RequestID, ReplyCode, Request.get());
        Request.reset();
        if (!TapiComponentAlive(Cookie, this)) return;
    }
    Trigger_TapiReply(RequestID, ReplyCode);
}

void TTapiDevice::Handle_Reply(uint32_t, uint32_t, TTapiRequest*) {}
void TTapiDevice::Handle_Timeout(uint32_t, TTapiRequest*) {}
void TTapiDevice::TermReached(uint32_t, TTapiRequest*) {}

void TTapiDevice::Trigger_TapiReply(uint32_t RequestID, uint32_t ReplyCode)
{
    FireNamedEvent("OnTapiReply", OnTapiReply, this, RequestID, ReplyCode);
}

void TTapiDevice::Trigger_TapiTimeout(uint32_t RequestID, TTapiRequest* /*Request*/)
{
    FireNamedEvent("OnTapiTimeout", OnTapiTimeout, this, RequestID);
}

bool TTapiDevice::ExpireRequests(TTapiRequestList& List, uint32_t Tick, bool IsTerms)
{
    const uint32_t Cookie = Get_CallbackInstance();
    TListLock Lock(List, 1);
    if (!Lock) return true;
    // Handlers run with the list held (the lock is recursive) and may close
    // the device, which empties the list, free the request's objects, which
    // removes their requests, or destroy the device with its list: the
    // count is read afresh each step, the expired request is owned here once
    // it is out of the list, and a destroyed device ends the walk at once.
    int i = 0;
    while (i < List.Count()) {
        if (!List.Get_Items(i)->Expired(Tick)) {
            ++i;
            continue;
        }
        std::unique_ptr<TTapiRequest> Request(List.Extract(i));
        const uint32_t ID = static_cast<uint32_t>(Request->ID);
        if (IsTerms) {
            TermReached(ID, Request.get());
        } else {
            Handle_Timeout(ID, Request.get());
            if (!TapiComponentAlive(Cookie, this)) {
                Lock.Abandon();
                return false;
            }
            Trigger_TapiTimeout(ID, Request.get());
        }
        if (!TapiComponentAlive(Cookie, this)) {
            Lock.Abandon();
            return false;
        }
    }
    return true;
}

void TTapiDevice::Handle_InternalTimer(uint32_t Tick)
{
    if (!ExpireRequests(Requests, Tick, false)) return;
    ExpireRequests(Terms, Tick, true);
}

uint32_t TTapiDevice::CheckAsyncTapiResult(uint32_t Result)
{
    if (static_cast<int32_t>(Result) > 0) LastRequestID = Result;
    if (!Get_SyncMode()) return 0;
    // Only a request identifier has a reply to wait for: 0 is a function
    // that completed at once, and waiting for it would report the success as
    // a failure after the whole reply time-out.
    if (static_cast<int32_t>(Result) <= 0) return kxtapi::CheckTapiResult(Result);
    uint32_t ReplyCode = 0;
    if (WaitForAsyncReply(Result, ReplyCode) == WAIT_OBJECT_0) return kxtapi::CheckTapiResult(ReplyCode);
    throw ETapiError(LINEERR_OPERATIONFAILED);
}

uint32_t TTapiDevice::FileRequest(uint32_t Result, uint32_t Kind, TObject* Object0, TObject* Object1,
                                  TObject* Object2)
{
    if (static_cast<int32_t>(Result) > 0) {
        TListLock Lock(Requests, INFINITE);
        TTapiRequest* Request = Requests.AddRequest(static_cast<int32_t>(Result), Get_ReplyTimeout());
        Request->Kind = Kind;
        Request->Objects[0] = Object0;
        Request->Objects[1] = Object1;
        Request->Objects[2] = Object2;
    }
    return AwaitRequest(Result);
}

uint32_t TTapiDevice::AwaitRequest(uint32_t Result)
{
    if (!Get_SyncMode() || static_cast<int32_t>(Result) <= 0) return CheckAsyncTapiResult(Result);
    const uint32_t Cookie = Get_CallbackInstance();
    try {
        const uint32_t Code = CheckAsyncTapiResult(Result);
        if (TapiComponentAlive(Cookie, this)) DispatchReply(Result);
        return Code;
    } catch (const ETapiError&) {
        if (TapiComponentAlive(Cookie, this)) {
            DispatchReply(Result);
            // Still filed: the wait gave up (no reply in time). The program
            // now believes the request failed, so its late reply must not
            // bring it anything.
            if (TapiComponentAlive(Cookie, this) && RequestFiled(Result)) AbandonRequest(Result);
        }
        throw;
    }
}

bool TTapiDevice::RequestFiled(uint32_t RequestID)
{
    TListLock Lock(Requests, INFINITE);
    return Requests.IndexOfID(static_cast<int32_t>(RequestID)) >= 0;
}

void TTapiDevice::AbandonRequest(uint32_t /*RequestID*/) {}

void TTapiDevice::DispatchReply(uint32_t RequestID)
{
    const uint32_t Cookie = Get_CallbackInstance();
    // Oldest first, so the messages before the reply keep their order.
    while (RequestFiled(RequestID) && TapiApplication->ProcessTapiMessage()) {
        if (!TapiComponentAlive(Cookie, this)) return;
    }
}

uint32_t TTapiDevice::WaitForAsyncReply(uint32_t RequestID, uint32_t& ReplyCode)
{
    TTapiApplication& App = *TapiApplication;
    // Copied now: a handler that runs during the wait may destroy this
    // device, after which neither its members nor its virtuals may be used.
    const uint32_t Cookie = Get_CallbackInstance();
    const THandle Close = CloseEvent;
    const uint32_t Timeout = Get_ReplyTimeout();

    struct TNesting {
        TTapiApplication& App;
        explicit TNesting(TTapiApplication& A) : App(A) { ++App.WaitNesting; }
        ~TNesting()
        {
            --App.WaitNesting;
            // Notifications were ignored during the wait; this one dispatches
            // what arrived meanwhile.
            if (App.WindowHandle != 0) PostMessage(App.WindowHandle, App.NotifyMessage, 1, 0);
        }
    } Nesting(App);

    if (App.WaitNesting == 1) {
        TListLock Lock(App.ReplyStack, INFINITE);
        App.ReplyStack.Clear();
    }
    Sleep(1);

    uint32_t Result = TTapiApplication::FindReply(App.MessageStack, RequestID, 5, ReplyCode);
    if (Result != WAIT_TIMEOUT) return Result;

    const uint32_t Start = GetTickCount();
    const THandle Handles[2] = {Close, App.Get_ArrivalEvent()};
    while (Result == WAIT_TIMEOUT && !TickElapsed(Start, Timeout, GetTickCount())) {
        // While the service holds messages the event thread has not fetched,
        // the round waits for the thread's hand-off rather than for time to
        // pass: the thread signals the arrival event after every fetch and
        // when it ends, so this cannot hang, and a test clock is not moved on
        // past a reply that is already on its way.
        const uint32_t Round = FetchPending(App)
                                   ? INFINITE
                                   : std::min<uint32_t>(10, TickRemaining(Start, Timeout, GetTickCount()));
        // CloseEvent comes first, so a closed device ends the wait even when
        // messages arrived in the same moment.
        const uint32_t w = WaitForMultipleObjects(Handles[1] != 0 ? 2 : 1, Handles, false, Round);
        if (w == WAIT_OBJECT_0) return WAIT_ABANDONED;
        if (w != WAIT_TIMEOUT && w != WAIT_OBJECT_0 + 1) return w;

        while (App.ProcessTapiMessage()) {
            if (!TapiComponentAlive(Cookie, this)) return WAIT_ABANDONED;
            if (TTapiApplication::FindReply(App.ReplyStack, RequestID, 5, ReplyCode) == WAIT_OBJECT_0) {
                Result = WAIT_OBJECT_0;
                break;
            }
        }
        if (!TapiComponentAlive(Cookie, this)) return WAIT_ABANDONED;
        // A handler may have dispatched the reply itself (a nested wait, say).
        if (Result != WAIT_OBJECT_0 &&
            TTapiApplication::FindReply(App.ReplyStack, RequestID, 5, ReplyCode) == WAIT_OBJECT_0)
            Result = WAIT_OBJECT_0;
        Application()->ProcessMessages();
        if (Result != WAIT_OBJECT_0 && !TapiComponentAlive(Cookie, this)) return WAIT_ABANDONED;
    }
    return Result;
}

} // namespace kxtapi
