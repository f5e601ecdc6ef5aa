// The demo's road of events, and a line monitored while the simulated
// switch's script plays the far end.

#include "kxphone_fixture.h"

#include <nlohmann/json.hpp>

#include <csignal>
#include <map>
#include <set>
#include <sstream>

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
// digit and hangs up; then a withheld caller. The script repeats, so a round
// played before kxphone had the line open only delays the test.
const char* ScriptedSwitch = R"({
  "lines": [{"name": "Front desk", "addresses": ["201"]}],
  "script": {"repeat": 0, "steps": [
    {"after": 300, "offer": {"line": 0, "number": "+49 89 1234567", "name": "Zo\u00eb"}},
    {"after": 50, "ring": 1},
    {"after": 50, "digits": "5"},
    {"after": 50, "hangUp": true},
    {"after": 300, "offer": {"line": 0, "withheld": true}},
    {"after": 50, "hangUp": true}]}})";

/// The calls of a whole round: a named caller's call seen from its offer to
/// its end and dropped, then the withheld caller's call seen to its end;
/// {0, 0} until the output holds one.
std::pair<int, int> WholeRound(const std::vector<nlohmann::json>& Records)
{
    std::map<int, std::string> Caller;   // call -> "named" / "withheld"
    std::set<int> Offered, Ended, Idle;
    for (const nlohmann::json& j : Records) {
        if (j.is_discarded() || !j["call"].is_number()) continue;
        const int Call = j["call"].get<int>();
        const std::string Event = j["event"].get<std::string>();
        if (Event == "OFFERING") Offered.insert(Call);
        if (Event == "CALLERID") Caller[Call] = j.contains("withheld") ? "withheld" : "named";
        if (Event == "DISCONNECTED") Ended.insert(Call);
        if (Event == "IDLE") Idle.insert(Call);
    }
    for (const auto& [Named, Kind] : Caller) {
        if (Kind != "named" || !Offered.count(Named) || !Ended.count(Named) || !Idle.count(Named)) continue;
        auto Next = Caller.upper_bound(Named);
        if (Next != Caller.end() && Next->second == "withheld" && Ended.count(Next->first))
            return {Named, Next->first};
    }
    return {0, 0};
}

TEST(KxphoneMonitor, JsonShowsTheScriptedFarEndInOrderAndSigintEndsIt)
{
    TTempFile Config(ScriptedSwitch);
    TProcess P(KxphonePath(), {"--sim-config", Config.Path(), "monitor", "front DESK", "--json"});
    ASSERT_TRUE(P.WaitForOutput([](const std::string& Out) { return WholeRound(Records(Out)).first != 0; }))
        << P.Out() << P.Err();
    P.Signal(SIGINT);
    ASSERT_EQ(P.Wait(), 0) << P.Err();
    EXPECT_EQ(P.Err(), "");

    const std::vector<nlohmann::json> All = Records(P.Out());
    const auto [Named, Withheld] = WholeRound(All);
    std::vector<std::string> Seen;
    for (const nlohmann::json& j : All) {
        ASSERT_FALSE(j.is_discarded()) << "not one JSON object a line: " << P.Out();
        EXPECT_EQ(j["source"], "Front desk");
        EXPECT_TRUE(j["time"].is_number());
        const bool Ours = j["call"] == Named || j["call"] == Withheld;
        if (j["call"].is_null() || Ours)
            Seen.push_back(j["event"].get<std::string>() + (Ours ? j["call"] == Named ? " named" : " withheld" : ""));
        if (!Ours || j["event"] != "CALLERID") continue;
        if (j["call"] == Named) {
            EXPECT_EQ(j["number"], "+49 89 1234567");
            EXPECT_EQ(j["name"], "Zo\xC3\xAB");   // UTF-8
        } else {
            EXPECT_EQ(j["withheld"], "yes");
            EXPECT_FALSE(j.contains("number"));
        }
    }
    // The line drops a disconnected call after a while: its IDLE may come
    // before or after the next call.
    const std::vector<std::string> NamedRoad = {"OPENED",         "NEWCALL named", "OFFERING named",     "RING",
                                            "CALLERID named", "DIGIT named",   "DISCONNECTED named", "IDLE named"};
    EXPECT_EQ(FoundInOrder(Seen, NamedRoad), NamedRoad.size()) << P.Out();
    const std::vector<std::string> Both = {"DISCONNECTED named", "OFFERING withheld", "CALLERID withheld",
                                           "DISCONNECTED withheld"};
    EXPECT_EQ(FoundInOrder(Seen, Both), Both.size()) << P.Out();
}

}  // namespace
}  // namespace kxtapi::testing
