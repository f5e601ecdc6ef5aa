// Digits and tones on a call: generating them, monitoring them, gathering
// digits, and media-mode detection.

#include "service_fixture.h"

#include <memory>

namespace kxtapi::testing {
namespace {

class Media : public ServiceTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(App.Init(), 0u);
        Line = App.Open(0, 0x33);
        Far = Sim.OfferCall(0, "100", "", {.Rings = 0, .CallerIDAfterRing = false});
        Call = App.Find(LINE_APPNEWCALL).dwParam2;
        ASSERT_EQ(App.Reply(lineAnswer(Call, nullptr, 0)), 0u);
        App.Drain();
    }
    std::vector<LINEMESSAGE> Of(DWORD MessageID)
    {
        std::vector<LINEMESSAGE> r;
        for (const LINEMESSAGE& m : App.Drain())
            if (m.dwMessageID == MessageID) r.push_back(m);
        return r;
    }
    TLineApp App;
    HLINE Line = 0;
    sim::TSimCallID Far = 0;
    HCALL Call = 0;
};

TEST_F(Media, MonitoredDigitsArriveOneByOneWithTheirMode)
{
    Sim.SendDigits(Far, "1");
    EXPECT_TRUE(App.Drain().empty()) << "nothing before monitoring starts";
    ASSERT_EQ(lineMonitorDigits(Call, LINEDIGITMODE_DTMF), 0u);
    Sim.SendDigits(Far, "42#");
    auto m = Of(LINE_MONITORDIGITS);
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].dwParam1, DWORD('4'));
    EXPECT_EQ(m[0].dwParam2, LINEDIGITMODE_DTMF);
    EXPECT_EQ(m[2].dwParam1, DWORD('#'));
    EXPECT_EQ(m[0].dwParam3, GetTickCount());
    ASSERT_EQ(lineMonitorDigits(Call, LINEDIGITMODE_DTMF | LINEDIGITMODE_DTMFEND), 0u);
    Sim.SendDigits(Far, "7");
    m = Of(LINE_MONITORDIGITS);
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[1].dwParam2, LINEDIGITMODE_DTMFEND);
    ASSERT_EQ(lineMonitorDigits(Call, 0), 0u);
    Sim.SendDigits(Far, "7");
    EXPECT_TRUE(Of(LINE_MONITORDIGITS).empty());
    EXPECT_EQ(lineMonitorDigits(Call, 0x80), LINEERR_INVALDIGITMODE);
}

TEST_F(Media, GatheringEndsOnAFullBufferWithTheDigitsWrittenAtTheFetch)
{
    char Buffer[8] = {};
    ASSERT_EQ(lineGatherDigitsA(Call, LINEDIGITMODE_DTMF, Buffer, 3, "#", 0, 0), 0u);
    Sim.SendDigits(Far, "12");
    EXPECT_TRUE(Of(LINE_GATHERDIGITS).empty());
    Sim.SendDigits(Far, "34");
    EXPECT_STREQ(Buffer, "") << "written only when the message is fetched";
    auto m = Of(LINE_GATHERDIGITS);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].hDevice, Call);
    EXPECT_EQ(m[0].dwParam1, LINEGATHERTERM_BUFFERFULL);
    EXPECT_STREQ(Buffer, "123");
}

TEST_F(Media, GatheringEndsOnATerminationDigitWhichIsNotStored)
{
    char Buffer[5] = {};
    ASSERT_EQ(lineGatherDigitsA(Call, LINEDIGITMODE_DTMF, Buffer, 4, "*#", 0, 0), 0u);
    Sim.SendDigits(Far, "12#");
    auto m = Of(LINE_GATHERDIGITS);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].dwParam1, LINEGATHERTERM_TERMDIGIT);
    EXPECT_STREQ(Buffer, "12");
}

TEST_F(Media, GatheringTimesOutBeforeTheFirstAndBetweenDigits)
{
    char Buffer[8] = {};
    ASSERT_EQ(lineGatherDigitsA(Call, LINEDIGITMODE_DTMF, Buffer, 5, nullptr, 5000, 2000), 0u);
    Clock.Advance(4999);
    EXPECT_TRUE(Of(LINE_GATHERDIGITS).empty());
    Clock.Advance(1);
    auto m = Of(LINE_GATHERDIGITS);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].dwParam1, LINEGATHERTERM_FIRSTTIMEOUT);

    ASSERT_EQ(lineGatherDigitsA(Call, LINEDIGITMODE_DTMF, Buffer, 5, nullptr, 5000, 2000), 0u);
    Clock.Advance(1000);
    Sim.SendDigits(Far, "9");
    Clock.Advance(1999);
    Sim.SendDigits(Far, "8");
    Clock.Advance(1999);
    EXPECT_TRUE(Of(LINE_GATHERDIGITS).empty());
    Clock.Advance(1);
    m = Of(LINE_GATHERDIGITS);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].dwParam1, LINEGATHERTERM_INTERTIMEOUT);
    EXPECT_STREQ(Buffer, "98");
    EXPECT_EQ(lineGatherDigitsA(Call, LINEDIGITMODE_DTMF, Buffer, 5, nullptr, 50, 0), LINEERR_INVALTIMEOUT);
    EXPECT_EQ(lineGatherDigitsA(Call, LINEDIGITMODE_DTMF, Buffer, 0, nullptr, 0, 0), LINEERR_INVALPARAM);
    EXPECT_EQ(lineGatherDigitsA(Call, LINEDIGITMODE_DTMF, Buffer, 5, "x", 0, 0), LINEERR_INVALDIGITS);
}

TEST_F(Media, CancellingAGatheringReportsItAndAFreedBufferIsNeverWritten)
{
    auto Buffer = std::make_unique<char[]>(4);
    ASSERT_EQ(lineGatherDigitsA(Call, LINEDIGITMODE_DTMF, Buffer.get(), 4, nullptr, 0, 0), 0u);
    Sim.SendDigits(Far, "5");
    ASSERT_EQ(lineGatherDigitsA(Call, LINEDIGITMODE_DTMF, nullptr, 0, nullptr, 0, 0), 0u);
    // The call object that owned the buffer goes away before the message is read.
    kxtapiCancelWriteBack(Buffer.get(), 4);
    Buffer.reset();
    auto m = Of(LINE_GATHERDIGITS);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].dwParam1, LINEGATHERTERM_CANCEL);

    // A gathering still running when its buffer is cancelled ends without a write.
    auto Second = std::make_unique<char[]>(2);
    ASSERT_EQ(lineGatherDigitsA(Call, LINEDIGITMODE_DTMF, Second.get(), 2, nullptr, 0, 0), 0u);
    kxtapiCancelWriteBack(Second.get(), 2);
    Second.reset();
    Sim.SendDigits(Far, "12");
    EXPECT_EQ(Of(LINE_GATHERDIGITS).size(), 1u);
}

TEST_F(Media, GatheringIsCancelledWhenTheCallGoesIdleOrIsDeallocated)
{
    char Buffer[4] = {};
    ASSERT_EQ(lineGatherDigitsA(Call, LINEDIGITMODE_DTMF, Buffer, 4, nullptr, 0, 0), 0u);
    Sim.SendDigits(Far, "1");
    App.Reply(lineDrop(Call, nullptr, 0));
    auto m = Of(LINE_GATHERDIGITS);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].dwParam1, LINEGATHERTERM_CANCEL);
    EXPECT_STREQ(Buffer, "1");
    EXPECT_EQ(lineGatherDigitsA(Call, LINEDIGITMODE_DTMF, Buffer, 4, nullptr, 0, 0), LINEERR_INVALCALLSTATE);
}

TEST_F(Media, GeneratedDigitsEndWithLineGenerateAndReachAPeerOnTheSwitch)
{
    EXPECT_EQ(lineGenerateDigitsA(Call, LINEDIGITMODE_DTMF, "12x", 0), LINEERR_INVALDIGITS);
    EXPECT_EQ(lineGenerateDigitsA(Call, LINEDIGITMODE_DTMFEND, "12", 0), LINEERR_INVALDIGITMODE);
    ASSERT_EQ(lineGenerateDigitsA(Call, LINEDIGITMODE_DTMF, "123", 100), 0u);
    Clock.Advance(449);
    EXPECT_TRUE(Of(LINE_GENERATE).empty());
    Clock.Advance(1);
    auto m = Of(LINE_GENERATE);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].dwParam1, LINEGENERATETERM_DONE);
    sim::TSimCallInfo i;
    Sim.CallInfo(Far, i);
    EXPECT_EQ(i.DigitsGenerated, "123");

    // A second generation cancels the first.
    ASSERT_EQ(lineGenerateDigitsA(Call, LINEDIGITMODE_DTMF, "4", 0), 0u);
    ASSERT_EQ(lineGenerateDigitsA(Call, LINEDIGITMODE_DTMF, "5", 0), 0u);
    Clock.Advance(1000);
    m = Of(LINE_GENERATE);
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].dwParam1, LINEGENERATETERM_CANCEL);
    EXPECT_EQ(m[1].dwParam1, LINEGENERATETERM_DONE);

    // Between two lines of the switch, the other end hears them.
    TLineApp Other;
    ASSERT_EQ(Other.Init(), 0u);
    Other.Open(1, 0x44);
    HCALL Out = 0;
    App.Reply(lineMakeCallA(Line, &Out, "202", 0, nullptr));
    HCALL In = Other.Find(LINE_APPNEWCALL).dwParam2;
    Other.Reply(lineAnswer(In, nullptr, 0));
    ASSERT_EQ(lineMonitorDigits(In, LINEDIGITMODE_DTMF), 0u);
    Other.Drain();
    ASSERT_EQ(lineGenerateDigitsA(Out, LINEDIGITMODE_DTMF, "9", 0), 0u);
    LINEMESSAGE d = Other.Find(LINE_MONITORDIGITS);
    EXPECT_EQ(d.dwParam1, DWORD('9'));
}

TEST_F(Media, GeneratedTonesLastTheirDurationOrUntilCancelled)
{
    LINEGENERATETONE Tone{440, 100, 100, 0x8000};
    EXPECT_EQ(lineGenerateTone(Call, LINETONEMODE_CUSTOM, 0, 0, &Tone), LINEERR_INVALTONE);
    EXPECT_EQ(lineGenerateTone(Call, LINETONEMODE_CUSTOM | LINETONEMODE_BEEP, 0, 0, nullptr), LINEERR_INVALTONEMODE);
    ASSERT_EQ(lineGenerateTone(Call, LINETONEMODE_CUSTOM, 300, 1, &Tone), 0u);
    Clock.Advance(300);
    ASSERT_EQ(Of(LINE_GENERATE).size(), 1u);
    ASSERT_EQ(lineGenerateTone(Call, LINETONEMODE_RINGBACK, 0, 0, nullptr), 0u);
    Clock.Advance(60000);
    EXPECT_TRUE(Of(LINE_GENERATE).empty()) << "a ringback tone goes on";
    ASSERT_EQ(lineGenerateTone(Call, 0, 0, 0, nullptr), 0u);
    auto m = Of(LINE_GENERATE);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].dwParam1, LINEGENERATETERM_CANCEL);
}

TEST_F(Media, TonesAndSilenceAreReportedOnceTheyLastedTheirDuration)
{
    LINEMONITORTONE List[2] = {{0xBEEF, 500, 440, 0, 0}, {0xFFFFFFFF, 2000, 0, 0, 0}};
    ASSERT_EQ(lineMonitorTones(Call, List, 2), 0u);
    Sim.PlayTone(Far, 440);
    Clock.Advance(499);
    EXPECT_TRUE(Of(LINE_MONITORTONE).empty());
    Clock.Advance(1);
    auto m = Of(LINE_MONITORTONE);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].dwParam1, 0xBEEFu);
    // A silence broken off early counts for nothing.
    Sim.GoSilent(Far);
    Clock.Advance(1500);
    Sim.StartTalking(Far);
    Clock.Advance(5000);
    EXPECT_TRUE(Of(LINE_MONITORTONE).empty());
    Sim.GoSilent(Far);
    Clock.Advance(2000);
    m = Of(LINE_MONITORTONE);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].dwParam1, 0xFFFFFFFFu);
    // Switching monitoring off stops it all.
    ASSERT_EQ(lineMonitorTones(Call, nullptr, 0), 0u);
    Sim.PlayTone(Far, 440);
    Clock.Advance(1000);
    EXPECT_TRUE(Of(LINE_MONITORTONE).empty());
    // Monitoring that starts while a tone already sounds counts from then.
    ASSERT_EQ(lineMonitorTones(Call, List, 1), 0u);
    Clock.Advance(500);
    EXPECT_EQ(Of(LINE_MONITORTONE).size(), 1u);
    // A silence entry of no duration counts as soon as the line goes quiet.
    LINEMONITORTONE Silence{0xFFFFFFFF, 0, 0, 0, 0};
    ASSERT_EQ(lineMonitorTones(Call, &Silence, 1), 0u);
    Sim.GoSilent(Far);
    EXPECT_EQ(Of(LINE_MONITORTONE).size(), 1u);
    LINEMONITORTONE Many[9] = {};
    EXPECT_EQ(lineMonitorTones(Call, Many, 9), LINEERR_INVALTONELIST);
}

TEST_F(Media, DetectedMediaModesReachTheHandlesThatMonitorThem)
{
    ASSERT_EQ(lineMonitorMedia(Call, LINEMEDIAMODE_G3FAX | LINEMEDIAMODE_DATAMODEM), 0u);
    Sim.DetectMedia(Far, LINEMEDIAMODE_AUTOMATEDVOICE);
    EXPECT_TRUE(Of(LINE_MONITORMEDIA).empty());
    Sim.DetectMedia(Far, LINEMEDIAMODE_G3FAX);
    auto m = Of(LINE_MONITORMEDIA);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].dwParam1, LINEMEDIAMODE_G3FAX);
    EXPECT_EQ(lineMonitorMedia(Call, LINEMEDIAMODE_VIDEO), LINEERR_INVALMEDIAMODE);
    TBlock<LINECALLINFO> i(2048);
    ASSERT_EQ(lineGetCallInfoA(Call, i.get()), 0u);
    EXPECT_EQ(i->dwMonitorMediaModes, LINEMEDIAMODE_G3FAX | LINEMEDIAMODE_DATAMODEM);
}

TEST_F(Media, EachApplicationHearsOnlyWhatItMonitors)
{
    TLineApp Watcher;
    ASSERT_EQ(Watcher.Init(), 0u);
    HLINE w = Watcher.Open(0, 1, LINECALLPRIVILEGE_MONITOR, 0);
    TBlock<LINECALLLIST> l(256);
    ASSERT_EQ(lineGetNewCalls(w, 0, LINECALLSELECT_LINE, l.get()), 0u);
    HCALL Mine;
    std::memcpy(&Mine, l.Bytes.data() + l->dwCallsOffset, 4);
    ASSERT_EQ(lineMonitorDigits(Mine, LINEDIGITMODE_DTMF), 0u);
    EXPECT_EQ(lineGenerateDigitsA(Mine, LINEDIGITMODE_DTMF, "1", 0), LINEERR_NOTOWNER);
    Watcher.Drain();
    App.Drain();
    Sim.SendDigits(Far, "5");
    EXPECT_EQ(Watcher.Find(LINE_MONITORDIGITS).dwParam1, DWORD('5'));
    EXPECT_TRUE(Of(LINE_MONITORDIGITS).empty());
}

}  // namespace
}  // namespace kxtapi::testing
