// The icon of a telephony device.
#pragma once

#include "kxtapi/rtl/classes.h"

#include <cstdint>
#include <string>

namespace kxtapi {

/// A device's icon: the icon handle the telephony service gave for it (0:
/// none). The handle belongs to the service; clearing only forgets it.
class TTapiIcon : public TPersistent {
public:
    std::string ClassName() const override { return "TTapiIcon"; }
    void Assign(const TPersistent* Source) override;

    uint32_t Get_Handle() const noexcept { return FHandle; }
    void Set_Handle(uint32_t Value) noexcept { FHandle = Value; }
    bool Empty() const noexcept { return FHandle == 0; }
    void Clear() noexcept { FHandle = 0; }

private:
    uint32_t FHandle = 0;
};

} // namespace kxtapi
