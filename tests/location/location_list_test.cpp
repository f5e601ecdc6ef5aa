// The list of every dialing location.

#include "location_fixture.h"

namespace kxtapi::testing {
namespace {

using LocationList = LocationTest;

std::vector<std::string> Names(const TTapiLocationList& List)
{
    std::vector<std::string> v;
    for (int i = 0; i < List.Count(); ++i) v.push_back(List.Get(i)->LocationName);
    return v;
}

TEST_F(LocationList, ReadsEveryLocationAtConstruction)
{
    TTapiLocationList List;
    EXPECT_TRUE(List.Valid);
    EXPECT_EQ(List.LastError, 0);
    EXPECT_EQ(List.LineApp, 0u) << "no session started";
    EXPECT_EQ(List.APIVersion, 0x00020001u);
    EXPECT_EQ(Names(List), (std::vector<std::string>{"Office", "Munich", "Redmond"}));
    EXPECT_TRUE(List.Get(1)->Valid);
    EXPECT_EQ(List.Get(1)->CountryName, "Germany");
    EXPECT_EQ(List.IndexOf("OFFICE"), 0);
    EXPECT_EQ(List.IndexOf("munich"), 1);
    EXPECT_EQ(List.IndexOf("Seattle"), -1);
    EXPECT_EQ(List.IndexOfID(3), 2);
    EXPECT_EQ(List.IndexOfID(77), -1);
    EXPECT_EQ(List.IndexOf(List.Get(2)), 2);
    EXPECT_EQ(List.Get_SystemLocationID(), 1u);
    EXPECT_EQ(List.Get_SystemLocation(), List.Get(0)) << "the list's own entry";
}

TEST_F(LocationList, ShrinkingKeepsTheSurvivingObjectsWithNewContents)
{
    TTapiLocationList List;
    ASSERT_EQ(List.Count(), 3);
    TTapiLocation* First = List.Get(0);
    TTapiLocation* Second = List.Get(1);

    // The same two slots, now other places.
    Sim.SetLocations({RedmondLocation(), OfficeLocation()}, 3);
    ASSERT_EQ(List.Update(), 0);
    ASSERT_EQ(List.Count(), 2);
    EXPECT_EQ(List.Get(0), First);
    EXPECT_EQ(List.Get(1), Second);
    EXPECT_EQ(First->LocationName, "Redmond");
    EXPECT_EQ(First->LongDistanceAccessCode, "8");
    EXPECT_EQ(Second->LocationName, "Office");
    EXPECT_EQ(Second->CountryName, "United States of America") << "the country is read again";
    EXPECT_EQ(List.Get_SystemLocation(), First);

    // Growing again appends fresh objects behind the kept ones.
    Sim.SetLocations({RedmondLocation(), OfficeLocation(), MunichLocation()}, 2);
    ASSERT_EQ(List.Update(), 0);
    ASSERT_EQ(List.Count(), 3);
    EXPECT_EQ(List.Get(0), First);
    EXPECT_EQ(List.Get(2)->LocationName, "Munich");
    EXPECT_EQ(List.Get_SystemLocation(), List.Get(2));

    Sim.SetLocations({}, 0);
    ASSERT_EQ(List.Update(), 0);
    EXPECT_EQ(List.Count(), 0);
    EXPECT_EQ(List.Get_SystemLocation(), nullptr);
}

TEST_F(LocationList, IncompatibleVersionsStepDown)
{
    TTapiLocationList List;
    // The service knows no 0x00020002: one step to 0x00020000, which is kept.
    EXPECT_EQ(List.Init(0, 0x00020002), 0);
    EXPECT_EQ(List.APIVersion, 0x00020000u);
    EXPECT_TRUE(List.Valid);

    // A service of version 1.3 makes the list walk every step, and cannot
    // list countries at all (they came with 1.4): default rules.
    Sim.SetLocationVersions(0x00010003, 0x00010003);
    EXPECT_EQ(List.Init(0, 0x00020002), 0);
    EXPECT_EQ(List.APIVersion, 0x00010003u);
    ASSERT_EQ(List.Count(), 3);
    EXPECT_EQ(List.Get(0)->LongDistanceRule, "0FG");
    EXPECT_EQ(List.Get(0)->CountryCode, "");

    // The default version is not stepped down.
    EXPECT_EQ(static_cast<uint32_t>(List.Init(0, 0x00020001)), LINEERR_INCOMPATIBLEAPIVERSION);
    EXPECT_EQ(List.APIVersion, 0x00020001u);
    EXPECT_FALSE(List.Valid);
    EXPECT_EQ(static_cast<uint32_t>(List.LastError), LINEERR_INCOMPATIBLEAPIVERSION);
    EXPECT_EQ(List.Count(), 3) << "entries stay as they were";

    // A service refusing every version: the walk ends at the last step.
    Sim.SetLocationVersions(1, 0);
    EXPECT_EQ(static_cast<uint32_t>(List.Init(0, 0x00020000)), LINEERR_INCOMPATIBLEAPIVERSION);
    EXPECT_EQ(List.APIVersion, 0x00010003u);
}

TEST_F(LocationList, AFailedReadKeepsEntriesAndHidesTheSystemLocation)
{
    TTapiLocationList List;
    TTapiLocation* First = List.Get(0);
    Sim.InjectFault({sim::sfFailCall, "lineGetTranslateCapsA", -1, 0, LINEERR_NOMEM, sim::shPairsPastEnd, 2});
    EXPECT_EQ(static_cast<uint32_t>(List.Update()), LINEERR_NOMEM);
    EXPECT_FALSE(List.Valid);
    EXPECT_EQ(List.Get(0), First);
    EXPECT_EQ(First->LocationName, "Office");
    EXPECT_EQ(TapiErrorOf([&] { List.Refresh(); }), LINEERR_NOMEM);

    // The service would answer by now, but nothing re-reads for this getter.
    EXPECT_EQ(List.Get_SystemLocation(), nullptr);
    EXPECT_EQ(List.Get_SystemLocationID(), 1u) << "this one reads again";
    EXPECT_TRUE(List.Valid);
    EXPECT_EQ(List.Get_SystemLocation(), First);
}

TEST_F(LocationList, NoSystemLocationWhenTheServiceKeepsFailing)
{
    Sim.InjectFault({sim::sfFailCall, "lineGetTranslateCapsA", -1, 0, LINEERR_NOMEM, sim::shPairsPastEnd, 0});
    TTapiLocationList List;
    EXPECT_FALSE(List.Valid);
    EXPECT_EQ(List.Count(), 0);
    try {
        List.Get_SystemLocationID();
        ADD_FAILURE() << "no exception";
    } catch (const ETapiError&) {
        ADD_FAILURE() << "a plain exception is raised, not a TAPI error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Unable to retrieve system location from TAPI");
    }
}

TEST_F(LocationList, HostileTranslateCapsAreReadOnlyInsideTheBlock)
{
    struct TCase {
        sim::TSimHostileBlock How;
        int Count;   // -1: at least the three real ones
    };
    for (const TCase c : {TCase{sim::shPairsPastEnd, 0}, TCase{sim::shPairsWrap, 0},
                          TCase{sim::shUsedBeyondTotal, 3}, TCase{sim::shCountsHuge, -1}}) {
        SCOPED_TRACE(c.How);
        Sim.ClearFaults();
        Sim.InjectFault({sim::sfHostileBlock, "lineGetTranslateCapsA", -1, 0, 0, c.How, 0});
        TTapiLocationList List;
        ASSERT_TRUE(List.Valid);
        const uint32_t Size = List.Get_TranslateCaps().Size();
        if (c.Count >= 0) {
            EXPECT_EQ(List.Count(), c.Count);
        }
        // A count far beyond the block: only the entries inside are made.
        EXPECT_LE(sizeof(LINETRANSLATECAPS) + static_cast<uint64_t>(List.Count()) * 68, Size);
        if (List.Count() >= 3) {
            EXPECT_EQ(List.Get(2)->LocationName, "Redmond");
        }
        for (int i = 0; i < List.Count(); ++i) EXPECT_LE(List.Get(i)->LocationName.size(), Size);
    }
    // A provider asking for almost 4 GiB gets no buffer of that size.
    Sim.ClearFaults();
    Sim.InjectFault({sim::sfHostileBlock, "lineGetTranslateCapsA", -1, 0, 0, sim::shNeededHuge, 0});
    TTapiLocationList List;
    EXPECT_FALSE(List.Valid);
    EXPECT_EQ(static_cast<uint32_t>(List.LastError), LINEERR_NOMEM);
}

TEST_F(LocationList, HostileCountryListsLeaveTheDefaultsOrTheRealEntry)
{
    Sim.InjectFault({sim::sfHostileBlock, "lineGetCountryA", -1, 0, 0, sim::shPairsPastEnd, 0});
    TTapiLocationList List;
    ASSERT_EQ(List.Count(), 3);
    EXPECT_EQ(List.Get(0)->CountryCode, "") << "no country entry inside the answer";
    EXPECT_EQ(List.Get(0)->LongDistanceRule, "0FG");
    EXPECT_EQ(static_cast<uint32_t>(List.Get(0)->UpdateCountry()), LINEERR_OPERATIONFAILED)
        << "an answer without a country is no success";

    Sim.ClearFaults();
    Sim.InjectFault({sim::sfHostileBlock, "lineGetCountryA", -1, 0, 0, sim::shCountsHuge, 0});
    ASSERT_EQ(List.Update(), 0);
    EXPECT_EQ(List.Get(1)->CountryName, "Germany") << "the first entry is whole";
}

TEST_F(LocationList, PutAndAddHandOwnershipOver)
{
    TTapiLocationList List;
    auto Mine = std::make_unique<TTapiLocation>();
    Mine->LocationName = "Spare";
    Mine->LocationID = 40;
    TTapiLocation* Spare = Mine.get();
    std::unique_ptr<TTapiLocation> Old = List.Put(0, std::move(Mine));
    ASSERT_NE(Old, nullptr);
    EXPECT_EQ(Old->LocationName, "Office") << "the replaced entry comes back";
    EXPECT_EQ(List.IndexOfID(40), 0);
    EXPECT_EQ(List.Add(std::make_unique<TTapiLocation>()), 3);
    EXPECT_THROW(List.Put(9, nullptr), EListError);

    // Update refills what it keeps and frees the surplus.
    ASSERT_EQ(List.Update(), 0);
    EXPECT_EQ(List.Count(), 3);
    EXPECT_EQ(List.Get(0), Spare);
    EXPECT_EQ(Spare->LocationName, "Office");

    // A null entry is replaced by a fresh one.
    EXPECT_EQ(List.Put(1, nullptr)->LocationName, "Munich");
    EXPECT_EQ(List.IndexOf("Munich"), -1);
    ASSERT_EQ(List.Update(), 0);
    ASSERT_NE(List.Get(1), nullptr);
    EXPECT_EQ(List.Get(1)->LocationName, "Munich");

    List.Clear();
    EXPECT_FALSE(List.Valid);
    EXPECT_EQ(List.Count(), 0);
    EXPECT_FALSE(List.Get_TranslateCaps().Exists());
    EXPECT_EQ(List.Refresh(), 0) << "a cleared list reads again";
    EXPECT_EQ(List.Count(), 3);
}

TEST_F(LocationList, ShowDialogRereadsWhatTheDialogChanged)
{
    TTapiLocationList List;
    EXPECT_EQ(TapiErrorOf([&] { List.ShowDialog(0); }), LINEERR_OPERATIONUNAVAIL) << "no dialog service";

    HWND SeenOwner = 0;
    std::string SeenAddress = "unset";
    SetTapiDialogHook([&](TTapiDialogKind Kind, uint32_t, HWND Owner, const std::string& Text) -> uint32_t {
        if (Kind != tdkTranslate) return LINEERR_OPERATIONFAILED;
        SeenOwner = Owner;
        SeenAddress = Text;
        return lineSetCurrentLocation(0, 2);
    });
    EXPECT_EQ(List.ShowDialog(0x1234), 0);
    EXPECT_EQ(SeenOwner, 0x1234u);
    EXPECT_EQ(SeenAddress, "");
    EXPECT_EQ(List.Get_SystemLocation(), List.Get(1));

    // A cancelled dialog raises, and the list is not read again.
    SetTapiDialogHook([&](TTapiDialogKind, uint32_t, HWND, const std::string&) -> uint32_t {
        lineSetCurrentLocation(0, 3);
        return LINEERR_OPERATIONFAILED;
    });
    EXPECT_EQ(TapiErrorOf([&] { List.ShowDialog(0); }), LINEERR_OPERATIONFAILED);
    EXPECT_EQ(List.Get_SystemLocationID(), 2u);
}

TEST_F(LocationList, UsesTheSessionsHandleWhileItRuns)
{
    Application()->SetMainThread();
    TTapiApplication& Session = *TapiApplication;
    Session.Set_Active(true);
    ASSERT_NE(Session.LineAppHandle, 0u);
    TTapiLocationList Stale;
    {
        TTapiLocationList List;
        EXPECT_EQ(List.LineApp, Session.LineAppHandle);
        EXPECT_TRUE(List.Valid);
        TTapiSystemLocation Here;
        ASSERT_TRUE(Here.Init());
        EXPECT_EQ(Here.SetCurrentLocationID(3), 0);
        EXPECT_EQ(Here.LocationName, "Redmond");
        EXPECT_EQ(List.Refresh(), 0);
        EXPECT_EQ(List.Get_SystemLocation(), List.Get(2));
    }
    Session.Set_Active(false);
    EXPECT_EQ(TTapiLocationList().LineApp, 0u);
    // A list keeps the handle it was made with, which the service now refuses.
    EXPECT_EQ(static_cast<uint32_t>(Stale.Update()), LINEERR_INVALAPPHANDLE);
    EXPECT_EQ(Stale.Init(0, Stale.APIVersion), 0);
}

} // namespace
} // namespace kxtapi::testing
