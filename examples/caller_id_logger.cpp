// A caller-ID logger: one line per incoming call with the time, the line and
// who calls: the number and name, or "withheld". It only listens (monitor
// privilege), so another program may answer the calls.
//
//   example_caller_id_logger [LINE]     logs the calls of LINE (by default
//                                       "Simulated Line 1") until Ctrl-C
//   example_caller_id_logger --selftest three calls on the simulated switch:
//                                       a named caller, a number alone and a
//                                       withheld one; exits 0 when all three
//                                       are logged as they should be
//
// A switch sends the caller's identity with the offered call or after the
// first ring (OnCallerID); a withheld caller comes as an identity with the
// blocked flag. Either way each call is logged once.
#include <kxtapi/kxtapi.h>
#include <kxtapi/sim.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

using namespace kxtapi;

namespace {

class TCallerIDLogger {
public:
    explicit TCallerIDLogger(const std::string& LineName)
    {
        FLine.Get_Privileges()->Set_Value(LINECALLPRIVILEGE_MONITOR);   // listen only
        FLine.OnOffering = [this](TObject*, TTapiCall* Call) {
            // The identity may be there already; if not, OnCallerID brings it.
            if (Call->Get_CallerID()->GetFlags() & ~LINECALLPARTYID_UNKNOWN) Log(Call);
        };
        FLine.OnCallerID = [this](TObject*, TTapiCall* Call) { Log(Call); };
        FLine.Set_DeviceName(LineName);
        FLine.Set_Active(true);
    }

    std::vector<std::string> Logged;

private:
    void Log(TTapiCall* Call)
    {
        if (!Call->Get_Notes("logged").empty()) return;
        Call->Set_Notes("logged", "yes");
        TTapiCallPartyID* Who = Call->Get_CallerID();
        std::string Caller;
        if (Who->Blocked()) {
            Caller = "withheld";
        } else {
            Caller = Who->GetAddress().empty() ? "unknown number" : Who->GetAddress();
            if (!Who->GetName().empty()) Caller += " (" + Who->GetName() + ")";
        }
        char When[32];
        const std::time_t Now = std::time(nullptr);
        std::strftime(When, sizeof When, "%Y-%m-%d %H:%M:%S", std::localtime(&Now));
        // The library's texts are Windows-1252; the terminal wants UTF-8.
        const std::string Line = Cp1252ToUtf8(FLine.Get_DeviceName() + ": " + Caller);
        std::printf("%s  %s\n", When, Line.c_str());
        std::fflush(stdout);
        Logged.push_back(Caller);
    }

    TTapiLine FLine{nullptr};
};

int SelfTest()
{
    auto& Sim = sim::Switch();
    TCallerIDLogger Logger("Simulated Line 1");
    sim::TSimOfferOptions FromStart, Withheld;
    FromStart.CallerIDAfterRing = false;   // the number comes with the call
    Withheld.CallerIDBlocked = true;       // the number comes after the first ring, blocked
    const sim::TSimCallID Calls[] = {Sim.OfferCall(0, "+1 206 555 0100", "Alice Example"),
                                     Sim.OfferCall(0, "555 0111", "", FromStart),
                                     Sim.OfferCall(0, "555 0199", "Should not show", Withheld)};
    for (int i = 0; i < 300 && Logger.Logged.size() < 3; ++i) Application()->HandleMessage(10);
    for (sim::TSimCallID c : Calls) Sim.FarEndHangUp(c);
    const std::vector<std::string> Wanted = {"+1 206 555 0100 (Alice Example)", "555 0111", "withheld"};
    const bool Ok = Logger.Logged == Wanted;
    std::printf("%s\n", Ok ? "selftest passed" : "selftest FAILED");
    return Ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--selftest") == 0) return SelfTest();
    try {
        TCallerIDLogger Logger(argc > 1 ? Utf8ToCp1252(argv[1]) : std::string("Simulated Line 1"));
        Application()->Run();   // until the program is ended
    } catch (const Exception& E) {
        std::fprintf(stderr, "%s\n", Cp1252ToUtf8(E.Message()).c_str());
        return 1;
    }
}
