// Dialing locations, countries and address translation.

#include "service_fixture.h"

#include "service/locations.h"

#include <cstddef>

namespace kxtapi::testing {
namespace {

class Locations : public ServiceTest {
protected:
    void SetUp() override
    {
        // A third location in the same country, another area.
        sim::TSimConfig c = Sim.Config();
        c.Locations.push_back(sim::TSimLocationConfig{3, "Redmond", 1, "425", "9", "8", "", "", 0});
        Sim.Configure(c);
        ASSERT_EQ(App.Init(), 0u);
    }
    std::string Translate(const char* In, DWORD Options = 0, DWORD* Results = nullptr)
    {
        TBlock<LINETRANSLATEOUTPUT> o(512);
        uint32_t r = lineTranslateAddressA(App.App, 0, 0x00020001, In, 0, Options, o.get());
        if (r) return "error " + std::to_string(r);
        if (Results) *Results = o->dwTranslateResults;
        EXPECT_EQ(o.Str(offsetof(LINETRANSLATEOUTPUT, dwDialableStringSize)),
                  o.Str(offsetof(LINETRANSLATEOUTPUT, dwDisplayableStringSize)));
        return o.Str(offsetof(LINETRANSLATEOUTPUT, dwDialableStringSize));
    }
    TLineApp App;
};

TEST_F(Locations, TranslateCapsListLocationsAlsoWithoutAUsage)
{
    TBlock<LINETRANSLATECAPS> t(sizeof(LINETRANSLATECAPS));
    ASSERT_EQ(lineGetTranslateCapsA(0, 0x00020001, t.get()), 0u);
    EXPECT_EQ(t->dwNumLocations, 0u) << "the list does not fit, so it is not there";
    t.Grow(t.Needed());
    ASSERT_EQ(lineGetTranslateCapsA(0, 0x00020001, t.get()), 0u);
    ASSERT_EQ(t->dwNumLocations, 3u);
    EXPECT_EQ(t->dwCurrentLocationID, 1u);
    EXPECT_EQ(t->dwNumCards, 0u);
    const size_t e = t->dwLocationListOffset;
    EXPECT_EQ(t.Str(e + offsetof(LINELOCATIONENTRY, dwLocationNameSize)), "Office");
    EXPECT_EQ(t.Str(e + offsetof(LINELOCATIONENTRY, dwCityCodeSize)), "206");
    EXPECT_EQ(t.Str(e + offsetof(LINELOCATIONENTRY, dwLocalAccessCodeSize)), "9");
    const size_t e2 = e + sizeof(LINELOCATIONENTRY);
    LINELOCATIONENTRY Munich;
    std::memcpy(&Munich, t.Bytes.data() + e2, sizeof Munich);
    EXPECT_EQ(Munich.dwPermanentLocationID, 2u);
    EXPECT_EQ(Munich.dwCountryID, 49u);
    EXPECT_EQ(Munich.dwCountryCode, 49u);
    EXPECT_EQ(lineGetTranslateCapsA(0, 0x00030000, t.get()), LINEERR_INCOMPATIBLEAPIVERSION);
    EXPECT_EQ(lineGetTranslateCapsA(App.App + 77, 0x00020001, t.get()), LINEERR_INVALAPPHANDLE);
    EXPECT_EQ(lineGetTranslateCapsA(App.App, 0x00020000, t.get()), 0u) << "older versions are answered too";
}

TEST_F(Locations, TheSameNumberFromThreeLocations)
{
    DWORD Res = 0;
    EXPECT_EQ(Translate("+1 (206) 555-0100", 0, &Res), "95550100");
    EXPECT_EQ(Res, LINETRANSLATERESULT_CANONICAL | LINETRANSLATERESULT_LOCAL);
    ASSERT_EQ(lineSetCurrentLocation(App.App, 3), 0u);
    EXPECT_EQ(Translate("+1 (206) 555-0100", 0, &Res), "812065550100");
    EXPECT_EQ(Res, LINETRANSLATERESULT_CANONICAL | LINETRANSLATERESULT_LONGDISTANCE);
    ASSERT_EQ(lineSetCurrentLocation(App.App, 2), 0u);
    EXPECT_EQ(Translate("+1 (206) 555-0100", 0, &Res), "0012065550100");
    EXPECT_EQ(Res, LINETRANSLATERESULT_CANONICAL | LINETRANSLATERESULT_INTERNATIONAL);
    EXPECT_EQ(Translate("+49 (89) 1234567"), "1234567");
    EXPECT_EQ(Translate("+49 (30) 1234567"), "0301234567");
}

TEST_F(Locations, OptionsNonCanonicalAddressesAndErrors)
{
    DWORD Res = 0;
    EXPECT_EQ(Translate("+1 (206) 555-0100", LINETRANSLATEOPTION_FORCELD), "912065550100");
    EXPECT_EQ(Translate("+1 (425) 555-0100", LINETRANSLATEOPTION_FORCELOCAL), "95550100");
    EXPECT_EQ(Translate("+1 (206) 555-0100", LINETRANSLATEOPTION_CANCELCALLWAITING), "*70,95550100");
    EXPECT_EQ(Translate("+1 (206) 555-0100|12^Reception"), "95550100|12");
    EXPECT_EQ(Translate("W123@$", 0, &Res), "W123@$") << "not canonical: dialled as it stands";
    EXPECT_EQ(Res, LINETRANSLATERESULT_DIALDIALTONE | LINETRANSLATERESULT_DIALQUIET | LINETRANSLATERESULT_DIALBILLING);
    EXPECT_EQ(Translate("+"), "error " + std::to_string(LINEERR_INVALADDRESS));
    EXPECT_EQ(Translate("+1 (206 5550100"), "error " + std::to_string(LINEERR_INVALADDRESS));
    EXPECT_EQ(Translate(""), "error " + std::to_string(LINEERR_INVALADDRESS));
    EXPECT_EQ(Translate("+1 (206) 555", LINETRANSLATEOPTION_CARDOVERRIDE), "error " + std::to_string(LINEERR_INVALCARD));
    TBlock<LINETRANSLATEOUTPUT> o(sizeof(LINETRANSLATEOUTPUT) - 1);
    EXPECT_EQ(lineTranslateAddressA(App.App, 0, 0x00020001, "1", 0, 0, o.get()), LINEERR_STRUCTURETOOSMALL);
    EXPECT_EQ(lineTranslateAddressA(App.App, 9, 0x00020001, "1", 0, 0, o.get()), LINEERR_BADDEVICEID);
}

TEST(Translation, TollPrefixesMakeALocalNumberLongDistance)
{
    service::TLocationStore Store;
    Store.Countries = service::DefaultCountries();
    service::TLocationInfo Loc{1, "Here", 1, "206", "", "", "555,556", "", 0};
    service::TTranslation t;
    ASSERT_EQ(service::TranslateAddress("+1 (206) 555-0100", Loc, Store, 0, t), 0u);
    EXPECT_EQ(t.Dialable, "12065550100");
    EXPECT_TRUE(t.Results & LINETRANSLATERESULT_INTOLLLIST);
    ASSERT_EQ(service::TranslateAddress("+1 (206) 777-0100", Loc, Store, 0, t), 0u);
    EXPECT_EQ(t.Dialable, "7770100");
    EXPECT_TRUE(t.Results & LINETRANSLATERESULT_NOTINTOLLLIST);
    EXPECT_EQ(t.CurrentCountry, 1u);
    EXPECT_EQ(t.DestCountry, 1u);
    // A location in a country the store does not know dials by the fallback rules.
    service::TLocationInfo Nowhere{2, "?", 999, "1", "", "", "", "", 0};
    ASSERT_EQ(service::TranslateAddress("+44 (20) 7946 0000", Nowhere, Store, 0, t), 0u);
    EXPECT_EQ(t.Dialable, "0044207946" "0000");
}

TEST_F(Locations, ChangingTheLocationTellsEveryOpenLine)
{
    HLINE h = App.Open(0, 0x42);
    EXPECT_EQ(lineSetCurrentLocation(App.App, 99), LINEERR_INVALLOCATION);
    ASSERT_EQ(lineSetCurrentLocation(App.App, 1), 0u);
    EXPECT_TRUE(App.Drain().empty()) << "no change, no message";
    ASSERT_EQ(lineSetCurrentLocation(0, 2), 0u);
    LINEMESSAGE m = App.Next();
    EXPECT_EQ(m.dwMessageID, LINE_LINEDEVSTATE);
    EXPECT_EQ(m.hDevice, h);
    EXPECT_EQ(m.dwCallbackInstance, 0x42u);
    EXPECT_EQ(m.dwParam1, LINEDEVSTATE_TRANSLATECHANGE);
}

TEST_F(Locations, CountriesAllOrOne)
{
    TBlock<LINECOUNTRYLIST> l(4096);
    ASSERT_EQ(lineGetCountryA(0, 0x00020001, l.get()), 0u);
    EXPECT_EQ(l->dwNumCountries, 8u);
    ASSERT_EQ(lineGetCountryA(49, 0x00020001, l.get()), 0u);
    ASSERT_EQ(l->dwNumCountries, 1u);
    LINECOUNTRYENTRY e;
    std::memcpy(&e, l.Bytes.data() + l->dwCountryListOffset, sizeof e);
    EXPECT_EQ(e.dwCountryCode, 49u);
    EXPECT_EQ(e.dwNextCountryID, 0u) << "Germany is the last country";
    size_t Entry = l->dwCountryListOffset;
    EXPECT_EQ(l.Str(Entry + offsetof(LINECOUNTRYENTRY, dwCountryNameSize)), "Germany");
    EXPECT_EQ(l.Str(Entry + offsetof(LINECOUNTRYENTRY, dwLongDistanceRuleSize)), "0FG");
    EXPECT_EQ(l.Str(Entry + offsetof(LINECOUNTRYENTRY, dwInternationalRuleSize)), "00EFG");
    EXPECT_EQ(lineGetCountryA(12345, 0x00020001, l.get()), LINEERR_INVALCOUNTRYCODE);
    EXPECT_EQ(lineGetCountryA(1, 0x00010003, l.get()), LINEERR_INCOMPATIBLEAPIVERSION);
}

TEST_F(Locations, LocationsReplacedWhileALineIsOpen)
{
    HLINE h = App.Open(0, 0x42);
    Sim.SetLocations({sim::TSimLocationConfig{5, "Home", 44, "20", "", "", "", "", 0}}, 77);
    LINEMESSAGE m = App.Next();
    EXPECT_EQ(m.dwMessageID, LINE_LINEDEVSTATE);
    EXPECT_EQ(m.hDevice, h) << "the line stays open";
    EXPECT_EQ(m.dwParam1, LINEDEVSTATE_TRANSLATECHANGE);
    sim::TSimConfig c = Sim.Config();
    ASSERT_EQ(c.Locations.size(), 1u);
    EXPECT_EQ(c.CurrentLocation, 5u) << "an unknown current location falls back to the first";
    EXPECT_EQ(c.Lines.size(), 2u);
    EXPECT_EQ(Translate("+44 (20) 7946 0000"), "79460000");
}

TEST_F(Locations, NarrowedVersionsRefuseTheOthers)
{
    TBlock<LINETRANSLATECAPS> t(1024);
    TBlock<LINECOUNTRYLIST> l(1024);
    Sim.SetLocationVersions(0x00010003, 0x00010004);
    EXPECT_EQ(lineGetTranslateCapsA(0, 0x00020000, t.get()), LINEERR_INCOMPATIBLEAPIVERSION);
    EXPECT_EQ(lineGetTranslateCapsA(0, 0x00010004, t.get()), 0u);
    EXPECT_EQ(lineGetCountryA(49, 0x00020001, l.get()), LINEERR_INCOMPATIBLEAPIVERSION);
    EXPECT_EQ(lineGetCountryA(49, 0x00010004, l.get()), 0u);
    Sim.Reset();
    EXPECT_EQ(lineGetTranslateCapsA(0, 0x00020001, t.get()), 0u) << "Reset restores every version";
}

}  // namespace
}  // namespace kxtapi::testing
