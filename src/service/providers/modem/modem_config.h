// Reading the "modem" section of the telephony configuration file.
#pragma once

#include "kxtapi/modem/config.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace kxtapi::service::modem {

/// Reads Section (the value of the "modem" key) into Devices. Path names the
/// section in error texts ("modem"). On failure returns false with Error
/// set to "<path>.<key>: <what is wrong>" and Devices unchanged.
bool ReadModemSection(const nlohmann::json& Section, const std::string& Path,
                      std::vector<kxtapi::modem::TModemConfig>& Devices, std::string& Error);

}  // namespace kxtapi::service::modem
