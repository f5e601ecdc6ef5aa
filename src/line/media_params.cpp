// Assignment of the media-monitor templates.

#include "kxtapi/line/media_params.h"

namespace kxtapi {

void TTapiCallGatherDigitsParams::Assign(const TPersistent* Source)
{
    if (auto* Other = dynamic_cast<const TTapiCallGatherDigitsParams*>(Source)) {
        FDigitModes = Other->FDigitModes;
        FTerminationDigits = Other->FTerminationDigits;
        FFirstDigitTimeout = Other->FFirstDigitTimeout;
        FInterDigitTimeout = Other->FInterDigitTimeout;
        FNumDigits = Other->FNumDigits;
        return;
    }
    TPersistent::Assign(Source);
}

void TTapiCallMonitorDigitsParams::Assign(const TPersistent* Source)
{
    if (auto* Other = dynamic_cast<const TTapiCallMonitorDigitsParams*>(Source)) {
        SetDigitModes(Other->FDigitModes);
        return;
    }
    TPersistent::Assign(Source);
}

void TTapiCallMonitorDigitsParams::SetDigitModes(uint32_t Value)
{
    FDigitModes = Value;
}

void TTapiCallMonitorMediaParams::Assign(const TPersistent* Source)
{
    if (auto* Other = dynamic_cast<const TTapiCallMonitorMediaParams*>(Source)) {
        SetMediaModes(Other->FMediaModes);
        return;
    }
    TPersistent::Assign(Source);
}

void TTapiCallMonitorMediaParams::SetMediaModes(uint32_t Value)
{
    FMediaModes = Value;
}

void TTapiCallMonitorSilenceParams::Assign(const TPersistent* Source)
{
    if (auto* Other = dynamic_cast<const TTapiCallMonitorSilenceParams*>(Source)) FDuration = Other->FDuration;
}

} // namespace kxtapi
