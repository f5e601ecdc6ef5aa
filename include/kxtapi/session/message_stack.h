// The queue of TAPI messages between the event thread and the main thread.
#pragma once

#include "kxtapi/session/protected_list.h"
#include "kxtapi/tapi/line_structs.h"
#include "kxtapi/tapi/phone_structs.h"

#include <cstdint>
#include <string>

namespace kxtapi {

/// One queued message: the six values common to LINEMESSAGE and
/// PHONEMESSAGE, and which of the two it came as.
struct TTapiMsgStackItem {
    bool IsLine = true;
    LINEMESSAGE Msg{};
};

/// A first-in, first-out queue of messages (appended at the end, taken from
/// index 0), despite its name. Owns its records. None of the operations
/// locks: callers hold the lock (Acquire/Release) as the session does.
class TTapiMessageStack : public TProtectedList {
public:
    TTapiMessageStack() = default;
    ~TTapiMessageStack() override;
    std::string ClassName() const override { return "TTapiMessageStack"; }

    /// A copy of the record at Index.
    TTapiMsgStackItem Get(int Index) const;
    /// Overwrites the record at Index with a copy of Item.
    void Put(int Index, const TTapiMsgStackItem& Item);
    void AddLineMsg(const LINEMESSAGE& Msg);
    void AddPhoneMsg(const PHONEMESSAGE& Msg);
    /// Appends a copy of Item.
    void AddItem(const TTapiMsgStackItem& Item);
    /// Frees the record at Index and removes it.
    void Delete(int Index);
    /// Frees every record.
    void Clear() override;
    /// Frees the oldest records until at most Limit remain.
    void TrimTo(int Limit);

    /// One line describing the record at Index:
    /// "MsgStack[0] LINE:  hDevice=x1, dwMessageID=xC, ..." (hexadecimal in
    /// upper case; "PHONE: " for a phone record).
    std::string GetDebugStr(int Index) const;

private:
    TTapiMsgStackItem* Record(int Index) const { return static_cast<TTapiMsgStackItem*>(TList::Get(Index)); }
};

} // namespace kxtapi
