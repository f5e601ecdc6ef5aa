// Turns the events of a line into records for the output: each event as it
// is raised, with its values decoded (call states and modes by name, party
// identifiers as text).
#pragma once

#include "call_numbers.h"
#include "event_output.h"

#include <kxtapi/kxtapi.h>

#include <functional>

namespace kxphone {

class TLineWatch {
public:
    /// Assigns every event of Line that kxphone reports; Output and Numbers
    /// must outlive the watch.
    TLineWatch(kxtapi::TTapiLine& Line, TEventOutput& Output, TCallNumbers& Numbers);
    /// Unassigns the events again, so the line may outlive the watch.
    ~TLineWatch();
    TLineWatch(const TLineWatch&) = delete;
    TLineWatch& operator=(const TLineWatch&) = delete;

    /// Switches digit monitoring on for every call as it begins, so digits
    /// from the far end are reported (DIGIT).
    bool MonitorDigits = false;
    /// Called after each record was written, with the record and its call
    /// (null for events of the line).
    std::function<void(const TEventRecord& Record, kxtapi::TTapiCall* Call)> OnRecord;

    kxtapi::TTapiLine& Line() const noexcept { return FLine; }

private:
    void Emit(kxtapi::TTapiCall* Call, std::string Event, std::vector<TField> Fields = {});
    void Party(kxtapi::TTapiCall* Call, const char* Event, kxtapi::TTapiCallPartyID* Who);

    kxtapi::TTapiLine& FLine;
    TEventOutput& FOutput;
    TCallNumbers& FNumbers;
};

/// The state of Call (LINECALLSTATE_), 0 for null.
uint32_t CallState(const kxtapi::TTapiCall* Call);

} // namespace kxphone
