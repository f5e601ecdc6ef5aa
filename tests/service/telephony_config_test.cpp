// The telephony configuration file: where it is looked for, what a bad one
// does to the service's start, and that its texts never quote a password.

#include "service_fixture.h"

#include "kxtapi/kxtapi.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

namespace kxtapi::testing {
namespace {

namespace fs = std::filesystem;

// Sets or unsets an environment variable for one test.
class TEnvVar {
public:
    TEnvVar(const char* Name, const char* Value) : FName(Name)
    {
        if (const char* v = std::getenv(Name)) FOld = v;
        if (Value) ::setenv(Name, Value, 1);
        else ::unsetenv(Name);
    }
    ~TEnvVar()
    {
        if (FOld) ::setenv(FName, FOld->c_str(), 1);
        else ::unsetenv(FName);
    }

private:
    const char* FName;
    std::optional<std::string> FOld;
};

class TelephonyConfigTest : public ServiceTest {
protected:
    TelephonyConfigTest()
    {
        Dir = fs::temp_directory_path() / ("kxtapi-config-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(Dir);
    }
    ~TelephonyConfigTest() override
    {
        UseDefaultTelephonyConfig();
        std::error_code e;
        fs::remove_all(Dir, e);
    }

    std::string Write(const std::string& Name, const std::string& Text)
    {
        fs::path p = Dir / Name;
        fs::create_directories(p.parent_path());
        std::ofstream(p) << Text;
        return p.string();
    }

    // Starts the service with Json and expects it to fail; the error text.
    std::string StartFails(const std::string& Json, uint32_t Expected = LINEERR_INIFILECORRUPT)
    {
        SetTelephonyConfigText(Json);
        TLineApp a;
        EXPECT_EQ(a.Init(), Expected) << Json;
        return TelephonyStartError();
    }

    fs::path Dir;
};

TEST_F(TelephonyConfigTest, WithoutAFileTheSimulatedSwitchAloneServes)
{
    TEnvVar Config("KXTAPI_CONFIG", nullptr);
    TEnvVar Xdg("XDG_CONFIG_HOME", Dir.c_str());
    EXPECT_EQ(TelephonyConfigSource(), "");
    TLineApp a;
    ASSERT_EQ(a.Init(), 0u);
    EXPECT_EQ(a.NumDevs, 2u);
    EXPECT_EQ(TelephonyStartError(), "");
}

TEST_F(TelephonyConfigTest, TheFileIsFoundByProgramThenEnvironmentThenConfigDirectory)
{
    std::string InXdg = Write("xdg/kxtapi/telephony.json", R"({"simulated_switch": false})");
    std::string Named = Write("named.json", R"({"simulated_switch": true})");
    TEnvVar Xdg("XDG_CONFIG_HOME", (Dir / "xdg").c_str());
    {
        TEnvVar Config("KXTAPI_CONFIG", nullptr);
        EXPECT_EQ(TelephonyConfigSource(), InXdg);
        TLineApp a;
        ASSERT_EQ(a.Init(), 0u);
        EXPECT_EQ(a.NumDevs, 0u) << "the configuration directory's file left the switch out";
    }
    {
        TEnvVar Config("KXTAPI_CONFIG", Named.c_str());
        EXPECT_EQ(TelephonyConfigSource(), Named);
        TLineApp a;
        ASSERT_EQ(a.Init(), 0u);
        EXPECT_EQ(a.NumDevs, 2u);
    }
    {
        TEnvVar Config("KXTAPI_CONFIG", "");
        EXPECT_EQ(TelephonyConfigSource(), "") << "an empty variable means no file at all";
    }
    {
        TEnvVar Config("KXTAPI_CONFIG", Named.c_str());
        SetTelephonyConfigText(R"({"simulated_switch": false})");
        EXPECT_EQ(TelephonyConfigSource(), "configuration text");
        TLineApp a;
        ASSERT_EQ(a.Init(), 0u);
        EXPECT_EQ(a.NumDevs, 0u) << "what the program set comes first";
        SetTelephonyConfigFile("");
        EXPECT_EQ(TelephonyConfigSource(), "");
    }
    {
        TEnvVar Home("HOME", Dir.c_str());
        TEnvVar Unset("XDG_CONFIG_HOME", nullptr);
        TEnvVar Config("KXTAPI_CONFIG", nullptr);
        UseDefaultTelephonyConfig();
        std::string InHome = Write(".config/kxtapi/telephony.json", "{}");
        EXPECT_EQ(TelephonyConfigSource(), InHome);
    }
}

TEST_F(TelephonyConfigTest, ARunningServiceKeepsItsConfigurationUntilTheLastUsageEnds)
{
    TLineApp a;
    ASSERT_EQ(a.Init(), 0u);
    SetTelephonyConfigText(R"({"simulated_switch": false})");
    TLineApp b;
    ASSERT_EQ(b.Init(), 0u);
    EXPECT_EQ(b.NumDevs, 2u);
}

TEST_F(TelephonyConfigTest, BadFilesFailTheStartNamingFileAndKey)
{
    struct TCase {
        const char* Json;
        const char* Text;
    };
    const TCase Cases[] = {
        {R"({"simulated_switch": "yes"})", "configuration text: simulated_switch: must be true or false"},
        {"[1, 2]", "configuration text: must hold a JSON object"},
        {R"({"simulated_switch": 1e999})", "configuration text: malformed JSON: a number is out of range"},
        {"{\n  \"simulated_switch\": true,\n  oops\n}", "configuration text: malformed JSON at line 3, column 3"},
        {R"({"sip": []})", "configuration text: sip: must be an object"},
        {R"({"sip": {"accounts": {}}})", "configuration text: sip.accounts: must be a list"},
        {R"({"sip": {"accounts": [{"domain": "example.org", "listen": "127.0.0.1:5080"}]}})",
         "configuration text: sip.accounts[0].user: is missing"},
        {R"({"sip": {"accounts": [{"user": "a b", "domain": "example.org", "listen": "127.0.0.1:5080"}]}})",
         "configuration text: sip.accounts[0].user: must be the user part of a SIP URI (no blanks, '@' or ':')"},
        {R"({"sip": {"accounts": [{"user": "a", "domain": "example.org", "listen": "127.0.0.1:5080",
                                   "expires": "300"}]}})",
         "configuration text: sip.accounts[0].expires: must be a whole number"},
        {R"({"sip": {"accounts": [{"user": "a", "domain": "example.org", "listen": "127.0.0.1:5080",
                                   "expires": 5}]}})",
         "configuration text: sip.accounts[0].expires: must be between 10 and 86400"},
        {R"({"sip": {"accounts": [{"user": "a", "domain": "example.org", "listen": "127.0.0.1:5080",
                                   "registrar": "http://example.org"}]}})",
         "configuration text: sip.accounts[0].registrar: must be a SIP URI such as sip:host:port"},
        {R"({"sip": {"accounts": [{"user": "a", "domain": "example.org", "listen": "localhost"}]}})",
         "configuration text: sip.accounts[0].listen: must be an IP address and port such as 127.0.0.1:5080 or "
         "[::1]:5080"},
        {R"({"sip": {"accounts": [{"user": "a", "domain": "example.org", "listen": "127.0.0.1:5080",
                                   "rtp_ports": "20099-20000"}]}})",
         "configuration text: sip.accounts[0].rtp_ports: must be a range such as 20000-20099 within 1024-65535"},
        {R"({"sip": {"accounts": [{"user": "a", "domain": "example.org", "listen": "127.0.0.1:5080",
                                   "codecs": ["PCMU", "G729"]}]}})",
         "configuration text: sip.accounts[0].codecs[1]: unknown codec; the codecs are PCMU and PCMA"},
        {R"({"sip": {"accounts": [{"user": "a", "domain": "example.org", "listen": "127.0.0.1:5080",
                                   "display_name": "Bad\r\nVia: x"}]}})",
         "configuration text: sip.accounts[0].display_name: must not contain control characters"},
        {R"({"sip": {"accounts": [{"user": "a", "domain": "example.org", "listen": "127.0.0.1:5080"},
                                  {"user": "b", "domain": "example.org", "listen": "127.0.0.1:5080"}]}})",
         "configuration text: sip.accounts[1].listen: is the listen address of sip.accounts[0] already"},
        {R"({"sip": {"accounts": [{"user": "a", "domain": "example.org", "listen": "127.0.0.1:5080",
                                   "line_name": "Desk"},
                                  {"user": "b", "domain": "example.org", "listen": "127.0.0.1:5081",
                                   "line_name": "DESK"}]}})",
         "configuration text: sip.accounts[1].line_name: is the line name of sip.accounts[0] already"},
    };
    for (const TCase& c : Cases) EXPECT_EQ(StartFails(c.Json), c.Text);
}

TEST_F(TelephonyConfigTest, AnUnreadableFileIsNamedWithTheReason)
{
    std::string Missing = (Dir / "missing.json").string();
    SetTelephonyConfigFile(Missing);
    TLineApp a;
    EXPECT_EQ(a.Init(), LINEERR_INIFILECORRUPT);
    EXPECT_EQ(TelephonyStartError(), Missing + ": cannot be read: No such file or directory");
    SetTelephonyConfigFile(Dir.string());
    EXPECT_EQ(a.Init(), LINEERR_INIFILECORRUPT);
    EXPECT_EQ(TelephonyStartError(), Dir.string() + ": is a directory, not a file");
}

TEST_F(TelephonyConfigTest, PasswordsNeverAppearInTheTexts)
{
    const std::string Secret = "hunter2-secret";
    // The parser stops right behind the password: its own message would
    // quote it.
    std::string Text = StartFails(R"({"sip": {"accounts": [{"password": ")" + Secret + "\n");
    EXPECT_EQ(Text.find(Secret), std::string::npos) << Text;
    EXPECT_NE(Text.find("malformed JSON at line 1"), std::string::npos) << Text;
    Text = StartFails(R"({"sip": {"accounts": [{"user": "a", "domain": "d", "listen": "127.0.0.1:1",
                         "password": ")" + Secret + R"(\u0001"}]}})");
    EXPECT_EQ(Text, "configuration text: sip.accounts[0].password: must not contain control characters");
    Text = StartFails(R"({"sip": {"accounts": [{"user": "a", "domain": "d", "listen": "127.0.0.1:1",
                         "password": 42}]}})");
    EXPECT_EQ(Text, "configuration text: sip.accounts[0].password: must be a text");
}

TEST_F(TelephonyConfigTest, AFailedStartLeavesNothingStartedAndTheNextStartReadsAgain)
{
    StartFails("{");
    TPhoneApp p;
    PHONEINITIALIZEEXPARAMS pp{};
    pp.dwTotalSize = sizeof pp;
    pp.dwOptions = PHONEINITIALIZEEXOPTION_USEEVENT;
    DWORD Version = 0x00020001;
    EXPECT_EQ(phoneInitializeExA(&p.App, 0, nullptr, "t", &p.NumDevs, &Version, &pp), PHONEERR_INIFILECORRUPT);
    SetTelephonyConfigText(R"({"simulated_switch": true, "a_key_of_a_later_version": {"x": 1}})");
    TLineApp a;
    ASSERT_EQ(a.Init(), 0u);
    EXPECT_EQ(a.NumDevs, 2u);
    EXPECT_EQ(TelephonyStartError(), "");
}

TEST_F(TelephonyConfigTest, TheSessionRaisesETapiErrorWithTheText)
{
    SetTelephonyConfigText(R"({"simulated_switch": 1})");
    try {
        TapiApplication->Set_Active(true);
        ADD_FAILURE() << "the session started";
        TapiApplication->Set_Active(false);
    } catch (const ETapiError& e) {
        EXPECT_EQ(e.ErrorCode, LINEERR_INIFILECORRUPT);
        EXPECT_EQ(e.Message(), "configuration text: simulated_switch: must be true or false");
    }
    EXPECT_FALSE(TapiApplication->Get_Active());
    UseDefaultTelephonyConfig();
    TapiApplication->Set_Active(true);
    EXPECT_TRUE(TapiApplication->Get_Active());
    TapiApplication->Set_Active(false);
}

}  // namespace
}  // namespace kxtapi::testing
