// Translate-caps and country-list blocks with whatever counts, offsets and
// sizes the input holds, read into locations. Checked:
// - only entries wholly inside the block are counted and read;
// - every string read lies inside the block, equals the bytes there, holds
//   no zero byte and is no longer than its size field;
// - filling a location from a block is Valid exactly when the entry exists.
#include <kxtapi/kxtapi.h>

#include "location/location_blocks.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace kxtapi;

namespace {

void Check(bool Ok, const char* What)
{
    if (!Ok) {
        std::fprintf(stderr, "location block fuzz: %s\n", What);
        std::abort();
    }
}

void CheckString(const TBlockView& Block, uint32_t Offset, uint32_t Length, const std::string& S)
{
    Check(S.size() <= Length, "string longer than its size");
    Check(S.find('\0') == std::string::npos, "zero byte inside a string");
    if (S.empty()) return;
    Check(Block.Contains(Offset, static_cast<uint32_t>(S.size())), "string outside the block");
    Check(std::memcmp(Block.Data() + Offset, S.data(), S.size()) == 0, "string differs from the block");
}

void CheckLocations(const TVarBlock& Caps)
{
    const TBlockView View = Caps.View();
    const uint32_t Count = location::LocationEntryCount(View);
    const uint32_t ListOffset = View.Dword(offsetof(LINETRANSLATECAPS, dwLocationListOffset));
    Check(Count <= View.Dword(offsetof(LINETRANSLATECAPS, dwNumLocations)), "more entries than listed");
    if (Count > 0) Check(View.Contains(ListOffset, Count * location::LocationEntrySize), "entries outside");
    for (uint32_t i = 0; i < std::min<uint32_t>(Count + 2, 64); ++i) {
        TTapiLocation L;
        const bool Read = location::ReadLocationEntry(View, i, L);
        Check(Read == (i < Count), "entry read outside the counted ones");
        if (!Read) continue;
        LINELOCATIONENTRY e;
        std::memcpy(&e, View.Data() + ListOffset + i * location::LocationEntrySize, sizeof e);
        Check(L.LocationID == e.dwPermanentLocationID && L.CountryID == e.dwCountryID, "wrong identifiers");
        CheckString(View, e.dwLocationNameOffset, e.dwLocationNameSize, L.LocationName);
        CheckString(View, e.dwCityCodeOffset, e.dwCityCodeSize, L.CityCode);
        CheckString(View, e.dwLocalAccessCodeOffset, e.dwLocalAccessCodeSize, L.LocalAccessCode);
        CheckString(View, e.dwLongDistanceAccessCodeOffset, e.dwLongDistanceAccessCodeSize,
                    L.LongDistanceAccessCode);
    }
    TTapiLocation Filled;
    Filled.AssignLocEntry(&Caps, 0);
    Check(Filled.Valid == (Count > 0), "validity of a filled location");
}

void CheckCountry(const TVarBlock& Countries)
{
    const TBlockView View = Countries.View();
    TTapiLocation L;
    if (!location::ReadCountryEntry(View, L)) {
        Check(L.CountryCode.empty() && L.SameAreaRule.empty(), "a failed read changed the location");
        return;
    }
    const uint32_t Offset = View.Dword(offsetof(LINECOUNTRYLIST, dwCountryListOffset));
    Check(View.Dword(offsetof(LINECOUNTRYLIST, dwNumCountries)) > 0, "a country read from an empty list");
    Check(View.Contains(Offset, sizeof(LINECOUNTRYENTRY)), "country entry outside");
    LINECOUNTRYENTRY e;
    std::memcpy(&e, View.Data() + Offset, sizeof e);
    Check(L.CountryCode == std::to_string(e.dwCountryCode), "wrong country code");
    CheckString(View, e.dwCountryNameOffset, e.dwCountryNameSize, L.CountryName);
    CheckString(View, e.dwSameAreaRuleOffset, e.dwSameAreaRuleSize, L.SameAreaRule);
    CheckString(View, e.dwLongDistanceRuleOffset, e.dwLongDistanceRuleSize, L.LongDistanceRule);
    CheckString(View, e.dwInternationalRuleOffset, e.dwInternationalRuleSize, L.InternationalRule);
}

} // namespace

// The first byte chooses how the rest is taken: bit 0 folds every 32-bit
// value into the block's size, so that counts and offsets mostly land inside
// it; otherwise the bytes are used as they stand.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    if (Size < 1) return 0;
    const uint8_t Mode = Data[0];
    const uint32_t Length = static_cast<uint32_t>(std::min<size_t>(Size - 1, 64 * 1024));
    TVarBlock Block(std::max<uint32_t>(Length, 12));
    std::memcpy(Block.Data(), Data + 1, Length);
    if (Mode & 1) {
        for (uint32_t Offset = 0; Offset + 4 <= Block.Size(); Offset += 4)
            Block.SetDword(Offset, Block.Dword(Offset) % (Block.Size() + 8));
    }
    CheckLocations(Block);
    CheckCountry(Block);
    return 0;
}
