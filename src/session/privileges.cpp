// Line and phone privileges.

#include "kxtapi/session/privileges.h"

#include "kxtapi/tapi/line_constants.h"
#include "kxtapi/tapi/phone_constants.h"

namespace kxtapi {

void TTapiLinePrivileges::Assign(const TPersistent* Source)
{
    if (auto* Other = dynamic_cast<const TTapiLinePrivileges*>(Source)) {
        FMonitor = Other->FMonitor;
        FNone = Other->FNone;
        FOwner = Other->FOwner;
        return;
    }
    TPersistent::Assign(Source);
}

uint32_t TTapiLinePrivileges::Get_Value() const noexcept
{
    uint32_t v = 0;
    if (FNone) v |= LINECALLPRIVILEGE_NONE;
    if (FMonitor) v |= LINECALLPRIVILEGE_MONITOR;
    if (FOwner) v |= LINECALLPRIVILEGE_OWNER;
    return v;
}

void TTapiLinePrivileges::Set_Value(uint32_t Value) noexcept
{
    FNone = (Value & LINECALLPRIVILEGE_NONE) != 0;
    FMonitor = (Value & LINECALLPRIVILEGE_MONITOR) != 0;
    FOwner = (Value & LINECALLPRIVILEGE_OWNER) != 0;
}

bool TTapiLinePrivileges::Get_Priv(int Index) const noexcept
{
    switch (Index) {
    case 0: return FMonitor;
    case 1: return FNone;
    case 2: return FOwner;
    default: return false;
    }
}

void TTapiLinePrivileges::Set_Priv(int Index, bool Value)
{
    switch (Index) {
    case 0:
        FMonitor = Value;
        if (Value) FNone = false;
        else if (!FOwner) FNone = true;
        break;
    case 1:
        FNone = Value;
        if (Value) {
            FMonitor = false;
            FOwner = false;
        }
        break;
    case 2:
        FOwner = Value;
        if (Value) FNone = false;
        else if (!FMonitor) FNone = true;
        break;
    default:
        break;
    }
}

void TTapiPhonePrivileges::Assign(const TPersistent* Source)
{
    if (auto* Other = dynamic_cast<const TTapiPhonePrivileges*>(Source)) {
        FOwner = Other->FOwner;
        return;
    }
    TPersistent::Assign(Source);
}

uint32_t TTapiPhonePrivileges::Get_Value() const noexcept
{
    return FOwner ? PHONEPRIVILEGE_OWNER : PHONEPRIVILEGE_MONITOR;
}

void TTapiPhonePrivileges::Set_Value(uint32_t Value)
{
    if (Value != PHONEPRIVILEGE_MONITOR && Value != PHONEPRIVILEGE_OWNER)
        throw Exception("Invalid set of PHONEPRIVILEGE_ constants");
    FOwner = Value == PHONEPRIVILEGE_OWNER;
}

bool TTapiPhonePrivileges::Get_Priv(int Index) const noexcept
{
    if (Index == 0) return !FOwner;
    if (Index == 1) return FOwner;
    return false;
}

void TTapiPhonePrivileges::Set_Priv(int Index, bool Value) noexcept
{
    if (Index == 0) FOwner = !Value;
    else if (Index == 1) FOwner = Value;
}

} // namespace kxtapi
