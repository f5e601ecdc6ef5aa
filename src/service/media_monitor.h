// What one call handle asked to be told about the call's media: digits,
// media modes, tones and silence, and a digit gathering in progress. Kept
// per handle because each application monitors for itself.
#pragma once

#include "kxtapi/tapi.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kxtapi::service {

struct TGather {
    bool Active = false;
    char* Buffer = nullptr;   // the application's; null once cancelled
    uint32_t NumDigits = 0;
    uint32_t DigitModes = 0;
    std::string Termination;
    uint32_t FirstTimeout = 0;
    uint32_t InterTimeout = 0;
    std::string Digits;
    uint64_t Timer = 0;
    uint64_t Generation = 0;   // tells a stale time-out from the current one
};

struct TMediaMonitor {
    uint32_t DigitModes = 0;
    uint32_t MediaModes = 0;
    std::vector<LINEMONITORTONE> Tones;
    std::vector<uint64_t> ToneTimers;
    TGather Gather;
    uint32_t Generating = 0;   // end-to-end id of the running generation
};

/// Whether Digit may appear in a dial string of DigitMode: 0-9, * and #,
/// and A-D for DTMF.
bool ValidDigit(char Digit, uint32_t DigitMode);

/// Whether a monitored tone entry matches what is heard (all frequencies 0
/// is silence).
bool ToneMatches(const LINEMONITORTONE& Entry, bool Tone, const uint32_t Frequency[3]);

}  // namespace kxtapi::service
