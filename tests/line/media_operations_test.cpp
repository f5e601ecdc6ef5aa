// The line's media operations on a connected call: digits and tones
// generated, tones and media modes monitored, their checks and TAPI's
// refusals in both modes, and that none of them waits.

#include "media_fixture.h"

namespace kxtapi::testing {
namespace {

using MediaOperationsTest = MediaTest;

TEST_F(MediaOperationsTest, DigitsAndTonesReachTheSwitch)
{
    Call->GenerateDigits("12#", 100);
    sim::TSimCallInfo Info;
    ASSERT_TRUE(Sim.CallInfo(Far, Info));
    EXPECT_EQ(Info.DigitsGenerated, "12#");
    EXPECT_TRUE(Generated.empty());
    Advance(3 * 150);
    ASSERT_TRUE(PumpUntil([&] { return Generated.size() == 1; }));
    EXPECT_EQ(Generated[0], static_cast<uint32_t>(LINEGENERATETERM_DONE));

    // Pulse dialling has no letters; tone dialling has A to D.
    EXPECT_EQ(Raised([&] { Call->GeneratePulseDigits("A", 0); }), "ETapiError " + IntToHex(LINEERR_INVALDIGITS, 8));
    Call->GeneratePulseDigits("45", 0);
    Line.GenerateDigits(Call, "A", 0, LINEDIGITMODE_DTMF);
    ASSERT_TRUE(Sim.CallInfo(Far, Info));
    EXPECT_EQ(Info.DigitsGenerated, "12#45A");

    // A new generation cancels the running one.
    Call->GenerateTone(LINETONEMODE_RINGBACK, 0);
    ASSERT_TRUE(PumpUntil([&] { return Generated.size() == 3; }));
    EXPECT_EQ(Generated[1], static_cast<uint32_t>(LINEGENERATETERM_CANCEL));
    EXPECT_EQ(Generated[2], static_cast<uint32_t>(LINEGENERATETERM_CANCEL));
    LINEGENERATETONE Custom{425, 100, 100, 0x8000};
    Line.GenerateCallTone(Call, LINETONEMODE_CUSTOM, 300, 1, &Custom);
    ASSERT_TRUE(Sim.CallInfo(Far, Info));
    EXPECT_EQ(Info.TonesGenerated,
              (std::vector<uint32_t>{LINETONEMODE_RINGBACK, LINETONEMODE_CUSTOM}));
    Advance(300);
    ASSERT_TRUE(PumpUntil([&] { return Generated.size() == 5; }));
    EXPECT_EQ(Generated[4], static_cast<uint32_t>(LINEGENERATETERM_DONE));
}

TEST_F(MediaOperationsTest, ChecksComeBeforeTapiInBothModes)
{
    TTapiCall Unbound(&Line, 0);
    LINEMONITORTONE Tone{1, 0, 440, 0, 0};
    for (bool Sync : {true, false}) {
        Line.Get_Options()->Set_SyncMode(Sync);
        EXPECT_EQ(Raised([&] { Unbound.GenerateDigits("1", 0); }),
                  "Unable to generate digits. No valid call of Simulated Line 1.");
        EXPECT_EQ(Raised([&] { Line.GenerateDigits(nullptr, "1", 0, LINEDIGITMODE_DTMF); }),
                  "Unable to generate digits. No valid call of Simulated Line 1.");
        EXPECT_EQ(Raised([&] { Unbound.GenerateTone(LINETONEMODE_BEEP, 0); }),
                  "Unable to generate tone. No valid call of Simulated Line 1.");
        EXPECT_EQ(Raised([&] { Line.MonitorTones(&Unbound, &Tone, 1); }),
                  "Unable to monitor tone. No valid call of Simulated Line 1.");
        EXPECT_EQ(Raised([&] { Line.MonitorCallMedia(&Unbound, LINEMEDIAMODE_DATAMODEM); }),
                  "Unable to monitor media. No valid call of Simulated Line 1.");
    }
    // A call of another line is no call of this one.
    TTapiLine Other(nullptr);
    OpenLine(Other, 1);
    EXPECT_EQ(Raised([&] { Other.GenerateDigits(Call, "1", 0, LINEDIGITMODE_DTMF); }),
              "Unable to generate digits. No valid call of Simulated Line 2.");

    TTapiLine Closed(nullptr);
    Closed.Set_Name("Line7");
    EXPECT_EQ(Raised([&] { Closed.GenerateDigits(Call, "1", 0, LINEDIGITMODE_DTMF); }), "Line7 not active.");
    EXPECT_EQ(Raised([&] { Closed.GenerateCallTone(Call, LINETONEMODE_BEEP, 0, 0, nullptr); }), "Line7 not active.");
    EXPECT_EQ(Raised([&] { Closed.MonitorTones(Call, &Tone, 1); }), "Line7 not active.");
    EXPECT_EQ(Raised([&] { Closed.MonitorCallMedia(Call, 0); }), "Line7 not active.");

    for (const char* Function : {"lineGenerateDigitsA", "lineGenerateTone", "lineMonitorTones", "lineMonitorMedia"})
        EXPECT_TRUE(Logged(Function).empty()) << Function;
}

TEST_F(MediaOperationsTest, TapiRefusalsRaiseAtOnceInBothModes)
{
    const std::string Busy = "ETapiError " + IntToHex(LINEERR_RESOURCEUNAVAIL, 8);
    LINEMONITORTONE Tone{1, 0, 440, 0, 0};
    for (bool Sync : {true, false}) {
        Line.Get_Options()->Set_SyncMode(Sync);
        for (const char* Function : {"lineGenerateDigitsA", "lineGenerateTone", "lineMonitorTones", "lineMonitorMedia"})
            Sim.InjectFault({.Kind = sim::sfFailCall, .Function = Function, .Error = LINEERR_RESOURCEUNAVAIL});
        EXPECT_EQ(Raised([&] { Call->GenerateDigits("1", 0); }), Busy);
        EXPECT_EQ(Raised([&] { Call->GenerateTone(LINETONEMODE_BEEP, 0); }), Busy);
        EXPECT_EQ(Raised([&] { Line.MonitorTones(Call, &Tone, 1); }), Busy);
        EXPECT_EQ(Raised([&] { Line.MonitorCallMedia(Call, LINEMEDIAMODE_DATAMODEM); }), Busy);
        // The service checks its arguments too.
        EXPECT_EQ(Raised([&] { Line.MonitorCallMedia(Call, 0x40000000); }),
                  "ETapiError " + IntToHex(LINEERR_INVALMEDIAMODE, 8));
        EXPECT_EQ(Line.Get_Requests()->Count(), 0);
    }
}

TEST_F(MediaOperationsTest, MonitoringReturnsWithoutWaitingInSyncMode)
{
    ASSERT_TRUE(Line.Get_SyncMode());
    Call->Get_MonitorDigits()->Set_Active(true);
    Sim.SendDigits(Far, "7");
    // Give the event thread time to queue the digit: an operation that waited
    // would hand it to OnDigit before returning.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const uint32_t LastRequest = Line.Get_LastRequestID();
    Line.MonitorCallMedia(Call, LINEMEDIAMODE_DATAMODEM);
    Call->MonitorTone(440, 0, 0, 0, 0x99);
    EXPECT_TRUE(Digits.empty());
    EXPECT_EQ(Line.Get_LastRequestID(), LastRequest);
    ASSERT_TRUE(PumpUntil([&] { return Digits == "7"; }));

    Sim.DetectMedia(Far, LINEMEDIAMODE_DATAMODEM);
    Sim.PlayTone(Far, 440);
    ASSERT_TRUE(PumpUntil([&] { return MediaModes == 1 && Tones.size() == 1; }));
    EXPECT_EQ(Tones[0], 0x99u);
    Line.MonitorCallMedia(Call, 0);
    Sim.DetectMedia(Far, LINEMEDIAMODE_DATAMODEM);
    Pump();
    EXPECT_EQ(MediaModes, 1);
}

} // namespace
} // namespace kxtapi::testing
