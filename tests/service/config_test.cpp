// The simulated switch's configuration: the default one, the JSON reader,
// and configuring while applications run.

#include "service_fixture.h"

#include <cstdio>
#include <fstream>

namespace kxtapi::testing {
namespace {

using sim::ParseSimConfig;
using sim::TSimConfig;

TEST(SimConfig, TheDefaultHasTwoLinesOnePhoneAndTwoLocations)
{
    TSimConfig c = sim::DefaultSimConfig();
    ASSERT_EQ(c.Lines.size(), 2u);
    EXPECT_EQ(c.Lines[0].Name, "Simulated Line 1");
    EXPECT_EQ(c.Lines[1].Addresses.at(0).Address, "202");
    ASSERT_EQ(c.Phones.size(), 1u);
    EXPECT_EQ(c.Phones[0].Line, 0);
    EXPECT_EQ(c.Lines[0].Phone, 0);
    ASSERT_EQ(c.Locations.size(), 2u);
    EXPECT_EQ(c.CurrentLocation, 1u);
    EXPECT_FALSE(c.Countries.empty());
}

TEST(SimConfig, ReadsDevicesLocationsAndCountries)
{
    TSimConfig c;
    std::string Error;
    ASSERT_TRUE(ParseSimConfig(R"({
        "lines": [{"name": "Front desk", "addresses": ["201", {"address": "209", "callFeatures": "0xFF"}],
                   "mediaModes": "0x14", "phone": 0, "apiLowVersion": 65540, "extensionId": [1, 2, 3, 4],
                   "dataModem": false}],
        "phones": [{"name": "Desk", "display": {"rows": 4, "columns": 40},
                    "buttons": [{"mode": 8, "text": "1"}, {"mode": 4, "function": 4, "lampModes": 6}],
                    "line": 0}],
        "locations": [{"id": 7, "name": "Lab", "countryId": 44, "cityCode": "20"}],
        "countries": [{"id": 44, "code": 44, "name": "UK", "longDistance": "0FG"}],
        "unknown": "ignored"
    })",
                               c, &Error))
        << Error;
    ASSERT_EQ(c.Lines.size(), 1u);
    EXPECT_EQ(c.Lines[0].Name, "Front desk");
    ASSERT_EQ(c.Lines[0].Addresses.size(), 2u);
    EXPECT_EQ(c.Lines[0].Addresses[1].CallFeatures, 0xFFu);
    EXPECT_EQ(c.Lines[0].MediaModes, 0x14u);
    EXPECT_EQ(c.Lines[0].APILowVersion, 0x00010004u);
    EXPECT_EQ(c.Lines[0].ExtensionID[3], 4u);
    EXPECT_FALSE(c.Lines[0].DataModem);
    ASSERT_EQ(c.Phones.size(), 1u);
    EXPECT_EQ(c.Phones[0].DisplayColumns, 40u);
    ASSERT_EQ(c.Phones[0].Buttons.size(), 2u);
    EXPECT_EQ(c.Phones[0].Buttons[1].LampModes, 6u);
    ASSERT_EQ(c.Locations.size(), 1u);
    EXPECT_EQ(c.CurrentLocation, 7u) << "the first location when none is named current";
    EXPECT_EQ(c.Countries.at(0).SameAreaRule, "G") << "absent members keep their defaults";
}

TEST(SimConfig, ErrorsNameWhereTheyAreAndLeaveTheOutputAlone)
{
    TSimConfig c = sim::DefaultSimConfig();
    std::string Error;
    EXPECT_FALSE(ParseSimConfig("{not json", c, &Error));
    EXPECT_EQ(Error, "not valid JSON");
    EXPECT_FALSE(ParseSimConfig("[]", c, &Error));
    EXPECT_EQ(Error, "configuration: expected an object");
    EXPECT_FALSE(ParseSimConfig(R"({"lines": [{"mediaModes": -1}]})", c, &Error));
    EXPECT_EQ(Error, "lines[0].mediaModes: expected a 32-bit number");
    EXPECT_FALSE(ParseSimConfig(R"({"lines": [{}, {"addresses": [3]}]})", c, &Error));
    EXPECT_EQ(Error, "lines[1].addresses[0]: expected an object");
    EXPECT_FALSE(ParseSimConfig(R"({"phones": [{"display": {"rows": 1000, "columns": 1000}}]})", c, &Error));
    EXPECT_EQ(Error, "phones[0].display.rows: display larger than 4096 characters");
    EXPECT_FALSE(ParseSimConfig(R"({"lines": [{"waveIn": "0x1FFFFFFFF"}]})", c, &Error));
    EXPECT_FALSE(ParseSimConfig(R"({"lines": {}})", c, &Error));
    EXPECT_EQ(Error, "lines: expected an array");
    EXPECT_EQ(c.Lines.size(), 2u) << "untouched after errors";
}

TEST(SimConfig, LoadsFromAFile)
{
    std::string Path = ::testing::TempDir() + "sim_config_test.json";
    std::ofstream(Path) << R"({"lines": [{"name": "From file"}]})";
    TSimConfig c;
    std::string Error;
    ASSERT_TRUE(sim::LoadSimConfigFile(Path, c, &Error)) << Error;
    EXPECT_EQ(c.Lines.at(0).Name, "From file");
    std::remove(Path.c_str());
    EXPECT_FALSE(sim::LoadSimConfigFile(Path, c, &Error));
    EXPECT_EQ(Error, Path + ": cannot be read");
}

using Configure = ServiceTest;

TEST_F(Configure, ReconfiguringWhileRunningRemovesTheOldDevicesAndCreatesTheNew)
{
    TLineApp a;
    ASSERT_EQ(a.Init(), 0u);
    TSimConfig c;
    sim::TSimLineConfig l;
    l.Name = "Only line";
    c.Lines = {l};
    c.Locations = sim::DefaultSimConfig().Locations;
    c.CurrentLocation = 2;
    c.Countries = sim::DefaultSimConfig().Countries;
    Sim.Configure(c);
    std::vector<DWORD> Ids;
    for (const LINEMESSAGE& m : a.Drain()) Ids.push_back(m.dwMessageID);
    EXPECT_EQ(Ids, (std::vector<DWORD>{LINE_REMOVE, LINE_REMOVE, LINE_LINEDEVSTATE, LINE_CREATE}));
    TBlock<LINEDEVCAPS> caps(1024);
    ASSERT_EQ(lineGetDevCapsA(a.App, 2, 0x00020001, 0, caps.get()), 0u);
    EXPECT_EQ(caps.Str(offsetof(LINEDEVCAPS, dwLineNameSize)), "Only line");
    EXPECT_EQ(Sim.Config().CurrentLocation, 2u);
    EXPECT_EQ(Sim.LineCount(), 1);
}

TEST_F(Configure, LinesAreFoundByNameInAnyCase)
{
    EXPECT_EQ(Sim.LineName(1), "Simulated Line 2");
    EXPECT_EQ(Sim.LineIndex("simulated line 2"), 1);
    EXPECT_EQ(Sim.LineIndex("Nowhere"), -1);
    Sim.RemoveLine(0);
    EXPECT_EQ(Sim.LineName(0), "");
    EXPECT_EQ(Sim.LineIndex("Simulated Line 1"), -1);
    EXPECT_EQ(Sim.LineName(7), "");
    EXPECT_EQ(Sim.PhoneIndex("SIMULATED PHONE 1"), 0);
    EXPECT_EQ(Sim.PhoneIndex("Simulated Line 2"), -1);
}

TEST_F(Configure, ResetForgetsCallsFaultsRulesAndTheLog)
{
    Sim.OfferCall(0, "1");
    Sim.InjectFault(sim::TSimFault{.Kind = sim::sfFailCall});
    Sim.AddDestinationRule({"*", sim::faBusy});
    Sim.Reset();
    EXPECT_TRUE(Sim.Calls().empty());
    TLineApp a;
    ASSERT_EQ(a.Init(), 0u) << "no fault is left";
    HLINE h = a.Open(0, 1);
    HCALL c = 0;
    EXPECT_EQ(a.Reply(lineMakeCallA(h, &c, "5", 0, nullptr)), 0u);
    TBlock<LINECALLSTATUS> s;
    lineGetCallStatus(c, s.get());
    EXPECT_EQ(s->dwCallState, LINECALLSTATE_RINGBACK) << "no rule is left";
    ASSERT_EQ(Sim.Log().size(), 1u);
    EXPECT_EQ(Sim.Log()[0].Function, "lineMakeCallA");
    EXPECT_EQ(Sim.Log()[0].Text, "5");
}

}  // namespace
TEST(SimConfig, TextsAreReadAsUtf8AndKeptInWindows1252)
{
    TSimConfig c;
    std::string Error;
    ASSERT_TRUE(ParseSimConfig(R"({"lines": [{"name": "B\u00fcro \u20ac"}],
        "script": {"steps": [{"offer": {"name": "Zo\u00eb"}}]}})",
                               c, &Error))
        << Error;
    EXPECT_EQ(c.Lines.at(0).Name, "B\xFCro \x80");
    EXPECT_EQ(c.Script.Steps.at(0).Name, "Zo\xEB");
}

TEST(SimConfig, ReadsAFarEndScript)
{
    TSimConfig c;
    std::string Error;
    ASSERT_TRUE(ParseSimConfig(R"({"script": {"repeat": 0, "steps": [
        {"after": 500, "offer": {"line": 1, "number": "+1 206 555 0100", "name": "Alice"}},
        {"ring": 2}, {"after": 10, "digits": "42#"}, {"after": 2000, "hangUp": true},
        {"after": 1, "offer": {"withheld": true}}]}})",
                               c, &Error))
        << Error;
    ASSERT_EQ(c.Script.Steps.size(), 5u);
    EXPECT_EQ(c.Script.Repeat, 0u);
    const sim::TSimScriptStep& Offer = c.Script.Steps[0];
    EXPECT_EQ(Offer.Action, sim::saOffer);
    EXPECT_EQ(Offer.Delay, 500u);
    EXPECT_EQ(Offer.Line, 1);
    EXPECT_EQ(Offer.Number, "+1 206 555 0100");
    EXPECT_EQ(Offer.Name, "Alice");
    EXPECT_FALSE(Offer.Withheld);
    EXPECT_EQ(c.Script.Steps[1].Action, sim::saRing);
    EXPECT_EQ(c.Script.Steps[1].Count, 2u);
    EXPECT_EQ(c.Script.Steps[1].Delay, 0u);
    EXPECT_EQ(c.Script.Steps[2].Digits, "42#");
    EXPECT_EQ(c.Script.Steps[3].Action, sim::saHangUp);
    EXPECT_TRUE(c.Script.Steps[4].Withheld);
    EXPECT_EQ(c.Script.Steps[4].Line, 0);

    const std::pair<const char*, const char*> Bad[] = {
        {R"({"script": {"steps": [{"after": 5}]}})", "script.steps[0]: expected exactly one of"},
        {R"({"script": {"steps": [{"ring": 1, "hangUp": true}]}})", "script.steps[0]: expected exactly one of"},
        {R"({"script": {"steps": [{"hangUp": false}]}})", "script.steps[0].hangUp: expected true"},
        {R"({"script": {"steps": [{"offer": {"line": "x"}}]}})", "script.steps[0].offer.line:"},
        {R"({"script": {"repeat": 0, "steps": [{"ring": 1}]}})", "script.repeat: a repeated script needs pauses"},
        {R"({"script": [{"ring": 1}]})", "script: expected an object"},
    };
    for (const auto& [Json, Want] : Bad) {
        TSimConfig Out;
        EXPECT_FALSE(ParseSimConfig(Json, Out, &Error)) << Json;
        EXPECT_EQ(Error.rfind(Want, 0), 0u) << Error;
    }
}

sim::TSimScriptStep Step(uint32_t Delay, sim::TSimScriptAction Action)
{
    sim::TSimScriptStep s;
    s.Delay = Delay;
    s.Action = Action;
    return s;
}

TEST_F(Configure, AScriptOffersRingsAndHangsUpOnItsOwnAndRepeats)
{
    TSimConfig c = sim::DefaultSimConfig();
    c.Script.Repeat = 2;
    c.Script.Steps = {Step(500, sim::saOffer), Step(100, sim::saRing), Step(0, sim::saDigits),
                      Step(1000, sim::saHangUp)};
    c.Script.Steps[0].Line = 1;
    c.Script.Steps[0].Number = "5550100";
    c.Script.Steps[0].Name = "Alice";
    c.Script.Steps[1].Count = 2;
    c.Script.Steps[2].Digits = "7";
    Sim.Configure(c);
    TLineApp a;
    ASSERT_EQ(a.Init(), 0u);
    lineSetStatusMessages(a.Open(1, 1), LINEDEVSTATE_RINGING, 0);
    Clock.Advance(499);
    EXPECT_TRUE(Sim.Calls(1).empty());
    Clock.Advance(1);
    ASSERT_EQ(Sim.Calls(1).size(), 1u);
    const sim::TSimCallID First = Sim.Calls(1)[0];
    sim::TSimCallInfo Info;
    ASSERT_TRUE(Sim.CallInfo(First, Info));
    EXPECT_EQ(Info.CallerID, "5550100");
    EXPECT_EQ(Info.CallerIDName, "Alice");
    EXPECT_EQ(Info.State, static_cast<uint32_t>(LINECALLSTATE_OFFERING));
    Clock.Advance(100);   // two more rings; the digits come at once after them
    uint32_t Rings = 0;
    for (const LINEMESSAGE& m : a.Drain())
        if (m.dwMessageID == LINE_LINEDEVSTATE && m.dwParam1 == LINEDEVSTATE_RINGING) Rings = m.dwParam3;
    EXPECT_EQ(Rings, 3u);
    Clock.Advance(999);
    EXPECT_EQ(Sim.CallState(First), static_cast<uint32_t>(LINECALLSTATE_OFFERING));
    Clock.Advance(1);
    EXPECT_EQ(Sim.CallState(First), static_cast<uint32_t>(LINECALLSTATE_DISCONNECTED));

    // The second pass offers a new call; then the script is over.
    Clock.Advance(500);
    const sim::TSimCallID Second = Sim.LastCall(1);
    EXPECT_NE(Second, First);
    EXPECT_EQ(Sim.CallState(Second), static_cast<uint32_t>(LINECALLSTATE_OFFERING));
    Clock.Advance(100);   // each pause counts from the step before it
    Clock.Advance(1000);
    EXPECT_EQ(Sim.CallState(Second), static_cast<uint32_t>(LINECALLSTATE_DISCONNECTED));
    Clock.Advance(5000);
    EXPECT_EQ(Sim.LastCall(1), Second);
    EXPECT_EQ(Sim.Config().Script.Steps.size(), 4u);
}

TEST_F(Configure, ConfiguringAgainStopsTheScriptAndAWithheldCallerIsBlocked)
{
    TSimConfig c = sim::DefaultSimConfig();
    c.Script.Repeat = 0;
    c.Script.Steps = {Step(0, sim::saOffer), Step(100, sim::saHangUp)};
    c.Script.Steps[0].Withheld = true;
    Sim.Configure(c);
    ASSERT_EQ(Sim.Calls(0).size(), 1u) << "a step without a pause runs at once";
    sim::TSimCallInfo Info;
    ASSERT_TRUE(Sim.CallInfo(Sim.Calls(0)[0], Info));
    EXPECT_EQ(Info.CallerID, "");
    Clock.Advance(100);
    EXPECT_TRUE(Sim.Calls(0).empty() || Sim.CallState(Sim.Calls(0)[0]) == LINECALLSTATE_DISCONNECTED);
    Sim.Reset();
    EXPECT_TRUE(Sim.Config().Script.Steps.empty());
    Clock.Advance(10000);
    EXPECT_EQ(Sim.LastCall(0), 0u) << "no step of the old script runs after a reset";
    EXPECT_EQ(Sim.ScheduledActions(), 0u);
}

}  // namespace kxtapi::testing
