// Feeds arbitrary bytes to the telephony configuration reader: it must
// accept them or refuse them with a TConfigError, never crash, and a refusal
// must never quote the value of a "password" key.

#include "service/config/config_error.h"
#include "service/config/telephony_config.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// The password values of a document, where it parses.
void Passwords(const nlohmann::json& j, std::vector<std::string>& Out)
{
    if (j.is_object()) {
        for (auto it = j.begin(); it != j.end(); ++it) {
            if (it.key() == "password" && it->is_string() && it->get<std::string>().size() >= 4)
                Out.push_back(it->get<std::string>());
            Passwords(*it, Out);
        }
    } else if (j.is_array()) {
        for (const auto& e : j) Passwords(e, Out);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    std::string Text(reinterpret_cast<const char*>(Data), Size);
    try {
        kxtapi::service::ParseTelephonyConfig(Text);
    } catch (const kxtapi::service::TConfigError& e) {
        std::string Message = e.what();
        if (Message.empty()) __builtin_trap();
        nlohmann::json j = nlohmann::json::parse(Text, nullptr, false);
        std::vector<std::string> Secrets;
        if (!j.is_discarded()) Passwords(j, Secrets);
        for (const std::string& s : Secrets)
            if (Message.find(s) != std::string::npos) __builtin_trap();
    }
    return 0;
}
