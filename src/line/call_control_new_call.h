// What the call-creating operations of the line share: the call objects an
// operation makes before it asks the service, and their fate when the
// service refuses at once.
#pragma once

#include "kxtapi/line/call.h"
#include "kxtapi/line/line.h"
#include "kxtapi/session/errors.h"

#include <cstdint>

namespace kxtapi::line_detail {

/// The call objects an operation creates: unbound (handle 0) until the
/// request completes, when the service writes the handle into their slot.
/// Refused() frees them and raises the service's error; otherwise the
/// line's reply and time-out handling decides what becomes of them.
template <int N>
class TNewCalls {
public:
    explicit TNewCalls(TTapiLine& Line)
    {
        for (int i = 0; i < N; ++i) FCalls[i] = new TTapiCall(&Line, 0);
    }
    TTapiCall* operator[](int i) const noexcept { return FCalls[i]; }
    HCALL* Slot(int i) const noexcept { return FCalls[i]->Get_HandleSlot(); }

    /// A negative Result: the calls go and ETapiError is raised.
    uint32_t Check(uint32_t Result)
    {
        if (static_cast<int32_t>(Result) < 0) {
            for (TTapiCall* Call : FCalls) Call->Free();
            throw ETapiError(Result);
        }
        return Result;
    }

    /// The call to hand back: null when it was freed meanwhile (a failed
    /// reply, or a handler that freed it during the wait).
    TTapiCall* Result(int i) const noexcept { return FCalls[i]->Get_FreePending() ? nullptr : FCalls[i]; }

private:
    TTapiCall* FCalls[N];
};

} // namespace kxtapi::line_detail
