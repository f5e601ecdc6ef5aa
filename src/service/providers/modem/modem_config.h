// The "modem" key of the telephony configuration file.
#pragma once

#include "service/config/config_reader.h"
#include "service/provider.h"

#include "kxtapi/modem/config.h"

#include <memory>
#include <vector>

namespace kxtapi::service::modem {

/// Reads the modems of Section ({"devices": [...]}). Throws TConfigError
/// naming the key ("modem.devices[1].speed: must be between 300 and
/// 4000000"). Keys it does not know are ignored, as everywhere in the file.
std::vector<kxtapi::modem::TModemConfig> ReadModemDevices(const TConfigNode& Section);

/// Builds the provider of the modems Section lists (not started); null when
/// it lists none.
std::shared_ptr<TProvider> ReadModemSection(const TConfigNode& Section);

}  // namespace kxtapi::service::modem
