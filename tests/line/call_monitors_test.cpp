// A call's media monitors on the simulated switch: gathering digits (ends,
// time-outs, cancelling, the digit buffer's life), monitoring digits, media
// modes and silence, and the guards on their settings.

#include "media_fixture.h"

#include <algorithm>

namespace kxtapi::testing {
namespace {

using GatherDigitsTest = MediaTest;
using CallMonitorsTest = MediaTest;

TEST_F(GatherDigitsTest, EndsOnTerminationDigitOrFullBuffer)
{
    TTapiCallGatherDigits* Gather = Call->Get_GatherDigits();
    Gather->Set_NumDigits(4);
    Gather->Set_Active(true);
    EXPECT_TRUE(Gather->Get_Active());
    EXPECT_EQ(Gather->Get_Digits(), std::string(4, '\0'));
    ASSERT_EQ(Logged("lineGatherDigitsA").size(), 1u);
    EXPECT_EQ(Logged("lineGatherDigitsA")[0].Text, "4 *#");

    Sim.SendDigits(Far, "12#");
    ASSERT_TRUE(PumpUntil([&] { return !Gathered.empty(); }));
    EXPECT_EQ(Gathered[0].Digits, "12");
    EXPECT_EQ(Gathered[0].Termination, static_cast<uint32_t>(LINEGATHERTERM_TERMDIGIT));
    EXPECT_EQ(Gather->Get_Digits(), "12");
    EXPECT_FALSE(Gather->Get_Active());

    // Without termination digits only the count ends it; '#' is a digit then.
    Gather->Set_TerminationDigits("");
    Gather->Set_NumDigits(3);
    Gather->Set_Active(true);
    Sim.SendDigits(Far, "4#567");
    ASSERT_TRUE(PumpUntil([&] { return Gathered.size() == 2; }));
    EXPECT_EQ(Gathered[1].Digits, "4#5");
    EXPECT_EQ(Gathered[1].Termination, static_cast<uint32_t>(LINEGATHERTERM_BUFFERFULL));
}

TEST_F(GatherDigitsTest, FirstAndInterDigitTimeoutsOnTheClock)
{
    TTapiCallGatherDigits* Gather = Call->Get_GatherDigits();
    Gather->Set_NumDigits(5);
    Gather->Set_FirstDigitTimeout(3000);
    Gather->Set_InterDigitTimeout(1000);
    Gather->Set_Active(true);
    Advance(2999);
    EXPECT_TRUE(Gathered.empty());
    Clock.Advance(1);
    ASSERT_TRUE(PumpUntil([&] { return !Gathered.empty(); }));
    EXPECT_EQ(Gathered[0].Digits, "");
    EXPECT_EQ(Gathered[0].Termination, static_cast<uint32_t>(LINEGATHERTERM_FIRSTTIMEOUT));
    EXPECT_FALSE(Gather->Get_Active());

    Gather->Set_Active(true);
    Sim.SendDigits(Far, "7");
    Advance(999);
    Sim.SendDigits(Far, "8");
    Advance(999);
    EXPECT_EQ(Gathered.size(), 1u) << "each digit restarts the inter-digit time";
    Clock.Advance(1);
    ASSERT_TRUE(PumpUntil([&] { return Gathered.size() == 2; }));
    EXPECT_EQ(Gathered[1].Digits, "78");
    EXPECT_EQ(Gathered[1].Termination, static_cast<uint32_t>(LINEGATHERTERM_INTERTIMEOUT));
}

TEST_F(GatherDigitsTest, SwitchingOnTwiceOrWithoutDigits)
{
    TTapiCallGatherDigits* Gather = Call->Get_GatherDigits();
    // A new call's gathering asks for no digits: switching it on does nothing.
    EXPECT_EQ(Gather->Get_NumDigits(), 0u);
    Gather->Set_Active(true);
    EXPECT_FALSE(Gather->Get_Active());
    Gather->Set_Active(false);
    EXPECT_TRUE(Logged("lineGatherDigitsA").empty());

    Gather->Set_NumDigits(2);
    Gather->Set_Active(true);
    EXPECT_EQ(Raised([&] { Gather->Set_Active(true); }), "GatherDigits already running");
    EXPECT_EQ(Logged("lineGatherDigitsA").size(), 1u);
    // The running gathering was not disturbed.
    Sim.SendDigits(Far, "34");
    ASSERT_TRUE(PumpUntil([&] { return !Gathered.empty(); }));
    EXPECT_EQ(Gathered[0].Digits, "34");
}

TEST_F(GatherDigitsTest, CancelledGatheringBringsTheDigitsSoFar)
{
    TTapiCallGatherDigits* Gather = Call->Get_GatherDigits();
    Gather->Set_NumDigits(4);
    Gather->Set_Active(true);
    Sim.SendDigits(Far, "5");
    Gather->Set_Active(false);
    EXPECT_FALSE(Gather->Get_Active());
    ASSERT_TRUE(PumpUntil([&] { return !Gathered.empty(); }));
    EXPECT_EQ(Gathered[0].Digits, "5");
    EXPECT_EQ(Gathered[0].Termination, static_cast<uint32_t>(LINEGATHERTERM_CANCEL));

    // Switching on with no digits to gather cancels a running gathering and
    // leaves it off.
    Gather->Set_Active(true);
    Gather->Set_NumDigits(0);
    Gather->Set_Active(true);
    EXPECT_FALSE(Gather->Get_Active());
    ASSERT_TRUE(PumpUntil([&] { return Gathered.size() == 2; }));
    EXPECT_EQ(Gathered[1].Termination, static_cast<uint32_t>(LINEGATHERTERM_CANCEL));
    Gather->Set_NumDigits(4);
    EXPECT_NO_THROW(Gather->Set_Active(true));
}

TEST_F(GatherDigitsTest, LateEndOfACancelledGatheringLeavesTheNextRunning)
{
    TTapiCallGatherDigits* Gather = Call->Get_GatherDigits();
    Gather->Set_NumDigits(3);
    Gather->Set_Active(true);
    Sim.SendDigits(Far, "1");
    Gather->Set_Active(false);
    Gather->Set_Active(true);   // before the cancelled one's end has arrived
    ASSERT_TRUE(PumpUntil([&] { return !Gathered.empty(); }));
    EXPECT_EQ(Gathered[0].Digits, "1");
    EXPECT_EQ(Gathered[0].Termination, static_cast<uint32_t>(LINEGATHERTERM_CANCEL));
    EXPECT_TRUE(Gather->Get_Active());
    Sim.SendDigits(Far, "9*");
    ASSERT_TRUE(PumpUntil([&] { return Gathered.size() == 2; }));
    EXPECT_EQ(Gathered[1].Digits, "9");
    EXPECT_FALSE(Gather->Get_Active());
}

TEST_F(GatherDigitsTest, SettingsAndDigitsMayChangeWhileGathering)
{
    TTapiCallGatherDigits* Gather = Call->Get_GatherDigits();
    Gather->Set_NumDigits(4);
    Gather->Set_Active(true);
    // None of this may move the buffer the service writes into.
    Gather->Set_NumDigits(64);
    Gather->Set_TerminationDigits(std::string(100, '#'));
    TTapiCallGatherDigitsParams Template;
    Gather->Assign(&Template);
    const std::string Read = Gather->Get_Digits();
    EXPECT_EQ(Read, std::string(4, '\0'));
    Sim.SendDigits(Far, "1234");
    ASSERT_TRUE(PumpUntil([&] { return !Gathered.empty(); }));
    EXPECT_EQ(Gathered[0].Digits, "1234");
    EXPECT_EQ(Gathered[0].Termination, static_cast<uint32_t>(LINEGATHERTERM_BUFFERFULL));
}

TEST_F(GatherDigitsTest, CallFreedWhileGatheringRuns)
{
    // The only owner of a connected call cannot release its handle, so the
    // service goes on gathering for it after the call object has gone.
    for (bool DigitsFirst : {false, true}) {
        TTapiCallGatherDigits* Gather = Call->Get_GatherDigits();
        Gather->Set_NumDigits(3);
        Gather->Set_Active(true);
        if (DigitsFirst) Sim.SendDigits(Far, "12#");   // ends it; the message is on its way
        const uint32_t Handle = Call->Get_Handle();
        Call->Free();
        Sim.SendDigits(Far, "456");
        Pump();
        // The line adopts the handle again for the later messages; the new
        // object has nothing of the old gathering.
        TTapiCall* Again = Line.GetOrCreateCall(Handle);
        ASSERT_NE(Again, nullptr);
        EXPECT_FALSE(Again->Get_GatherDigits()->Get_Active());
        for (const TGathered& g : Gathered) EXPECT_EQ(g.Digits, "");
        Call = Again;
    }
}

TEST_F(GatherDigitsTest, RefusalKeepsItOff)
{
    TTapiCallGatherDigits* Gather = Call->Get_GatherDigits();
    Gather->Set_NumDigits(2);
    Gather->Set_FirstDigitTimeout(50);   // below the device's minimum
    EXPECT_EQ(Raised([&] { Gather->Set_Active(true); }), "ETapiError " + IntToHex(LINEERR_INVALTIMEOUT, 8));
    EXPECT_FALSE(Gather->Get_Active());
    Gather->Set_FirstDigitTimeout(0);
    Gather->Set_Active(true);
    Sim.InjectFault({.Kind = sim::sfFailCall, .Function = "lineGatherDigitsA"});
    EXPECT_EQ(Raised([&] { Gather->Set_Active(false); }), "ETapiError " + IntToHex(LINEERR_OPERATIONFAILED, 8));
    EXPECT_TRUE(Gather->Get_Active());
}

// --- Digits, media, silence ----------------------------------------------------

TEST_F(CallMonitorsTest, DigitsReportedOneByOneAndSwitchedOnce)
{
    TTapiCallMonitorDigits* Monitor = Call->Get_MonitorDigits();
    Monitor->Set_Active(true);
    Monitor->Set_Active(true);
    ASSERT_EQ(Logged("lineMonitorDigits").size(), 1u);
    EXPECT_EQ(Logged("lineMonitorDigits")[0].Text, "0x2");
    Sim.SendDigits(Far, "19#");
    ASSERT_TRUE(PumpUntil([&] { return Digits.size() == 3; }));
    EXPECT_EQ(Digits, "19#");

    Monitor->Set_Active(false);
    Monitor->Set_Active(false);
    ASSERT_EQ(Logged("lineMonitorDigits").size(), 2u);
    EXPECT_EQ(Logged("lineMonitorDigits")[1].Text, "0x0");
    Sim.SendDigits(Far, "5");
    Pump();
    EXPECT_EQ(Digits, "19#");
}

TEST_F(CallMonitorsTest, ModesRefusedWhileMonitoring)
{
    TTapiCallMonitorDigits* Digits = Call->Get_MonitorDigits();
    TTapiCallMonitorMedia* Media = Call->Get_MonitorMedia();
    Media->SetMediaModes(LINEMEDIAMODE_DATAMODEM);
    Digits->Set_Active(true);
    Media->Set_Active(true);

    TTapiCallMonitorDigitsParams DigitsTemplate;
    DigitsTemplate.SetDigitModes(6);
    TTapiCallMonitorMediaParams MediaTemplate;
    MediaTemplate.SetMediaModes(LINEMEDIAMODE_G3FAX);
    EXPECT_EQ(Raised([&] { Digits->SetDigitModes(6); }), "Unable to set DigitModes while monitoring is active.");
    EXPECT_EQ(Raised([&] { Digits->Assign(&DigitsTemplate); }),
              "Unable to set DigitModes while monitoring is active.");
    EXPECT_EQ(Digits->Get_DigitModes(), static_cast<uint32_t>(LINEDIGITMODE_DTMF));
    EXPECT_EQ(Raised([&] { Media->SetMediaModes(LINEMEDIAMODE_G3FAX); }),
              "Unable to set MediaModes while monitoring is active.");
    EXPECT_EQ(Raised([&] { Media->Assign(&MediaTemplate); }), "Unable to set MediaModes while monitoring is active.");
    EXPECT_EQ(Media->Get_MediaModes(), static_cast<uint32_t>(LINEMEDIAMODE_DATAMODEM));

    Digits->Set_Active(false);
    Media->Set_Active(false);
    Digits->Assign(&DigitsTemplate);
    Media->Assign(&MediaTemplate);
    EXPECT_EQ(Digits->Get_DigitModes(), 6u);
    EXPECT_EQ(Media->Get_MediaModes(), static_cast<uint32_t>(LINEMEDIAMODE_G3FAX));
}

TEST_F(CallMonitorsTest, MediaModeDetected)
{
    TTapiCallMonitorMedia* Monitor = Call->Get_MonitorMedia();
    Monitor->SetMediaModes(LINEMEDIAMODE_DATAMODEM | LINEMEDIAMODE_G3FAX);
    Monitor->Set_Active(true);
    Sim.DetectMedia(Far, LINEMEDIAMODE_G3FAX);
    ASSERT_TRUE(PumpUntil([&] { return MediaModes == 1; }));
    Monitor->Set_Active(false);
    Sim.DetectMedia(Far, LINEMEDIAMODE_DATAMODEM);
    Pump();
    EXPECT_EQ(MediaModes, 1);
}

TEST_F(CallMonitorsTest, NoValidCallAndRefusalsKeepTheState)
{
    TTapiCall Unbound(&Line, 0);
    for (bool Value : {true, false}) {
        EXPECT_EQ(Raised([&] { Unbound.Get_MonitorDigits()->Set_Active(Value); }), "MonitorDigits: No valid call");
        EXPECT_EQ(Raised([&] { Unbound.Get_MonitorMedia()->Set_Active(Value); }), "MonitorMedia: No valid call");
        EXPECT_EQ(Raised([&] { Unbound.Get_MonitorSilence()->Set_Active(Value); }),
                  "MonitorSilence: No valid call");
    }

    const std::string Failed = "ETapiError " + IntToHex(LINEERR_OPERATIONFAILED, 8);
    for (const char* Function : {"lineMonitorDigits", "lineMonitorMedia", "lineMonitorTones"})
        Sim.InjectFault({.Kind = sim::sfFailCall, .Function = Function});
    EXPECT_EQ(Raised([&] { Call->Get_MonitorDigits()->Set_Active(true); }), Failed);
    EXPECT_EQ(Raised([&] { Call->Get_MonitorMedia()->Set_Active(true); }), Failed);
    EXPECT_EQ(Raised([&] { Call->Get_MonitorSilence()->Set_Active(true); }), Failed);
    EXPECT_FALSE(Call->Get_MonitorDigits()->Get_Active());
    EXPECT_FALSE(Call->Get_MonitorMedia()->Get_Active());
    EXPECT_FALSE(Call->Get_MonitorSilence()->Get_Active());
}

TEST_F(CallMonitorsTest, SilenceAgainstOtherTones)
{
    TTapiCallMonitorSilence* Silence = Call->Get_MonitorSilence();
    EXPECT_TRUE(Silence->Get_Available());
    Silence->Set_Duration(1000);
    Silence->Set_Active(true);
    Sim.GoSilent(Far);
    Advance(999);
    EXPECT_EQ(Silences, 0);
    Clock.Advance(1);
    ASSERT_TRUE(PumpUntil([&] { return Silences == 1; }));
    EXPECT_TRUE(Tones.empty());

    // MonitorTone replaces the call's tone list: the tone is reported with
    // its own value, and switching silence off ends that monitoring too.
    Sim.StartTalking(Far);
    Call->MonitorTone(440, 0, 0, 200, 0x42);
    Sim.PlayTone(Far, 440);
    Advance(200);
    ASSERT_TRUE(PumpUntil([&] { return Tones.size() == 1; }));
    EXPECT_EQ(Tones[0], 0x42u);
    EXPECT_EQ(Silences, 1);
    Silence->Set_Active(false);
    EXPECT_FALSE(Silence->Get_Active());
    Sim.StartTalking(Far);
    Sim.PlayTone(Far, 440);
    Sim.GoSilent(Far);
    Advance(2000);
    EXPECT_EQ(Tones.size(), 1u);
    EXPECT_EQ(Silences, 1);
    const auto Requests = Logged("lineMonitorTones");
    ASSERT_EQ(Requests.size(), 3u);
    EXPECT_EQ(Requests[2].Text, "0");
}

// The first line's address offers no tone monitoring.
class NoToneMonitoringTest : public MediaTest {
protected:
    void SetUp() override
    {
        sim::TSimConfig Config = sim::DefaultSimConfig();
        Config.Lines[0].Addresses[0].CallFeatures &= ~static_cast<uint32_t>(LINECALLFEATURE_MONITORTONES);
        Sim.Configure(Config);
        MediaTest::SetUp();
    }
};

TEST_F(NoToneMonitoringTest, SilenceUnavailableButTheServiceDecides)
{
    TTapiCallMonitorSilence* Silence = Call->Get_MonitorSilence();
    EXPECT_FALSE(Silence->Get_Available());
    EXPECT_EQ(Raised([&] { Silence->Set_Active(true); }), "ETapiError " + IntToHex(LINEERR_OPERATIONUNAVAIL, 8));
    EXPECT_FALSE(Silence->Get_Active());
    EXPECT_NO_THROW(Call->Get_MonitorDigits()->Set_Active(true));
}

} // namespace
} // namespace kxtapi::testing
