// The error of a telephony configuration that cannot be used: which key is
// wrong and why. The text never quotes a password.
#pragma once

#include <stdexcept>
#include <string>

namespace kxtapi::service {

class TConfigError : public std::runtime_error {
public:
    /// Key is the path of the offending key ("sip.accounts[0].registrar"),
    /// empty for the file as a whole.
    TConfigError(std::string AKey, std::string AProblem)
        : std::runtime_error(AKey.empty() ? AProblem : AKey + ": " + AProblem),
          Key(std::move(AKey)),
          Problem(std::move(AProblem))
    {
    }

    /// The text the session reports: "SOURCE: KEY: PROBLEM".
    std::string Text(const std::string& Source) const { return Source + ": " + what(); }

    std::string Key;
    std::string Problem;
};

}  // namespace kxtapi::service
