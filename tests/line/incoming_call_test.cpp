// An incoming call answered, end to end on the simulated switch: offered,
// answered (synchronously and asynchronously), hung up by the far end,
// dropped and freed by the line's clean-up, with the caller's identity.

#include "line_fixture.h"

namespace kxtapi::testing {
namespace {

using IncomingCallTest = LineTest;

const std::vector<std::string> RoadEvents = {
    "NewCall",   "CallState 2",  "Offering",     "CallBegin", "Reply 0",  "CallState 100", "Connected",
    "CallState 4000", "Disconnected", "CallState 1", "Idle", "CallEnd", "CallDeallocate"};

// The road after the answer: the far end hangs up, the line drops the call
// and frees it, each after its delay.
void FinishRoad(TTapiLine& Line, TEventLog& Log, sim::TSimCallID Id,
                std::function<void(uint32_t)> Tick)
{
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Connected"); }));
    sim::Switch().FarEndHangUp(Id);
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Disconnected"); }));
    ASSERT_EQ(Line.Get_Calls()->Count(), 1);
    // The clean-up waits for AutoDropDiscCalls, measured from the state.
    Tick(400);
    EXPECT_FALSE(Log.Has("Idle"));
    Tick(100);
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("CallEnd"); }));
    EXPECT_EQ(Line.Get_Calls()->Count(), 1);
    Tick(400);
    EXPECT_FALSE(Log.Has("CallDeallocate"));
    Tick(100);
    EXPECT_TRUE(Log.Has("CallDeallocate"));
    EXPECT_EQ(Line.Get_Calls()->Count(), 0);
    EXPECT_EQ(Line.Get_UnboundCalls()->Count(), 0);
}

} // namespace

TEST_F(IncomingCallTest, AnsweredInSyncModeFromOfferToFree)
{
    TTapiLine Line(nullptr);
    TEventLog Log;
    Log.Attach(Line);
    OpenLine(Line);
    std::string CallerNumber, CallerName;
    Line.OnCallerID = [&](TObject* Sender, TTapiCall* Call) {
        EXPECT_EQ(Sender, &Line);
        CallerNumber = Call->Get_CallerID()->GetAddress();
        CallerName = Call->Get_CallerID()->GetName();
        Log.Add("CallerID");
    };

    const sim::TSimCallID Id = Sim.OfferCall(0, "+1 206 555 0100", "Alice");
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("CallerID"); }));
    ASSERT_EQ(Line.Get_Calls()->Count(), 1);
    TTapiCall* Call = Line.Get_Calls()->Get(0);
    EXPECT_EQ(CallerNumber, "+1 206 555 0100");
    EXPECT_EQ(CallerName, "Alice");
    EXPECT_TRUE(Call->IsOffering());
    EXPECT_TRUE(Call->IsIncoming());
    EXPECT_TRUE(Log.Has("Ring 1"));
    // The information event comes before the party event it carries.
    EXPECT_EQ(Log.Only({"CallInfo 8000", "CallerID"}), (std::vector<std::string>{"CallInfo 8000", "CallerID"}));

    // In SyncMode Answer returns once its reply has arrived; the reply is
    // handled (OnTapiReply) when it is dispatched.
    Call->Answer();
    EXPECT_EQ(Sim.CallState(Id), LINECALLSTATE_CONNECTED);
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Reply 0"); }));
    EXPECT_EQ(Call->PendingRequest(), 0u);

    FinishRoad(Line, Log, Id, [this](uint32_t Ms) { Tick(Ms); });
    // The line's own drop is a second reply, between the two states.
    EXPECT_EQ(Log.Only(RoadEvents),
              (std::vector<std::string>{"NewCall", "CallState 2", "Offering", "CallBegin", "Reply 0",
                                        "CallState 100", "Connected", "CallState 4000", "Disconnected", "Reply 0",
                                        "CallState 1", "Idle", "CallEnd", "CallDeallocate"}));
}

TEST_F(IncomingCallTest, AnsweredInAsyncModeTheReplyComesLater)
{
    TTapiLine Line(nullptr);
    Line.Get_Options()->Set_SyncMode(false);
    TEventLog Log;
    Log.Attach(Line);
    OpenLine(Line);

    const sim::TSimCallID Id = Sim.OfferCall(0, "+49 89 1234", "Bob");
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Offering"); }));
    TTapiCall* Call = Line.Get_Calls()->Get(0);
    Call->Answer();
    // Filed and pending: nothing has been dispatched yet.
    EXPECT_FALSE(Log.Has("Reply 0"));
    EXPECT_EQ(Call->PendingRequest(), static_cast<uint32_t>(lrkAnswer));
    EXPECT_NE(Line.Get_LastRequestID(), 0u);

    FinishRoad(Line, Log, Id, [this](uint32_t Ms) { Tick(Ms); });
    EXPECT_EQ(Log.Only(RoadEvents),
              (std::vector<std::string>{"NewCall", "CallState 2", "Offering", "CallBegin", "Reply 0",
                                        "CallState 100", "Connected", "CallState 4000", "Disconnected", "Reply 0",
                                        "CallState 1", "Idle", "CallEnd", "CallDeallocate"}));
}

TEST_F(IncomingCallTest, AnsweredFromTheOfferingHandler)
{
    // The answer's wait runs inside the event that raised OnOffering, and
    // the connected state arrives from inside it.
    TTapiLine Line(nullptr);
    TEventLog Log;
    Log.Attach(Line);
    Line.OnOffering = [&](TObject*, TTapiCall* Call) {
        Log.Add("Offering");
        Call->Answer("hello");
        Log.Add("Answered");
    };
    OpenLine(Line);
    const sim::TSimCallID Id = Sim.OfferCall(0, "100");
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Connected"); }));
    // The reply is dispatched inside the wait or after it, whichever the
    // event thread's timing gives; the call's own events keep their order.
    EXPECT_EQ(Log.Only({"Offering", "Answered", "CallBegin", "Connected"}),
              (std::vector<std::string>{"Offering", "Answered", "CallBegin", "Connected"}));
    EXPECT_TRUE(PumpUntil([&] { return Log.Has("Reply 0"); }));
    sim::TSimCallInfo Info;
    ASSERT_TRUE(Sim.CallInfo(Id, Info));
    EXPECT_EQ(Info.UserUserInfo, "hello");
}

TEST_F(IncomingCallTest, WithheldNumberAndCallerIDFromTheStart)
{
    TTapiLine Line(nullptr);
    TEventLog Log;
    Log.Attach(Line);
    OpenLine(Line);
    sim::TSimOfferOptions Options;
    Options.CallerIDBlocked = true;
    Options.CallerIDAfterRing = false;
    Sim.OfferCall(0, "", "", Options);
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Offering"); }));
    TTapiCall* Call = Line.Get_Calls()->Get(0);
    EXPECT_TRUE(Call->Get_CallerID()->Blocked());
    EXPECT_EQ(Call->Get_CallerID()->GetAddress(), "");
    EXPECT_FALSE(Log.Has("CallerID"));
}

TEST_F(IncomingCallTest, WithheldCallerRaisesOnCallerIDAfterTheFirstRing)
{
    TTapiLine Line(nullptr);
    TEventLog Log;
    Log.Attach(Line);
    OpenLine(Line);
    uint32_t FlagsAtCallerID = 0;
    std::string NumberAtCallerID = "unset";
    Line.OnCallerID = [&](TObject*, TTapiCall* Call) {
        FlagsAtCallerID = Call->Get_CallerID()->GetFlags();
        NumberAtCallerID = Call->Get_CallerID()->GetAddress();
        Log.Add("CallerID");
    };
    Line.OnRing = [&](TObject*, uint32_t, uint32_t) { Log.Add("Ring"); };
    sim::TSimOfferOptions Options;
    Options.CallerIDBlocked = true;
    Sim.OfferCall(0, "+1 206 555 0100", "Hidden", Options);
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("CallerID"); }));
    EXPECT_EQ(Log.Only({"Offering", "Ring", "CallerID"}),
              (std::vector<std::string>{"Offering", "Ring", "CallerID"}));
    EXPECT_EQ(FlagsAtCallerID, static_cast<uint32_t>(LINECALLPARTYID_BLOCKED));
    EXPECT_EQ(NumberAtCallerID, "");   // the number the caller withheld never reaches the line
    EXPECT_TRUE(Line.Get_Calls()->Get(0)->Get_CallerID()->Blocked());
}

} // namespace kxtapi::testing
