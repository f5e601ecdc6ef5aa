#include "service/config/telephony_config.h"

#include "service/config/config_reader.h"
#include "service/config/config_sections.h"
#include "service/config/config_source.h"

#include <nlohmann/json.hpp>

namespace kxtapi::service {

namespace {

// Line and column of a byte offset, both counted from 1. The parser's own
// message is not used: it quotes the text around the fault, which may be a
// password.
std::string Position(const std::string& Text, size_t Byte)
{
    size_t Line = 1, Column = 1;
    for (size_t i = 0; i + 1 < Byte && i < Text.size(); ++i) {
        if (Text[i] == '\n') {
            ++Line;
            Column = 1;
        } else {
            ++Column;
        }
    }
    return "line " + std::to_string(Line) + ", column " + std::to_string(Column);
}

}  // namespace

TTelephonyConfig ParseTelephonyConfig(const std::string& Text)
{
    nlohmann::json j;
    try {
        j = nlohmann::json::parse(Text);
    } catch (const nlohmann::json::parse_error& e) {
        throw TConfigError("", "malformed JSON at " + Position(Text, e.byte));
    } catch (const nlohmann::json::exception&) {
        // A number too large for a double: the reader says where no more.
        throw TConfigError("", "malformed JSON: a number is out of range");
    }
    if (!j.is_object()) throw TConfigError("", "must hold a JSON object");
    TConfigNode Root(j, "");
    TTelephonyConfig c;
    c.SimulatedSwitch = Root.Bool("simulated_switch", true);
    for (const TConfigSection& s : ConfigSections()) {
        std::optional<TConfigNode> Section = Root.Object(s.Key);
        if (!Section) continue;
        if (std::shared_ptr<TProvider> p = s.Read(*Section)) c.Providers.push_back(std::move(p));
    }
    return c;
}

bool LoadTelephonyConfig(TTelephonyConfig& Out, std::string& Error)
{
    std::string Source = ConfigSourceName();
    try {
        TConfigText t = ReadConfigText();
        Source = t.Source;
        if (t.Source.empty()) {
            Out = TTelephonyConfig{};
            return true;
        }
        TTelephonyConfig c = ParseTelephonyConfig(t.Text);
        c.Source = t.Source;
        Out = std::move(c);
        return true;
    } catch (const TConfigError& e) {
        Error = e.Text(Source);
    } catch (const std::exception&) {
        // Out of memory, say; the text of a library's exception could
        // quote a value.
        Error = Source + ": cannot be read";
    }
    return false;
}

}  // namespace kxtapi::service
