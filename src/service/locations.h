// Dialing locations, countries and the translation of canonical addresses
// into dialable strings. They are settings of the service as a whole, not of
// a provider; the simulated switch's configuration sets them.
#pragma once

#include "service/blocks.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kxtapi::service {

struct TLocationInfo {
    uint32_t ID = 0;
    std::string Name;
    uint32_t CountryID = 0;
    std::string CityCode;
    std::string LocalAccessCode;
    std::string LongDistanceAccessCode;
    std::string TollPrefixes;        // "425,360": prefixes that are toll calls in the own area
    std::string CancelCallWaiting;   // dialled first with LINETRANSLATEOPTION_CANCELCALLWAITING
    uint32_t Options = 0;            // LINELOCATIONOPTION_
};

struct TCountryInfo {
    uint32_t ID = 0;
    uint32_t CountryCode = 0;
    std::string Name;
    // E: country code, F: area code, G: subscriber number; other characters
    // are dialled as they stand.
    std::string SameAreaRule = "G";
    std::string LongDistanceRule = "0FG";
    std::string InternationalRule = "00EFG";
};

/// The service's locations and countries. Guarded by the service lock.
struct TLocationStore {
    std::vector<TLocationInfo> Locations;
    uint32_t CurrentID = 0;
    std::vector<TCountryInfo> Countries;
    // Versions the location functions accept, within those the service
    // knows; the simulated switch narrows them to play an older service.
    static constexpr uint32_t DefaultLowVersion = 0x00010003;
    static constexpr uint32_t DefaultHighVersion = 0x00020001;
    uint32_t LowVersion = DefaultLowVersion;
    uint32_t HighVersion = DefaultHighVersion;
    bool AcceptsVersion(uint32_t Version) const { return Version >= LowVersion && Version <= HighVersion; }

    const TLocationInfo* Location(uint32_t ID) const;
    const TLocationInfo* Current() const { return Location(CurrentID); }
    const TCountryInfo* Country(uint32_t ID) const;
    const TCountryInfo* CountryByCode(uint32_t Code) const;
};

/// The store, with the countries and the two locations of the default
/// configuration until the switch is configured otherwise.
TLocationStore& Locations();

/// The countries and locations a store starts with (also those of the
/// simulated switch's default configuration).
std::vector<TCountryInfo> DefaultCountries();
std::vector<TLocationInfo> DefaultLocations();

struct TTranslation {
    std::string Dialable;
    std::string Displayable;
    uint32_t CurrentCountry = 0;
    uint32_t DestCountry = 0;
    uint32_t Results = 0;   // LINETRANSLATERESULT_
};

/// Translates AddressIn as dialled from Location. A canonical address is
/// "+<country> [(<area>)] <number>[|<subaddress>][^<name>]"; others pass as
/// they are (without the name). Returns 0 or LINEERR_INVALADDRESS.
uint32_t TranslateAddress(const std::string& AddressIn, const TLocationInfo& Location,
                          const TLocationStore& Store, uint32_t Options, TTranslation& Out);

TBlockImage TranslateCapsImage(const TLocationStore& Store);
/// CountryID 0: every country; else only that one (which must exist).
TBlockImage CountryListImage(const TLocationStore& Store, uint32_t CountryID);
TBlockImage TranslateOutputImage(const TTranslation& T);

}  // namespace kxtapi::service
