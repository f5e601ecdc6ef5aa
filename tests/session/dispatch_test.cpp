// The way from the service through the event thread and the queue to the
// device named by the callback instance.

#include "session_fixture.h"

#include <atomic>
#include <thread>

namespace kxtapi::testing {
namespace {

using DispatchTest = SessionTest;

void Queue(const LINEMESSAGE& m, bool Line = true)
{
    TListLock Lock(TapiApplication->MessageStack, INFINITE);
    if (Line) TapiApplication->MessageStack.AddLineMsg(m);
    else TapiApplication->MessageStack.AddPhoneMsg(PHONEMESSAGE{m.hDevice, m.dwMessageID, m.dwCallbackInstance,
                                                                m.dwParam1, m.dwParam2, m.dwParam3});
}

TEST_F(DispatchTest, MessagesFromAnotherThreadArriveOnceAndInOrder)
{
    TTestDevice Phone(nullptr, tckPhone);
    Phone.Set_DeviceID(0);
    Phone.Set_Active(true);
    ASSERT_TRUE(Phone.IsActive());
    Phone.Seen.clear();

    constexpr uint32_t Presses = 200;
    std::atomic<bool> Done{false};
    std::thread Worker([&] {
        for (uint32_t i = 0; i < Presses; ++i) {
            Sim.PressButton(0, i % 12);
            Sim.ReleaseButton(0, i % 12);
        }
        Done = true;
    });
    auto Buttons = [&] {
        size_t n = 0;
        for (const TSeenMessage& m : Phone.Seen) n += m.MessageID == PHONE_BUTTON;
        return n;
    };
    EXPECT_TRUE(PumpUntil([&] { return Done && Buttons() >= 2 * Presses; }, 20000));
    Worker.join();
    std::vector<std::pair<uint32_t, uint32_t>> Got;
    for (const TSeenMessage& m : Phone.Seen)
        if (m.MessageID == PHONE_BUTTON) Got.emplace_back(m.Param1, m.Param3);
    ASSERT_EQ(Got.size(), 2 * Presses);
    for (uint32_t i = 0; i < Presses; ++i) {
        EXPECT_EQ(Got[2 * i].first, i % 12);
        EXPECT_NE(Got[2 * i].second, uint32_t{PHONEBUTTONSTATE_UP});
        EXPECT_EQ(Got[2 * i + 1].first, i % 12);
        EXPECT_EQ(Got[2 * i + 1].second, uint32_t{PHONEBUTTONSTATE_UP});
    }
}

TEST_F(DispatchTest, AMessageFetchedWhileTheQueueIsHeldLongIsStillDelivered)
{
    TTestDevice Phone(nullptr, tckPhone);
    Phone.Set_DeviceID(0);
    Phone.Set_Active(true);
    ASSERT_TRUE(Phone.IsActive());
    Phone.Seen.clear();
    {
        // The main thread keeps the queue well past the event thread's lock
        // time-out, as a long handler or a stalled main thread would.
        TListLock Held(TapiApplication->MessageStack, INFINITE);
        Sim.PressButton(0, 3);
        auto Event = LookupHandleAs<TEventObject>(TapiApplication->PhoneEventHandle);
        const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (Event && Event->IsSet() && std::chrono::steady_clock::now() < Deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        for (int i = 0; i < 5; ++i) {
            Clock.Advance(1000);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    EXPECT_TRUE(PumpUntil([&] {
        for (const TSeenMessage& m : Phone.Seen)
            if (m.MessageID == PHONE_BUTTON && m.Param1 == 3) return true;
        return false;
    }));
}

TEST_F(DispatchTest, QueuedMessagesGoOutOldestFirstToTheNamedDevice)
{
    TTestDevice A, B;
    A.SetEnabled(true);
    B.SetEnabled(true);
    for (uint32_t i = 0; i < 3; ++i) {
        Queue(LINEMESSAGE{10 + i, LINE_DEVSPECIFIC, A.Get_CallbackInstance(), i, 0, 0});
        Queue(LINEMESSAGE{20 + i, LINE_DEVSPECIFIC, B.Get_CallbackInstance(), i, 0, 0});
    }
    // A line message never reaches a phone's handler, and the other way round.
    Queue(LINEMESSAGE{0, PHONE_BUTTON, A.Get_CallbackInstance(), 0, 0, 0}, false);
    EXPECT_TRUE(TapiApplication->ProcessTapiMessage());
    ASSERT_EQ(A.Seen.size(), 1u);
    TapiApplication->ProcessTapiMessages();
    EXPECT_FALSE(TapiApplication->ProcessTapiMessage());
    ASSERT_EQ(A.Seen.size(), 3u);
    ASSERT_EQ(B.Seen.size(), 3u);
    for (uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(A.Seen[i].hDevice, 10 + i);
        EXPECT_EQ(B.Seen[i].hDevice, 20 + i);
    }
}

TEST_F(DispatchTest, MessagesForDestroyedComponentsFindNothing)
{
    auto* Gone = new TTestDevice;
    Gone->SetEnabled(true);
    const uint32_t Cookie = Gone->Get_CallbackInstance();
    EXPECT_NE(Cookie, 0u);
    delete Gone;
    TTestDevice Later;   // a new component never gets the old cookie
    EXPECT_NE(Later.Get_CallbackInstance(), Cookie);
    Later.SetEnabled(true);
    Queue(LINEMESSAGE{1, LINE_DEVSPECIFIC, Cookie, 0, 0, 0});
    Queue(LINEMESSAGE{1, LINE_DEVSPECIFIC, 0xDEADBEEF, 0, 0, 0});
    TapiApplication->ProcessTapiMessages();
    EXPECT_TRUE(Later.Seen.empty());
}

TEST_F(DispatchTest, LineRequestsReachTheSessionOnly)
{
    TTestDevice Line;
    Line.SetEnabled(true);
    std::vector<uint32_t> Requests;
    TapiApplication->SetLineRequestHandler(
        [&](TTapiApplication& S, uint32_t P1, uint32_t, uint32_t) {
            EXPECT_EQ(&S, TapiApplication.Get());
            Requests.push_back(P1);
        });
    Queue(LINEMESSAGE{0, LINE_REQUEST, TapiApplication->Get_CallbackInstance(), LINEREQUESTMODE_MAKECALL, 0, 0});
    Queue(LINEMESSAGE{0, LINE_REQUEST, 0x7777777, 2, 0, 0});
    Queue(LINEMESSAGE{0, LINE_REQUEST, 0, 3, 0, 0});
    TapiApplication->ProcessTapiMessages();
    EXPECT_EQ(Requests, std::vector<uint32_t>{LINEREQUESTMODE_MAKECALL});

    // Through the service: another program asks for a call.
    TapiApplication->Set_AssistMakeCall(true);
    ASSERT_EQ(Sim.RequestMakeCall("+1 206 555 0100", "Dialer"), 0u);
    EXPECT_TRUE(PumpUntil([&] { return Requests.size() == 2; }));
    TapiApplication->Set_AssistMakeCall(false);
}

TEST_F(DispatchTest, RepliesAreHandledThenKeptWithinABound)
{
    TTestDevice Line;
    Line.SetEnabled(true);
    for (uint32_t i = 1; i <= TTapiApplication::ReplyStackLimit + 10; ++i)
        Queue(LINEMESSAGE{0, LINE_REPLY, Line.Get_CallbackInstance(), i, 0, 0});
    Queue(LINEMESSAGE{0, PHONE_REPLY, 0, 9999, 0, 0}, false);
    TapiApplication->ProcessTapiMessages();
    EXPECT_EQ(Line.Seen.size(), TTapiApplication::ReplyStackLimit + 10u);
    TTapiMessageStack& Replies = TapiApplication->ReplyStack;
    ASSERT_EQ(Replies.Count(), TTapiApplication::ReplyStackLimit);
    const uint32_t Last = Replies.Get(Replies.Count() - 1).Msg.dwParam1;
    const uint32_t First = Replies.Get(0).Msg.dwParam1;
    EXPECT_EQ(Last, 9999u);   // kept even unrouted
    EXPECT_EQ(First, 12u);    // the oldest went
}

TEST_F(DispatchTest, NotificationsWaitWhileASynchronousWaitRuns)
{
    TTestDevice Line;
    Line.SetEnabled(true);
    TTapiApplication& App = *TapiApplication;
    Queue(LINEMESSAGE{0, LINE_DEVSPECIFIC, Line.Get_CallbackInstance(), 0, 0, 0});
    App.WaitNesting = 1;
    PostMessage(App.WindowHandle, App.NotifyMessage, 1, 0);
    Application()->ProcessMessages();
    EXPECT_TRUE(Line.Seen.empty());
    App.WaitNesting = 0;
    PostMessage(App.WindowHandle, App.NotifyMessage, 1, 0);
    Application()->ProcessMessages();
    EXPECT_EQ(Line.Seen.size(), 1u);
}

TEST_F(DispatchTest, DeviceCreationAndRemovalReachEnabledDevicesAndAppls)
{
    TTapiAppl Appl(nullptr);
    std::vector<std::string> Seen;
    Appl.OnLineCreate = [&](TObject*, uint32_t ID) { Seen.push_back("line+" + std::to_string(ID)); };
    Appl.OnLineRemove = [&](TObject*, uint32_t ID) { Seen.push_back("line-" + std::to_string(ID)); };
    Appl.OnPhoneCreate = [&](TObject*, uint32_t ID) { Seen.push_back("phone+" + std::to_string(ID)); };
    Appl.OnPhoneRemove = [&](TObject*, uint32_t ID) { Seen.push_back("phone-" + std::to_string(ID)); };
    TTestDevice Line;
    Line.SetEnabled(true);
    TTestDevice Phone(nullptr, tckPhone);
    Phone.Set_DeviceID(0);

    const int NewLine = Sim.AddLine(sim::TSimLineConfig{});
    const int NewPhone = Sim.AddPhone(sim::TSimPhoneConfig{});
    Sim.RemovePhone(0);
    ASSERT_TRUE(PumpUntil([&] { return Seen.size() == 3; }));
    EXPECT_EQ(Seen, (std::vector<std::string>{"line+" + std::to_string(NewLine),
                                              "phone+" + std::to_string(NewPhone), "phone-0"}));
    EXPECT_EQ(TapiApplication->LineDevices.Count(), NewLine + 1);
    EXPECT_EQ(TapiApplication->PhoneDevices.Strings(0), "Phone Device #0 (removed)");
    // The phone's own device went: back to "enabled, no device".
    EXPECT_EQ(Phone.Get_DeviceID(), -1);
    EXPECT_TRUE(Phone.IsEnabled());

    // Device classes in any letter case; anything else raises nothing.
    Seen.clear();
    Appl.Handle_DeviceCreate("TAPI/LINE", 3);
    Appl.Handle_DeviceRemove("Tapi/Phone", 4);
    Appl.Handle_DeviceCreate("wave/in", 5);
    EXPECT_EQ(Seen, (std::vector<std::string>{"line+3", "phone-4"}));
}

TEST_F(DispatchTest, TheTickReachesActiveDevicesOnly)
{
    TTestDevice Open, Closed;
    Open.Set_DeviceID(0);
    Open.Set_Active(true);
    Closed.Set_DeviceID(1);
    ASSERT_TRUE(Open.Get_Active());
    for (int Round = 0; Round < 50 && Open.Ticks.empty(); ++Round) {
        Clock.Advance(100);
        PumpUntil([&] { return !Open.Ticks.empty(); }, 200);
    }
    ASSERT_FALSE(Open.Ticks.empty());
    EXPECT_TRUE(Closed.Ticks.empty());
}

} // namespace
} // namespace kxtapi::testing
