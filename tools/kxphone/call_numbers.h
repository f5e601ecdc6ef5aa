// Short numbers for calls (#1, #2 ...), given in the order kxphone first sees
// each call. The number is kept in the call's notes, so a freed call takes
// it along and a new call never inherits an old one's.
#pragma once

#include <kxtapi/kxtapi.h>

#include <vector>

namespace kxphone {

class TCallNumbers {
public:
    /// The number of Call, given now when it has none; 0 for null.
    int NumberOf(kxtapi::TTapiCall* Call);
    /// The call numbered Number among the calls of Lines, or null.
    static kxtapi::TTapiCall* Find(int Number, const std::vector<kxtapi::TTapiLine*>& Lines);

private:
    int FNext = 1;
};

} // namespace kxphone
