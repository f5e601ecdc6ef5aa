// Call control on the simulated switch, run in SyncMode and in asynchronous
// mode: two lines of this process, A on "Simulated Line 1" (201) and B on
// "Simulated Line 2" (202), and helpers that bring calls into the states the
// operations start from.
#pragma once

#include "line_fixture.h"

#include <string>

namespace kxtapi::testing {

/// The message of the plain Exception F raises ("ETapiError" for a
/// service error, "" when nothing is raised).
template <class F>
std::string Refusal(F&& Fn)
{
    try {
        Fn();
    } catch (const ETapiError&) {
        return "ETapiError";
    } catch (const Exception& E) {
        return E.Message();
    }
    return "";
}

class CallControlTest : public LineTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        for (TTapiLine* L : {&A, &B}) L->Get_Options()->Set_SyncMode(GetParam());
        Log.Attach(A);
        A.OnTapiTimeout = [this](TObject*, uint32_t) { Log.Add("Timeout"); };
        OpenLine(A, 0);
        OpenLine(B, 1);
    }
    void TearDown() override { Sim.ClearFaults(); }

    bool Sync() const { return GetParam(); }

    /// Pumps until Call's cached state is State.
    static bool Await(TTapiCall* Call, uint32_t State)
    {
        return PumpUntil([&] { return Call->GetCallStatusDW(0) == State; });
    }
    /// Pumps until the line has no request left (the replies handled).
    static bool Settled(TTapiLine& L)
    {
        return PumpUntil([&] { return L.Get_Requests()->Count() == 0; });
    }
    /// Pumps until Line's newest call is in State; that call.
    static TTapiCall* AwaitNewCall(TTapiLine& L, uint32_t State)
    {
        TTapiCall* Found = nullptr;
        PumpUntil([&] {
            const int n = L.Get_Calls()->Count();
            if (n > 0 && L.Get_Calls()->Get(n - 1)->GetCallStatusDW(0) == State) Found = L.Get_Calls()->Get(n - 1);
            return Found != nullptr;
        });
        return Found;
    }

    /// An outgoing call of A to the far end, answered there.
    TTapiCall* ConnectedCall(const std::string& Number = "5550100")
    {
        TTapiCall* Call = A.MakeCall(Number);
        EXPECT_NE(Call, nullptr);
        if (Call == nullptr) return nullptr;
        const sim::TSimCallID Id = Sim.LastCall(0);
        EXPECT_TRUE(PumpUntil([&] { return A.HasCall(Call) && Call->GetCallStatusDW(0) == LINECALLSTATE_RINGBACK; }));
        Sim.FarEndAnswer(Id);
        EXPECT_TRUE(Await(Call, LINECALLSTATE_CONNECTED));
        return Call;
    }
    /// A call from Number offered to A.
    TTapiCall* OfferedCall(const std::string& Number = "5550199")
    {
        Sim.OfferCall(0, Number);
        return AwaitNewCall(A, LINECALLSTATE_OFFERING);
    }

    /// How many times the switch was asked for Function.
    int Called(const std::string& Function) const
    {
        int n = 0;
        for (const sim::TSimLogEntry& e : Sim.Log())
            if (e.Function == Function) ++n;
        return n;
    }
    /// The switch's record of the call it last saw on Line.
    sim::TSimCallInfo SimCall(sim::TSimCallID Id) const
    {
        sim::TSimCallInfo Info;
        EXPECT_TRUE(Sim.CallInfo(Id, Info));
        return Info;
    }

    /// The ETapiError code F raises (0 when it raises nothing of that kind).
    template <class F>
    static uint32_t TapiError(F&& Fn)
    {
        try {
            Fn();
        } catch (const ETapiError& E) {
            return E.ErrorCode;
        }
        return 0;
    }

    /// Injects a fault of Kind for Function, for every use until cleared.
    void Fault(sim::TSimFaultKind Kind, const std::string& Function, uint32_t Error = LINEERR_OPERATIONFAILED,
               uint32_t Delay = 0)
    {
        sim::TSimFault F;
        F.Kind = Kind;
        F.Function = Function;
        F.Error = Error;
        F.Delay = Delay;
        F.Count = 0;
        Sim.InjectFault(F);
    }

    TTapiLine A{nullptr};
    TTapiLine B{nullptr};
    TEventLog Log;
};

inline std::string ModeName(const ::testing::TestParamInfo<bool>& Info)
{
    return Info.param ? "Sync" : "Async";
}

} // namespace kxtapi::testing
