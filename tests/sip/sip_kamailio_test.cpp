// Kamailio as registrar and proxy with digest authentication: two lines of
// the library register and call each other through it; a wrong password
// puts a line out of service with the reason; Kamailio stopped and started
// again: the lines go out of service, come back, and calls work again; a
// closed line is un-registered.

#include "sip_fixture.h"

namespace kxtapi::testing {
namespace {

using SipKamailioTest = SipTest;

// Alice calls Bob by his user name through the proxy; Bob answers and Alice
// hangs up.
void CallThrough(TTapiLine& Alice, TTapiLine& Bob)
{
    TTapiCall* Call = Alice.MakeCall("bob");
    ASSERT_NE(Call, nullptr);
    TTapiCall* Offered = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (Offered = SipTest::CallIn(Bob, LINECALLSTATE_OFFERING)) != nullptr; }));
    ASSERT_TRUE(PumpUntil([&] { return Offered->Get_CallerID()->GetAddress() == "alice"; }));
    Offered->Answer();
    ASSERT_TRUE(PumpUntil([&] { return Call->GetCallStatusDW(0) == LINECALLSTATE_CONNECTED; }));
    Call->Drop();
    ASSERT_TRUE(PumpUntil([&] { return Alice.Get_Calls()->Count() == 0 && Bob.Get_Calls()->Count() == 0; }));
}

TEST_F(SipKamailioTest, RegisteredLinesCallThroughTheProxyAndSurviveItsRestart)
{
    TKamailio K({{"alice", "alice-pw"}, {"bob", "bob-pw"}, {"eve", "eve-pw"}});
    ASSERT_TRUE(K.Ready());
    const std::string Via = "\"domain\": \"127.0.0.1:" + std::to_string(K.Port()) + "\", \"outbound_proxy\": \"" +
                            K.Uri() + ";lr\", \"expires\": 10";
    std::vector<TSipLineSpec> Lines{{"Alice", "alice"}, {"Bob", "bob"}, {"Eve", "eve"}};
    for (auto& l : Lines) {
        l.Registrar = K.Uri();
        l.Extra = Via;
    }
    Lines[0].Password = "alice-pw";
    Lines[1].Password = "bob-pw";
    Lines[2].Password = "not-eves-pw";
    Configure(Lines);
    // The fixture writes "domain" itself; the proxy's domain comes after it
    // and wins (the later key of a JSON object counts).
    TTapiLine Alice(nullptr), Bob(nullptr), Eve(nullptr);
    Open(Alice, "Alice");
    Open(Bob, "Bob");
    Open(Eve, "Eve");
    ASSERT_TRUE(WaitInService(Alice, true));
    ASSERT_TRUE(WaitInService(Bob, true));
    std::string Why;
    ASSERT_TRUE(PumpUntil([&] {
        InService(Eve, &Why);
        return Why.find("registration failed") != std::string::npos;
    }));
    EXPECT_FALSE(InService(Eve));
    EXPECT_EQ(Why, "registration failed: 401 Unauthorized (the registrar refused the account's auth_user and "
                   "password)");
    EXPECT_EQ(Why.find("not-eves-pw"), std::string::npos);

    CallThrough(Alice, Bob);

    // Gone: the refresh is not answered and the registration runs out.
    K.Stop();
    ASSERT_TRUE(WaitInService(Alice, false, 15000));
    ASSERT_TRUE(WaitInService(Bob, false, 5000));
    InService(Alice, &Why);
    EXPECT_EQ(Why, "registration lapsed: the registrar did not answer the refresh");

    // Back: the lines register again and calls go through.
    ASSERT_TRUE(K.Start());
    ASSERT_TRUE(WaitInService(Alice, true, 15000));
    ASSERT_TRUE(WaitInService(Bob, true, 15000));
    CallThrough(Alice, Bob);

    // Closing the line un-registers it: the proxy knows Bob no more.
    Bob.Set_Active(false);
    TTapiCall* Call = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        // A call made before the un-REGISTER arrived still reaches the
        // closed line (480); the line's clean-up frees it, and we try again.
        if (Call && !Alice.HasCall(Call)) Call = nullptr;
        if (!Call) {
            Call = Alice.MakeCall("bob");
            return false;
        }
        return Call->GetCallStatusDW(0) == LINECALLSTATE_DISCONNECTED &&
               Call->GetCallStatusDW(1) == LINEDISCONNECTMODE_BADADDRESS;
    }));
    // The session ends while Kamailio still runs, so its un-REGISTERs are
    // answered.
    ResetSession();
}

}  // namespace
}  // namespace kxtapi::testing
