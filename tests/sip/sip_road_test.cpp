// The road of an incoming call through TTapiLine against baresip: offered
// with the caller's identity, answered, hung up by the far end, dropped and
// freed; in SyncMode and in asynchronous mode.

#include "sip_fixture.h"

namespace kxtapi::testing {
namespace {

class SipRoadTest : public SipTest, public ::testing::WithParamInterface<bool> {};

TEST_P(SipRoadTest, IncomingCallAnsweredHungUpDroppedFreed)
{
    std::vector<TSipLineSpec> Lines{{"Office", "alice"}};
    Configure(Lines);
    TTapiLine Line(nullptr);
    Line.Get_Options()->Set_SyncMode(GetParam());
    TSipEventLog Log;
    Log.Attach(Line);
    Open(Line, "Office");
    ASSERT_TRUE(WaitInService(Line, true));

    TBaresip Bob;
    ASSERT_TRUE(Bob.Ready());
    ASSERT_TRUE(Bob.Command("dial", Lines[0].Uri()));
    TTapiCall* Call = WaitCall(Line, LINECALLSTATE_OFFERING);
    ASSERT_NE(Call, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("CallerID"); }));
    EXPECT_EQ(Call->Get_CallerID()->GetAddress(), "bob");
    EXPECT_EQ(Call->Get_CallerID()->GetName(), "Bob");
    EXPECT_TRUE(Call->IsIncoming());
    ASSERT_FALSE(Bob.WaitEvent("CALL_RINGING", 3000).is_null()) << "180 Ringing reached the caller";

    Call->Answer();
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Connected"); }));
    ASSERT_FALSE(Bob.WaitEvent("CALL_ESTABLISHED").is_null());

    ASSERT_TRUE(Bob.Command("hangup"));
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Disconnected"); }));
    EXPECT_EQ(Call->GetCallStatusDW(1), LINEDISCONNECTMODE_NORMAL);
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("CallDeallocate"); }, 5000));
    EXPECT_EQ(Line.Get_Calls()->Count(), 0);
    EXPECT_EQ(Log.Only({"NewCall", "Offering", "CallBegin", "Reply 0", "Connected", "Disconnected", "Idle",
                        "CallEnd", "CallDeallocate"}),
              (std::vector<std::string>{"NewCall", "Offering", "CallBegin", "Reply 0", "Connected", "Disconnected",
                                        "Reply 0", "Idle", "CallEnd", "CallDeallocate"}));
}

INSTANTIATE_TEST_SUITE_P(Modes, SipRoadTest, ::testing::Values(true, false),
                         [](const auto& i) { return i.param ? "Sync" : "Async"; });

}  // namespace
}  // namespace kxtapi::testing
