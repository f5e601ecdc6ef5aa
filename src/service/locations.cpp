#include "service/locations.h"

#include "kxtapi/tapi.h"

#include <cctype>
#include <cstddef>
#include <cstring>

namespace kxtapi::service {

const TLocationInfo* TLocationStore::Location(uint32_t ID) const
{
    for (const TLocationInfo& l : Locations)
        if (l.ID == ID) return &l;
    return nullptr;
}

const TCountryInfo* TLocationStore::Country(uint32_t ID) const
{
    for (const TCountryInfo& c : Countries)
        if (c.ID == ID) return &c;
    return nullptr;
}

const TCountryInfo* TLocationStore::CountryByCode(uint32_t Code) const
{
    for (const TCountryInfo& c : Countries)
        if (c.CountryCode == Code) return &c;
    return nullptr;
}

std::vector<TCountryInfo> DefaultCountries()
{
    return {
        {1, 1, "United States of America", "G", "1FG", "011EFG"},
        {107, 1, "Canada", "G", "1FG", "011EFG"},
        {31, 31, "Netherlands", "G", "0FG", "00EFG"},
        {33, 33, "France", "0FG", "0FG", "00EFG"},
        {41, 41, "Switzerland", "0FG", "0FG", "00EFG"},
        {43, 43, "Austria", "G", "0FG", "00EFG"},
        {44, 44, "United Kingdom", "G", "0FG", "00EFG"},
        {49, 49, "Germany", "G", "0FG", "00EFG"},
    };
}

std::vector<TLocationInfo> DefaultLocations()
{
    return {
        {1, "Office", 1, "206", "9", "9", "", "*70,", 0},
        {2, "Munich", 49, "89", "", "", "", "", 0},
    };
}

TLocationStore& Locations()
{
    static TLocationStore* s = [] {
        auto* st = new TLocationStore;
        st->Countries = DefaultCountries();
        st->Locations = DefaultLocations();
        st->CurrentID = st->Locations.front().ID;
        return st;
    }();
    return *s;
}

namespace {

bool IsDialChar(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) || std::strchr("ABCDabcd*#,!@$?WwPpTt", c);
}

std::string DialDigits(const std::string& s)
{
    std::string r;
    for (char c : s)
        if (IsDialChar(c)) r.push_back(c);
    return r;
}

std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

std::string Expand(const std::string& Rule, const std::string& Country, const std::string& Area,
                   const std::string& Number)
{
    std::string r;
    for (char c : Rule) {
        if (c == 'E' || c == 'e')
            r += Country;
        else if (c == 'F' || c == 'f')
            r += Area;
        else if (c == 'G' || c == 'g')
            r += Number;
        else
            r.push_back(c);
    }
    return r;
}

bool InTollList(const std::string& List, const std::string& Number)
{
    size_t Start = 0;
    while (Start <= List.size()) {
        size_t Comma = List.find(',', Start);
        std::string Prefix = Trim(List.substr(Start, Comma == std::string::npos ? std::string::npos : Comma - Start));
        if (!Prefix.empty() && Number.compare(0, Prefix.size(), Prefix) == 0) return true;
        if (Comma == std::string::npos) break;
        Start = Comma + 1;
    }
    return false;
}

uint32_t DialFlags(const std::string& s)
{
    uint32_t f = 0;
    for (char c : s) {
        if (c == '$') f |= LINETRANSLATERESULT_DIALBILLING;
        if (c == '@') f |= LINETRANSLATERESULT_DIALQUIET;
        if (c == 'W' || c == 'w') f |= LINETRANSLATERESULT_DIALDIALTONE;
        if (c == '?') f |= LINETRANSLATERESULT_DIALPROMPT;
    }
    return f;
}

}  // namespace

uint32_t TranslateAddress(const std::string& AddressIn, const TLocationInfo& Location, const TLocationStore& Store,
                          uint32_t Options, TTranslation& Out)
{
    Out = TTranslation{};
    const TCountryInfo* Home = Store.Country(Location.CountryID);
    TCountryInfo Fallback;
    if (!Home) Home = &Fallback;
    Out.CurrentCountry = Home->CountryCode;

    std::string In = AddressIn;
    if (size_t Caret = In.find('^'); Caret != std::string::npos) In.resize(Caret);
    std::string Sub;
    if (size_t Bar = In.find('|'); Bar != std::string::npos) {
        Sub = In.substr(Bar);
        In.resize(Bar);
    }
    std::string Body = Trim(In);
    if (Body.empty()) return LINEERR_INVALADDRESS;
    if (Body[0] != '+') {
        Out.Dialable = Out.Displayable = Body + Sub;
        Out.Results = DialFlags(Out.Dialable);
        return 0;
    }

    // "+CC (AREA) NUMBER": the country code runs up to the first non-digit.
    size_t p = 1;
    while (p < Body.size() && Body[p] == ' ') ++p;
    size_t CountryStart = p;
    while (p < Body.size() && std::isdigit(static_cast<unsigned char>(Body[p]))) ++p;
    std::string Country = Body.substr(CountryStart, p - CountryStart);
    if (Country.empty() || Country.size() > 4) return LINEERR_INVALADDRESS;
    std::string Rest = Trim(Body.substr(p));
    std::string Area;
    if (!Rest.empty() && Rest[0] == '(') {
        size_t Close = Rest.find(')');
        if (Close == std::string::npos) return LINEERR_INVALADDRESS;
        Area = DialDigits(Rest.substr(1, Close - 1));
        Rest = Trim(Rest.substr(Close + 1));
    }
    std::string Number = DialDigits(Rest);
    if (Number.empty()) return LINEERR_INVALADDRESS;
    Out.DestCountry = static_cast<uint32_t>(std::stoul(Country));
    Out.Results = LINETRANSLATERESULT_CANONICAL;

    std::string Prefix, Rule;
    bool SameCountry = Out.DestCountry == Home->CountryCode;
    bool SameArea = Area.empty() || Area == Location.CityCode;
    bool Toll = SameCountry && SameArea && InTollList(Location.TollPrefixes, Number);
    if (!Location.TollPrefixes.empty() && SameCountry && SameArea)
        Out.Results |= Toll ? LINETRANSLATERESULT_INTOLLLIST : LINETRANSLATERESULT_NOTINTOLLLIST;
    if (!SameCountry) {
        Rule = Home->InternationalRule;
        Prefix = Location.LongDistanceAccessCode;
        Out.Results |= LINETRANSLATERESULT_INTERNATIONAL;
    } else if ((Options & LINETRANSLATEOPTION_FORCELOCAL) ||
               (SameArea && !Toll && !(Options & LINETRANSLATEOPTION_FORCELD))) {
        Rule = Home->SameAreaRule;
        Prefix = Location.LocalAccessCode;
        Out.Results |= LINETRANSLATERESULT_LOCAL;
    } else {
        Rule = Home->LongDistanceRule;
        Prefix = Location.LongDistanceAccessCode;
        Out.Results |= LINETRANSLATERESULT_LONGDISTANCE;
    }
    std::string Dialable = Prefix + Expand(Rule, Country, Area, Number);
    if (Options & LINETRANSLATEOPTION_CANCELCALLWAITING) Dialable = Location.CancelCallWaiting + Dialable;
    Out.Dialable = Out.Displayable = Dialable + Sub;
    Out.Results |= DialFlags(Out.Dialable);
    return 0;
}

#define AT(Type, Field) static_cast<uint32_t>(offsetof(Type, Field))

TBlockImage TranslateCapsImage(const TLocationStore& Store)
{
    TBlockImage i(sizeof(LINETRANSLATECAPS));
    uint32_t n = static_cast<uint32_t>(Store.Locations.size());
    i.PutDword(AT(LINETRANSLATECAPS, dwNumLocations), n);
    i.MarkCount(AT(LINETRANSLATECAPS, dwNumLocations));
    i.PutDword(AT(LINETRANSLATECAPS, dwCurrentLocationID), Store.CurrentID);
    i.PutData(AT(LINETRANSLATECAPS, dwCardListSize), nullptr, 0);
    uint32_t List = i.PutList(AT(LINETRANSLATECAPS, dwLocationListSize), n * sizeof(LINELOCATIONENTRY));
    for (uint32_t k = 0; k < n; ++k) {
        const TLocationInfo& l = Store.Locations[k];
        uint32_t e = List + k * sizeof(LINELOCATIONENTRY);
        const TCountryInfo* c = Store.Country(l.CountryID);
        i.PutDword(e + AT(LINELOCATIONENTRY, dwPermanentLocationID), l.ID);
        i.PutString(e + AT(LINELOCATIONENTRY, dwLocationNameSize), l.Name);
        i.PutDword(e + AT(LINELOCATIONENTRY, dwCountryCode), c ? c->CountryCode : 0);
        i.PutString(e + AT(LINELOCATIONENTRY, dwCityCodeSize), l.CityCode);
        i.PutString(e + AT(LINELOCATIONENTRY, dwLocalAccessCodeSize), l.LocalAccessCode);
        i.PutString(e + AT(LINELOCATIONENTRY, dwLongDistanceAccessCodeSize), l.LongDistanceAccessCode);
        i.PutString(e + AT(LINELOCATIONENTRY, dwTollPrefixListSize), l.TollPrefixes);
        i.PutDword(e + AT(LINELOCATIONENTRY, dwCountryID), l.CountryID);
        i.PutDword(e + AT(LINELOCATIONENTRY, dwOptions), l.Options);
        i.PutString(e + AT(LINELOCATIONENTRY, dwCancelCallWaitingSize), l.CancelCallWaiting);
    }
    return i;
}

TBlockImage CountryListImage(const TLocationStore& Store, uint32_t CountryID)
{
    std::vector<size_t> Chosen;
    for (size_t k = 0; k < Store.Countries.size(); ++k)
        if (CountryID == 0 || Store.Countries[k].ID == CountryID) Chosen.push_back(k);
    TBlockImage i(sizeof(LINECOUNTRYLIST));
    uint32_t n = static_cast<uint32_t>(Chosen.size());
    i.PutDword(AT(LINECOUNTRYLIST, dwNumCountries), n);
    i.MarkCount(AT(LINECOUNTRYLIST, dwNumCountries));
    uint32_t List = i.PutList(AT(LINECOUNTRYLIST, dwCountryListSize), n * sizeof(LINECOUNTRYENTRY));
    for (uint32_t k = 0; k < n; ++k) {
        size_t Index = Chosen[k];
        const TCountryInfo& c = Store.Countries[Index];
        uint32_t e = List + k * sizeof(LINECOUNTRYENTRY);
        uint32_t Next = Index + 1 < Store.Countries.size() ? Store.Countries[Index + 1].ID : 0;
        i.PutDword(e + AT(LINECOUNTRYENTRY, dwCountryID), c.ID);
        i.PutDword(e + AT(LINECOUNTRYENTRY, dwCountryCode), c.CountryCode);
        i.PutDword(e + AT(LINECOUNTRYENTRY, dwNextCountryID), Next);
        i.PutString(e + AT(LINECOUNTRYENTRY, dwCountryNameSize), c.Name);
        i.PutString(e + AT(LINECOUNTRYENTRY, dwSameAreaRuleSize), c.SameAreaRule);
        i.PutString(e + AT(LINECOUNTRYENTRY, dwLongDistanceRuleSize), c.LongDistanceRule);
        i.PutString(e + AT(LINECOUNTRYENTRY, dwInternationalRuleSize), c.InternationalRule);
    }
    return i;
}

TBlockImage TranslateOutputImage(const TTranslation& t)
{
    TBlockImage i(sizeof(LINETRANSLATEOUTPUT));
    i.PutString(AT(LINETRANSLATEOUTPUT, dwDialableStringSize), t.Dialable);
    i.PutString(AT(LINETRANSLATEOUTPUT, dwDisplayableStringSize), t.Displayable);
    i.PutDword(AT(LINETRANSLATEOUTPUT, dwCurrentCountry), t.CurrentCountry);
    i.PutDword(AT(LINETRANSLATEOUTPUT, dwDestCountry), t.DestCountry);
    i.PutDword(AT(LINETRANSLATEOUTPUT, dwTranslateResults), t.Results);
    return i;
}

#undef AT

}  // namespace kxtapi::service
