// The "sip" key of the telephony configuration.
#pragma once

#include "service/config/config_reader.h"
#include "service/provider.h"

#include <memory>

namespace kxtapi::service::sip {

/// Reads the accounts and builds the SIP provider (not started); null when
/// there are no accounts. In a build without libre a "sip" key with
/// accounts is an error, so that configured lines never go missing
/// silently.
std::shared_ptr<TProvider> ReadSipSection(const TConfigNode& Section);

}  // namespace kxtapi::service::sip
