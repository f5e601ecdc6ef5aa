// The telephony configuration as the service starts with it: whether the
// simulated switch serves, and the providers the file's other keys describe.
#pragma once

#include "service/provider.h"

#include <memory>
#include <string>
#include <vector>

namespace kxtapi::service {

struct TTelephonyConfig {
    /// A file path, "configuration text", or empty when there is none.
    std::string Source;
    bool SimulatedSwitch = true;
    /// Built from the provider keys, in the order of ConfigSections(); not
    /// started yet.
    std::vector<std::shared_ptr<TProvider>> Providers;
};

/// Reads a configuration from JSON text. Throws TConfigError naming the key.
TTelephonyConfig ParseTelephonyConfig(const std::string& Text);

/// Reads the configuration the next start uses (config_source.h). False,
/// with Error as "SOURCE: KEY: PROBLEM", when it cannot be used.
bool LoadTelephonyConfig(TTelephonyConfig& Out, std::string& Error);

}  // namespace kxtapi::service
