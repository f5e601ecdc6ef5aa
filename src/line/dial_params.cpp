// TTapiDialParams.

#include "kxtapi/line/dial_params.h"

namespace kxtapi {

void TTapiDialParams::Assign(const TPersistent* Source)
{
    if (auto* Other = dynamic_cast<const TTapiDialParams*>(Source)) {
        FDialPause = Other->FDialPause;
        FDialSpeed = Other->FDialSpeed;
        FDigitDuration = Other->FDigitDuration;
        FWaitForDialtone = Other->FWaitForDialtone;
        return;
    }
    TPersistent::Assign(Source);
}

void TTapiDialParams::Clear() noexcept
{
    FDialPause = 0;
    FDialSpeed = 0;
    FDigitDuration = 0;
    FWaitForDialtone = 0;
}

LINEDIALPARAMS* TTapiDialParams::GetParams()
{
    if (!FBlock) FBlock = std::make_unique<LINEDIALPARAMS>();
    FBlock->dwDialPause = FDialPause;
    FBlock->dwDialSpeed = FDialSpeed;
    FBlock->dwDigitDuration = FDigitDuration;
    FBlock->dwWaitForDialtone = FWaitForDialtone;
    return FBlock.get();
}

} // namespace kxtapi
