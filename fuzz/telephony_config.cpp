// Feeds arbitrary bytes to the telephony configuration reader: it must
// accept them or refuse them with a TConfigError, never crash, and a refusal
// must never quote the value of a "password" key. A password may be a piece
// of the refusal's own words ("such a" in "such as"): it leaks only where
// the refusal of the same document with every password changed no longer
// holds it.

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

// The document with every password replaced by one of the same length that
// differs from it in every character.
void MaskPasswords(nlohmann::json& j)
{
    if (j.is_object()) {
        for (auto it = j.begin(); it != j.end(); ++it) {
            if (it.key() == "password" && it->is_string()) {
                std::string p = it->get<std::string>();
                for (char& c : p) c = c == 'q' ? 'z' : 'q';
                *it = p;
            }
            MaskPasswords(*it);
        }
    } else if (j.is_array()) {
        for (auto& e : j) MaskPasswords(e);
    }
}

std::string Refusal(const std::string& Text)
{
    try {
        kxtapi::service::ParseTelephonyConfig(Text);
    } catch (const kxtapi::service::TConfigError& e) {
        return e.what();
    }
    return {};
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
        if (j.is_discarded()) return 0;
        std::vector<std::string> Secrets;
        Passwords(j, Secrets);
        nlohmann::json Masked = j;
        MaskPasswords(Masked);
        const std::string Plain = Refusal(j.dump());
        const std::string Other = Refusal(Masked.dump());
        for (const std::string& s : Secrets)
            if (Message.find(s) != std::string::npos && Plain.find(s) != std::string::npos &&
                Other.find(s) == std::string::npos)
                __builtin_trap();
    }
    return 0;
}
