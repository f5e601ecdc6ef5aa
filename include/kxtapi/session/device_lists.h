// Typed protected lists of devices, calls and addresses.
#pragma once

#include "kxtapi/session/protected_list.h"

#include <cstdint>
#include <string>

namespace kxtapi {

class TTapiDevice;
class TTapiCall;
class TTapiAddress;

/// Devices (lines or phones) by their common base. The session's lists hold
/// these; a line or phone engineer reaches the own class with a static_cast
/// of the element.
class TTapiDeviceList : public TTapiTypedList<TTapiDevice> {
public:
    std::string ClassName() const override { return "TTapiDeviceList"; }
    /// Index of the first device whose DeviceID equals DeviceID, or -1.
    int IndexOfDeviceID(int32_t DeviceID) const;
};

/// The session's registered line components.
class TTapiLineList : public TTapiDeviceList {
public:
    std::string ClassName() const override { return "TTapiLineList"; }
};

/// The session's registered phone components.
class TTapiPhoneList : public TTapiDeviceList {
public:
    std::string ClassName() const override { return "TTapiPhoneList"; }
};

/// Calls of a line. TCall provides `uint32_t Get_Handle() const` (its TAPI
/// call handle); TTapiCallList is this list for TTapiCall, usable wherever
/// TTapiCall is complete.
template <class TCall>
class TTapiCallListOf : public TTapiTypedList<TCall> {
public:
    std::string ClassName() const override { return "TTapiCallList"; }

    /// Appends Call when it is not null and not yet listed and returns its new
    /// index; otherwise adds nothing and returns the index of Call (-1 for
    /// null).
    int Add(TCall* Call)
    {
        if (Call == nullptr) return -1;
        const int i = this->IndexOf(Call);
        if (i >= 0) return i;
        return TList::Add(Call);
    }
    /// The first call whose handle is hCall, or null.
    TCall* ByHandle(uint32_t hCall) const
    {
        for (int i = 0; i < this->Count(); ++i) {
            TCall* c = this->Get_Items(i);
            if (c != nullptr && c->Get_Handle() == hCall) return c;
        }
        return nullptr;
    }
    /// Clears the list, then adds each call of Source in order (so null and
    /// repeated entries are dropped).
    void Assign(const TTapiCallListOf& Source)
    {
        if (&Source == this) {
            TTapiCallListOf Copy;
            for (int i = 0; i < Source.Count(); ++i) Copy.TList::Add(Source.Get_Items(i));
            Assign(Copy);
            return;
        }
        this->TList::Clear();
        for (int i = 0; i < Source.Count(); ++i) Add(Source.Get_Items(i));
    }
};

using TTapiCallList = TTapiCallListOf<TTapiCall>;

/// Addresses of a line.
class TTapiAddressList : public TTapiTypedList<TTapiAddress> {
public:
    std::string ClassName() const override { return "TTapiAddressList"; }
};

} // namespace kxtapi
