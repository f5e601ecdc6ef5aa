// Typed access to one JSON object of the telephony configuration. Every
// failure names the key's full path; values are never quoted in the text,
// since a value may be a password.
//
// Keys a reader does not ask for are ignored, so a file written for a newer
// version still loads.
#pragma once

#include "service/config/config_error.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kxtapi::service {

class TConfigNode {
public:
    /// Value must outlive the node. Throws when Value is not an object.
    TConfigNode(const nlohmann::json& Value, std::string Path);

    const std::string& Path() const noexcept { return FPath; }
    bool Has(const char* Key) const;
    /// The path of a key of this object ("sip.accounts[0]" + "user").
    std::string KeyPath(const char* Key) const;

    // Absent keys give the default (or nullopt); a key of the wrong type,
    // a number out of range or an empty required text throws.
    std::optional<std::string> String(const char* Key) const;
    std::string String(const char* Key, const std::string& Default) const;
    std::string RequiredString(const char* Key) const;
    bool Bool(const char* Key, bool Default) const;
    int64_t Integer(const char* Key, int64_t Min, int64_t Max, int64_t Default) const;
    std::vector<std::string> StringList(const char* Key, const std::vector<std::string>& Default) const;
    /// The objects of an array key, each with its path; empty when absent.
    std::vector<TConfigNode> Objects(const char* Key) const;
    /// A member object, or nullopt when absent.
    std::optional<TConfigNode> Object(const char* Key) const;

    /// Throws TConfigError for Key of this object.
    [[noreturn]] void Fail(const char* Key, const std::string& Problem) const;

private:
    const nlohmann::json* Member(const char* Key) const;

    const nlohmann::json* FValue;
    std::string FPath;
};

}  // namespace kxtapi::service
