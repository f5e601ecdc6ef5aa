#include "kxtapi/location/location.h"

#include "kxtapi/location/location_list.h"
#include "kxtapi/rtl/format.h"
#include "kxtapi/session/errors.h"
#include "kxtapi/tapi/line_functions.h"
#include "kxtapi/tapi/location_structs.h"
#include "location/location_blocks.h"

namespace kxtapi {

bool TTapiLocation::Init(uint32_t ID)
{
    LocationID = ID;
    Update();
    return Valid;
}

int32_t TTapiLocation::Update()
{
    Clear();
    TTapiLocationList List;
    if (!List.Valid) return List.LastError;
    const int Index = List.IndexOfID(LocationID);
    if (Index < 0) return static_cast<int32_t>(LINEERR_OPERATIONFAILED);
    Assign(List.Get(Index));
    Valid = true;
    return 0;
}

int32_t TTapiLocation::Refresh()
{
    return static_cast<int32_t>(CheckTapiResult(static_cast<uint32_t>(Update())));
}

void TTapiLocation::Assign(const TTapiLocation* Source)
{
    if (Source == nullptr) {
        Clear();
        return;
    }
    if (Source == this) return;
    LocationID = Source->LocationID;
    CountryID = Source->CountryID;
    LocationName = Source->LocationName;
    CountryCode = Source->CountryCode;
    CityCode = Source->CityCode;
    LocalAccessCode = Source->LocalAccessCode;
    LongDistanceAccessCode = Source->LongDistanceAccessCode;
    CountryName = Source->CountryName;
    SameAreaRule = Source->SameAreaRule;
    LongDistanceRule = Source->LongDistanceRule;
    InternationalRule = Source->InternationalRule;
    // A copy of an unfilled location is no more filled than its source.
    Valid = Source->Valid;
}

void TTapiLocation::AssignLocEntry(const TVarBlock* Caps, uint32_t Index)
{
    Clear();
    if (Caps == nullptr || !location::ReadLocationEntry(Caps->View(), Index, *this)) return;
    Valid = true;
    UpdateCountry();
}

int32_t TTapiLocation::UpdateCountry()
{
    CountryCode.clear();
    CountryName.clear();
    SameAreaRule = DefaultSameAreaRule;
    LongDistanceRule = DefaultLongDistanceRule;
    InternationalRule = DefaultInternationalRule;
    if (CountryID == 0) return 0;

    TVarBlock Countries(CountryListSize);
    uint32_t r = FetchVarBlock(Countries, [&] {
        return lineGetCountryA(CountryID, CountryAPIVersion, Countries.As<LINECOUNTRYLIST>());
    });
    if (static_cast<int32_t>(r) >= 0 && !location::ReadCountryEntry(Countries.View(), *this))
        r = LINEERR_OPERATIONFAILED;   // an answer without a country: the defaults stay
    return static_cast<int32_t>(r);
}

void TTapiLocation::Clear()
{
    CountryID = 0;
    LocationName.clear();
    CountryCode.clear();
    CityCode.clear();
    LocalAccessCode.clear();
    LongDistanceAccessCode.clear();
    CountryName.clear();
    SameAreaRule.clear();
    LongDistanceRule.clear();
    InternationalRule.clear();
    Valid = false;
}

void TTapiLocation::GetValues(TStrings* List) const
{
    if (List == nullptr) return;
    List->Clear();
    // SetValue drops a name whose value is empty, so empty fields get no line.
    List->SetValue("LocationID", IntToStr(static_cast<int32_t>(LocationID)));
    List->SetValue("LocationName", LocationName);
    List->SetValue("CountryCode", CountryCode);
    List->SetValue("CityCode", CityCode);
    List->SetValue("CountryName", CountryName);
    List->SetValue("LocalAccessCode", LocalAccessCode);
    List->SetValue("LongDistanceAccessCode", LongDistanceAccessCode);
    List->SetValue("SameAreaRule", SameAreaRule);
    List->SetValue("LongDistanceRule", LongDistanceRule);
    List->SetValue("InternationalRule", InternationalRule);
}

} // namespace kxtapi
