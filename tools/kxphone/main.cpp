// kxphone: a telephone on the simulated switch, from the command line.
//
//   kxphone            the demo (the same as --demo)
//   kxphone --demo     opens "Simulated Line 1", lets a caller ring, shows
//                      who calls, answers, and shows the far end hanging up
//   kxphone --selftest the demo without pauses; exits 0 when every step
//                      happened in order, 1 otherwise
//
// Everything it prints comes from the line component's events.

#include <kxtapi/kxtapi.h>
#include <kxtapi/kxtapiutils.h>
#include <kxtapi/sim.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace kxtapi;

namespace {

class TPhoneDemo {
public:
    explicit TPhoneDemo(bool Paced) : FPaced(Paced), FStart(std::chrono::steady_clock::now()) {}

    int Run()
    {
        Application()->SetMainThread();
        sim::Switch().Reset();
        FTimer = AllocateHWnd([this](TMessage& M) {
            if (M.Msg == WM_TIMER) OnTimer(static_cast<uint32_t>(M.WParam));
        });
        TTapiLine Line(nullptr);
        FLine = &Line;
        Attach(Line);
        try {
            Line.Set_DeviceName("Simulated Line 1");
            Line.Set_Active(true);
        } catch (const Exception& E) {
            Print("cannot open the line: " + E.Message());
            return 1;
        }
        Print("line \"" + Line.Get_DeviceName() + "\" open, address " + Line.Get_AddressNames()->Strings(0) +
              ", waiting for calls");
        Step("offer", 1, Pause(500));
        SetTimer(FTimer, 99, 20000);   // the whole demo, at most
        Application()->Run();
        KillTimer(FTimer, 99);
        Line.Set_Active(false);
        DeallocateHWnd(FTimer);
        if (TapiApplication->IsActive()) TapiApplication->Shutdown();
        return FFailed ? 1 : 0;
    }

    const std::vector<std::string>& Seen() const { return FSeen; }

private:
    uint32_t Pause(uint32_t Ms) const { return FPaced ? Ms : 1; }

    void Print(const std::string& Text)
    {
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - FStart).count();
        std::printf("[%6.3f] %s\n", s, Text.c_str());
        std::fflush(stdout);
    }
    void Saw(const std::string& What) { FSeen.push_back(What); }

    void Step(const char* What, uint32_t ID, uint32_t Ms)
    {
        (void)What;
        SetTimer(FTimer, ID, Ms);
    }

    void OnTimer(uint32_t ID)
    {
        KillTimer(FTimer, ID);
        auto& Sim = sim::Switch();
        switch (ID) {
        case 1:   // a caller rings
            FCall = Sim.OfferCall(0, "+1 206 555 0100", "Alice Example");
            Step("ring", 2, Pause(1000));
            break;
        case 2:   // rings again
            Sim.Ring(FCall);
            Step("answer", 3, Pause(1000));
            break;
        case 3:   // the user picks up
            if (FOffered == nullptr) return Fail("no call to answer");
            Print("answering");
            try {
                FOffered->Answer();
            } catch (const Exception& E) {
                return Fail("answer failed: " + E.Message());
            }
            break;
        case 4:   // the caller hangs up
            Print("the caller hangs up");
            Sim.FarEndHangUp(FCall);
            break;
        case 99: Fail("the demo did not finish in time"); break;
        default: break;
        }
    }

    void Fail(const std::string& Why)
    {
        Print("FAILED: " + Why);
        FFailed = true;
        Application()->Terminate();
    }

    void Attach(TTapiLine& Line)
    {
        Line.OnOffering = [this](TObject*, TTapiCall* Call) {
            FOffered = Call;
            Saw("offering");
            Print("incoming call on address " + FLine->Get_AddressNames()->Strings(0));
        };
        Line.OnRing = [this](TObject*, uint32_t, uint32_t Count) {
            Saw("ring");
            Print("ring " + IntToStr(Count));
        };
        Line.OnCallerID = [this](TObject*, TTapiCall* Call) {
            Saw("callerid");
            TTapiCallPartyID* Who = Call->Get_CallerID();
            Print("caller: " + Who->GetAddress() + (Who->GetName().empty() ? "" : " (" + Who->GetName() + ")"));
        };
        Line.OnCallState = [this](TObject*, TTapiCall*, uint32_t State) {
            Print("call state: " + LineCallStateToStr(State));
        };
        Line.OnConnected = [this](TObject*, TTapiCall* Call) {
            Saw("connected");
            Print("connected with " + Call->Get_CallerID()->GetAddress());
            Step("hang up", 4, Pause(1500));
        };
        Line.OnDisconnected = [this](TObject*, TTapiCall*) {
            Saw("disconnected");
            Print("the far end has hung up; the line drops the call");
        };
        Line.OnIdle = [this](TObject*, TTapiCall*) { Saw("idle"); };
        Line.OnCallDeallocate = [this](TObject*, TTapiCall* Call) {
            Saw("freed");
            const uint32_t Seconds = (Call->Get_EndTick() - Call->Get_BeginTick()) / 1000;
            Print("call finished after " + IntToStr(Seconds) + " s; released");
            FOffered = nullptr;
            Application()->Terminate();
        };
        Line.OnTapiReply = [this](TObject*, uint32_t ID, uint32_t Code) {
            Print("request " + IntToStr(ID) + (Code == 0 ? " done" : " failed: " + TapiErrorText(Code)));
        };
    }

    bool FPaced;
    std::chrono::steady_clock::time_point FStart;
    HWND FTimer = 0;
    TTapiLine* FLine = nullptr;
    TTapiCall* FOffered = nullptr;
    sim::TSimCallID FCall = 0;
    bool FFailed = false;
    std::vector<std::string> FSeen;
};

bool InOrder(const std::vector<std::string>& Seen, const std::vector<std::string>& Wanted)
{
    size_t i = 0;
    for (const std::string& s : Seen)
        if (i < Wanted.size() && s == Wanted[i]) ++i;
    return i == Wanted.size();
}

} // namespace

int main(int argc, char** argv)
{
    const std::string Mode = argc > 1 ? argv[1] : "--demo";
    if (Mode != "--demo" && Mode != "--selftest") {
        std::fprintf(stderr, "usage: kxphone [--demo | --selftest]\n");
        return 2;
    }
    const bool SelfTest = Mode == "--selftest";
    TPhoneDemo Demo(!SelfTest);
    const int r = Demo.Run();
    if (!SelfTest) return r;
    const bool Ok = r == 0 && InOrder(Demo.Seen(), {"offering", "ring", "callerid", "connected", "disconnected",
                                                     "idle", "freed"});
    std::printf(Ok ? "selftest passed\n" : "selftest FAILED\n");
    return Ok ? 0 : 1;
}
