// TTapiApplication: the hidden window, dispatch of queued messages to the
// devices, and the tick.

#include "kxtapi/rtl/sync.h"
#include "kxtapi/rtl/tick.h"
#include "kxtapi/session/application.h"
#include "kxtapi/session/callback_registry.h"
#include "kxtapi/session/device.h"
#include "kxtapi/tapi/message_ids.h"
#include "session/event_errors.h"

#include <vector>

namespace kxtapi {
namespace {

constexpr WPARAM NotifyMessages = 1;
constexpr WPARAM NotifyTick = 3;

} // namespace

void TTapiApplication::WindowProc(TMessage& Message)
{
    try {
        if (Message.Msg == WM_TIMER) {
            if (Message.WParam == AutoShutdownTimerID) {
                KillTimer(WindowHandle, AutoShutdownTimerID);
                if (CouldShutdown()) Shutdown();
            }
            Message.Result = 0;
            return;
        }
        if (Message.Msg == NotifyMessage) {
            if (Message.WParam == NotifyMessages) {
                // A synchronous wait drains the queue itself.
                if (WaitNesting == 0) ProcessTapiMessages();
                return;
            }
            if (Message.WParam == NotifyTick) {
                TimerEventProc();
                return;
            }
        }
        Message.Result = DefWindowProc(WindowHandle, Message.Msg, Message.WParam, Message.LParam);
    } catch (const Exception&) {
        // Swallowed, as the framework's handled errors are; the program's
        // exception hook still hears of it.
        detail::ReportEventException();
        Message.Result = DefWindowProc(WindowHandle, Message.Msg, Message.WParam, Message.LParam);
    }
}

void TTapiApplication::ProcessTapiMessages()
{
    while (ProcessTapiMessage()) {
    }
}

bool TTapiApplication::ProcessTapiMessage()
{
    TTapiMsgStackItem Item;
    {
        TListLock Lock(MessageStack, 50);
        if (!Lock || MessageStack.Count() == 0) return false;
        Item = MessageStack.Get(0);
        MessageStack.Delete(0);
    }
    // Dispatched outside the lock: the event thread keeps queueing while a
    // handler runs, and a nested dispatch takes the next record.
    try {
        Dispatch(Item);
    } catch (const Exception&) {
        detail::NoteDispatchException(Item, FindCallbackInstance(Item.Msg.dwCallbackInstance));
        throw;
    }
    return true;
}

void TTapiApplication::Dispatch(const TTapiMsgStackItem& Item)
{
    const LINEMESSAGE& m = Item.Msg;
    const uint32_t hDevice = m.hDevice, ID = m.dwMessageID, Instance = m.dwCallbackInstance;
    const uint32_t P1 = m.dwParam1, P2 = m.dwParam2, P3 = m.dwParam3;
    TTapiDeviceList& List = Item.IsLine ? static_cast<TTapiDeviceList&>(Lines) : static_cast<TTapiDeviceList&>(Phones);

    if (Instance != 0) {
        TObject* Target = FindCallbackInstance(Instance);
        auto* Device = dynamic_cast<TTapiDevice*>(Target);
        if (Device != nullptr && List.IndexOf(Device) >= 0) {
            Device->Handle_TapiMessage(hDevice, ID, P1, P2, P3);
        } else if (Item.IsLine && Target == this && ID == LINE_REQUEST) {
            Handle_LineRequest(P1, P2, P3);
        } else if (Item.IsLine && ID == LINE_REQUEST) {
            // A TTapiAppl or request recipient registered itself.
            auto* Other = dynamic_cast<TTapiComponent*>(Target);
            if (Other != nullptr && IsRegisteredOther(Other)) Other->Handle_LineRequest(P1, P2, P3);
        }
    } else if ((Item.IsLine && (ID == LINE_CREATE || ID == LINE_REMOVE)) ||
               (!Item.IsLine && (ID == PHONE_CREATE || ID == PHONE_REMOVE))) {
        DeviceListChanged(Item.IsLine, m);
    }

    if (ID == (Item.IsLine ? LINE_REPLY : PHONE_REPLY)) {
        TListLock Lock(ReplyStack, INFINITE);
        ReplyStack.AddItem(Item);
        // An application that never waits would otherwise keep every reply.
        ReplyStack.TrimTo(ReplyStackLimit);
    }
}

void TTapiApplication::DeviceListChanged(bool Line, const LINEMESSAGE& m)
{
    const uint32_t hDevice = m.hDevice, ID = m.dwMessageID;
    const uint32_t P1 = m.dwParam1, P2 = m.dwParam2, P3 = m.dwParam3;
    const bool Created = ID == (Line ? LINE_CREATE : PHONE_CREATE);
    bool Rebuilt = false;
    try {
        uint32_t& Count = Line ? LineDeviceCount : PhoneDeviceCount;
        // An identifier at the top of the range would wrap the count to 0.
        if (Created && P1 >= Count && P1 < 0xFFFFFFFFu) Count = P1 + 1;
        if (Line) Update_LineDevices();
        else Update_PhoneDevices();
        Rebuilt = true;
        const TTapiDeviceEvent& Event =
            Line ? (Created ? OnLineCreate : OnLineRemove) : (Created ? OnPhoneCreate : OnPhoneRemove);
        const char* Name = Line ? (Created ? "OnLineCreate" : "OnLineRemove")
                                : (Created ? "OnPhoneCreate" : "OnPhoneRemove");
        FireNamedEvent(Name, Event, this, P1);
        ForwardDeviceEvent(Line, Created, P1);
    } catch (...) {
        // Swallowed whatever it is; the program's exception hook hears of it.
        detail::NoteDispatchException(TTapiMsgStackItem{Line, m}, this);
        detail::ReportEventException();
        if (!Rebuilt) return;
    }
    // Every enabled device of the kind learns of the change, in list order.
    // A handler may destroy devices, so each is looked up again before it is
    // called.
    TTapiDeviceList& List = Line ? static_cast<TTapiDeviceList&>(Lines) : static_cast<TTapiDeviceList&>(Phones);
    std::vector<TTapiDevice*> Snapshot;
    for (int i = 0; i < List.Count(); ++i) Snapshot.push_back(List.Get_Items(i));
    for (TTapiDevice* Device : Snapshot) {
        if (List.IndexOf(Device) < 0) continue;
        if (Device->IsEnabled()) Device->Handle_TapiMessage(hDevice, ID, P1, P2, P3);
    }
}

void TTapiApplication::TimerEventProc()
{
    const uint32_t Tick = GetTickCount();
    for (TTapiDeviceList* List : {static_cast<TTapiDeviceList*>(&Lines), static_cast<TTapiDeviceList*>(&Phones)}) {
        TListLock Lock(*List, INFINITE);
        // From the last to the first, so a device that a handler removes
        // does not shift the ones still to come.
        for (int i = List->Count() - 1; i >= 0; --i) {
            if (i >= List->Count()) {
                i = List->Count();
                continue;
            }
            TTapiDevice* Device = List->Get_Items(i);
            if (!Device->Get_Active()) continue;
            const uint32_t Cookie = Device->Get_CallbackInstance();
            try {
                Device->Handle_InternalTimer(Tick);
            } catch (const Exception&) {
                detail::NoteTickException(Device, Cookie);
                throw;
            }
        }
    }
}

uint32_t TTapiApplication::FindReply(TTapiMessageStack& Stack, uint32_t RequestID, uint32_t Timeout,
                                     uint32_t& ReplyCode)
{
    TListLock Lock(Stack, Timeout);
    if (!Lock) return WAIT_TIMEOUT;
    for (int i = 0; i < Stack.Count(); ++i) {
        const TTapiMsgStackItem Item = Stack.Get(i);
        const uint32_t ID = Item.Msg.dwMessageID;
        if ((ID == LINE_REPLY || ID == PHONE_REPLY) && Item.Msg.dwParam1 == RequestID) {
            ReplyCode = Item.Msg.dwParam2;
            return WAIT_OBJECT_0;
        }
    }
    return WAIT_TIMEOUT;
}

} // namespace kxtapi
