// Media on a call: generating digits and tones, and monitoring digits,
// media modes and tones, and gathering digits. Monitoring is kept per call
// handle, so each application hears only what it asked for.

#include "service/api_common.h"

#include "kxtapi/rtl/tick.h"

#include <cstdio>

namespace kxtapi::service {

namespace {

// The capabilities of the line a call is on, or an error.
uint32_t CallLineCaps(TService& s, const TCallHandle& c, TLineCapsData& Caps)
{
    TLineOpen* o = s.LineOpen(c.Line);
    if (!o) return LINEERR_INVALCALLHANDLE;
    return c.Call->Line()->GetDevCaps(o->APIVersion, o->ExtVersion, Caps);
}

// Handle and state checks shared by the media functions.
uint32_t MediaCall(TService& s, HCALL hCall, bool NeedOwner, TCallHandle*& c, TLineCapsData& Caps)
{
    c = s.CallHandle(hCall);
    if (!c) return LINEERR_INVALCALLHANDLE;
    if (NeedOwner && c->Privilege != LINECALLPRIVILEGE_OWNER) return LINEERR_NOTOWNER;
    if (c->Call->State() == LINECALLSTATE_IDLE) return LINEERR_INVALCALLSTATE;
    return CallLineCaps(s, *c, Caps);
}

// A generation the handle had running ends, cancelled by the new request.
void CancelGeneration(TService& s, TCallHandle& c)
{
    if (!c.Media.Generating) return;
    c.Media.Generating = 0;
    s.PostCall(c, LINE_GENERATE, LINEGENERATETERM_CANCEL, 0, GetTickCount());
}

bool SingleBit(uint32_t v) { return v && !(v & (v - 1)); }

std::string Hex(uint32_t v)
{
    char b[16];
    std::snprintf(b, sizeof b, "0x%X", v);
    return b;
}

}  // namespace

}  // namespace kxtapi::service

using namespace kxtapi::service;

extern "C" {

uint32_t lineGenerateDigitsA(HCALL hCall, DWORD dwDigitMode, LPCSTR lpszDigits, DWORD dwDuration)
{
    TServiceLock Lock;
    TService& s = Service();
    TCallHandle* c;
    TLineCapsData Caps;
    if (uint32_t r = MediaCall(s, hCall, true, c, Caps)) return r;
    if (!lpszDigits) {
        CancelGeneration(s, *c);
        return c->Call->GenerateDigits(dwDigitMode, {}, 0, 0);
    }
    if ((dwDigitMode != LINEDIGITMODE_PULSE && dwDigitMode != LINEDIGITMODE_DTMF) ||
        !(Caps.Fixed.dwGenerateDigitModes & dwDigitMode))
        return LINEERR_INVALDIGITMODE;
    std::string Digits = lpszDigits;
    for (char d : Digits)
        if (d != ',' && !ValidDigit(d, dwDigitMode)) return LINEERR_INVALDIGITS;
    uint32_t ID = s.NewEndToEndID();
    if (uint32_t r = c->Call->GenerateDigits(dwDigitMode, Digits, dwDuration, ID)) return r;
    CancelGeneration(s, *c);
    c->Media.Generating = ID;
    return 0;
}

uint32_t lineGenerateTone(HCALL hCall, DWORD dwToneMode, DWORD dwDuration, DWORD dwNumTones,
                          const LINEGENERATETONE* lpTones)
{
    TServiceLock Lock;
    TService& s = Service();
    TCallHandle* c;
    TLineCapsData Caps;
    if (uint32_t r = MediaCall(s, hCall, true, c, Caps)) return r;
    if (dwToneMode == 0) {
        CancelGeneration(s, *c);
        return c->Call->GenerateTone(0, 0, {}, 0);
    }
    if (!SingleBit(dwToneMode) || !(Caps.Fixed.dwGenerateToneModes & dwToneMode)) return LINEERR_INVALTONEMODE;
    std::vector<LINEGENERATETONE> Tones;
    if (dwToneMode == LINETONEMODE_CUSTOM) {
        if (!lpTones) return LINEERR_INVALPOINTER;
        if (dwNumTones == 0 || dwNumTones > Caps.Fixed.dwGenerateToneMaxNumFreq) return LINEERR_INVALTONE;
        Tones.assign(lpTones, lpTones + dwNumTones);
    }
    uint32_t ID = s.NewEndToEndID();
    if (uint32_t r = c->Call->GenerateTone(dwToneMode, dwDuration, Tones, ID)) return r;
    CancelGeneration(s, *c);
    c->Media.Generating = ID;
    return 0;
}

uint32_t lineMonitorDigits(HCALL hCall, DWORD dwDigitModes)
{
    TServiceLock Lock;
    TService& s = Service();
    TCallHandle* c;
    TLineCapsData Caps;
    if (uint32_t r = MediaCall(s, hCall, false, c, Caps)) return r;
    if (dwDigitModes & ~Caps.Fixed.dwMonitorDigitModes) return LINEERR_INVALDIGITMODE;
    if (uint32_t r = c->Call->Listen(LINECALLFEATURE_MONITORDIGITS, dwDigitModes != 0, "lineMonitorDigits",
                                     Hex(dwDigitModes)))
        return r;
    c->Media.DigitModes = dwDigitModes;
    return 0;
}

uint32_t lineMonitorMedia(HCALL hCall, DWORD dwMediaModes)
{
    TServiceLock Lock;
    TService& s = Service();
    TCallHandle* c;
    TLineCapsData Caps;
    if (uint32_t r = MediaCall(s, hCall, false, c, Caps)) return r;
    if (dwMediaModes & ~(Caps.Fixed.dwMediaModes | LINEMEDIAMODE_UNKNOWN)) return LINEERR_INVALMEDIAMODE;
    if (uint32_t r = c->Call->Listen(LINECALLFEATURE_MONITORMEDIA, dwMediaModes != 0, "lineMonitorMedia",
                                     Hex(dwMediaModes)))
        return r;
    c->Media.MediaModes = dwMediaModes;
    return 0;
}

uint32_t lineMonitorTones(HCALL hCall, const LINEMONITORTONE* lpToneList, DWORD dwNumEntries)
{
    TServiceLock Lock;
    TService& s = Service();
    TCallHandle* c;
    TLineCapsData Caps;
    if (uint32_t r = MediaCall(s, hCall, false, c, Caps)) return r;
    const bool Stop = !lpToneList || dwNumEntries == 0;
    if (!Stop) {
        if (dwNumEntries > Caps.Fixed.dwMonitorToneMaxNumEntries) return LINEERR_INVALTONELIST;
        for (uint32_t i = 0; i < dwNumEntries; ++i) {
            const LINEMONITORTONE& t = lpToneList[i];
            uint32_t Freqs = (t.dwFrequency1 != 0) + (t.dwFrequency2 != 0) + (t.dwFrequency3 != 0);
            if (Freqs > Caps.Fixed.dwMonitorToneMaxNumFreq) return LINEERR_INVALTONE;
        }
    }
    if (uint32_t r = c->Call->Listen(LINECALLFEATURE_MONITORTONES, !Stop, "lineMonitorTones",
                                     std::to_string(Stop ? 0 : dwNumEntries)))
        return r;
    if (Stop)
        c->Media.Tones.clear();
    else
        c->Media.Tones.assign(lpToneList, lpToneList + dwNumEntries);
    if (TCallRecord* Rec = s.Record(c->Call)) s.StartToneWatch(*c, *Rec);
    return 0;
}

uint32_t lineGatherDigitsA(HCALL hCall, DWORD dwDigitModes, LPSTR lpsDigits, DWORD dwNumDigits,
                           LPCSTR lpszTerminationDigits, DWORD dwFirstDigitTimeout, DWORD dwInterDigitTimeout)
{
    TServiceLock Lock;
    TService& s = Service();
    TCallHandle* c;
    TLineCapsData Caps;
    if (!lpsDigits) {
        // Cancelling is allowed whatever the call's state.
        c = s.CallHandle(hCall);
        if (!c) return LINEERR_INVALCALLHANDLE;
        if (uint32_t r = c->Call->Listen(LINECALLFEATURE_GATHERDIGITS, false, "lineGatherDigitsA", "cancel"))
            return r;
        s.EndGather(*c, LINEGATHERTERM_CANCEL);
        return 0;
    }
    if (uint32_t r = MediaCall(s, hCall, false, c, Caps)) return r;
    constexpr uint32_t Modes = LINEDIGITMODE_PULSE | LINEDIGITMODE_DTMF;
    if (dwDigitModes == 0 || (dwDigitModes & ~Modes) || (dwDigitModes & ~Caps.Fixed.dwMonitorDigitModes))
        return LINEERR_INVALDIGITMODE;
    if (dwNumDigits == 0) return LINEERR_INVALPARAM;
    std::string Term = Str(lpszTerminationDigits);
    for (char d : Term)
        if (!ValidDigit(d, dwDigitModes)) return LINEERR_INVALDIGITS;
    auto InRange = [&](uint32_t t) {
        return t == 0 || (t >= Caps.Fixed.dwGatherDigitsMinTimeout &&
                          (Caps.Fixed.dwGatherDigitsMaxTimeout == 0 || t <= Caps.Fixed.dwGatherDigitsMaxTimeout));
    };
    if (!InRange(dwFirstDigitTimeout) || !InRange(dwInterDigitTimeout)) return LINEERR_INVALTIMEOUT;
    if (uint32_t r = c->Call->Listen(LINECALLFEATURE_GATHERDIGITS, true, "lineGatherDigitsA",
                                     std::to_string(dwNumDigits) + " " + Term))
        return r;

    s.EndGather(*c, LINEGATHERTERM_CANCEL);   // a new gathering replaces the old
    TGather& g = c->Media.Gather;
    g.Active = true;
    g.Buffer = lpsDigits;
    g.NumDigits = dwNumDigits;
    g.DigitModes = dwDigitModes;
    g.Termination = Term;
    g.FirstTimeout = dwFirstDigitTimeout;
    g.InterTimeout = dwInterDigitTimeout;
    ++g.Generation;
    if (dwFirstDigitTimeout) {
        uint64_t Gen = g.Generation;
        TService* sp = &s;
        g.Timer = s.Scheduler.After(dwFirstDigitTimeout, [sp, hCall, Gen] {
            sp->OnGatherTimeout(hCall, Gen, LINEGATHERTERM_FIRSTTIMEOUT);
        });
    }
    return 0;
}

}  // extern "C"
