// The call's media monitors: their settings from the line's templates, and
// the end of a gathering.

#include "kxtapi/line/call_monitors.h"

#include "kxtapi/line/call.h"
#include "kxtapi/line/line.h"
#include "kxtapi/tapi/extensions.h"

#include <cstring>

namespace kxtapi {

TTapiCallGatherDigits::TTapiCallGatherDigits(TTapiCall* ACall) : FCall(ACall)
{
    if (ACall != nullptr) Assign(ACall->Get_Line()->Get_CallOptions()->Get_GatherDigits());
}

TTapiCallGatherDigits::~TTapiCallGatherDigits()
{
    if (!FDigits.empty()) kxtapiCancelWriteBack(FDigits.data(), static_cast<uint32_t>(FDigits.size()));
}

void TTapiCallGatherDigits::Handle_GatherDigits(uint32_t /*Termination*/)
{
    const size_t End = std::strlen(FDigits.c_str());
    FDigits.resize(End);
    FActive = false;
}

TTapiCallMonitorDigits::TTapiCallMonitorDigits(TTapiCall* ACall) : FCall(ACall)
{
    if (ACall != nullptr) Assign(ACall->Get_Line()->Get_CallOptions()->Get_MonitorDigits());
}

TTapiCallMonitorMedia::TTapiCallMonitorMedia(TTapiCall* ACall) : FCall(ACall)
{
    if (ACall != nullptr) Assign(ACall->Get_Line()->Get_CallOptions()->Get_MonitorMedia());
}

TTapiCallMonitorSilence::TTapiCallMonitorSilence(TTapiCall* ACall) : FCall(ACall)
{
    if (ACall != nullptr) Assign(ACall->Get_Line()->Get_CallOptions()->Get_MonitorSilence());
}

} // namespace kxtapi
