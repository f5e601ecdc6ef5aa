// TTapiCall: the short forms of the line's media operations.

#include "kxtapi/line/call.h"
#include "kxtapi/line/line.h"

namespace kxtapi {

void TTapiCall::GenerateDigits(const std::string& Digits, uint32_t Duration)
{
    FLine->GenerateDigits(this, Digits, Duration, LINEDIGITMODE_DTMF);
}

void TTapiCall::GeneratePulseDigits(const std::string& Digits, uint32_t Duration)
{
    FLine->GenerateDigits(this, Digits, Duration, LINEDIGITMODE_PULSE);
}

void TTapiCall::GenerateTone(uint32_t ToneMode, uint32_t Duration)
{
    FLine->GenerateCallTone(this, ToneMode, Duration, 0, nullptr);
}

void TTapiCall::MonitorTone(uint32_t Frequency1, uint32_t Frequency2, uint32_t Frequency3, uint32_t Duration,
                            uint32_t AppSpecific)
{
    LINEMONITORTONE Tone{};
    Tone.dwAppSpecific = AppSpecific;
    Tone.dwDuration = Duration;
    Tone.dwFrequency1 = Frequency1;
    Tone.dwFrequency2 = Frequency2;
    Tone.dwFrequency3 = Frequency3;
    FLine->MonitorTones(this, &Tone, 1);
}

} // namespace kxtapi
