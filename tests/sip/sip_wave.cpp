#include "sip_wave.h"

#include <cmath>
#include <cstring>
#include <fstream>

namespace kxtapi::testing {

namespace {

void Put32(std::ofstream& f, uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); }
void Put16(std::ofstream& f, uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); }

}  // namespace

bool WriteTone(const std::string& Path, uint32_t Rate, uint16_t Channels, uint32_t Frequency, uint32_t Ms)
{
    std::ofstream f(Path, std::ios::binary);
    uint32_t Frames = Rate * Ms / 1000;
    uint32_t Bytes = Frames * Channels * 2;
    f.write("RIFF", 4);
    Put32(f, 36 + Bytes);
    f.write("WAVEfmt ", 8);
    Put32(f, 16);
    Put16(f, 1);
    Put16(f, Channels);
    Put32(f, Rate);
    Put32(f, Rate * Channels * 2);
    Put16(f, static_cast<uint16_t>(Channels * 2));
    Put16(f, 16);
    f.write("data", 4);
    Put32(f, Bytes);
    for (uint32_t i = 0; i < Frames; ++i) {
        auto s = static_cast<int16_t>(8000 * std::sin(2 * M_PI * Frequency * i / Rate));
        for (uint16_t c = 0; c < Channels; ++c) Put16(f, static_cast<uint16_t>(s));
    }
    return static_cast<bool>(f);
}

bool ReadWave(const std::string& Path, TWave& Out)
{
    std::ifstream f(Path, std::ios::binary);
    std::vector<char> b((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) || std::memcmp(b.data() + 8, "WAVE", 4)) return false;
    size_t p = 12;
    bool Fmt = false;
    while (p + 8 <= b.size()) {
        uint32_t Size;
        std::memcpy(&Size, b.data() + p + 4, 4);
        const char* Id = b.data() + p;
        p += 8;
        if (!std::memcmp(Id, "fmt ", 4) && Size >= 16 && p + 16 <= b.size()) {
            std::memcpy(&Out.Channels, b.data() + p + 2, 2);
            std::memcpy(&Out.Rate, b.data() + p + 4, 4);
            std::memcpy(&Out.Bits, b.data() + p + 14, 2);
            Fmt = true;
        } else if (!std::memcmp(Id, "data", 4)) {
            size_t n = std::min<size_t>(Size, b.size() - p) / 2;
            Out.Samples.resize(n);
            std::memcpy(Out.Samples.data(), b.data() + p, n * 2);
            return Fmt;
        }
        p += Size + (Size & 1);
    }
    return false;
}

double Pitch(const TWave& w)
{
    size_t First = 0, Last = 0, Crossings = 0;
    bool Seen = false;
    for (size_t i = 1; i < w.Samples.size(); ++i) {
        if (std::abs(w.Samples[i]) < 200) continue;   // silence and noise
        if (!Seen) First = i;
        Seen = true;
        Last = i;
    }
    if (!Seen || Last <= First) return 0;
    for (size_t i = First + 1; i <= Last; ++i)
        if ((w.Samples[i - 1] < 0) != (w.Samples[i] < 0)) ++Crossings;
    return Crossings / 2.0 / (static_cast<double>(Last - First) / w.Rate);
}

}  // namespace kxtapi::testing
