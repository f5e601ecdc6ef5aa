// Dialing locations, countries and address translation.

#include "service/api_common.h"
#include "service/dialogs.h"
#include "service/locations.h"

namespace kxtapi::service {

namespace {

// These functions also serve applications that have not initialised
// (usage handle 0); a non-zero handle must be a live line usage.
bool UsageOrNone(TService& s, uint32_t App)
{
    return App == 0 || s.LineUsage(App) != nullptr;
}

bool KnownVersion(uint32_t v)
{
    for (uint32_t k : KnownAPIVersions)
        if (k == v) return true;
    return false;
}

}  // namespace

}  // namespace kxtapi::service

using namespace kxtapi::service;

extern "C" {

uint32_t lineGetTranslateCapsA(HLINEAPP hLineApp, DWORD dwAPIVersion, LPLINETRANSLATECAPS lpTranslateCaps)
{
    TServiceLock Lock;
    TService& s = Service();
    if (!UsageOrNone(s, hLineApp)) return LINEERR_INVALAPPHANDLE;
    if (!KnownVersion(dwAPIVersion) || !Locations().AcceptsVersion(dwAPIVersion))
        return LINEERR_INCOMPATIBLEAPIVERSION;
    if (!lpTranslateCaps) return LINEERR_INVALPOINTER;
    if (!FitsFixed(lpTranslateCaps, sizeof(LINETRANSLATECAPS))) return LINEERR_STRUCTURETOOSMALL;
    if (uint32_t r = s.FailCall("lineGetTranslateCapsA")) return r;
    Deliver(TranslateCapsImage(Locations()), lpTranslateCaps, s.Hostile("lineGetTranslateCapsA"));
    return 0;
}

uint32_t lineSetCurrentLocation(HLINEAPP hLineApp, DWORD dwLocation)
{
    TServiceLock Lock;
    TService& s = Service();
    if (!UsageOrNone(s, hLineApp)) return LINEERR_INVALAPPHANDLE;
    if (uint32_t r = s.FailCall("lineSetCurrentLocation")) return r;
    TLocationStore& Store = Locations();
    if (!Store.Location(dwLocation)) return LINEERR_INVALLOCATION;
    if (Store.CurrentID == dwLocation) return 0;
    Store.CurrentID = dwLocation;
    s.BroadcastLineDevState(LINEDEVSTATE_TRANSLATECHANGE);
    return 0;
}

uint32_t lineTranslateAddressA(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion, LPCSTR lpszAddressIn,
                               DWORD dwCard, DWORD dwTranslateOptions, LPLINETRANSLATEOUTPUT lpTranslateOutput)
{
    TServiceLock Lock;
    TService& s = Service();
    if (!UsageOrNone(s, hLineApp)) return LINEERR_INVALAPPHANDLE;
    if (uint32_t r = s.CheckLineDevice(dwDeviceID)) return r;
    if (!ValidAPIVersion(s.LineDevice(dwDeviceID)->APIVersions(), dwAPIVersion))
        return LINEERR_INCOMPATIBLEAPIVERSION;
    if (!lpszAddressIn || !lpTranslateOutput) return LINEERR_INVALPOINTER;
    // There are no calling cards, so no card can override the location's.
    if (dwTranslateOptions & LINETRANSLATEOPTION_CARDOVERRIDE) return LINEERR_INVALCARD;
    (void)dwCard;
    if (!FitsFixed(lpTranslateOutput, sizeof(LINETRANSLATEOUTPUT))) return LINEERR_STRUCTURETOOSMALL;
    const TLocationStore& Store = Locations();
    const TLocationInfo* Loc = Store.Current();
    if (!Loc) return LINEERR_INVALLOCATION;
    if (uint32_t r = s.FailCall("lineTranslateAddressA")) return r;
    TTranslation t;
    if (uint32_t r = TranslateAddress(lpszAddressIn, *Loc, Store, dwTranslateOptions, t)) return r;
    Deliver(TranslateOutputImage(t), lpTranslateOutput, s.Hostile("lineTranslateAddressA"));
    return 0;
}

uint32_t lineTranslateDialogA(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion, HWND hwndOwner,
                              LPCSTR lpszAddressIn)
{
    {
        TServiceLock Lock;
        TService& s = Service();
        if (!UsageOrNone(s, hLineApp)) return LINEERR_INVALAPPHANDLE;
        if (hLineApp) {
            if (uint32_t r = s.CheckLineDevice(dwDeviceID)) return r;
            if (!ValidAPIVersion(s.LineDevice(dwDeviceID)->APIVersions(), dwAPIVersion))
                return LINEERR_INCOMPATIBLEAPIVERSION;
        }
    }
    return ShowDialog(kxtapi::tdkTranslate, dwDeviceID, hwndOwner, Str(lpszAddressIn), LINEERR_OPERATIONUNAVAIL);
}

uint32_t lineGetCountryA(DWORD dwCountryID, DWORD dwAPIVersion, LPLINECOUNTRYLIST lpLineCountryList)
{
    TServiceLock Lock;
    TService& s = Service();
    if (!KnownVersion(dwAPIVersion) || dwAPIVersion < 0x00010004 || !Locations().AcceptsVersion(dwAPIVersion))
        return LINEERR_INCOMPATIBLEAPIVERSION;
    if (!lpLineCountryList) return LINEERR_INVALPOINTER;
    if (!FitsFixed(lpLineCountryList, sizeof(LINECOUNTRYLIST))) return LINEERR_STRUCTURETOOSMALL;
    const TLocationStore& Store = Locations();
    if (dwCountryID != 0 && !Store.Country(dwCountryID)) return LINEERR_INVALCOUNTRYCODE;
    if (uint32_t r = s.FailCall("lineGetCountryA")) return r;
    Deliver(CountryListImage(Store, dwCountryID), lpLineCountryList, s.Hostile("lineGetCountryA"));
    return 0;
}

}  // extern "C"
