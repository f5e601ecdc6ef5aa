// Helpers of the LED tests: pumping the message loop until something holds,
// an LED whose state a test may set, and the pixel map written out again.
#pragma once

#include "message_pump.h"
#include "kxtapi/kxtapicomm.h"

#include <algorithm>
#include <chrono>
#include <functional>

#include <poll.h>

namespace kxtapi::test {

/// An LED that a test can light without a port.
class TProbeLed : public TComPortLed {
public:
    using TComPortLed::TComPortLed;
    using TComPortLed::SetActive;
};

/// The LED's picture as drawn on paper: one digit per pixel.
inline const char* const ExpectedMap[14] = {
    "00000000000000", "00000222200000", "00022333322000", "00233111135400",
    "00231111115400", "02311111111540", "02311111111540", "02311111111540",
    "02311111111540", "00231111115400", "00235111155400", "00044555544000",
    "00000444400000", "00000000000000",
};

/// The colour pixel (X, Y) must have on a painted LED of 16 x 16 whose
/// background is Background.
inline TColor ExpectedPixel(int X, int Y, bool Raised, TColor Lit, TColor Background)
{
    const char Digit = (X < 14 && Y < 14) ? ExpectedMap[Y][X] : '0';
    switch (Digit) {
    case '1': return Lit;
    case '2': return Raised ? 0x000000 : 0x808080;
    case '3': return Raised ? 0xC0C0C0 : 0x000000;
    case '4': return Raised ? 0x000000 : 0xFFFFFF;
    case '5': return Raised ? 0x808080 : 0xC0C0C0;
    default: return Background;
    }
}

} // namespace kxtapi::test
