// Digits both ways as RFC 4733 events, and holding: ours by re-INVITE
// (ONHOLD, CONNECTED again), the far end's shown as LINECONNECTEDMODE_ACTIVEHELD.

#include "sip_fixture.h"

namespace kxtapi::testing {
namespace {

using SipDtmfHoldTest = SipTest;

// A connected call from Line to Bob.
TTapiCall* ConnectTo(TTapiLine& Line, TBaresip& Bob, TSipEventLog& Log)
{
    TTapiCall* Call = Line.MakeCall(Bob.Uri());
    if (!Call || !PumpUntil([&] { return Log.Has("Connected"); })) return nullptr;
    if (Bob.WaitEvent("CALL_ESTABLISHED").is_null()) return nullptr;
    return Call;
}

TEST_F(SipDtmfHoldTest, DigitsAreSentAsEventsAndTheFarEndsAreGatheredAndMonitored)
{
    std::vector<TSipLineSpec> Lines{{"Office", "alice"}};
    Configure(Lines);
    TTapiLine Line(nullptr);
    TSipEventLog Log;
    Log.Attach(Line);
    std::vector<uint32_t> Generated;
    std::string Monitored, Gathered;
    uint32_t GatherEnd = 0;
    Line.OnGenerate = [&](TObject*, TTapiCall*, uint32_t Term) { Generated.push_back(Term); };
    Line.OnDigit = [&](TObject*, TTapiCall*, char d) { Monitored += d; };
    Line.OnDigits = [&](TObject*, TTapiCall*, const std::string& d, uint32_t Term) {
        Gathered = d;
        GatherEnd = Term;
    };
    Open(Line, "Office");
    TBaresip Bob;
    ASSERT_TRUE(Bob.Ready());
    TTapiCall* Call = ConnectTo(Line, Bob, Log);
    ASSERT_NE(Call, nullptr);

    // Ours: each digit a telephone event that baresip sees begin.
    Call->GenerateDigits("19#", 80);
    ASSERT_TRUE(PumpUntil([&] { return !Generated.empty(); }));
    EXPECT_EQ(Generated, std::vector<uint32_t>{LINEGENERATETERM_DONE});
    std::string Heard;
    for (int i = 0; i < 3; ++i) {
        nlohmann::json e = Bob.WaitEvent("CALL_DTMF_START");
        ASSERT_FALSE(e.is_null()) << "digit " << i;
        Heard += e.value("param", "");
    }
    EXPECT_EQ(Heard, "19#");

    // Theirs: monitored one by one, gathered up to the terminating '#'.
    Call->Get_MonitorDigits()->Set_Active(true);
    Call->Get_GatherDigits()->Set_NumDigits(8);
    Call->Get_GatherDigits()->Set_Active(true);
    for (char d : std::string("42#")) {
        // One digit at a time: each is seen before the next is sent.
        ASSERT_TRUE(Bob.Command("sndcode", std::string(1, d)));
        ASSERT_TRUE(PumpUntil([&] { return !Monitored.empty() && Monitored.back() == d; })) << d;
    }
    ASSERT_TRUE(PumpUntil([&] { return GatherEnd != 0; }));
    EXPECT_EQ(Gathered, "42");
    EXPECT_EQ(GatherEnd, LINEGATHERTERM_TERMDIGIT);
    // Each digit once (or, with the digit's end monitored too, twice).
    std::string Once;
    for (char d : Monitored)
        if (Once.empty() || Once.back() != d) Once += d;
    EXPECT_EQ(Once, "42#");
    Call->Drop();
}

TEST_F(SipDtmfHoldTest, HoldAndUnholdByReInviteAndTheFarEndsHoldAsActiveHeld)
{
    std::vector<TSipLineSpec> Lines{{"Office", "alice"}};
    Configure(Lines);
    TTapiLine Line(nullptr);
    TSipEventLog Log;
    Log.Attach(Line);
    Open(Line, "Office");
    TBaresip Bob;
    ASSERT_TRUE(Bob.Ready());
    TTapiCall* Call = ConnectTo(Line, Bob, Log);
    ASSERT_NE(Call, nullptr);

    Call->Hold();
    ASSERT_TRUE(PumpUntil([&] { return Call->GetCallStatusDW(0) == LINECALLSTATE_ONHOLD; }));
    EXPECT_TRUE(Log.Has("Hold"));
    EXPECT_FALSE(Bob.WaitEvent("CALL_REMOTE_SDP").is_null()) << "the far end had our sendonly offer";
    Call->Unhold();
    ASSERT_TRUE(PumpUntil([&] { return Call->GetCallStatusDW(0) == LINECALLSTATE_CONNECTED; }));
    EXPECT_EQ(Call->GetCallStatusDW(1), LINECONNECTEDMODE_ACTIVE);

    ASSERT_TRUE(Bob.Command("hold"));
    ASSERT_TRUE(PumpUntil([&] { return Call->GetCallStatusDW(1) == LINECONNECTEDMODE_ACTIVEHELD; }));
    EXPECT_EQ(Call->GetCallStatusDW(0), LINECALLSTATE_CONNECTED);
    ASSERT_TRUE(Bob.Command("resume"));
    ASSERT_TRUE(PumpUntil([&] { return Call->GetCallStatusDW(1) == LINECONNECTEDMODE_ACTIVE; }));

    // No conference and no park on a SIP account.
    TTapiCall *Conf = nullptr, *Consult = nullptr;
    EXPECT_THROW(Line.SetupConference(Call, Conf, Consult, 3, nullptr), ETapiError);
    EXPECT_EQ(Call->GetCallStatusDW(3) & (LINECALLFEATURE_SETUPCONF | LINECALLFEATURE_PARK), 0u);
    Call->Drop();
}

}  // namespace
}  // namespace kxtapi::testing
