#include <kxtapi/rtl.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace kxtapi;

TEST(Timer, FiresEveryIntervalWhileEnabled)
{
    TTestClock Clock(0xFFFFFE00u);
    TTimer T(nullptr);
    EXPECT_TRUE(T.Get_Enabled());
    EXPECT_EQ(T.Get_Interval(), 1000u);
    std::vector<uint32_t> Fired;
    T.OnTimer = [&](TObject* Sender) {
        EXPECT_EQ(Sender, &T);
        Fired.push_back(GetTickCount());
    };
    Application()->HandleMessage(5000);
    Application()->HandleMessage(5000);
    EXPECT_EQ(Fired, (std::vector<uint32_t>{0xFFFFFE00u + 1000, 0xFFFFFE00u + 2000}));

    T.Set_Enabled(false);
    EXPECT_FALSE(Application()->HandleMessage(5000));
    EXPECT_EQ(Fired.size(), 2u);

    // Changing the interval restarts the count.
    T.Set_Interval(300);
    T.Set_Enabled(true);
    uint32_t Restart = GetTickCount();
    Application()->HandleMessage(5000);
    ASSERT_EQ(Fired.size(), 3u);
    EXPECT_EQ(Fired.back() - Restart, 300u);
    T.Set_Interval(0);
    EXPECT_FALSE(Application()->HandleMessage(5000));
}

TEST(Timer, HandlerMayDestroyItsTimer)
{
    TTestClock Clock(0);
    auto* T = new TTimer(nullptr);
    T->Set_Interval(50);
    int Calls = 0;
    T->OnTimer = [&](TObject*) {
        ++Calls;
        delete T;
    };
    Application()->HandleMessage(1000);
    EXPECT_EQ(Calls, 1);
    EXPECT_FALSE(Application()->HandleMessage(1000));
}

TEST(Timer, OwnerFreesItAndItsWindow)
{
    TTestClock Clock(0);
    int Calls = 0;
    {
        TComponent Owner(nullptr);
        auto* T = new TTimer(&Owner);
        T->OnTimer = [&](TObject*) { ++Calls; };
        AdvanceTestClock(1000);   // its WM_TIMER waits ...
    }
    Application()->ProcessMessages();   // ... and goes with the timer
    EXPECT_EQ(Calls, 0);
}
