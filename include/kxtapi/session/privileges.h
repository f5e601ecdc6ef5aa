// The privileges a line or a phone is opened with.
#pragma once

#include "kxtapi/rtl/classes.h"

#include <cstdint>
#include <string>

namespace kxtapi {

/// Line privileges: Monitor, None and Owner (published), kept consistent by
/// Set_Priv: None excludes the other two, and clearing the last of them sets
/// None.
class TTapiLinePrivileges : public TPersistent {
public:
    std::string ClassName() const override { return "TTapiLinePrivileges"; }
    void Assign(const TPersistent* Source) override;

    /// LINECALLPRIVILEGE_NONE (1), _MONITOR (2) and _OWNER (4) ORed as set.
    uint32_t Get_Value() const noexcept;
    /// Takes the three flags from bits 1, 2 and 4 as they are.
    void Set_Value(uint32_t Value) noexcept;

    /// Index 0 Monitor, 1 None, 2 Owner; other indexes read false.
    bool Get_Priv(int Index) const noexcept;
    /// Index 0 Monitor, 1 None, 2 Owner; other indexes do nothing.
    virtual void Set_Priv(int Index, bool Value);

    bool Get_Monitor() const noexcept { return FMonitor; }
    void Set_Monitor(bool Value) { Set_Priv(0, Value); }
    bool Get_None() const noexcept { return FNone; }
    void Set_None(bool Value) { Set_Priv(1, Value); }
    bool Get_Owner() const noexcept { return FOwner; }
    void Set_Owner(bool Value) { Set_Priv(2, Value); }

private:
    bool FMonitor = false;
    bool FNone = false;
    bool FOwner = false;
};

/// Phone privilege: owner or monitor, exactly one of the two.
class TTapiPhonePrivileges : public TPersistent {
public:
    std::string ClassName() const override { return "TTapiPhonePrivileges"; }
    void Assign(const TPersistent* Source) override;

    /// PHONEPRIVILEGE_OWNER (2) when owner, else PHONEPRIVILEGE_MONITOR (1).
    uint32_t Get_Value() const noexcept;
    /// Value must be 1 or 2; anything else raises Exception "Invalid set of
    /// PHONEPRIVILEGE_ constants" and changes nothing.
    void Set_Value(uint32_t Value);

    /// Index 0 Monitor (not owner), 1 Owner.
    bool Get_Priv(int Index) const noexcept;
    void Set_Priv(int Index, bool Value) noexcept;

    bool Get_Monitor() const noexcept { return !FOwner; }
    void Set_Monitor(bool Value) noexcept { Set_Priv(0, Value); }
    bool Get_Owner() const noexcept { return FOwner; }
    void Set_Owner(bool Value) noexcept { Set_Priv(1, Value); }

private:
    bool FOwner = false;
};

} // namespace kxtapi
