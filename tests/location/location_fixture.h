// The location tests' world: a freshly reset simulated switch with three
// dialing locations (Office and Redmond in the United States, Munich in
// Germany), Office current, no dialog hook, and the session not started.
#pragma once

#include "kxtapi/kxtapi.h"
#include "kxtapi/sim.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kxtapi::testing {

inline sim::TSimLocationConfig OfficeLocation()
{
    return {1, "Office", 1, "206", "9", "9", "", "*70,", 0};
}
inline sim::TSimLocationConfig MunichLocation()
{
    return {2, "Munich", 49, "89", "", "", "", "", 0};
}
inline sim::TSimLocationConfig RedmondLocation()
{
    return {3, "Redmond", 1, "425", "9", "8", "", "", 0};
}

class LocationTest : public ::testing::Test {
protected:
    LocationTest()
    {
        Sim.Reset();
        SetTapiDialogHook(nullptr);
        Sim.SetLocations({OfficeLocation(), MunichLocation(), RedmondLocation()}, 1);
    }
    ~LocationTest() override
    {
        SetTapiDialogHook(nullptr);
        Sim.Reset();
    }

    sim::TSimSwitch& Sim = sim::Switch();
};

/// The service's error code of a failure raised as ETapiError; 0 when Fn
/// raised nothing.
template <class F>
uint32_t TapiErrorOf(F&& Fn)
{
    try {
        Fn();
    } catch (const ETapiError& e) {
        return e.ErrorCode;
    }
    return 0;
}

} // namespace kxtapi::testing
