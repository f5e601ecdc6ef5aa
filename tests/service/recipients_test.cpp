// Assisted telephony: request recipients and their make-call requests.

#include "service_fixture.h"

namespace kxtapi::testing {
namespace {

using Recipients = ServiceTest;

TEST_F(Recipients, ARegisteredRecipientGetsTheRequestAsLineRequest)
{
    TLineApp a;
    ASSERT_EQ(a.Init(), 0u);
    EXPECT_EQ(Sim.RequestMakeCall("555"), TAPIERR_NOREQUESTRECIPIENT);
    ASSERT_EQ(lineRegisterRequestRecipient(a.App, 0x5E55, LINEREQUESTMODE_MAKECALL, 1), 0u);
    EXPECT_EQ(Sim.RequestMakeCall("+1 (206) 555-0100", "Dialer", "Reception", ""), 0u);
    LINEMESSAGE m = a.Next();
    EXPECT_EQ(m.dwMessageID, LINE_REQUEST);
    EXPECT_EQ(m.hDevice, 0u);
    EXPECT_EQ(m.dwCallbackInstance, 0x5E55u);
    EXPECT_EQ(m.dwParam1, LINEREQUESTMODE_MAKECALL);
    LINEREQMAKECALL r;
    ASSERT_EQ(lineGetRequestA(a.App, LINEREQUESTMODE_MAKECALL, &r), 0u);
    EXPECT_STREQ(r.szDestAddress, "+1 (206) 555-0100");
    EXPECT_STREQ(r.szAppName, "Dialer");
    EXPECT_STREQ(r.szCalledParty, "Reception");
    EXPECT_STREQ(r.szComment, "");
    EXPECT_EQ(lineGetRequestA(a.App, LINEREQUESTMODE_MAKECALL, &r), LINEERR_NOREQUEST);
    EXPECT_EQ(lineGetRequestA(a.App, LINEREQUESTMODE_MEDIACALL, &r), LINEERR_NOTREGISTERED);
    EXPECT_EQ(lineGetRequestA(a.App, LINEREQUESTMODE_DROP, &r), LINEERR_INVALREQUESTMODE);
}

TEST_F(Recipients, RegistrationRulesAndLongFieldsAreCut)
{
    TLineApp a, b;
    ASSERT_EQ(a.Init(), 0u);
    ASSERT_EQ(b.Init(), 0u);
    EXPECT_EQ(lineRegisterRequestRecipient(a.App, 1, LINEREQUESTMODE_MAKECALL, 0), LINEERR_NOTREGISTERED);
    EXPECT_EQ(lineRegisterRequestRecipient(a.App, 1, 8, 1), LINEERR_INVALREQUESTMODE);
    ASSERT_EQ(lineRegisterRequestRecipient(b.App, 2, LINEREQUESTMODE_MAKECALL, 1), 0u);
    ASSERT_EQ(lineRegisterRequestRecipient(a.App, 1, LINEREQUESTMODE_MAKECALL, 1), 0u);
    EXPECT_EQ(Sim.RequestMakeCall("1", std::string(100, 'x')), 0u);
    EXPECT_EQ(a.Next().dwMessageID, LINE_REQUEST) << "the most recent registration gets it";
    EXPECT_TRUE(b.Drain().empty());
    LINEREQMAKECALL r;
    ASSERT_EQ(lineGetRequestA(a.App, LINEREQUESTMODE_MAKECALL, &r), 0u);
    EXPECT_EQ(std::string(r.szAppName), std::string(39, 'x'));
    ASSERT_EQ(lineRegisterRequestRecipient(a.App, 1, LINEREQUESTMODE_MAKECALL, 0), 0u);
    EXPECT_EQ(Sim.RequestMakeCall("2"), 0u);
    EXPECT_EQ(b.Next().dwMessageID, LINE_REQUEST);
    EXPECT_EQ(Sim.RequestMakeCall(""), TAPIERR_INVALDESTADDRESS);
    EXPECT_EQ(Sim.RequestMakeCall(std::string(80, '1')), TAPIERR_INVALDESTADDRESS);
}

TEST_F(Recipients, EachRegistrationInstanceCountsOnItsOwn)
{
    TLineApp a;
    ASSERT_EQ(a.Init(), 0u);
    ASSERT_EQ(lineRegisterRequestRecipient(a.App, 7, LINEREQUESTMODE_MAKECALL, 1), 0u);
    ASSERT_EQ(lineRegisterRequestRecipient(a.App, 9, LINEREQUESTMODE_MAKECALL, 1), 0u);
    EXPECT_EQ(lineRegisterRequestRecipient(a.App, 8, LINEREQUESTMODE_MAKECALL, 0), LINEERR_NOTREGISTERED);
    EXPECT_EQ(Sim.RequestMakeCall("1"), 0u);
    EXPECT_EQ(a.Next().dwCallbackInstance, 9u) << "the newest instance is named";
    ASSERT_EQ(lineRegisterRequestRecipient(a.App, 9, LINEREQUESTMODE_MAKECALL, 0), 0u);
    EXPECT_EQ(Sim.RequestMakeCall("2"), 0u) << "one instance letting go leaves the other";
    EXPECT_EQ(a.Next().dwCallbackInstance, 7u);
    LINEREQMAKECALL r;
    ASSERT_EQ(lineGetRequestA(a.App, LINEREQUESTMODE_MAKECALL, &r), 0u);
    EXPECT_STREQ(r.szDestAddress, "1");
    ASSERT_EQ(lineRegisterRequestRecipient(a.App, 7, LINEREQUESTMODE_MAKECALL, 0), 0u);
    EXPECT_EQ(lineGetRequestA(a.App, LINEREQUESTMODE_MAKECALL, &r), LINEERR_NOTREGISTERED)
        << "the last one takes the queue along";
    EXPECT_EQ(Sim.RequestMakeCall("3"), TAPIERR_NOREQUESTRECIPIENT);
}

TEST_F(Recipients, ThePriorityListPicksTheRecipient)
{
    TLineApp a, b;
    ASSERT_EQ(a.Init("first"), 0u);
    ASSERT_EQ(b.Init("second"), 0u);
    ASSERT_EQ(lineRegisterRequestRecipient(b.App, 2, LINEREQUESTMODE_MAKECALL, 1), 0u);
    ASSERT_EQ(lineRegisterRequestRecipient(a.App, 1, LINEREQUESTMODE_MAKECALL, 1), 0u);
    EXPECT_EQ(Sim.RequestMakeCall("1"), 0u);
    EXPECT_EQ(a.Next().dwMessageID, LINE_REQUEST) << "without priorities, the most recent registration";
    EXPECT_EQ(lineSetAppPriorityA("/opt/apps/SECOND", 0, nullptr, LINEREQUESTMODE_MAKECALL, nullptr, 1), 0u);
    EXPECT_EQ(Sim.RequestMakeCall("2"), 0u);
    EXPECT_EQ(b.Next().dwMessageID, LINE_REQUEST) << "the program at the top of the list";
    EXPECT_EQ(lineSetAppPriorityA("/opt/apps/second", 0, nullptr, LINEREQUESTMODE_MAKECALL, nullptr, 0), 0u);
    EXPECT_EQ(Sim.RequestMakeCall("3"), 0u);
    EXPECT_EQ(a.Next().dwMessageID, LINE_REQUEST) << "priority 0 takes it off the list";
    EXPECT_EQ(lineSetAppPriorityA(nullptr, 0, nullptr, LINEREQUESTMODE_MAKECALL, nullptr, 1), LINEERR_INVALAPPNAME);
    EXPECT_EQ(lineSetAppPriorityA("x", 0, nullptr, 9, nullptr, 1), LINEERR_INVALREQUESTMODE);
    EXPECT_EQ(lineSetAppPriorityA("x", 6, nullptr, 0, nullptr, 1), LINEERR_INVALMEDIAMODE);
    EXPECT_EQ(lineSetAppPriorityA("x", 4, nullptr, 0, nullptr, 2), LINEERR_INVALPARAM);
}

}  // namespace
}  // namespace kxtapi::testing
