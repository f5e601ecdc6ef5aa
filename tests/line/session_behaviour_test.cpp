// Session behaviours seen through real lines: dispatch by callback instance,
// nested synchronous waits, AutoShutdown, device creation, the Active wish
// while loading and in design mode, and a form file with a line.

#include "line_fixture.h"

namespace kxtapi::testing {
namespace {

using LineSessionTest = LineTest;

TEST_F(LineSessionTest, MessagesGoToTheLineNamedByTheCallbackInstance)
{
    TTapiLine One(nullptr), Two(nullptr);
    TEventLog LogOne, LogTwo;
    LogOne.Attach(One);
    LogTwo.Attach(Two);
    OpenLine(One, 0);
    OpenLine(Two, 1);
    Sim.OfferCall(1, "2");
    ASSERT_TRUE(PumpUntil([&] { return LogTwo.Has("Offering"); }));
    EXPECT_FALSE(LogOne.Has("Offering"));
    EXPECT_EQ(One.Get_Calls()->Count(), 0);
    EXPECT_EQ(Two.Get_Calls()->Count(), 1);
}

TEST_F(LineSessionTest, SynchronousWaitsNestInsideEventHandlers)
{
    TTapiLine Line(nullptr);
    TEventLog Log;
    Log.Attach(Line);
    Line.Get_Options()->Set_AutoFreeIdleCalls(-1);
    // Answering waits inside OnOffering; the connected state arrives in that
    // wait, and its handler drops the call, waiting again inside it.
    Line.OnOffering = [&](TObject*, TTapiCall* Call) {
        Call->Answer();
        Log.Add("Answer returned");
    };
    Line.OnConnected = [&](TObject*, TTapiCall* Call) {
        Log.Add("Connected");
        Call->Drop();
        Log.Add("Drop returned");
    };
    OpenLine(Line);
    Sim.OfferCall(0, "1");
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Idle") && Log.Has("Answer returned") && Log.Has("Drop returned"); }));
    EXPECT_EQ(Log.Only({"Connected", "Drop returned"}), (std::vector<std::string>{"Connected", "Drop returned"}));
    EXPECT_EQ(TapiApplication->WaitNesting, 0);
}

TEST_F(LineSessionTest, AutoShutdownDelayIsKeptByReEnablingALine)
{
    TapiApplication->Set_AutoShutdown(2000);
    TTapiLine Line(nullptr);
    OpenLine(Line);
    Line.Set_Active(false);
    Line.Set_Enabled(false);
    Clock.Advance(1000);
    Application()->ProcessMessages();
    ASSERT_TRUE(TapiApplication->IsActive());
    Line.Set_Enabled(true);
    Clock.Advance(1500);
    Application()->ProcessMessages();
    EXPECT_TRUE(TapiApplication->IsActive());
    Line.Set_Active(true);
    EXPECT_TRUE(Line.Get_Active());
    // Let go for good: the session stops after the delay.
    Line.Set_Active(false);
    Line.Set_Enabled(false);
    Clock.Advance(2000);
    Application()->ProcessMessages();
    EXPECT_FALSE(TapiApplication->IsActive());
}

TEST_F(LineSessionTest, LineCreateReachesEveryEnabledLineAndNoDisabledOne)
{
    TTapiLine A(nullptr), B(nullptr), Off(nullptr);
    int SeenA = 0, SeenB = 0, SeenOff = 0;
    auto Count = [](int& N) {
        return [&N](TObject*, uint32_t ID, uint32_t, uint32_t, uint32_t) {
            if (ID == LINE_CREATE) ++N;
        };
    };
    A.OnTapiMessage = Count(SeenA);
    B.OnTapiMessage = Count(SeenB);
    Off.OnTapiMessage = Count(SeenOff);
    OpenLine(A, 0);
    B.Set_Enabled(true);
    sim::TSimLineConfig Extra;
    Extra.Name = "Extra Line";
    Sim.AddLine(Extra);
    ASSERT_TRUE(PumpUntil([&] { return SeenA == 1 && SeenB == 1; }));
    PumpUntil([] { return false; }, 20);
    EXPECT_EQ(SeenOff, 0);
    EXPECT_EQ(TapiApplication->LineDevices.IndexOf("Extra Line"), 2);
    Off.Set_DeviceName("extra line");
    EXPECT_EQ(Off.Get_DeviceID(), 2);
}

TEST_F(LineSessionTest, ActiveIsOnlyAWishWhileLoadingAndInDesignMode)
{
    TTapiLine Loading(nullptr);
    Loading.SetLoading(true);
    Loading.Set_Active(true);
    Loading.Set_DeviceName("Simulated Line 1");
    EXPECT_TRUE(Loading.Get_Active());
    EXPECT_EQ(Loading.Get_DeviceHandle(), 0u);
    Loading.SetLoading(false);
    Loading.Loaded();
    EXPECT_TRUE(Loading.Get_Active());
    EXPECT_NE(Loading.Get_DeviceHandle(), 0u);

    TTapiLine Designing(nullptr);
    Designing.SetDesigning(true);
    Designing.Set_DeviceName("Simulated Line 2");
    Designing.Set_Active(true);
    Designing.Loaded();
    EXPECT_TRUE(Designing.Get_Active());
    EXPECT_EQ(Designing.Get_DeviceHandle(), 0u);
    // Design mode lists real names, and an empty name drops the wish.
    EXPECT_EQ(Designing.Get_DeviceID(), 1);
    Designing.Set_DeviceName("");
    EXPECT_FALSE(Designing.Get_Active());
}

class TLineForm : public TComponent {
public:
    using TComponent::TComponent;
    std::string ClassName() const override { return "TLineForm"; }
};

TEST_F(LineSessionTest, AFormFileRestoresTheLineAndOpensItAfterLoading)
{
    static const bool Registered = [] {
        RegisterClass<TLineForm, TComponent>("TLineForm");
        return true;
    }();
    (void)Registered;
    const std::string Form = R"({"format": "kxtapi-form", "version": 1,
        "root": {"class": "TLineForm", "name": "Form1", "components": [
            {"class": "TTapiLine", "name": "Line1",
             "properties": {"Active": true, "DeviceName": "SIMULATED LINE 2", "MediaModes": 4,
                            "Options": {"ReplyTimeout": 5000, "SyncMode": false,
                                        "AutoFreeIdleCalls": -1, "AutoDropDiscCalls": 250},
                            "CallOptions": {"Comm": {"Enabled": true}}}}]}})";
    std::unique_ptr<TLineForm> Root = ReadNewComponent<TLineForm>(Form);
    ASSERT_NE(Root, nullptr);
    auto* Line = dynamic_cast<TTapiLine*>(Root->FindComponent("Line1"));
    ASSERT_NE(Line, nullptr);
    EXPECT_TRUE(Line->Get_Active());
    EXPECT_EQ(Line->Get_DeviceID(), 1);
    EXPECT_EQ(Line->Get_Options()->Get_ReplyTimeout(), 5000u);
    EXPECT_FALSE(Line->Get_Options()->Get_SyncMode());
    EXPECT_EQ(Line->Get_Options()->Get_AutoFreeIdleCalls(), -1);
    EXPECT_TRUE(Line->Get_CallOptions()->Get_Comm()->Get_Enabled());

    // Written out again, the line keeps what it was given; options have no
    // stream default, so all four are written.
    const std::string Out = WriteComponentToString(Root.get());
    EXPECT_NE(Out.find("\"AutoDropDiscCalls\": 250"), std::string::npos) << Out;
    EXPECT_NE(Out.find("\"ReplyTimeout\": 5000"), std::string::npos);
    EXPECT_NE(Out.find("\"DeviceName\": \"Simulated Line 2\""), std::string::npos);
}

} // namespace
} // namespace kxtapi::testing
