// Modems from the telephony configuration file: the "modem" key makes its
// modems line devices when the service starts, beside or without the
// simulated switch, and a bad entry fails the start naming the key.
#include "modem_fixture.h"

#include "kxtapi/tapi/config.h"

using namespace kxtapi;
using namespace kxtapi::testing;

namespace {

class ModemConfigFile : public ::testing::Test {
protected:
    ~ModemConfigFile() override { UseDefaultTelephonyConfig(); }
    std::string Json(const std::string& Device, bool Sim = true)
    {
        return std::string("{\"simulated_switch\": ") + (Sim ? "true" : "false") +
               ", \"modem\": {\"devices\": [" + Device + "]}}";
    }
    test::TScriptedModem Modem{false};
};

TEST_F(ModemConfigFile, ModemLinesBesideAndWithoutTheSimulatedSwitch)
{
    const std::string Device = "{\"line_name\": \"Test Modem\", \"port\": \"" + Modem.Port() +
                               "\", \"command_timeout\": 400, \"retry_interval\": 100}";
    for (bool Sim : {true, false}) {
        SetTelephonyConfigText(Json(Device, Sim));
        TModemApp App;
        App.Init();
        int32_t Id = App.Find("Test Modem");
        ASSERT_GE(Id, 0);
        EXPECT_EQ(App.NumDevs > 1, Sim);
        HLINE Line = 0;
        ASSERT_EQ(lineOpenA(App.App, static_cast<DWORD>(Id), &Line, 0x00020001, 0, 1, LINECALLPRIVILEGE_OWNER,
                            LINEMEDIAMODE_DATAMODEM, nullptr),
                  0u);
        EXPECT_TRUE(Eventually([&] { return (DevStatusFlags(Line) & LINEDEVSTATUSFLAGS_INSERVICE) != 0; }));
        ASSERT_EQ(lineShutdown(App.App), 0u);
        App.App = 0;
    }
    // Each start probed the modem afresh; the last shutdown closed its port.
    EXPECT_EQ(Modem.CommandCount("ATZ"), 2);
}

TEST_F(ModemConfigFile, BadEntryFailsTheStartNamingTheKey)
{
    SetTelephonyConfigText(Json("{\"line_name\": \"A\", \"port\": \"/dev/x\", \"speed\": 12}"));
    HLINEAPP App = 0;
    DWORD Devs = 0, Version = 0x00020001;
    LINEINITIALIZEEXPARAMS p{};
    p.dwTotalSize = sizeof p;
    p.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
    EXPECT_EQ(lineInitializeExA(&App, 0, nullptr, "modem test", &Devs, &Version, &p), LINEERR_INIFILECORRUPT);
    EXPECT_EQ(TelephonyStartError(), "configuration text: modem.devices[0].speed: must be between 300 and 4000000");
}

}  // namespace
