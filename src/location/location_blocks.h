// Reading dialing locations and countries out of the service's blocks. Every
// read is bounded by the block: counts, offsets and sizes come from the
// provider and are not trusted.
#pragma once

#include "kxtapi/location/location.h"
#include "kxtapi/session/var_block.h"

#include <cstdint>

namespace kxtapi::location {

/// Stride of the location list: the 68-byte LINELOCATIONENTRY of version 2.0.
inline constexpr uint32_t LocationEntrySize = 68;

/// dwNumLocations of a LINETRANSLATECAPS block, cut to the entries that lie
/// wholly inside it.
uint32_t LocationEntryCount(const TBlockView& Caps) noexcept;

/// Copies LocationID, CountryID, LocationName, CityCode, LocalAccessCode and
/// LongDistanceAccessCode of entry Index into Out; false, with Out
/// untouched, when the entry is not among those LocationEntryCount counts.
bool ReadLocationEntry(const TBlockView& Caps, uint32_t Index, TTapiLocation& Out);

/// Copies CountryCode, CountryName and the three rules of the first entry
/// of a LINECOUNTRYLIST block into Out; false, with Out untouched, when the
/// block holds no whole entry.
bool ReadCountryEntry(const TBlockView& Countries, TTapiLocation& Out);

/// lineGetTranslateCapsA through the fetch loop.
uint32_t FetchTranslateCaps(TVarBlock& Caps, uint32_t LineApp, uint32_t APIVersion);

/// The version to try after LINEERR_INCOMPATIBLEAPIVERSION, or 0 when
/// Version is not stepped down.
uint32_t LowerAPIVersion(uint32_t Version) noexcept;

/// The session's line usage handle; 0 while no session is started.
uint32_t SessionLineApp() noexcept;

} // namespace kxtapi::location
