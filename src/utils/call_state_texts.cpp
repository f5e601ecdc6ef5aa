#include "kxtapi/utils/call_state_texts.h"

#include "utils/call_state_mode_names.h"
#include "utils/line_mode_names.h"

namespace kxtapi {

using namespace names;

namespace {

// Windows-1252 bytes written as escapes so the file's own encoding cannot
// change them; a hex escape runs on over hex digits, hence "Gespr\xE4" "ch".
constexpr TNamedValue GermanCallStateTexts[] = {
    {LINECALLSTATE_IDLE, "Ruhe"},
    {LINECALLSTATE_OFFERING, "Anruf"},
    {LINECALLSTATE_ACCEPTED, "Angenommen"},
    {LINECALLSTATE_DIALTONE, "W\xE4hlton"},
    {LINECALLSTATE_DIALING, "Wahl"},
    {LINECALLSTATE_RINGBACK, "Rufton"},
    {LINECALLSTATE_BUSY, "Besetzt"},
    {LINECALLSTATE_SPECIALINFO, "Spezialmeldung"},
    {LINECALLSTATE_CONNECTED, "Gespr\xE4" "ch"},
    {LINECALLSTATE_PROCEEDING, "Rufton"},
    {LINECALLSTATE_ONHOLD, "Gehalten"},
    {LINECALLSTATE_CONFERENCED, "Konferenz"},
    {LINECALLSTATE_ONHOLDPENDCONF, "Warten auf Konferenz"},
    {LINECALLSTATE_ONHOLDPENDTRANSFER, "Warten auf Transfer"},
    {LINECALLSTATE_DISCONNECTED, "Getrennt"},
    {LINECALLSTATE_UNKNOWN, "Unbekannt"},
};
static_assert(IsBitTable(GermanCallStateTexts) && std::size(GermanCallStateTexts) == 16);

struct TStateModes {
    uint32_t CallState;
    TNameTable Modes;
};

// Only the first twelve disconnect modes qualify the disconnected state.
constexpr TStateModes ModesOfState[] = {
    {LINECALLSTATE_OFFERING, LineOfferingModeNames},
    {LINECALLSTATE_DIALTONE, LineDialToneModeNames},
    {LINECALLSTATE_BUSY, LineBusyModeNames},
    {LINECALLSTATE_SPECIALINFO, LineSpecialInfoNames},
    {LINECALLSTATE_CONNECTED, LineConnectedModeNames},
    {LINECALLSTATE_DISCONNECTED, UpTo(LineDisconnectModeNames, LINEDISCONNECTMODE_UNAVAIL)},
};
static_assert(ModesOfState[5].Modes.size() == 12);

std::string NoText(uint32_t) { return {}; }

} // namespace

std::string LineCallStateToStrDE(uint32_t CallState)
{
    return NameOr(GermanCallStateTexts, CallState, DollarHex);
}

std::string LineCallStateModeToStr(uint32_t CallState, uint32_t Mode)
{
    for (const TStateModes& s : ModesOfState)
        if (s.CallState == CallState) return NameOr(s.Modes, Mode, NoText);
    return {};
}

} // namespace kxtapi
