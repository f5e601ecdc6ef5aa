#include "location/location_blocks.h"

#include "kxtapi/session/application.h"
#include "kxtapi/tapi/line_functions.h"
#include "kxtapi/tapi/location_structs.h"

#include <cstddef>
#include <string>

namespace kxtapi::location {

static_assert(sizeof(LINELOCATIONENTRY) == LocationEntrySize);

#define AT(Type, Field) static_cast<uint32_t>(offsetof(Type, Field))

uint32_t LocationEntryCount(const TBlockView& Caps) noexcept
{
    return Caps.EntryCount(Caps.Dword(AT(LINETRANSLATECAPS, dwNumLocations)),
                           Caps.Dword(AT(LINETRANSLATECAPS, dwLocationListOffset)), LocationEntrySize);
}

bool ReadLocationEntry(const TBlockView& Caps, uint32_t Index, TTapiLocation& Out)
{
    LINELOCATIONENTRY e;
    if (!Caps.Entry(LocationEntryCount(Caps), Caps.Dword(AT(LINETRANSLATECAPS, dwLocationListOffset)), Index, e))
        return false;
    Out.LocationID = e.dwPermanentLocationID;
    Out.CountryID = e.dwCountryID;
    Out.LocationName = Caps.StringAt(e.dwLocationNameOffset, e.dwLocationNameSize);
    Out.CityCode = Caps.StringAt(e.dwCityCodeOffset, e.dwCityCodeSize);
    Out.LocalAccessCode = Caps.StringAt(e.dwLocalAccessCodeOffset, e.dwLocalAccessCodeSize);
    Out.LongDistanceAccessCode = Caps.StringAt(e.dwLongDistanceAccessCodeOffset, e.dwLongDistanceAccessCodeSize);
    return true;
}

bool ReadCountryEntry(const TBlockView& Countries, TTapiLocation& Out)
{
    LINECOUNTRYENTRY e;
    if (!Countries.Entry(Countries.Dword(AT(LINECOUNTRYLIST, dwNumCountries)),
                         Countries.Dword(AT(LINECOUNTRYLIST, dwCountryListOffset)), 0, e))
        return false;
    Out.CountryCode = std::to_string(e.dwCountryCode);
    Out.CountryName = Countries.StringAt(e.dwCountryNameOffset, e.dwCountryNameSize);
    Out.SameAreaRule = Countries.StringAt(e.dwSameAreaRuleOffset, e.dwSameAreaRuleSize);
    Out.LongDistanceRule = Countries.StringAt(e.dwLongDistanceRuleOffset, e.dwLongDistanceRuleSize);
    Out.InternationalRule = Countries.StringAt(e.dwInternationalRuleOffset, e.dwInternationalRuleSize);
    return true;
}

#undef AT

uint32_t FetchTranslateCaps(TVarBlock& Caps, uint32_t LineApp, uint32_t APIVersion)
{
    return FetchVarBlock(Caps, [&] { return lineGetTranslateCapsA(LineApp, APIVersion, Caps.As<LINETRANSLATECAPS>()); });
}

uint32_t LowerAPIVersion(uint32_t Version) noexcept
{
    switch (Version) {
    case 0x00020002: return 0x00020000;
    case 0x00020000: return 0x00010004;
    case 0x00010004: return 0x00010003;
    default: return 0;
    }
}

uint32_t SessionLineApp() noexcept
{
    const TTapiApplication* Session = TapiApplication.Peek();
    return Session != nullptr ? Session->LineAppHandle : 0;
}

} // namespace kxtapi::location
