// A form file checked against the class registry and turned into what is to
// be created and assigned, before anything is.
#pragma once

#include "kxtapi/rtl/properties.h"
#include "rtl/form_context.h"
#include "rtl/json_text.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kxtapi {

/// One property assignment, its value converted and range-checked.
struct TValuePlan {
    const TPropertyInfo* Property = nullptr;
    std::string Pointer;             // JSON pointer of the value
    std::string Name;                // dotted below sub-objects: "EventChars.XonChar"
    int64_t Ord = 0;                 // ordinal kinds
    std::string Str;                 // a string, or a reference's dotted name ("" for none)
    std::vector<TValuePlan> Nested;  // a sub-object's properties
};

/// One component of the form.
struct TComponentPlan {
    const TClassInfo* Class = nullptr;
    std::string Pointer;             // JSON pointer of the component's object
    std::string Name;                // empty: none given
    std::string Label;               // the name, or "(TClassName)", for messages
    std::vector<TValuePlan> Properties;
    std::vector<TComponentPlan> Children;
};

/// Checks the whole document and returns its root component's plan; raises
/// EReadError (through Context) at the first fault.
TComponentPlan BuildFormPlan(const TJsonText& Text, const TFormContext& Context);

} // namespace kxtapi
