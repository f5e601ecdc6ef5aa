// The keys of the telephony configuration that belong to providers. A
// provider adds its key here: a function that reads the key's object and
// builds the provider (without starting it), or throws TConfigError.
#pragma once

#include "service/config/config_reader.h"
#include "service/provider.h"

#include <memory>
#include <vector>

namespace kxtapi::service {

/// Builds the provider a key describes; null when the key describes no
/// device (an empty account list, say).
using TConfigSectionReader = std::shared_ptr<TProvider> (*)(const TConfigNode& Section);

struct TConfigSection {
    const char* Key;
    TConfigSectionReader Read;
};

/// The provider keys, in the order their providers start.
const std::vector<TConfigSection>& ConfigSections();

}  // namespace kxtapi::service
