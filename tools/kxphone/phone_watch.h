// Turns the events of a phone into records for the output: hook switches,
// display, lamps, ringer and keys, each as it is raised.
#pragma once

#include "event_output.h"

#include <kxtapi/kxtapi.h>

#include <functional>

namespace kxphone {

class TPhoneWatch {
public:
    /// Assigns the events of Phone that kxphone reports; Output must outlive
    /// the watch.
    TPhoneWatch(kxtapi::TTapiPhone& Phone, TEventOutput& Output);
    /// Unassigns them again, so the phone may outlive the watch.
    ~TPhoneWatch();
    TPhoneWatch(const TPhoneWatch&) = delete;
    TPhoneWatch& operator=(const TPhoneWatch&) = delete;

    /// Called after each record was written.
    std::function<void(const TEventRecord& Record)> OnRecord;

private:
    void Emit(std::string Event, std::vector<TField> Fields = {});
    void HookSwitch(const char* Device, kxtapi::TTapiPhoneHookSwitch* Switch);
    /// The phone's control of a button or lamp, or null.
    kxtapi::TTapiPhoneControl* Control(uint32_t ID) const;

    kxtapi::TTapiPhone& FPhone;
    TEventOutput& FOutput;
};

} // namespace kxphone
