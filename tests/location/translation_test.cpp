// Canonical addresses dialled from several locations: the service's
// translation agrees with what the location classes report of each place.

#include "location_fixture.h"

#include <cstddef>

namespace kxtapi::testing {
namespace {

// Translated for line device 0 under the session's usage, as a line would.
std::string Translate(const std::string& Canonical)
{
    const uint32_t App = TapiApplication->LineAppHandle;
    TVarBlock Out(sizeof(LINETRANSLATEOUTPUT));
    const uint32_t r = FetchVarBlock(Out, [&] {
        return lineTranslateAddressA(App, 0, 0x00020001, Canonical.c_str(), 0, 0, Out.As<LINETRANSLATEOUTPUT>());
    });
    if (r != 0) return "error " + IntToHex(r, 8);
    return VarBlockString(Out, offsetof(LINETRANSLATEOUTPUT, dwDialableStringSize));
}

std::string Expand(const std::string& Rule, const std::string& Country, const std::string& Area,
                   const std::string& Number)
{
    std::string r;
    for (char c : Rule) r += c == 'E' ? Country : c == 'F' ? Area : c == 'G' ? Number : std::string(1, c);
    return r;
}

// What a location's own fields say the number becomes: the access code and
// rule of a call in the area, in the country, or abroad.
std::string DialledFrom(const TTapiLocation& From, const std::string& Country, const std::string& Area,
                        const std::string& Number)
{
    if (Country != From.CountryCode)
        return From.LongDistanceAccessCode + Expand(From.InternationalRule, Country, Area, Number);
    if (Area == From.CityCode) return From.LocalAccessCode + Expand(From.SameAreaRule, Country, Area, Number);
    return From.LongDistanceAccessCode + Expand(From.LongDistanceRule, Country, Area, Number);
}

struct TCase {
    const char* Location;
    const char* Country;
    const char* Area;
    const char* Number;
    const char* Dialled;
};

class Translation : public LocationTest {
protected:
    Translation()
    {
        Application()->SetMainThread();
        TapiApplication->Set_Active(true);
    }
    ~Translation() override { TapiApplication->Set_Active(false); }
};

TEST_F(Translation, LocalLongDistanceAndInternationalFromEachLocation)
{
    const TCase Cases[] = {
        {"Office", "1", "206", "5550100", "95550100"},
        {"Office", "1", "425", "5550199", "914255550199"},
        {"Office", "49", "89", "1234567", "901149891234567"},
        {"Munich", "1", "206", "5550100", "0012065550100"},
        {"Munich", "49", "89", "1234567", "1234567"},
        {"Munich", "49", "30", "1234567", "0301234567"},
        {"Redmond", "1", "206", "5550100", "812065550100"},
        {"Redmond", "1", "425", "5550199", "95550199"},
        {"Redmond", "49", "89", "1234567", "801149891234567"},
    };
    TTapiLocationList List;
    TTapiSystemLocation Here;
    for (const TCase& c : Cases) {
        SCOPED_TRACE(std::string(c.Location) + " " + c.Area);
        const int Index = List.IndexOf(c.Location);
        ASSERT_GE(Index, 0);
        ASSERT_EQ(Here.SetCurrentLocationID(List.Get(Index)->LocationID), 0);
        ASSERT_EQ(Here.LocationName, c.Location);
        const std::string Canonical = std::string("+") + c.Country + " (" + c.Area + ") " + c.Number;
        EXPECT_EQ(Translate(Canonical), c.Dialled);
        EXPECT_EQ(DialledFrom(Here, c.Country, c.Area, c.Number), c.Dialled);
    }
}

TEST_F(Translation, ALocationWithoutReadableCountryDialsByTheDefaultRules)
{
    // The service does not know country 999 either, so both sides fall back.
    Sim.SetLocations({{6, "Outpost", 999, "7", "", "", "", "", 0}}, 6);
    TTapiSystemLocation Here;
    ASSERT_TRUE(Here.Init());
    EXPECT_EQ(Here.InternationalRule, "00EFG");
    EXPECT_EQ(Translate("+44 (20) 7946 0000"), "0044207946" "0000");
    EXPECT_EQ(DialledFrom(Here, "44", "20", "79460000"), "0044207946" "0000");
}

} // namespace
} // namespace kxtapi::testing
