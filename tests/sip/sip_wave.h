// WAV files for the media tests: written with a tone, read back with a
// rough measure of their pitch.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kxtapi::testing {

struct TWave {
    uint32_t Rate = 0;
    uint16_t Channels = 0;
    uint16_t Bits = 0;
    std::vector<int16_t> Samples;   // interleaved
};

/// Writes Ms milliseconds of a sine of Frequency Hz as 16-bit PCM.
bool WriteTone(const std::string& Path, uint32_t Rate, uint16_t Channels, uint32_t Frequency, uint32_t Ms);
/// Reads a 16-bit PCM WAV; false when it is none.
bool ReadWave(const std::string& Path, TWave& Out);
/// The frequency of a mono signal estimated from its zero crossings, over
/// the samples louder than silence; 0 for silence.
double Pitch(const TWave& Wave);

}  // namespace kxtapi::testing
