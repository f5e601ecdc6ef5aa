// The named providers of the service. The simulated switch is the embedded
// default and is always registered first; further providers (a modem
// provider, for instance) register themselves by name.
//
// Registered providers are started (TProvider::Init) when the first
// application initialises and closed when the last one shuts down. A
// provider registered or unregistered while the service runs is started or
// closed at once, which reports its devices as created or removed.
#pragma once

#include "service/provider.h"

#include <memory>
#include <string>
#include <vector>

namespace kxtapi::service {

/// Adds a provider. Fails (false) when one of that name is registered.
bool RegisterProvider(std::shared_ptr<TProvider> Provider);
/// Removes a provider by name; false when none has that name.
bool UnregisterProvider(const std::string& Name);
/// The registered providers, in order of registration.
std::vector<std::shared_ptr<TProvider>> RegisteredProviders();
/// The provider of that name, or null.
std::shared_ptr<TProvider> FindProvider(const std::string& Name);

}  // namespace kxtapi::service
