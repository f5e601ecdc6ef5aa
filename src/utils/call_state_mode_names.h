// Names of the modes that qualify a call state: offering, dial-tone, busy,
// special-information and connected modes. The disconnected state uses the
// disconnect modes of line_mode_names.h.
#pragma once

#include "utils/name_table.h"

#include "kxtapi/tapi/line_constants.h"

namespace kxtapi::names {

inline constexpr TNamedValue LineOfferingModeNames[] = {
    {LINEOFFERINGMODE_ACTIVE, "ACTIVE"},
    {LINEOFFERINGMODE_INACTIVE, "INACTIVE"},
};
static_assert(IsBitTable(LineOfferingModeNames));

inline constexpr TNamedValue LineDialToneModeNames[] = {
    {LINEDIALTONEMODE_NORMAL, "NORMAL"},
    {LINEDIALTONEMODE_SPECIAL, "SPECIAL"},
    {LINEDIALTONEMODE_INTERNAL, "INTERNAL"},
    {LINEDIALTONEMODE_EXTERNAL, "EXTERNAL"},
    {LINEDIALTONEMODE_UNKNOWN, "UNKNOWN"},
    {LINEDIALTONEMODE_UNAVAIL, "UNAVAIL"},
};
static_assert(IsBitTable(LineDialToneModeNames));

inline constexpr TNamedValue LineBusyModeNames[] = {
    {LINEBUSYMODE_STATION, "STATION"},
    {LINEBUSYMODE_TRUNK, "TRUNK"},
    {LINEBUSYMODE_UNKNOWN, "UNKNOWN"},
    {LINEBUSYMODE_UNAVAIL, "UNAVAIL"},
};
static_assert(IsBitTable(LineBusyModeNames));

inline constexpr TNamedValue LineSpecialInfoNames[] = {
    {LINESPECIALINFO_NOCIRCUIT, "NOCIRCUIT"},
    {LINESPECIALINFO_CUSTIRREG, "CUSTIRREG"},
    {LINESPECIALINFO_REORDER, "REORDER"},
    {LINESPECIALINFO_UNKNOWN, "UNKNOWN"},
    {LINESPECIALINFO_UNAVAIL, "UNAVAIL"},
};
static_assert(IsBitTable(LineSpecialInfoNames));

inline constexpr TNamedValue LineConnectedModeNames[] = {
    {LINECONNECTEDMODE_ACTIVE, "ACTIVE"},
    {LINECONNECTEDMODE_INACTIVE, "INACTIVE"},
    {LINECONNECTEDMODE_ACTIVEHELD, "ACTIVEHELD"},
    {LINECONNECTEDMODE_INACTIVEHELD, "INACTIVEHELD"},
    {LINECONNECTEDMODE_CONFIRMED, "CONFIRMED"},
};
static_assert(IsBitTable(LineConnectedModeNames));

} // namespace kxtapi::names
