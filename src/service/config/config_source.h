// Where the telephony configuration comes from: what a program set, the
// KXTAPI_CONFIG environment variable, or the user's configuration directory.
#pragma once

#include <string>

namespace kxtapi::service {

struct TConfigText {
    /// A file path, "configuration text", or empty when there is none.
    std::string Source;
    std::string Text;
};

/// The configuration the next start uses. Throws TConfigError (with an
/// empty key) when the chosen file cannot be read.
TConfigText ReadConfigText();

/// The source ReadConfigText would read, without reading it.
std::string ConfigSourceName();

}  // namespace kxtapi::service
