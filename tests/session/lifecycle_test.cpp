// Starting and stopping the session: Active, enabling components, the
// AutoShutdown rule and the session's settings.

#include "session_fixture.h"

namespace kxtapi::testing {
namespace {

using LifecycleTest = SessionTest;

TEST_F(LifecycleTest, ActiveStartsAndStopsEverything)
{
    TTapiApplication& App = *TapiApplication;
    int Inits = 0, Shutdowns = 0;
    App.OnInitialize = [&](TObject* S) {
        EXPECT_EQ(S, &App);
        ++Inits;
        throw Exception("a handler that raises does not stop the start");
    };
    App.OnShutdown = [&](TObject*) { ++Shutdowns; };

    App.Set_Active(true);
    ASSERT_TRUE(App.IsActive());
    EXPECT_NE(App.PhoneAppHandle, 0u);
    EXPECT_NE(App.WindowHandle, 0u);
    EXPECT_NE(App.LineEventHandle, 0u);
    ASSERT_NE(App.Get_EventThread(), nullptr);
    EXPECT_EQ(App.LineDeviceCount, 2u);
    EXPECT_EQ(App.LineDevices.Count(), 2);
    EXPECT_EQ(Inits, 1);

    // A second Init while the usage handle is set touches nothing.
    const uint32_t Handle = App.LineAppHandle;
    EXPECT_EQ(App.Init("again"), LINEERR_NOMULTIPLEINSTANCE);
    EXPECT_EQ(App.LineAppHandle, Handle);
    App.Set_Active(true);
    EXPECT_EQ(Inits, 1);

    const HWND Window = App.WindowHandle;
    App.Set_Active(false);
    EXPECT_FALSE(App.IsActive());
    EXPECT_EQ(App.PhoneAppHandle, 0u);
    EXPECT_EQ(App.WindowHandle, 0u);
    EXPECT_FALSE(IsWindow(Window));
    EXPECT_EQ(App.Get_EventThread(), nullptr);
    EXPECT_EQ(Shutdowns, 1);
}

TEST_F(LifecycleTest, NoDevicesStillActive)
{
    sim::TSimConfig Empty = sim::DefaultSimConfig();
    Empty.Lines.clear();
    Empty.Phones.clear();
    Sim.Configure(Empty);
    TapiApplication->Set_Active(true);
    EXPECT_TRUE(TapiApplication->IsActive());
    EXPECT_EQ(TapiApplication->LineDevices.Count(), 0);
    EXPECT_EQ(TapiApplication->PhoneDevices.Count(), 0);
}

TEST_F(LifecycleTest, AppNameIsFixedWhileActive)
{
    TTapiApplication& App = *TapiApplication;
    EXPECT_EQ(App.Get_AppName(), TTapiApplication::DefaultApplName());
    EXPECT_EQ(App.Get_AppName().find('/'), std::string::npos);
    EXPECT_FALSE(App.Get_AppName().empty());
    App.Set_AppName("Front desk");
    App.Set_Active(true);
    try {
        App.Set_AppName("Other");
        FAIL() << "no exception";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), "Unable to change TapiApplication.AppName while TapiApplication.Active is True");
    }
    EXPECT_EQ(App.Get_AppName(), "Front desk");
}

TEST_F(LifecycleTest, SoundFeedbackBeepsOnStartAndStop)
{
    std::vector<std::pair<uint32_t, uint32_t>> Beeps;
    TBeepHook Old = SetBeepHook([&](uint32_t F, uint32_t D) { Beeps.emplace_back(F, D); });
    TapiApplication->SoundFeedback = true;
    TapiApplication->Set_Active(true);
    TapiApplication->Set_Active(false);
    SetBeepHook(Old);
    using P = std::pair<uint32_t, uint32_t>;
    EXPECT_EQ(Beeps, (std::vector<P>{P{500, 80}, P{1000, 80}, P{1000, 80}, P{500, 80}}));
}

TEST_F(LifecycleTest, EnablingAnApplStartsTheSession)
{
    TTapiAppl Appl(nullptr);
    int Inits = 0, Shutdowns = 0;
    Appl.OnInitialize = [&](TObject* S) {
        EXPECT_EQ(S, &Appl);
        ++Inits;
    };
    Appl.OnShutdown = [&](TObject*) { ++Shutdowns; };
    EXPECT_FALSE(TapiApplication->IsActive());
    Appl.Set_Enabled(true);
    EXPECT_TRUE(TapiApplication->IsActive());
    EXPECT_TRUE(Appl.IsEnabled());
    EXPECT_EQ(Inits, 1);
    // AutoShutdown -1: letting go keeps the session.
    Appl.Set_Enabled(false);
    EXPECT_TRUE(TapiApplication->IsActive());
    // After a stop the appl reads disabled and can start the session again.
    Appl.Set_Enabled(true);
    TapiApplication->Set_Active(false);
    EXPECT_EQ(Shutdowns, 1);
    EXPECT_FALSE(Appl.IsEnabled());
    Appl.Set_Enabled(true);
    EXPECT_TRUE(TapiApplication->IsActive());
    EXPECT_EQ(Inits, 2);
}

TEST_F(LifecycleTest, ApplSettingsGoStraightToTheSession)
{
    TapiApplication->Set_AutoShutdown(250);
    TTapiAppl Appl(nullptr);
    EXPECT_EQ(Appl.Get_AutoShutdown(), 250);
    EXPECT_EQ(Appl.Get_ApplName(), TapiApplication->Get_AppName());
    TapiApplication->Set_Active(true);
    Appl.Set_ApplName("Switchboard");   // no check: used at the next start
    EXPECT_EQ(TapiApplication->Get_AppName(), "Switchboard");
    Appl.Set_AutoShutdown(0);
    EXPECT_EQ(TapiApplication->Get_AutoShutdown(), 0);
}

TEST_F(LifecycleTest, AutoShutdownZeroStopsWhenTheLastDeviceLetsGo)
{
    TapiApplication->Set_AutoShutdown(0);
    TTestDevice A, B;
    A.SetEnabled(true);
    B.SetEnabled(true);
    ASSERT_TRUE(TapiApplication->IsActive());
    A.SetEnabled(false);
    EXPECT_TRUE(TapiApplication->IsActive());
    B.SetEnabled(false);
    EXPECT_FALSE(TapiApplication->IsActive());
}

TEST_F(LifecycleTest, AutoShutdownZeroForAnAppl)
{
    TapiApplication->Set_AutoShutdown(0);
    TTapiAppl Appl(nullptr);
    Appl.Set_Enabled(true);
    ASSERT_TRUE(TapiApplication->IsActive());
    Appl.Set_Enabled(false);
    EXPECT_FALSE(TapiApplication->IsActive());
}

TEST_F(LifecycleTest, AutoShutdownDelayWaitsAndAReEnableKeepsTheSession)
{
    TapiApplication->Set_AutoShutdown(2000);
    TTestDevice Line;
    Line.SetEnabled(true);
    ASSERT_TRUE(TapiApplication->IsActive());
    Line.SetEnabled(false);
    Clock.Advance(1999);
    Application()->ProcessMessages();
    EXPECT_TRUE(TapiApplication->IsActive());
    Clock.Advance(1);
    Application()->ProcessMessages();
    EXPECT_FALSE(TapiApplication->IsActive());

    // Enabled again within the delay: the timer finds the session needed.
    Line.SetEnabled(true);
    Line.SetEnabled(false);
    Clock.Advance(1000);
    Line.SetEnabled(true);
    Clock.Advance(1500);
    Application()->ProcessMessages();
    EXPECT_TRUE(TapiApplication->IsActive());
}

TEST_F(LifecycleTest, DestroyingANeverEnabledComponentDoesNotStopTheSession)
{
    TapiApplication->Set_AutoShutdown(0);
    TapiApplication->Set_Active(true);
    { TTestDevice Unused; }
    EXPECT_TRUE(TapiApplication->IsActive());
}

TEST_F(LifecycleTest, ShutdownClosesDisablesAndDeselectsEveryDevice)
{
    TTestDevice Line, Phone(nullptr, tckPhone);
    Line.Set_DeviceID(0);
    Phone.Set_DeviceID(0);
    Line.Set_Active(true);
    ASSERT_TRUE(Line.Get_Active());
    ASSERT_TRUE(Phone.IsEnabled());
    TapiApplication->Set_Active(false);
    EXPECT_FALSE(Line.IsActive());
    EXPECT_FALSE(Line.IsEnabled());
    EXPECT_FALSE(Line.Get_Enabled());
    EXPECT_EQ(Line.Get_DeviceID(), -1);
    EXPECT_FALSE(Phone.IsEnabled());
    EXPECT_EQ(Phone.Get_DeviceID(), -1);
    // Enabled again, it reconnects.
    Line.Set_DeviceID(1);
    EXPECT_TRUE(TapiApplication->IsActive());
    EXPECT_EQ(Line.Get_DeviceID(), 1);
}

TEST_F(LifecycleTest, MakeCallRegistrationKeepsTheSession)
{
    TapiApplication->Set_AutoShutdown(0);
    TapiApplication->Set_AssistMakeCall(true);
    TapiApplication->Set_AssistMakeCall(true);
    EXPECT_TRUE(TapiApplication->IsActive());
    EXPECT_FALSE(TapiApplication->CouldShutdown());
    TTestDevice Line;
    Line.SetEnabled(true);
    Line.SetEnabled(false);
    EXPECT_TRUE(TapiApplication->IsActive());
    TapiApplication->Set_AssistMakeCall(false);
    EXPECT_TRUE(TapiApplication->CouldShutdown());
}

TEST_F(LifecycleTest, NonComponentsAreRefused)
{
    TObject Plain;
    try {
        TapiApplication->AddTapiComponent(&Plain);
        FAIL() << "no exception";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), "AddTapiComponent: Unknow TapiComponent");
    }
    EXPECT_THROW(TapiApplication->AddTapiComponent(nullptr), Exception);
}

TEST(LifecycleExitTest, ProcessExitShutsTheSessionDownAndJoinsItsThread)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            Application()->SetMainThread();
            sim::Switch().Reset();
            TapiApplication->OnShutdown = [](TObject*) { std::fputs("session shut down\n", stderr); };
            TapiApplication->Set_Active(true);
            if (TapiApplication->Get_EventThread() == nullptr) std::_Exit(3);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "session shut down");
}

} // namespace
} // namespace kxtapi::testing
