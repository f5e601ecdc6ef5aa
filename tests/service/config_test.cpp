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
}  // namespace kxtapi::testing
