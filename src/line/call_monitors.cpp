// The call's media monitors: their settings from the line's templates, and
// digit gathering with the buffers the service writes the digits into.

#include "kxtapi/line/call_monitors.h"

#include "kxtapi/line/call.h"
#include "kxtapi/line/line.h"
#include "kxtapi/tapi/extensions.h"
#include "kxtapi/tapi/line_functions.h"

#include <cstring>

namespace kxtapi {

TTapiCallGatherDigits::TTapiCallGatherDigits(TTapiCall* ACall) : FCall(ACall)
{
    if (ACall != nullptr) Assign(ACall->Get_Line()->Get_CallOptions()->Get_GatherDigits());
}

TTapiCallGatherDigits::~TTapiCallGatherDigits()
{
    // The call may go while a gathering runs or its LINE_GATHERDIGITS is
    // still queued: the service must not write into the buffers after this.
    for (const TDigitBuffer& b : FBuffers) kxtapiCancelWriteBack(b.Bytes.get(), b.Size);
}

void TTapiCallGatherDigits::Set_Active(bool Value)
{
    if (FCall == nullptr) throw Exception("GatherDigits: No valid call");
    if (Value && FNumDigits > 0) {
        if (FActive) throw Exception("GatherDigits already running");
        Start();
    } else if (FActive) {
        Cancel();
    }
}

void TTapiCallGatherDigits::Start()
{
    // A buffer of its own for every gathering: Digits may be read, and a
    // cancelled gathering's LINE_GATHERDIGITS may still be on its way, while
    // the service holds the address of this one.
    TDigitBuffer Buffer{std::make_unique<char[]>(FNumDigits), FNumDigits};
    char* Bytes = Buffer.Bytes.get();
    FBuffers.push_back(std::move(Buffer));
    const uint32_t r = lineGatherDigitsA(FCall->Get_Handle(), FDigitModes, Bytes, FNumDigits,
                                         FTerminationDigits.empty() ? nullptr : FTerminationDigits.c_str(),
                                         FFirstDigitTimeout, FInterDigitTimeout);
    if (static_cast<int32_t>(r) < 0) {
        kxtapiCancelWriteBack(Bytes, FNumDigits);
        FBuffers.pop_back();
        FCall->Get_Line()->CheckTapiResult(r);
    }
    FDigits.assign(FNumDigits, '\0');
    FActive = true;
}

void TTapiCallGatherDigits::Cancel()
{
    FCall->Get_Line()->CheckTapiResult(
        lineGatherDigitsA(FCall->Get_Handle(), FDigitModes, nullptr, 0, nullptr, 0, 0));
    // The buffer stays: the cancelled gathering's LINE_GATHERDIGITS brings
    // what was gathered until now.
    FActive = false;
}

void TTapiCallGatherDigits::Handle_GatherDigits(uint32_t /*Termination*/)
{
    if (FBuffers.empty()) {
        // No gathering of this object (one of a call object freed before its
        // end, say): nothing was gathered here, whatever Digits held before.
        FDigits.clear();
        FActive = false;
        return;
    }
    const TDigitBuffer& Ended = FBuffers.front();
    FDigits.assign(Ended.Bytes.get(), strnlen(Ended.Bytes.get(), Ended.Size));
    FBuffers.pop_front();
    if (FBuffers.empty()) FActive = false;
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
