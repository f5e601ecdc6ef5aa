#include "demo.h"

#include "call_numbers.h"
#include "line_watch.h"
#include "lines.h"

#include <kxtapi/kxtapi.h>
#include <kxtapi/kxtapiutils.h>
#include <kxtapi/sim.h>

#include <set>
#include <stdexcept>

namespace kxphone {

using namespace kxtapi;

namespace {

/// A step that did not happen in time; the demo ends with it.
struct EStalled : std::runtime_error {
    using std::runtime_error::runtime_error;
};
struct EInterrupted {};

// Steps wait at most this long for the switch; it answers in microseconds.
constexpr uint32_t StepLimit = 5000;

class TDemo {
public:
    TDemo(TEventLoop& Loop, TEventOutput& Output, const TDemoOptions& Options)
        : FLoop(Loop), FOut(Output), FOptions(Options)
    {
    }

    void Run()
    {
        sim::Switch().Reset();
        Open(FMine, FMineWatch, "Simulated Line 1");
        Open(FOther, FOtherWatch, "Simulated Line 2");
        IncomingCall();
        OutgoingWithHoldAndTransfer();
        Conference();
        ParkAndUnpark();
        Await("every call freed", [&] { return FMine.Get_Calls()->Count() == 0 && FOther.Get_Calls()->Count() == 0; });
        Say("done");
    }

private:
    void Open(TTapiLine& Line, std::unique_ptr<TLineWatch>& Watch, const char* Name)
    {
        Watch = std::make_unique<TLineWatch>(Line, FOut, FNumbers);
        Watch->MonitorDigits = true;
        Watch->OnRecord = [this](const TEventRecord& R, TTapiCall*) {
            FSeen.insert(std::to_string(R.Call) + " " + R.Event);
        };
        // Quicker clean-up than the default, so the demo keeps moving.
        Line.Get_Options()->Set_AutoDropDiscCalls(250);
        Line.Get_Options()->Set_AutoFreeIdleCalls(250);
        OpenLine(Line, Name);
        Say(std::string("opened \"") + Name + "\", address " + Utf8(Line.Get_AddressNames()->Strings(0)));
    }

    // --- the road of an incoming call ---------------------------------------
    void IncomingCall()
    {
        Say("a call for Simulated Line 1 from Alice Example");
        const sim::TSimCallID Far = sim::Switch().OfferCall(0, "+1 206 555 0100", "Alice Example");
        TTapiCall* Call = AwaitNewCall(FMine);
        const int n = FNumbers.NumberOf(Call);
        Await("the caller's identity", [&] { return Saw(n, "CALLERID"); });
        Pause();
        sim::Switch().Ring(Far);
        Pause();
        Say("answering");
        Call->Answer();
        AwaitState(n, LINECALLSTATE_CONNECTED);
        Say("talking; Alice presses 4 and 2");
        sim::Switch().SendDigits(Far, "42");
        Await("the digits", [&] { return Saw(n, "DIGIT"); });
        Pause();
        Say("Alice hangs up; the line drops the call and frees it");
        sim::Switch().FarEndHangUp(Far);
        Await("the call to be freed", [&] { return Saw(n, "FREED"); });
    }

    // --- outgoing: hold, then a consultation transfer -------------------------
    void OutgoingWithHoldAndTransfer()
    {
        const int n = Dial("555 0123");
        Say("holding the call");
        Find(n)->Hold();
        AwaitState(n, LINECALLSTATE_ONHOLD);
        Pause();
        Say("taking it back");
        Find(n)->Unhold();
        AwaitState(n, LINECALLSTATE_CONNECTED);
        Pause();
        Say("consultation transfer to 202 (Simulated Line 2)");
        const int c = FNumbers.NumberOf(Find(n)->SetupTransfer());
        AwaitState(c, LINECALLSTATE_DIALTONE);
        Find(c)->Dial("202");
        const int o = FNumbers.NumberOf(AwaitNewCall(FOther));
        Say("Simulated Line 2 answers the consultation call");
        Find(o)->Answer();
        AwaitState(c, LINECALLSTATE_CONNECTED);
        Pause();
        Say("completing the transfer: 555 0123 now talks with Simulated Line 2");
        Find(n)->CompleteTransfer(Find(c), false);
        AwaitGone(n);
        AwaitGone(c);
        Pause();
        Say("Simulated Line 2 hangs up");
        Find(o)->Drop();
        AwaitGone(o);
    }

    // --- a three-party conference ----------------------------------------------
    void Conference()
    {
        const int n = Dial("555 0177");
        Say("setting up a conference");
        TTapiCall* Conf = nullptr;
        TTapiCall* Consult = nullptr;
        Find(n)->SetupConference(Conf, Consult);
        if (Conf == nullptr || Consult == nullptr) throw EStalled("the conference calls");
        const int f = FNumbers.NumberOf(Conf), c = FNumbers.NumberOf(Consult);
        AwaitState(c, LINECALLSTATE_DIALTONE);
        Find(c)->Dial("202");
        const int o = FNumbers.NumberOf(AwaitNewCall(FOther));
        Find(o)->Answer();
        AwaitState(c, LINECALLSTATE_CONNECTED);
        Say("adding Simulated Line 2: three parties talk");
        Find(c)->AddToConference(Find(f));
        AwaitState(c, LINECALLSTATE_CONFERENCED);
        AwaitState(f, LINECALLSTATE_CONNECTED);
        Pause();
        Say("hanging up the conference");
        Find(f)->Drop();
        AwaitGone(f);
        AwaitGone(n);
        AwaitGone(c);
        AwaitGone(o);
    }

    // --- park and unpark -----------------------------------------------------------
    void ParkAndUnpark()
    {
        const int n = Dial("555 0199");
        Say("parking the call");
        const std::string Where = Find(n)->Park();
        AwaitGone(n);
        Say("parked at " + Utf8(Where));
        Pause();
        Say("taking it back from " + Utf8(Where));
        const int u = FNumbers.NumberOf(FMine.Unpark(0, Where));
        AwaitState(u, LINECALLSTATE_CONNECTED);
        Pause();
        Say("hanging up");
        Find(u)->Drop();
        AwaitGone(u);
    }

    /// Makes a call from Simulated Line 1 that the far end answers; its number.
    int Dial(const std::string& Number)
    {
        Say("calling " + Number + " from Simulated Line 1");
        const int n = FNumbers.NumberOf(FMine.MakeCall(Number));
        AwaitState(n, LINECALLSTATE_RINGBACK);
        Pause();
        Say("the far end answers");
        sim::Switch().FarEndAnswer(Find(n)->Get_CallInfo()->GetDWORD(6));
        AwaitState(n, LINECALLSTATE_CONNECTED);
        Pause();
        return n;
    }

    // --- waiting -------------------------------------------------------------------
    void Say(const std::string& Text) { FOut.Note(Text); }

    void Pause()
    {
        if (FOptions.Pace > 0 && !FLoop.RunFor(FOptions.Pace)) throw EInterrupted{};
    }

    template <class TDone>
    void Await(const std::string& What, TDone Done)
    {
        if (FLoop.RunUntil(Done, StepLimit)) return;
        if (FLoop.Interrupted()) throw EInterrupted{};
        throw EStalled(What);
    }

    bool Saw(int Call, const char* Event) const { return FSeen.count(std::to_string(Call) + " " + Event) > 0; }

    /// The call numbered n, which the demo still needs.
    TTapiCall* Find(int n)
    {
        TTapiCall* c = TCallNumbers::Find(n, {&FMine, &FOther});
        if (c == nullptr) throw EStalled("call #" + std::to_string(n) + " went away");
        return c;
    }

    void AwaitState(int n, uint32_t State)
    {
        Await("call #" + std::to_string(n) + " " + LineCallStateToStr(State),
              [&] { return CallState(TCallNumbers::Find(n, {&FMine, &FOther})) == State; });
    }

    /// Waits until call n is idle or already freed.
    void AwaitGone(int n)
    {
        Await("call #" + std::to_string(n) + " IDLE", [&] {
            TTapiCall* c = TCallNumbers::Find(n, {&FMine, &FOther});
            return c == nullptr || CallState(c) == LINECALLSTATE_IDLE;
        });
    }

    /// Waits for a new offered call on Line and returns it.
    TTapiCall* AwaitNewCall(TTapiLine& Line)
    {
        TTapiCall* Found = nullptr;
        Await("an offered call on " + Utf8(Line.Get_DeviceName()), [&] {
            for (int i = 0; i < Line.Get_Calls()->Count(); ++i) {
                TTapiCall* c = Line.Get_Calls()->Get(i);
                if (CallState(c) == LINECALLSTATE_OFFERING) Found = c;
            }
            return Found != nullptr;
        });
        return Found;
    }

    TEventLoop& FLoop;
    TEventOutput& FOut;
    TDemoOptions FOptions;
    TCallNumbers FNumbers;
    TTapiLine FMine{nullptr};
    TTapiLine FOther{nullptr};
    std::unique_ptr<TLineWatch> FMineWatch, FOtherWatch;
    std::set<std::string> FSeen;
};

} // namespace

int RunDemo(TEventLoop& Loop, TEventOutput& Output, const TDemoOptions& Options)
{
    int Status = 0;
    {
        TDemo Demo(Loop, Output, Options);
        try {
            Demo.Run();
        } catch (const EStalled& E) {
            Output.Note(std::string("the demo stalled waiting for ") + E.what());
            Status = 1;
        } catch (const EInterrupted&) {
            Output.Note("interrupted");
            Status = 130;
        }
    }
    EndSession();
    return Status;
}

} // namespace kxphone
