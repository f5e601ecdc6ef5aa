// A dialer: calls a number and tells by its exit status what became of the
// call, so a script can act on it.
//
//   example_dialer NUMBER [LINE]   dials from LINE (by default "Simulated
//                                  Line 1"); exit status 0 connected,
//                                  1 busy, 2 no answer, 3 rejected, 4 error
//   example_dialer --selftest      tells the simulated far end to answer, be
//                                  busy, not answer and reject, dials each
//                                  and checks the statuses
#include <kxtapi/kxtapi.h>
#include <kxtapi/kxtapiutils.h>
#include <kxtapi/sim.h>

#include <cstdio>
#include <cstring>
#include <string>

using namespace kxtapi;

namespace {

enum TOutcome { Connected = 0, Busy = 1, NoAnswer = 2, Rejected = 3, Failed = 4 };

const char* OutcomeText(int Outcome)
{
    static const char* Texts[] = {"connected", "busy", "no answer", "rejected", "error"};
    return Texts[Outcome];
}

/// Dials Number from Line and waits (at most TimeoutMs) for the outcome;
/// hangs up again before returning.
TOutcome Dial(TTapiLine& Line, const std::string& Number, uint32_t TimeoutMs)
{
    int Outcome = -1;
    Line.OnCallState = [&](TObject*, TTapiCall* Call, uint32_t State) {
        if (Outcome >= 0) return;
        if (State == LINECALLSTATE_CONNECTED) Outcome = Connected;
        if (State == LINECALLSTATE_BUSY) Outcome = Busy;
        if (State == LINECALLSTATE_DISCONNECTED) {
            // Why the call ended is the state's mode.
            switch (Call->GetCallStatusDW(1)) {
            case LINEDISCONNECTMODE_BUSY: Outcome = Busy; break;
            case LINEDISCONNECTMODE_NOANSWER: Outcome = NoAnswer; break;
            case LINEDISCONNECTMODE_REJECT: Outcome = Rejected; break;
            default: Outcome = Failed; break;
            }
        }
    };
    TTapiCall* Call = nullptr;
    try {
        // In SyncMode (the default) MakeCall returns once the switch has
        // taken the call; the states follow as events.
        Call = Line.MakeCall(Number);
        const uint32_t Start = GetTickCount();
        while (Outcome < 0 && GetTickCount() - Start < TimeoutMs) Application()->HandleMessage(50);
        if (Outcome < 0) Outcome = NoAnswer;
        // The call may have gone already; look for it before hanging up.
        if (Line.HasCall(Call) && Call->GetCallStatusDW(0) != LINECALLSTATE_IDLE) Call->Drop();
    } catch (const Exception& E) {
        std::fprintf(stderr, "%s\n", Cp1252ToUtf8(E.Message()).c_str());
        Outcome = Failed;
    }
    Line.OnCallState = nullptr;
    return static_cast<TOutcome>(Outcome);
}

int SelfTest()
{
    auto& Sim = sim::Switch();
    Sim.AddDestinationRule({"5550001", sim::faAnswer, 10});
    Sim.AddDestinationRule({"5550002", sim::faBusy, 10});
    Sim.AddDestinationRule({"5550003", sim::faNoAnswer, 10});
    Sim.AddDestinationRule({"5550004", sim::faReject, 10});
    TTapiLine Line(nullptr);
    Line.Set_DeviceName("Simulated Line 1");
    Line.Set_Active(true);
    bool Ok = true;
    const TOutcome Wanted[] = {Connected, Busy, NoAnswer, Rejected};
    for (int i = 0; i < 4; ++i) {
        const TOutcome Got = Dial(Line, "555000" + std::to_string(i + 1), 5000);
        std::printf("555000%d: %s\n", i + 1, OutcomeText(Got));
        Ok = Ok && Got == Wanted[i];
    }
    // A call the switch refuses is an error.
    Sim.InjectFault({.Kind = sim::sfFailReply, .Function = "lineMakeCallA", .Error = LINEERR_CALLUNAVAIL});
    Ok = Ok && Dial(Line, "5550001", 5000) == Failed;
    std::printf("%s\n", Ok ? "selftest passed" : "selftest FAILED");
    return Ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--selftest") == 0) return SelfTest();
    if (argc < 2) {
        std::fprintf(stderr, "usage: example_dialer NUMBER [LINE]\n");
        return Failed;
    }
    try {
        TTapiLine Line(nullptr);
        Line.Set_DeviceName(argc > 2 ? Utf8ToCp1252(argv[2]) : std::string("Simulated Line 1"));
        Line.Set_Active(true);
        const TOutcome Outcome = Dial(Line, Utf8ToCp1252(argv[1]), 60000);
        std::printf("%s\n", OutcomeText(Outcome));
        return Outcome;
    } catch (const Exception& E) {
        std::fprintf(stderr, "%s\n", Cp1252ToUtf8(E.Message()).c_str());
        return Failed;
    }
}
