// kxphone's command line: help on every command, usage errors, library
// errors as one line with a non-zero status, and the device listing.

#include "kxphone_fixture.h"

#include <algorithm>
#include <map>

namespace kxtapi::testing {
namespace {

TEST(KxphoneCommandLine, HelpOnEveryCommandGoesToStandardOutputWithStatusZero)
{
    std::map<std::string, std::string> Help;
    for (const std::vector<std::string>& Args : std::vector<std::vector<std::string>>{
             {"--help"}, {"-h"}, {"demo", "--help"}, {"devices", "-h"}, {"monitor", "--help"},
             {"shell", "--help"}, {"port", "-h"}}) {
        TProcess P(KxphonePath(), Args);
        EXPECT_EQ(P.Wait(), 0) << Args[0];
        EXPECT_NE(P.Out().find("Usage:"), std::string::npos) << P.Out();
        EXPECT_EQ(P.Err(), "");
        Help[Args[0]] = P.Out();
    }
    for (const char* Command : {"demo", "devices", "monitor", "shell", "port"})
        EXPECT_NE(Help["--help"].find(Command), std::string::npos) << Command;
    for (const char* Option : {"PORT", "--mode", "--on"}) EXPECT_NE(Help["port"].find(Option), std::string::npos);
}

TEST(KxphoneCommandLine, AnUnusableCommandLineIsStatusTwoWithAHint)
{
    for (const std::vector<std::string>& Args : std::vector<std::vector<std::string>>{
             {"dance"}, {"monitor"}, {"demo", "--pace", "x"}, {"port", "COM1", "--eol", "nl"},
             {"--sim-config", "/nonexistent/kxphone.json", "devices"}}) {
        TProcess P(KxphonePath(), Args);
        EXPECT_EQ(P.Wait(), 2) << Args[0];
        EXPECT_EQ(P.Out(), "");
        EXPECT_NE(P.Err().find("--help"), std::string::npos) << P.Err();
    }
}

TEST(KxphoneCommandLine, LibraryErrorsAreOneLineAndStatusOne)
{
    TProcess NoLine(KxphonePath(), {"monitor", "No Such Line"});
    EXPECT_EQ(NoLine.Wait(), 1);
    EXPECT_EQ(NoLine.Err(),
              "kxphone: no line device \"No Such Line\"; there are 0 \"Simulated Line 1\", 1 \"Simulated Line 2\"\n");

    TProcess NoPort(KxphonePath(), {"port", "/dev/kxphone-no-such-port"});
    EXPECT_EQ(NoPort.Wait(), 1);
    EXPECT_EQ(NoPort.Err().rfind("kxphone: ", 0), 0u) << NoPort.Err();
    EXPECT_EQ(std::count(NoPort.Err().begin(), NoPort.Err().end(), '\n'), 1);

    TTempFile Bad(R"({"lines": [{"name": 7}]})");
    TProcess BadConfig(KxphonePath(), {"--sim-config", Bad.Path(), "devices"});
    EXPECT_EQ(BadConfig.Wait(), 1);
    EXPECT_EQ(BadConfig.Err(), "kxphone: " + Bad.Path() + ": lines[0].name: expected a string\n");
}

TEST(KxphoneDevices, ListsLinesWithVersionsAddressesAndCapsThenPhonesAndPorts)
{
    TTempFile Config(R"({"lines": [{"name": "B\u00fcro", "addresses": ["301", "302"]}, {"name": "Lager"}],
                         "phones": [{"name": "Tisch"}]})");
    TProcess P(KxphonePath(), {"--sim-config", Config.Path(), "devices"});
    ASSERT_EQ(P.Wait(), 0) << P.Err();
    const std::vector<std::string> Lines = P.OutLines();
    EXPECT_EQ(FoundInOrder(Lines, {"Line devices: 2", "line 0  \"B\xC3\xBCro\"", "provider     Simulated switch",
                                   "API version  2.1 (0x00020001), extension none", "addresses    301, 302",
                                   "media modes  ", "DeviceCaps of B\xC3\xBCro", "LineName = B\xC3\xBCro",
                                   "line 1  \"Lager\"", "Phone devices: 1", "phone 0  \"Tisch\"",
                                   "API version  2.1 (0x00020001)", "display      2 x 20",
                                   "buttons      0, 1, 2, 3, 4, 5, 6, 7, 8, 9, *, #, Hold, Transfer", "Serial ports:"}),
              15u)
        << P.Out();
    // The capabilities' dump: the names and every numbered field.
    EXPECT_EQ(LinesWith(Lines, "DeviceClassesOffset = x").size(), 2u);

    TProcess Brief(KxphonePath(), {"devices", "--brief"});
    ASSERT_EQ(Brief.Wait(), 0);
    EXPECT_EQ(Brief.Out().find("DeviceCaps"), std::string::npos);
    EXPECT_NE(Brief.Out().find("line 1  \"Simulated Line 2\""), std::string::npos);
}

}  // namespace
}  // namespace kxtapi::testing
