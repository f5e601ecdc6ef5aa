// The far end's script: steps of the configuration that the switch plays on
// its own, each a pause after the one before.

#include "service/providers/sim/sim_world.h"
#include "kxtapi/sim/switch.h"

namespace kxtapi::service::simulated {

namespace {

using kxtapi::sim::TSimScriptStep;

void RunStep(TSimWorld& W, uint64_t Run, size_t Step, uint32_t Pass);

/// Schedules step Step of pass Pass (both counted from 0), or ends the script.
void ScheduleStep(TSimWorld& W, uint64_t Run, size_t Step, uint32_t Pass)
{
    const auto& Steps = W.Script.Steps;
    if (Step == Steps.size()) {
        Step = 0;
        ++Pass;
        if (W.Script.Repeat != 0 && Pass >= W.Script.Repeat) return;
    }
    W.After(Steps[Step].Delay, [&W, Run, Step, Pass] { RunStep(W, Run, Step, Pass); });
}

void RunStep(TSimWorld& W, uint64_t Run, size_t Step, uint32_t Pass)
{
    if (Run != W.ScriptRun) return;   // a newer configuration replaced the script
    const TSimScriptStep& s = W.Script.Steps[Step];
    auto& Sw = kxtapi::sim::Switch();
    switch (s.Action) {
    case kxtapi::sim::saOffer: {
        kxtapi::sim::TSimOfferOptions Options;
        Options.CallerIDBlocked = s.Withheld;
        W.ScriptCall = Sw.OfferCall(s.Line, s.Number, s.Name, Options);
        break;
    }
    case kxtapi::sim::saRing: Sw.Ring(W.ScriptCall, s.Count); break;
    case kxtapi::sim::saDigits: Sw.SendDigits(W.ScriptCall, s.Digits); break;
    case kxtapi::sim::saHangUp: Sw.FarEndHangUp(W.ScriptCall); break;
    }
    ScheduleStep(W, Run, Step + 1, Pass);
}

}  // namespace

void TSimWorld::StartScript(const kxtapi::sim::TSimScript& NewScript)
{
    Script = NewScript;
    ScriptCall = 0;
    const uint64_t Run = ++ScriptRun;
    if (Script.Steps.empty()) return;
    // Without a pause every pass runs inside one hold of the service lock:
    // such a script runs once.
    uint64_t Total = 0;
    for (const TSimScriptStep& s : Script.Steps) Total += s.Delay;
    if (Total == 0) Script.Repeat = 1;
    ScheduleStep(*this, Run, 0, 0);
}

}  // namespace kxtapi::service::simulated
