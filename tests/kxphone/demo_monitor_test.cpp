// The demo's road of events, and a line monitored while the simulated
// switch's script plays the far end.

#include "kxphone_fixture.h"

#include <nlohmann/json.hpp>

#include <csignal>

namespace kxtapi::testing {
namespace {

TEST(KxphoneDemo, RunsWithoutArgumentsAndShowsEveryStepInOrder)
{
    TProcess P(KxphonePath(), {});
    ASSERT_EQ(P.Wait(30000), 0) << P.Out() << P.Err();
    EXPECT_EQ(P.Err(), "");
    const std::vector<std::string> Wanted = {
        // An incoming call answered, talked, hung up by the far end, dropped, freed.
        "Simulated Line 1  #1  OFFERING", "Simulated Line 1  --  RING  count=1",
        "#1  CALLERID  number=\"+1 206 555 0100\"  name=\"Alice Example\"", "RING  count=2", "-- answering",
        "#1  CONNECTED", "#1  DIGIT  digit=\"4\"", "#1  DIGIT  digit=\"2\"", "#1  DISCONNECTED  mode=NORMAL",
        "#1  IDLE", "#1  FREED",
        // Outgoing, hold and a consultation transfer to line 2.
        "#2  RINGBACK", "#2  CONNECTED", "#2  ONHOLD", "#2  CONNECTED", "#2  ONHOLDPENDTRANSFER", "#3  DIALTONE",
        "Simulated Line 2  #4  OFFERING", "Simulated Line 2  #4  CONNECTED", "#3  CONNECTED",
        "Simulated Line 2  #4  CONNECTEDID  number=\"555 0123\"", "#2  IDLE", "#3  IDLE",
        // A three-party conference.
        "#5  CONNECTED", "#6  ONHOLDPENDCONF", "#5  CONFERENCED", "#7  DIALTONE", "Simulated Line 2  #8  OFFERING",
        "#7  CONNECTED", "#7  CONFERENCED", "#6  CONNECTED", "-- hanging up the conference", "#6  IDLE",
        // Park and unpark.
        "#9  CONNECTED", "-- parking the call", "#9  IDLE", "-- parked at ", "#10  CONNECTED", "#10  IDLE",
        "#10  FREED", "-- done"};
    EXPECT_EQ(FoundInOrder(P.OutLines(), Wanted), Wanted.size()) << P.Out();
    // The transferred party's number comes without the name of the one before.
    EXPECT_TRUE(LinesWith(LinesWith(P.OutLines(), "#4  CONNECTEDID  number=\"555 0123\""), "name=").empty());
}

// Two calls from the switch's script: a caller with a name, who presses a
// digit and hangs up; then a withheld caller.
const char* ScriptedSwitch = R"({
  "lines": [{"name": "Front desk", "addresses": ["201"]}],
  "script": {"steps": [
    {"after": 800, "offer": {"line": 0, "number": "+49 89 1234567", "name": "Zo\u00eb"}},
    {"after": 50, "ring": 1},
    {"after": 50, "digits": "5"},
    {"after": 50, "hangUp": true},
    {"after": 700, "offer": {"line": 0, "withheld": true}},
    {"after": 50, "hangUp": true}]}})";

TEST(KxphoneMonitor, JsonShowsTheScriptedFarEndInOrderAndSigintEndsIt)
{
    TTempFile Config(ScriptedSwitch);
    TProcess P(KxphonePath(), {"--sim-config", Config.Path(), "monitor", "front DESK", "--json"});
    ASSERT_TRUE(P.WaitForOutput("\"call\":2,\"event\":\"DISCONNECTED\"")) << P.Out() << P.Err();
    P.Signal(SIGINT);
    ASSERT_EQ(P.Wait(), 0) << P.Err();
    EXPECT_EQ(P.Err(), "");

    std::vector<std::string> Seen;
    std::vector<nlohmann::json> Records;
    for (const std::string& Line : P.OutLines()) {
        nlohmann::json j = nlohmann::json::parse(Line, nullptr, false);
        ASSERT_FALSE(j.is_discarded()) << "not one JSON object: " << Line;
        EXPECT_EQ(j["source"], "Front desk");
        EXPECT_TRUE(j["time"].is_number());
        Seen.push_back(j["event"].get<std::string>() + (j["call"].is_null() ? "" : " #" + j["call"].dump()));
        Records.push_back(j);
    }
    const std::vector<std::string> Wanted = {"OPENED",      "NEWCALL #1", "OFFERING #1", "RING",
                                             "CALLERID #1", "RING",       "DIGIT #1",    "DISCONNECTED #1",
                                             "IDLE #1",     "OFFERING #2", "CALLERID #2", "DISCONNECTED #2"};
    EXPECT_EQ(FoundInOrder(Seen, Wanted), Wanted.size()) << P.Out();
    for (const nlohmann::json& j : Records) {
        if (j["event"] != "CALLERID") continue;
        if (j["call"] == 1) {
            EXPECT_EQ(j["number"], "+49 89 1234567");
            EXPECT_EQ(j["name"], "Zo\xC3\xAB");   // UTF-8
        } else {
            EXPECT_EQ(j["withheld"], "yes");
            EXPECT_FALSE(j.contains("number"));
        }
    }
}

}  // namespace
}  // namespace kxtapi::testing
