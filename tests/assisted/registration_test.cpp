// The three registrations as make-call request recipient inside one program:
// the session (AssistMakeCall), TTapiAppl.RequestMakeCall and
// TTapiRequestRecipient, and which of them a request reaches.

#include "assisted_fixture.h"

#include "service/requests/listener.h"

#include <sys/stat.h>

namespace kxtapi::testing {
namespace {

using Registration = AssistedTest;

sim::TSimFault FailCall(const char* Function, uint32_t Count = 1)
{
    sim::TSimFault f;
    f.Kind = sim::sfFailCall;
    f.Function = Function;
    f.Count = Count;
    return f;
}

TEST_F(Registration, AssistMakeCallSetTwiceRegistersOnceAndHoldsTheSession)
{
    TTapiApplication& App = *TapiApplication;
    App.Set_AutoShutdown(0);
    App.Set_AssistMakeCall(true);
    EXPECT_TRUE(App.IsActive());
    // A second registration would meet this fault and raise.
    Sim.InjectFault(FailCall("lineRegisterRequestRecipient"));
    EXPECT_NO_THROW(App.Set_AssistMakeCall(true));
    Sim.ClearFaults();

    // Other programs reach it through its socket, which only its owner may use.
    const std::string Socket = service::RequestListener().Get_SocketPath();
    struct stat st;
    ASSERT_EQ(stat(Socket.c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(stat(RequestDirectory().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    EXPECT_FALSE(App.CouldShutdown());
    TTapiAppl Appl(nullptr);
    Appl.Set_Enabled(true);
    Appl.Set_Enabled(false);
    EXPECT_TRUE(App.IsActive()) << "AutoShutdown 0 does not stop a registered session";

    App.Set_AssistMakeCall(false);
    EXPECT_TRUE(App.CouldShutdown());
    EXPECT_NE(stat(Socket.c_str(), &st), 0) << "the socket goes with the last registration";
    EXPECT_EQ(Sim.RequestMakeCall("555"), TAPIERR_NOREQUESTRECIPIENT);
}

TEST_F(Registration, RefusalsRaiseAndLeaveTheWishesAsTheyWere)
{
    TTapiApplication& App = *TapiApplication;
    Sim.InjectFault(FailCall("lineRegisterRequestRecipient"));
    try {
        App.Set_AssistMakeCall(true);
        ADD_FAILURE() << "no ETapiError";
    } catch (const ETapiError& e) {
        EXPECT_EQ(e.ErrorCode, LINEERR_OPERATIONFAILED);
    }
    EXPECT_FALSE(App.Get_AssistMakeCall());

    TTapiRequestRecipient Recipient(nullptr);
    Sim.InjectFault(FailCall("lineRegisterRequestRecipient"));
    EXPECT_THROW(Recipient.Set_Enabled(true), ETapiError);
    EXPECT_TRUE(Recipient.Get_Enabled()) << "the wish stays";
    EXPECT_FALSE(Recipient.IsEnabled()) << "not registered, so not enabled";
    Recipient.ApplyEnabled();
    EXPECT_TRUE(Recipient.IsEnabled());

    // Refused unregistration: it stays enabled and registered.
    Sim.InjectFault(FailCall("lineRegisterRequestRecipient"));
    EXPECT_THROW(Recipient.Set_Enabled(false), ETapiError);
    EXPECT_TRUE(Recipient.IsEnabled());
    EXPECT_EQ(Sim.RequestMakeCall("555"), 0u);

    Sim.InjectFault(FailCall("lineSetAppPriorityA"));
    EXPECT_THROW(Recipient.RegisterAppl(), ETapiError);
    EXPECT_NO_THROW(Recipient.RegisterAppl());
    EXPECT_NO_THROW(Recipient.UnregisterAppl());
}

TEST_F(Registration, TheSessionGetsEachRequestWithItsFourFields)
{
    TTapiApplication& App = *TapiApplication;
    App.Set_AssistMakeCall(true);
    int Raised = 0;
    App.OnRequestMakeCall = [&](TObject* Sender, const std::string& Dest, const std::string& AppName,
                                const std::string& Called, const std::string& Comment) {
        Seen.push_back({Sender, Dest, AppName, Called, Comment, std::this_thread::get_id()});
        if (++Raised == 1) throw std::runtime_error("the application's own failure");
    };
    ASSERT_EQ(Sim.RequestMakeCall("+1 206 555 0100", "Dialer", "Reception", "call back"), 0u);
    ASSERT_EQ(Sim.RequestMakeCall("555 0101", "Dialer", "Sales", ""), 0u);
    ASSERT_TRUE(PumpUntil([&] { return Seen.size() == 2; }));
    EXPECT_EQ(Seen[0].Sender, &App);
    EXPECT_EQ(Seen[0].DestAddress, "+1 206 555 0100");
    EXPECT_EQ(Seen[0].AppName, "Dialer");
    EXPECT_EQ(Seen[0].CalledParty, "Reception");
    EXPECT_EQ(Seen[0].Comment, "call back");
    // The first handler threw; the second request still came, comment empty.
    EXPECT_EQ(Seen[1].DestAddress, "555 0101");
    EXPECT_EQ(Seen[1].CalledParty, "Sales");
    EXPECT_EQ(Seen[1].Comment, "");
}

TEST_F(Registration, OnlyMakeCallModeFetchesAndAFailedFetchIsSilent)
{
    TTapiApplication& App = *TapiApplication;
    App.Set_AssistMakeCall(true);
    App.OnRequestMakeCall = Recorder(Seen);
    ASSERT_EQ(Sim.RequestMakeCall("555", "A"), 0u);
    // A media-call request leaves the queued make-call request where it is.
    App.Handle_LineRequest(LINEREQUESTMODE_MEDIACALL, 0, 0);
    EXPECT_TRUE(Seen.empty());
    ASSERT_TRUE(PumpUntil([&] { return Seen.size() == 1; }));
    EXPECT_EQ(Seen[0].DestAddress, "555");
    // Nothing left to fetch: no event, no exception.
    EXPECT_NO_THROW(App.Handle_LineRequest(LINEREQUESTMODE_MAKECALL, 0, 0));
    Sim.InjectFault(FailCall("lineGetRequestA"));
    ASSERT_EQ(Sim.RequestMakeCall("556"), 0u);
    ASSERT_EQ(Sim.RequestMakeCall("557"), 0u);
    ASSERT_TRUE(PumpUntil([&] { return Seen.size() == 2; }));
    EXPECT_EQ(Seen[1].DestAddress, "556") << "the failed fetch dropped nothing from the queue";
}

TEST_F(Registration, ComponentsGetTheRequestsOfTheirOwnRegistration)
{
    TTapiApplication& App = *TapiApplication;
    App.Set_AssistMakeCall(true);
    App.OnRequestMakeCall = Recorder(Seen);
    std::vector<TSeenRequest> ForRecipient, ForAppl;
    {
        TTapiRequestRecipient Recipient(nullptr);
        Recipient.OnRequestMakeCall = Recorder(ForRecipient);
        Recipient.Set_Enabled(true);
        ASSERT_EQ(Sim.RequestMakeCall("1", "App", "Party", "Note"), 0u);
        ASSERT_TRUE(PumpUntil([&] { return ForRecipient.size() == 1; }));
        EXPECT_EQ(ForRecipient[0].Sender, &Recipient);
        EXPECT_EQ(ForRecipient[0].AppName, "App") << "all four fields, not only two";
        EXPECT_EQ(ForRecipient[0].CalledParty, "Party");
        EXPECT_EQ(ForRecipient[0].Comment, "Note");

        TTapiAppl Appl(nullptr);
        Appl.OnRequestMakeCall = Recorder(ForAppl);
        Appl.Set_Enabled(true);
        Appl.Set_RequestMakeCall(true);
        ASSERT_EQ(Sim.RequestMakeCall("2"), 0u);
        ASSERT_TRUE(PumpUntil([&] { return ForAppl.size() == 1; })) << "the newest registration";
        EXPECT_EQ(ForAppl[0].Sender, &Appl);

        // Letting go of one registration leaves the others of the program.
        Appl.Set_RequestMakeCall(false);
        ASSERT_EQ(Sim.RequestMakeCall("3"), 0u);
        ASSERT_TRUE(PumpUntil([&] { return ForRecipient.size() == 2; }));
        EXPECT_EQ(ForRecipient[1].DestAddress, "3");
    }
    // The destroyed recipient took its registration along.
    ASSERT_EQ(Sim.RequestMakeCall("4"), 0u);
    ASSERT_TRUE(PumpUntil([&] { return Seen.size() == 1; }));
    EXPECT_EQ(Seen[0].DestAddress, "4");
    EXPECT_EQ(ForAppl.size(), 1u);

    // The handler-less forms raise two of the four fields.
    TTapiRequestRecipient Plain(nullptr);
    std::vector<TSeenRequest> ForPlain;
    Plain.OnRequestMakeCall = Recorder(ForPlain);
    Plain.Handle_Request("5", "Desk");
    ASSERT_EQ(ForPlain.size(), 1u);
    EXPECT_EQ(ForPlain[0].DestAddress, "5");
    EXPECT_EQ(ForPlain[0].AppName, "");
    EXPECT_EQ(ForPlain[0].CalledParty, "Desk");
    EXPECT_EQ(ForPlain[0].Comment, "");
}

TEST_F(Registration, RecipientEnabledWhileLoadingRegistersAtLoaded)
{
    TTapiRequestRecipient Recipient(nullptr);
    Recipient.OnRequestMakeCall = Recorder(Seen);
    Recipient.SetLoading(true);
    Recipient.Set_Enabled(true);
    EXPECT_FALSE(Recipient.IsEnabled());
    EXPECT_EQ(Sim.RequestMakeCall("555"), TAPIERR_NOREQUESTRECIPIENT);
    Recipient.Loaded();
    EXPECT_TRUE(Recipient.IsEnabled());
    ASSERT_EQ(Sim.RequestMakeCall("555"), 0u);
    ASSERT_TRUE(PumpUntil([&] { return Seen.size() == 1; }));

    // Done withdraws without raising, and says what the service answered.
    EXPECT_EQ(Recipient.Done(), 0);
    EXPECT_EQ(Sim.RequestMakeCall("556"), TAPIERR_NOREQUESTRECIPIENT);
    EXPECT_EQ(Recipient.Done(), static_cast<int32_t>(LINEERR_NOTREGISTERED));
}

TEST_F(Registration, RegisteredComponentsKeepTheSessionFromStoppingByItself)
{
    TTapiApplication& App = *TapiApplication;
    App.Set_AutoShutdown(0);
    TTapiRequestRecipient Recipient(nullptr);
    Recipient.Set_Enabled(true);
    TTapiAppl Appl(nullptr);
    Appl.Set_Enabled(true);
    Appl.Set_RequestMakeCall(true);
    EXPECT_FALSE(App.CouldShutdown());
    Recipient.Set_Enabled(false);
    EXPECT_FALSE(App.CouldShutdown()) << "the TTapiAppl's registration still holds it";
    Appl.Set_RequestMakeCall(false);
    EXPECT_TRUE(App.CouldShutdown());
    Recipient.Set_Enabled(true);
    Recipient.Set_Enabled(false);
    EXPECT_FALSE(App.IsActive()) << "the last registration let go under AutoShutdown 0";
}

TEST_F(Registration, ARestartedSessionRegistersAgain)
{
    TTapiApplication& App = *TapiApplication;
    App.Set_AssistMakeCall(true);
    App.OnRequestMakeCall = Recorder(Seen);
    App.Set_Active(false);
    EXPECT_EQ(Sim.RequestMakeCall("555"), TAPIERR_NOREQUESTRECIPIENT);
    App.Set_Active(true);
    EXPECT_TRUE(App.Get_AssistMakeCall());
    ASSERT_EQ(Sim.RequestMakeCall("555"), 0u);
    EXPECT_TRUE(PumpUntil([&] { return Seen.size() == 1; }));
}

}  // namespace
}  // namespace kxtapi::testing
