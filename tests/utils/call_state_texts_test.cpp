// German call-state texts and the names of call-state modes.

#include "expected_names.h"

using namespace kxtapi;

TEST(GermanCallStates, EveryStateIncludingUnknown)
{
    const NameList texts = {
        {0x1, "Ruhe"},          {0x2, "Anruf"},
        {0x4, "Angenommen"},    {0x8, "W\xE4hlton"},
        {0x10, "Wahl"},         {0x20, "Rufton"},
        {0x40, "Besetzt"},      {0x80, "Spezialmeldung"},
        {0x100, "Gespr\xE4" "ch"}, {0x200, "Rufton"},
        {0x400, "Gehalten"},    {0x800, "Konferenz"},
        {0x1000, "Warten auf Konferenz"}, {0x2000, "Warten auf Transfer"},
        {0x4000, "Getrennt"},   {0x8000, "Unbekannt"}};
    ExpectBitFamily(LineCallStateToStrDE, texts, DollarHex);
    EXPECT_EQ(LineCallStateToStrDE(LINECALLSTATE_UNKNOWN), "Unbekannt");
    EXPECT_EQ(LineCallStateToStr(LINECALLSTATE_UNKNOWN), "$8000");
}

TEST(GermanCallStates, UmlautIsOneWindows1252Byte)
{
    const std::string dialTone = LineCallStateToStrDE(LINECALLSTATE_DIALTONE);
    ASSERT_EQ(dialTone.size(), 7u);   // UTF-8 would take 8
    EXPECT_EQ(static_cast<unsigned char>(dialTone[1]), 0xE4);
    const std::string connected = LineCallStateToStrDE(LINECALLSTATE_CONNECTED);
    ASSERT_EQ(connected.size(), 8u);
    EXPECT_EQ(static_cast<unsigned char>(connected[5]), 0xE4);
    EXPECT_EQ(connected.substr(6), "ch");
    EXPECT_EQ(Cp1252ToUtf8(connected), "Gespr\xC3\xA4" "ch");
}

namespace {

struct StateModes {
    uint32_t CallState;
    NameList Modes;
};

const std::vector<StateModes>& ModeFamilies()
{
    static const std::vector<StateModes> families = {
        {LINECALLSTATE_OFFERING, {N(LINEOFFERINGMODE_, ACTIVE), N(LINEOFFERINGMODE_, INACTIVE)}},
        {LINECALLSTATE_DIALTONE,
         {N(LINEDIALTONEMODE_, NORMAL), N(LINEDIALTONEMODE_, SPECIAL),
          N(LINEDIALTONEMODE_, INTERNAL), N(LINEDIALTONEMODE_, EXTERNAL),
          N(LINEDIALTONEMODE_, UNKNOWN), N(LINEDIALTONEMODE_, UNAVAIL)}},
        {LINECALLSTATE_BUSY,
         {N(LINEBUSYMODE_, STATION), N(LINEBUSYMODE_, TRUNK), N(LINEBUSYMODE_, UNKNOWN),
          N(LINEBUSYMODE_, UNAVAIL)}},
        {LINECALLSTATE_SPECIALINFO,
         {N(LINESPECIALINFO_, NOCIRCUIT), N(LINESPECIALINFO_, CUSTIRREG),
          N(LINESPECIALINFO_, REORDER), N(LINESPECIALINFO_, UNKNOWN),
          N(LINESPECIALINFO_, UNAVAIL)}},
        {LINECALLSTATE_CONNECTED,
         {N(LINECONNECTEDMODE_, ACTIVE), N(LINECONNECTEDMODE_, INACTIVE),
          N(LINECONNECTEDMODE_, ACTIVEHELD), N(LINECONNECTEDMODE_, INACTIVEHELD),
          N(LINECONNECTEDMODE_, CONFIRMED)}},
        // Only the first twelve disconnect modes.
        {LINECALLSTATE_DISCONNECTED, NameList(DisconnectModes.begin(), DisconnectModes.begin() + 12)},
    };
    return families;
}

} // namespace

TEST(CallStateModes, EachStateNamesItsOwnFamily)
{
    for (const StateModes& f : ModeFamilies()) {
        SCOPED_TRACE(LineCallStateToStr(f.CallState));
        ExpectBitFamily([&](uint32_t m) { return LineCallStateModeToStr(f.CallState, m); },
                        f.Modes, NoText);
    }
    EXPECT_EQ(LineCallStateModeToStr(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_UNAVAIL),
              "UNAVAIL");
    EXPECT_EQ(LineCallStateModeToStr(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NODIALTONE), "");
    EXPECT_EQ(LineCallStateModeToStr(LINECALLSTATE_DISCONNECTED, 0x1000), "");
}

TEST(CallStateModes, OtherStatesHaveNoModeText)
{
    for (int b = 0; b < 32; ++b) {
        uint32_t state = 1u << b;
        bool hasModes = false;
        for (const StateModes& f : ModeFamilies()) hasModes |= f.CallState == state;
        if (hasModes) continue;
        for (uint32_t mode : {0x1u, 0x2u, 0x4u, 0x10u})
            EXPECT_EQ(LineCallStateModeToStr(state, mode), "") << "state bit " << b;
    }
    EXPECT_EQ(LineCallStateModeToStr(LINECALLSTATE_RINGBACK, 1), "");
    EXPECT_EQ(LineCallStateModeToStr(0, 1), "");
    // A combination of states is no state of the table.
    EXPECT_EQ(LineCallStateModeToStr(LINECALLSTATE_OFFERING | LINECALLSTATE_CONNECTED, 1), "");
}
