// One dialing location of the telephony service, with the dialing rules of
// its country.
#pragma once

#include "kxtapi/rtl/object.h"
#include "kxtapi/rtl/strings.h"
#include "kxtapi/session/var_block.h"

#include <cstdint>
#include <string>

namespace kxtapi {

/// Rules a location dials by when its country cannot be read (E: country
/// code, F: area code, G: subscriber number).
inline constexpr const char* DefaultSameAreaRule = "G";
inline constexpr const char* DefaultLongDistanceRule = "0FG";
inline constexpr const char* DefaultInternationalRule = "00EFG";

/// A dialing location: where the computer is (country, area code, access
/// codes) and how numbers are dialled from there. Filled from the service's
/// translate capabilities (lineGetTranslateCapsA) and its country list
/// (lineGetCountryA); nothing is cached between instances.
///
///   TTapiLocation Loc;
///   if (Loc.Init(2)) Use(Loc.CityCode, Loc.LongDistanceRule);
///
/// Main thread only.
class TTapiLocation : public TObject {
public:
    /// Size of the LINECOUNTRYLIST block UpdateCountry starts with.
    static constexpr uint32_t CountryListSize = 2024;
    /// API version the country list is read with.
    static constexpr uint32_t CountryAPIVersion = 0x00020001;

    TTapiLocation() = default;
    std::string ClassName() const override { return "TTapiLocation"; }

    /// Sets LocationID, then Update; returns Valid.
    bool Init(uint32_t ID);
    /// Fills the location from a freshly read TTapiLocationList: 0 when the
    /// service lists LocationID; LINEERR_OPERATIONFAILED when it does not;
    /// the service's error when the list cannot be read. The location is
    /// cleared first, so it is Valid only after a result of 0.
    virtual int32_t Update();
    /// Update, raising ETapiError for a negative result.
    int32_t Refresh();
    /// Copies LocationID, CountryID, every string field and Valid from
    /// Source; a null Source clears the location instead.
    void Assign(const TTapiLocation* Source);
    /// Fills the location from entry Index of a LINETRANSLATECAPS block, then
    /// reads its country (UpdateCountry). A null block, or an Index beyond
    /// the entries that lie wholly inside the block, leaves the location
    /// cleared and not Valid.
    void AssignLocEntry(const TVarBlock* Caps, uint32_t Index);
    /// Reads CountryCode, CountryName and the three rules for CountryID.
    /// Starts from the defaults (empty code and name, "G", "0FG", "00EFG"),
    /// which stay when CountryID is 0 (result 0) or the country cannot be
    /// read (the service's error, or LINEERR_OPERATIONFAILED for an answer
    /// without a country entry). An empty rule in the service's entry
    /// replaces the default.
    virtual int32_t UpdateCountry();
    /// CountryID 0, every string empty, not Valid; LocationID is kept.
    void Clear();
    /// Clears List, then adds Name=Value lines in the order LocationID (signed
    /// decimal), LocationName, CountryCode, CityCode, CountryName,
    /// LocalAccessCode, LongDistanceAccessCode, SameAreaRule,
    /// LongDistanceRule, InternationalRule; empty values get no line. A null
    /// List is ignored.
    void GetValues(TStrings* List) const;

    /// LINELOCATIONENTRY.dwPermanentLocationID; 0xFFFFFFFF (-1): none.
    uint32_t LocationID = 0xFFFFFFFF;
    std::string LocationName;
    /// The service's country identifier (not the dialling code).
    uint32_t CountryID = 0;
    /// The country's dialling code in decimal ("49").
    std::string CountryCode;
    std::string CityCode;
    std::string LocalAccessCode;
    std::string LongDistanceAccessCode;
    std::string CountryName;
    std::string SameAreaRule;
    std::string LongDistanceRule;
    std::string InternationalRule;
    /// True after a successful fill.
    bool Valid = false;
};

} // namespace kxtapi
