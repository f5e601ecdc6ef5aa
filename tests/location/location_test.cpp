// One location and the system's current location.

#include "location_fixture.h"

namespace kxtapi::testing {
namespace {

using LocationFill = LocationTest;

TEST_F(LocationFill, InitFillsEveryFieldWithTheCountrysRules)
{
    TTapiLocation Loc;
    ASSERT_TRUE(Loc.Init(3));
    EXPECT_EQ(Loc.LocationID, 3u);
    EXPECT_EQ(Loc.LocationName, "Redmond");
    EXPECT_EQ(Loc.CountryID, 1u);
    EXPECT_EQ(Loc.CountryCode, "1");
    EXPECT_EQ(Loc.CountryName, "United States of America");
    EXPECT_EQ(Loc.CityCode, "425");
    EXPECT_EQ(Loc.LocalAccessCode, "9");
    EXPECT_EQ(Loc.LongDistanceAccessCode, "8");
    EXPECT_EQ(Loc.SameAreaRule, "G");
    EXPECT_EQ(Loc.LongDistanceRule, "1FG");
    EXPECT_EQ(Loc.InternationalRule, "011EFG");
    EXPECT_EQ(Loc.Refresh(), 0);
}

TEST_F(LocationFill, ADeletedLocationIsClearedAndNotValid)
{
    TTapiLocation Loc;
    ASSERT_TRUE(Loc.Init(3));
    Sim.SetLocations({OfficeLocation(), MunichLocation()}, 1);
    EXPECT_EQ(static_cast<uint32_t>(Loc.Update()), LINEERR_OPERATIONFAILED);
    EXPECT_FALSE(Loc.Valid);
    EXPECT_EQ(Loc.LocationID, 3u) << "the identifier is kept";
    EXPECT_EQ(Loc.LocationName, "");
    EXPECT_EQ(Loc.CountryID, 0u);
    EXPECT_EQ(Loc.LongDistanceRule, "");
    EXPECT_EQ(TapiErrorOf([&] { Loc.Refresh(); }), LINEERR_OPERATIONFAILED);
    EXPECT_FALSE(Loc.Init(99));
}

TEST_F(LocationFill, ACountryThatCannotBeReadLeavesTheDefaultRules)
{
    // Country 0 is not asked for; an unknown country is refused by the service.
    Sim.SetLocations({{4, "Nowhere", 0, "1", "", "", "", "", 0}, {5, "Atlantis", 999, "2", "", "", "", "", 0}}, 4);
    for (uint32_t ID : {4u, 5u}) {
        TTapiLocation Loc;
        ASSERT_TRUE(Loc.Init(ID)) << ID;
        EXPECT_EQ(Loc.CountryCode, "") << ID;
        EXPECT_EQ(Loc.CountryName, "") << ID;
        EXPECT_EQ(Loc.SameAreaRule, "G") << ID;
        EXPECT_EQ(Loc.LongDistanceRule, "0FG") << ID;
        EXPECT_EQ(Loc.InternationalRule, "00EFG") << ID;
        EXPECT_EQ(static_cast<uint32_t>(Loc.UpdateCountry()), ID == 4 ? 0u : LINEERR_INVALCOUNTRYCODE);
    }

    // Known countries whose read fails: Office dials by the defaults, not by
    // its country's "1FG" and "011EFG".
    Sim.SetLocations({OfficeLocation()}, 1);
    Sim.InjectFault({sim::sfFailCall, "lineGetCountryA", -1, 0, LINEERR_NOMEM, sim::shPairsPastEnd, 0});
    TTapiLocation Office;
    ASSERT_TRUE(Office.Init(1));
    EXPECT_EQ(Office.CountryCode, "");
    EXPECT_EQ(Office.CountryName, "");
    EXPECT_EQ(Office.LongDistanceRule, "0FG");
    EXPECT_EQ(Office.InternationalRule, "00EFG");
    EXPECT_EQ(Office.CityCode, "206") << "the location itself was read";
    EXPECT_EQ(static_cast<uint32_t>(Office.UpdateCountry()), LINEERR_NOMEM);
    Sim.ClearFaults();
    EXPECT_EQ(Office.UpdateCountry(), 0);
    EXPECT_EQ(Office.CountryName, "United States of America");
    EXPECT_EQ(Office.LongDistanceRule, "1FG");
}

TEST_F(LocationFill, UnreadableTranslateCapsAreReturnedAndRaisedByRefresh)
{
    Sim.InjectFault({sim::sfFailCall, "lineGetTranslateCapsA", -1, 0, LINEERR_NOMEM, sim::shPairsPastEnd, 2});
    TTapiLocation Loc;
    EXPECT_FALSE(Loc.Init(1));
    EXPECT_EQ(TapiErrorOf([&] { Loc.Refresh(); }), LINEERR_NOMEM);
    EXPECT_EQ(Loc.Refresh(), 0);
    EXPECT_EQ(Loc.LocationName, "Office");
}

TEST_F(LocationFill, GetValuesInOrderWithoutEmptyValues)
{
    TStringList Lines{"stale=1"};
    TTapiLocation Fresh;
    Fresh.GetValues(&Lines);
    EXPECT_EQ(Lines.Text(), "LocationID=-1\r\n");

    TTapiLocation Munich;
    ASSERT_TRUE(Munich.Init(2));
    Munich.GetValues(&Lines);
    EXPECT_EQ(Lines.Text(),
              "LocationID=2\r\nLocationName=Munich\r\nCountryCode=49\r\nCityCode=89\r\nCountryName=Germany\r\n"
              "SameAreaRule=G\r\nLongDistanceRule=0FG\r\nInternationalRule=00EFG\r\n");

    TTapiLocation Office;
    ASSERT_TRUE(Office.Init(1));
    Office.GetValues(&Lines);
    EXPECT_EQ(Lines.Count(), 10);
    EXPECT_EQ(Lines.Strings(5), "LocalAccessCode=9");
    EXPECT_EQ(Lines.Strings(6), "LongDistanceAccessCode=9");
    Office.GetValues(nullptr);
}

TEST_F(LocationFill, AssignCopiesValidityAndANullSourceClears)
{
    TTapiLocation Office, Copy;
    ASSERT_TRUE(Office.Init(1));
    Copy.Assign(&Office);
    EXPECT_TRUE(Copy.Valid);
    TStringList A, B;
    Office.GetValues(&A);
    Copy.GetValues(&B);
    EXPECT_EQ(A.Text(), B.Text());
    EXPECT_EQ(Copy.CountryID, 1u);

    TTapiLocation Unfilled;
    Unfilled.LocationID = 7;
    Copy.Assign(&Unfilled);
    EXPECT_FALSE(Copy.Valid) << "a copy of an unfilled location is not filled";
    EXPECT_EQ(Copy.LocationID, 7u);

    Office.Assign(nullptr);
    EXPECT_FALSE(Office.Valid);
    EXPECT_EQ(Office.LocationID, 1u);
    EXPECT_EQ(Office.CityCode, "");
}

TEST_F(LocationFill, AssignLocEntryOutsideTheBlockLeavesTheLocationCleared)
{
    TTapiLocationList List;
    ASSERT_TRUE(List.Valid);
    TTapiLocation Loc;
    Loc.AssignLocEntry(&List.Get_TranslateCaps(), 1);
    EXPECT_TRUE(Loc.Valid);
    EXPECT_EQ(Loc.LocationName, "Munich");
    Loc.AssignLocEntry(&List.Get_TranslateCaps(), 3);
    EXPECT_FALSE(Loc.Valid);
    EXPECT_EQ(Loc.LocationName, "");
    EXPECT_EQ(Loc.LocationID, 2u);
    Loc.AssignLocEntry(nullptr, 0);
    EXPECT_FALSE(Loc.Valid);

    // A block claiming more entries than it holds yields only those inside.
    TVarBlock Caps(sizeof(LINETRANSLATECAPS) + 68);
    Caps.SetDword(offsetof(LINETRANSLATECAPS, dwNumLocations), 5);
    Caps.SetDword(offsetof(LINETRANSLATECAPS, dwLocationListOffset), sizeof(LINETRANSLATECAPS));
    Caps.SetDword(sizeof(LINETRANSLATECAPS), 42);   // dwPermanentLocationID of entry 0
    Loc.AssignLocEntry(&Caps, 0);
    EXPECT_TRUE(Loc.Valid);
    EXPECT_EQ(Loc.LocationID, 42u);
    Loc.AssignLocEntry(&Caps, 1);
    EXPECT_FALSE(Loc.Valid);
}

using SystemLocation = LocationTest;

TEST_F(SystemLocation, FollowsTheCurrentLocationAndChangesIt)
{
    TTapiSystemLocation Here;
    uint32_t ID = 0;
    ASSERT_EQ(Here.GetCurrentLocationID(ID), 0);
    EXPECT_EQ(ID, 1u);
    ASSERT_TRUE(Here.Init());
    EXPECT_EQ(Here.LocationName, "Office");

    EXPECT_EQ(Here.SetCurrentLocationID(2), 0);
    EXPECT_EQ(Here.LocationID, 2u);
    EXPECT_EQ(Here.LocationName, "Munich");
    EXPECT_EQ(Here.CountryName, "Germany");
    EXPECT_EQ(Sim.Config().CurrentLocation, 2u);

    // Another program changes it: seen on the next Update only.
    ASSERT_EQ(lineSetCurrentLocation(0, 3), 0u);
    EXPECT_EQ(Here.LocationName, "Munich");
    EXPECT_EQ(Here.Refresh(), 0);
    EXPECT_EQ(Here.LocationName, "Redmond");
}

TEST_F(SystemLocation, ARefusedChangeRaisesAndRereadsNothing)
{
    TTapiSystemLocation Here;
    ASSERT_TRUE(Here.Init());
    Sim.InjectFault({sim::sfFailCall, "lineGetTranslateCapsA", -1, 0, LINEERR_NOMEM, sim::shPairsPastEnd, 1});
    EXPECT_EQ(TapiErrorOf([&] { Here.SetCurrentLocationID(99); }), LINEERR_INVALLOCATION);
    EXPECT_TRUE(Here.Valid);
    EXPECT_EQ(Here.LocationName, "Office");
    EXPECT_EQ(Sim.Config().CurrentLocation, 1u);
    EXPECT_EQ(static_cast<uint32_t>(Here.Update()), LINEERR_NOMEM) << "the fault was still there";
}

TEST_F(SystemLocation, AFailedReadOfTheCurrentIdentifierInvalidates)
{
    TTapiSystemLocation Here;
    ASSERT_TRUE(Here.Init());
    Sim.InjectFault({sim::sfFailCall, "lineGetTranslateCapsA", -1, 0, LINEERR_NOMEM, sim::shPairsPastEnd, 1});
    EXPECT_EQ(static_cast<uint32_t>(Here.Update()), LINEERR_NOMEM);
    EXPECT_FALSE(Here.Valid) << "old contents must not pass for the current location";
    EXPECT_EQ(Here.LocationID, 1u);
    EXPECT_EQ(Here.LocationName, "");

    ASSERT_TRUE(Here.Init());
    Sim.InjectFault({sim::sfFailCall, "lineGetTranslateCapsA", -1, 0, LINEERR_NOMEM, sim::shPairsPastEnd, 1});
    EXPECT_FALSE(Here.Init());
    EXPECT_FALSE(Here.Valid);
    EXPECT_TRUE(Here.Init());
    EXPECT_EQ(Here.LocationName, "Office");
}

TEST_F(SystemLocation, NoLocationsAtAll)
{
    Sim.SetLocations({}, 0);
    TTapiSystemLocation Here;
    EXPECT_FALSE(Here.Init());
    EXPECT_EQ(Here.LocationID, 0u);
    EXPECT_EQ(static_cast<uint32_t>(Here.Update()), LINEERR_OPERATIONFAILED);
}

} // namespace
} // namespace kxtapi::testing
