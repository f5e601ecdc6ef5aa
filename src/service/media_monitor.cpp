#include "service/media_monitor.h"

#include <cstring>

namespace kxtapi::service {

bool ValidDigit(char Digit, uint32_t DigitMode)
{
    if ((Digit >= '0' && Digit <= '9') || Digit == '*' || Digit == '#') return true;
    if (DigitMode & (LINEDIGITMODE_DTMF | LINEDIGITMODE_DTMFEND))
        return (Digit >= 'A' && Digit <= 'D') || (Digit >= 'a' && Digit <= 'd');
    return false;
}

bool ToneMatches(const LINEMONITORTONE& Entry, bool Tone, const uint32_t Frequency[3])
{
    bool Silence = Entry.dwFrequency1 == 0 && Entry.dwFrequency2 == 0 && Entry.dwFrequency3 == 0;
    if (!Tone) return false;
    if (Silence) return Frequency[0] == 0 && Frequency[1] == 0 && Frequency[2] == 0;
    return Entry.dwFrequency1 == Frequency[0] && Entry.dwFrequency2 == Frequency[1] &&
           Entry.dwFrequency3 == Frequency[2];
}

}  // namespace kxtapi::service
