// Outstanding asynchronous requests and timed terms of a device.
#pragma once

#include "kxtapi/rtl/object.h"
#include "kxtapi/session/protected_list.h"

#include <cstdint>
#include <string>

namespace kxtapi {

/// One outstanding request (or timed term): its identifier, the kind of
/// operation the filing Part chose, its time-out counted from StartTick, and
/// three slots for the objects it concerns (slot 0 is what
/// TTapiRequestList::IndexOfRequest and RemoveAllRequests match).
class TTapiRequest : public TObject {
public:
    /// Stores ID and Timeout; StartTick is the current tick.
    TTapiRequest(int32_t AID, uint32_t ATimeout);
    std::string ClassName() const override { return "TTapiRequest"; }

    /// Slot Index (0, 1 or 2); any other index raises Exception.
    TObject* Get_Object(int Index) const;
    void Set_Object(int Index, TObject* Value);

    /// True once Timeout ms have passed since StartTick at Tick. The test is
    /// made on the difference, so it holds across the wrap of the 32-bit
    /// tick. A Timeout of 0 or INFINITE (0xFFFFFFFF) never expires, and
    /// neither does a request made after Tick (by up to 2^31 ms): a scan that
    /// read the tick before its handlers filed new requests leaves those alone.
    bool Expired(uint32_t Tick) const noexcept;

    int32_t ID;
    uint32_t Kind = 0;
    uint32_t Timeout;
    uint32_t StartTick;
    TObject* Objects[3] = {nullptr, nullptr, nullptr};
};

/// The requests of a device. Owns them: removing a request frees it. The
/// operations take no lock; callers Acquire where they must.
class TTapiRequestList : public TTapiTypedList<TTapiRequest> {
public:
    ~TTapiRequestList() override;
    std::string ClassName() const override { return "TTapiRequestList"; }

    /// The smallest positive identifier no listed request uses.
    int32_t GetUniqueID() const;

    /// Files a new request (Kind 0, empty slots) and returns it. An ID of 0 or
    /// less takes GetUniqueID; no time-out given takes DefaultTimeout.
    TTapiRequest* AddRequest();
    TTapiRequest* AddRequest(int32_t ID);
    TTapiRequest* AddRequest(int32_t ID, uint32_t Timeout);

    /// Index of the first request matching every criterion that is given:
    /// ID (0 matches any), Kind (0 matches any), Obj against slot 0 (null
    /// matches any); -1 when none matches.
    int IndexOfRequest(int32_t ID, uint32_t Kind, const TObject* Obj) const;
    /// The first request with that ID (IndexOfRequest(ID, 0, null)), or null.
    TTapiRequest* GetRequest(int32_t ID) const;
    /// Index of the first request with that ID, or -1.
    int IndexOfID(int32_t ID) const;

    /// Takes the request at Index out of the list without freeing it; the
    /// caller owns it afterwards.
    TTapiRequest* Extract(int Index);
    /// Frees the request at Index and removes it.
    void DeleteRequest(int Index);
    /// Frees and removes every request whose slot 0 is Obj; all of them for
    /// a null Obj.
    void RemoveAllRequests(const TObject* Obj);
    /// Frees every request.
    void Clear() override;

    /// Time-out of the AddRequest forms that take none; INFINITE at first,
    /// which never expires.
    uint32_t DefaultTimeout = 0xFFFFFFFF;
};

} // namespace kxtapi
