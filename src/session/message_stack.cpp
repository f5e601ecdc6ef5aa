// TTapiMessageStack: the owned records of the message queue.

#include "kxtapi/session/message_stack.h"

#include "kxtapi/rtl/format.h"

namespace kxtapi {

TTapiMessageStack::~TTapiMessageStack()
{
    Clear();
}

TTapiMsgStackItem TTapiMessageStack::Get(int Index) const
{
    return *Record(Index);
}

void TTapiMessageStack::Put(int Index, const TTapiMsgStackItem& Item)
{
    *Record(Index) = Item;
}

void TTapiMessageStack::AddItem(const TTapiMsgStackItem& Item)
{
    auto* Copy = new TTapiMsgStackItem(Item);
    try {
        TList::Add(Copy);
    } catch (...) {
        delete Copy;
        throw;
    }
}

void TTapiMessageStack::AddLineMsg(const LINEMESSAGE& Msg)
{
    TTapiMsgStackItem Item;
    Item.IsLine = true;
    Item.Msg = Msg;
    AddItem(Item);
}

void TTapiMessageStack::AddPhoneMsg(const PHONEMESSAGE& Msg)
{
    TTapiMsgStackItem Item;
    Item.IsLine = false;
    Item.Msg.hDevice = Msg.hDevice;
    Item.Msg.dwMessageID = Msg.dwMessageID;
    Item.Msg.dwCallbackInstance = Msg.dwCallbackInstance;
    Item.Msg.dwParam1 = Msg.dwParam1;
    Item.Msg.dwParam2 = Msg.dwParam2;
    Item.Msg.dwParam3 = Msg.dwParam3;
    AddItem(Item);
}

void TTapiMessageStack::Delete(int Index)
{
    TTapiMsgStackItem* r = Record(Index);
    TList::Delete(Index);
    delete r;
}

void TTapiMessageStack::Clear()
{
    while (Count() > 0) Delete(Count() - 1);
}

void TTapiMessageStack::TrimTo(int Limit)
{
    if (Limit < 0) Limit = 0;
    while (Count() > Limit) Delete(0);
}

std::string TTapiMessageStack::GetDebugStr(int Index) const
{
    const TTapiMsgStackItem r = Get(Index);
    const uint32_t h = r.Msg.hDevice, id = r.Msg.dwMessageID, cb = r.Msg.dwCallbackInstance;
    const uint32_t p1 = r.Msg.dwParam1, p2 = r.Msg.dwParam2, p3 = r.Msg.dwParam3;
    return Format(r.IsLine ? "MsgStack[%d] LINE:  hDevice=x%X, dwMessageID=x%X, dwCallbackInstance=x%X, "
                             "dwParam1=x%X, dwParam2=x%X, dwParam3=x%X"
                           : "MsgStack[%d] PHONE: hDevice=x%X, dwMessageID=x%X, dwCallbackInstance=x%X, "
                             "dwParam1=x%X, dwParam2=x%X, dwParam3=x%X",
                  Index, h, id, cb, p1, p2, p3);
}

} // namespace kxtapi
