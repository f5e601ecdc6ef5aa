// German texts of the call states, and the names of the mode that qualifies
// a call state.
#pragma once

#include <cstdint>
#include <string>

namespace kxtapi {

/// German text of a LINECALLSTATE_ value, in Windows-1252 (the ä of
/// "Wählton" and "Gespräch" is the single byte 0xE4):
///   0x1 "Ruhe", 0x2 "Anruf", 0x4 "Angenommen", 0x8 "Wählton", 0x10 "Wahl",
///   0x20 "Rufton", 0x40 "Besetzt", 0x80 "Spezialmeldung",
///   0x100 "Gespräch", 0x200 "Rufton", 0x400 "Gehalten",
///   0x800 "Konferenz", 0x1000 "Warten auf Konferenz",
///   0x2000 "Warten auf Transfer", 0x4000 "Getrennt", 0x8000 "Unbekannt".
/// Ringback and proceeding share "Rufton"; unlike LineCallStateToStr,
/// UNKNOWN (0x8000) has a text. Anything else gives dollar-hex ("$%x").
std::string LineCallStateToStrDE(uint32_t CallState);

/// Name of the mode that goes with a call state, without the mode family's
/// prefix:
///   OFFERING (0x2)      LINEOFFERINGMODE_    ACTIVE, INACTIVE
///   DIALTONE (0x8)      LINEDIALTONEMODE_    NORMAL, SPECIAL, INTERNAL,
///                                            EXTERNAL, UNKNOWN, UNAVAIL
///   BUSY (0x40)         LINEBUSYMODE_        STATION, TRUNK, UNKNOWN, UNAVAIL
///   SPECIALINFO (0x80)  LINESPECIALINFO_     NOCIRCUIT, CUSTIRREG, REORDER,
///                                            UNKNOWN, UNAVAIL
///   CONNECTED (0x100)   LINECONNECTEDMODE_   ACTIVE, INACTIVE, ACTIVEHELD,
///                                            INACTIVEHELD, CONFIRMED
///   DISCONNECTED        LINEDISCONNECTMODE_  the 12 modes NORMAL (0x1) to
///   (0x4000)                                 UNAVAIL (0x800) only
/// The empty string for any other state, and for a mode the state's family
/// does not name (a combination of modes included).
std::string LineCallStateModeToStr(uint32_t CallState, uint32_t Mode);

} // namespace kxtapi
