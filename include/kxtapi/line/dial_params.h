// The four dialing values of LINEDIALPARAMS.
#pragma once

#include "kxtapi/rtl/classes.h"
#include "kxtapi/tapi/line_structs.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kxtapi {

/// DialPause, DialSpeed, DigitDuration and WaitForDialtone (all published,
/// initially 0), the fields of LINEDIALPARAMS in that order.
class TTapiDialParams : public TPersistent {
public:
    TTapiDialParams() = default;
    TTapiDialParams(const TTapiDialParams&) = delete;
    TTapiDialParams& operator=(const TTapiDialParams&) = delete;

    std::string ClassName() const override { return "TTapiDialParams"; }

    /// From another TTapiDialParams copies the four values; any other source
    /// raises EAssignError.
    void Assign(const TPersistent* Source) override;

    uint32_t Get_DialPause() const noexcept { return FDialPause; }
    void Set_DialPause(uint32_t Value) noexcept { FDialPause = Value; }
    uint32_t Get_DialSpeed() const noexcept { return FDialSpeed; }
    void Set_DialSpeed(uint32_t Value) noexcept { FDialSpeed = Value; }
    uint32_t Get_DigitDuration() const noexcept { return FDigitDuration; }
    void Set_DigitDuration(uint32_t Value) noexcept { FDigitDuration = Value; }
    uint32_t Get_WaitForDialtone() const noexcept { return FWaitForDialtone; }
    void Set_WaitForDialtone(uint32_t Value) noexcept { FWaitForDialtone = Value; }

    /// Sets all four values to 0.
    void Clear() noexcept;

    /// The object's own LINEDIALPARAMS, filled with the current values. The
    /// same block every time (allocated by the first call, refilled by each);
    /// it lives as long as this object.
    LINEDIALPARAMS* GetParams();

private:
    uint32_t FDialPause = 0;
    uint32_t FDialSpeed = 0;
    uint32_t FDigitDuration = 0;
    uint32_t FWaitForDialtone = 0;
    std::unique_ptr<LINEDIALPARAMS> FBlock;
};

} // namespace kxtapi
