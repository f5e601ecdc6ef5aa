// A phone's ringer.
#pragma once

#include "kxtapi/rtl/object.h"

#include <cstdint>
#include <string>

namespace kxtapi {

class TTapiPhone;

/// The ringer of a phone. Reads come from the phone's capabilities and
/// status blocks (0 without them); a write is an asynchronous request of the
/// phone (TTapiPhone::Set_Ring) that sends the other value unchanged.
class TTapiPhoneRinger : public TObject {
public:
    /// APhone is not owned and may be null.
    explicit TTapiPhoneRinger(TTapiPhone* APhone) noexcept : FPhone(APhone) {}
    std::string ClassName() const override { return "TTapiPhoneRinger"; }

    /// The capabilities give a number of ring modes.
    bool Get_Available() const;
    /// The status block's dwRingMode (0 is silent).
    uint32_t Get_RingMode() const;
    /// The status block's dwRingVolume (0 to 0xFFFF).
    uint32_t Get_Volume() const;
    /// Set_Ring(this, Value, current Volume); returns its result. Raises
    /// Exception "No phone device" without a phone.
    uint32_t Set_RingMode(uint32_t Value);
    /// Set_Ring(this, current RingMode, Value); returns its result.
    uint32_t Set_Volume(uint32_t Value);

    TTapiPhone* Get_Phone() const noexcept { return FPhone; }

private:
    TTapiPhone* FPhone;
};

} // namespace kxtapi
