// TTapiLine: generating digits and tones on a call, and monitoring its tones
// and media modes. TAPI carries these out at once: there is no request to
// file and nothing to wait for, in SyncMode too.

#include "kxtapi/line/line.h"

#include "kxtapi/rtl/format.h"
#include "kxtapi/session/errors.h"
#include "kxtapi/tapi/line_functions.h"

namespace kxtapi {
namespace {

// These functions answer 0 or an error; anything else is a failure too.
void CheckImmediateResult(uint32_t Result)
{
    if (Result != 0) throw ETapiError(Result);
}

} // namespace

void TTapiLine::GenerateDigits(TTapiCall* Call, const std::string& Digits, uint32_t Duration, uint32_t DigitMode)
{
    TEventScope Scope(*this);
    CheckLineActive();
    CheckCallListed(Call, Format("Unable to generate digits. No valid call of %s.", Get_DeviceName()));
    CheckImmediateResult(lineGenerateDigitsA(Call->Get_Handle(), DigitMode, Digits.c_str(), Duration));
}

void TTapiLine::GenerateCallTone(TTapiCall* Call, uint32_t ToneMode, uint32_t Duration, uint32_t NumTones,
                                 const LINEGENERATETONE* Tones)
{
    TEventScope Scope(*this);
    CheckLineActive();
    CheckCallListed(Call, Format("Unable to generate tone. No valid call of %s.", Get_DeviceName()));
    CheckImmediateResult(lineGenerateTone(Call->Get_Handle(), ToneMode, Duration, NumTones, Tones));
}

void TTapiLine::MonitorTones(TTapiCall* Call, const LINEMONITORTONE* Tones, uint32_t NumEntries)
{
    TEventScope Scope(*this);
    CheckLineActive();
    CheckCallListed(Call, Format("Unable to monitor tone. No valid call of %s.", Get_DeviceName()));
    CheckImmediateResult(lineMonitorTones(Call->Get_Handle(), Tones, NumEntries));
}

void TTapiLine::MonitorCallMedia(TTapiCall* Call, uint32_t MediaModes)
{
    TEventScope Scope(*this);
    CheckLineActive();
    CheckCallListed(Call, Format("Unable to monitor media. No valid call of %s.", Get_DeviceName()));
    CheckImmediateResult(lineMonitorMedia(Call->Get_Handle(), MediaModes));
}

} // namespace kxtapi
