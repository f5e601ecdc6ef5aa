// kxphone on lines of real providers, set up by the telephony configuration
// file alone: a modem (a scripted one on a pseudo-terminal) and a SIP
// account that baresip calls. The program knows no provider; what it shows
// comes through the same components as on the simulated switch.

#include "kxphone_fixture.h"

#include "scripted_modem.h"
#ifdef KXPHONE_TEST_SIP
#include "sip_peers.h"
#endif

#include <nlohmann/json.hpp>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>

namespace kxtapi::testing {
namespace {

/// The telephony configuration file the programs started meanwhile read.
class TConfigFile {
public:
    explicit TConfigFile(const std::string& Json) : FFile(Json) { ::setenv("KXTAPI_CONFIG", FFile.Path().c_str(), 1); }
    ~TConfigFile() { ::setenv("KXTAPI_CONFIG", "", 1); }

private:
    TTempFile FFile;
};

const nlohmann::json* Find(const std::vector<nlohmann::json>& All, const std::string& Event)
{
    for (const nlohmann::json& j : All)
        if (j.is_object() && j["event"] == Event) return &j;
    return nullptr;
}

TEST(KxphoneProviders, AModemLineIsListedAndMonitoredWithItsCallers)
{
    test::TScriptedModem Modem(false);
    TConfigFile Config(R"({"simulated_switch": false, "modem": {"devices": [{"line_name": "Test Modem", "port": ")" +
                       Modem.Port() + R"(", "command_timeout": 400, "retry_interval": 100, "ring_timeout": 3000}]}})");
    {
        TProcess P(KxphonePath(), {"devices"});
        ASSERT_EQ(P.Wait(), 0) << P.Err();
        EXPECT_FALSE(LinesWith(P.OutLines(), "\"Test Modem\"").empty()) << P.Out();
        EXPECT_TRUE(LinesWith(P.OutLines(), "Simulated Line").empty()) << P.Out();
    }
    TProcess P(KxphonePath(), {"monitor", "Test Modem", "--json"});
    ASSERT_TRUE(P.WaitForOutput("\"OPENED\"")) << P.Out() << P.Err();
    // Rings before the probe has put the line in service are not calls yet.
    bool Offered = false;
    for (int i = 0; i < 30 && !Offered; ++i) {
        Modem.Send({"RING"});
        Offered = P.WaitForOutput("\"OFFERING\"", 300);
    }
    ASSERT_TRUE(Offered) << P.Out() << P.Err();
    Modem.Send({"DATE = 0321", "TIME = 1405", "NMBR = 5551212", "NAME = DOE JOHN"});
    Modem.Send({"RING"}, 100);
    ASSERT_TRUE(P.WaitForOutput("\"CALLERID\"")) << P.Out();
    // Nobody answers: once the rings stop the call ends.
    ASSERT_TRUE(P.WaitForOutput("\"DISCONNECTED\"")) << P.Out();
    P.Signal(SIGINT);
    ASSERT_EQ(P.Wait(), 0) << P.Err();

    const std::vector<nlohmann::json> All = Records(P.Out());
    for (const nlohmann::json& j : All) ASSERT_TRUE(j.is_object()) << "not one JSON object a line: " << P.Out();
    const nlohmann::json* Caller = Find(All, "CALLERID");
    ASSERT_NE(Caller, nullptr);
    EXPECT_EQ((*Caller)["source"], "Test Modem");
    EXPECT_EQ((*Caller)["number"], "5551212");
    EXPECT_EQ((*Caller)["name"], "DOE JOHN");
    const nlohmann::json* Offering = Find(All, "OFFERING");
    ASSERT_NE(Offering, nullptr);
    EXPECT_EQ((*Offering)["call"], (*Caller)["call"]);
}

#ifdef KXPHONE_TEST_SIP
TEST(KxphoneProviders, ASipLineAnswersBaresipFromTheShell)
{
    TBaresip Bob;
    ASSERT_TRUE(Bob.Ready());
    // The port is found free before kxphone binds it; another test may take
    // it in between, and then the line does not open: try again.
    for (int Attempt = 1;; ++Attempt) {
        const uint16_t Port = FreePort();
        const uint16_t Rtp = FreePortRange(64);
        TConfigFile Config(R"({"simulated_switch": false, "sip": {"accounts": [{"line_name": "Desk", "user": "alice", )"
                           R"("domain": "127.0.0.1", "display_name": "Alice", "listen": "127.0.0.1:)" +
                           std::to_string(Port) + R"(", "rtp_ports": ")" + std::to_string(Rtp) + "-" +
                           std::to_string(Rtp + 63) + R"("}]}})");
        TProcess P(KxphonePath(), {"shell"});
        P.Write("open Desk\n");
        ASSERT_TRUE(P.WaitForOutput([](const std::string& Out) { return Out.find("opened \"Desk\"") != Out.npos; },
                                    10000) ||
                    Attempt < 3)
            << P.Out() << P.Err();
        if (P.Out().find("opened \"Desk\"") == std::string::npos) continue;

        ASSERT_TRUE(Bob.Command("dial", "sip:alice@127.0.0.1:" + std::to_string(Port)));
        P.Write("wait OFFERING 10000\nwait CALLERID 5000\nanswer\nwait CONNECTED 10000\n");
        ASSERT_FALSE(Bob.WaitEvent("CALL_ESTABLISHED", 15000).is_null()) << P.Out() << P.Err();
        ASSERT_TRUE(Bob.Command("hangup"));
        P.Write("wait DISCONNECTED 10000\ndrop\nwait IDLE 10000\nquit\n");
        P.CloseInput();
        EXPECT_EQ(P.Wait(30000), 0) << P.Out() << P.Err();
        const std::vector<std::string> Wanted = {"opened \"Desk\"", "Desk  #1  OFFERING",
                                                 "Desk  #1  CALLERID  number=\"bob\"  name=\"Bob\"",
                                                 "Desk  #1  CONNECTED", "Desk  #1  DISCONNECTED  mode=NORMAL",
                                                 "Desk  #1  IDLE"};
        EXPECT_EQ(FoundInOrder(P.OutLines(), Wanted), Wanted.size()) << P.Out();
        return;
    }
}
#endif

}  // namespace
}  // namespace kxtapi::testing
