// The simulated switch as a provider of the telephony service.
#pragma once

#include "service/provider.h"

#include <memory>

namespace kxtapi::service {

/// The embedded provider (named "sim"), registered first by the registry.
std::shared_ptr<TProvider> EmbeddedSimProvider();

}  // namespace kxtapi::service
