#include "service/providers/modem/modem_config.h"

#include <cctype>
#include <cstdint>
#include <limits>
#include <set>

namespace kxtapi::service::modem {

namespace {

using nlohmann::json;
using kxtapi::modem::TModemConfig;

constexpr uint32_t MaxDevices = 64;
constexpr uint32_t MaxInitCommands = 32;
constexpr size_t MaxCommandLength = 60;   // what a modem's command buffer holds

// Fails a key once; later failures keep the first text.
struct TReader {
    const json& J;
    std::string P;
    std::string& E;

    bool Failed() const { return !E.empty(); }
    void Fail(const std::string& Key, const std::string& What)
    {
        if (E.empty()) E = P + (Key.empty() ? "" : "." + Key) + ": " + What;
    }
    const json* Find(const char* Key) const
    {
        auto it = J.find(Key);
        return it == J.end() ? nullptr : &*it;
    }
    void String(const char* Key, std::string& Out, bool Required)
    {
        const json* v = Find(Key);
        if (!v) {
            if (Required) Fail(Key, "missing");
            return;
        }
        if (!v->is_string() || v->get_ref<const std::string&>().empty()) {
            Fail(Key, "expected a non-empty string");
            return;
        }
        Out = v->get<std::string>();
    }
    void Number(const char* Key, uint32_t& Out, uint32_t Low, uint32_t High)
    {
        const json* v = Find(Key);
        if (!v) return;
        if (!v->is_number_integer() && !v->is_number_unsigned()) {
            Fail(Key, "expected a whole number");
            return;
        }
        int64_t n = v->is_number_unsigned() && v->get<uint64_t>() > uint64_t(std::numeric_limits<int64_t>::max())
                        ? std::numeric_limits<int64_t>::max()
                        : v->get<int64_t>();
        if (n < int64_t(Low) || n > int64_t(High)) {
            Fail(Key, "expected a number from " + std::to_string(Low) + " to " + std::to_string(High));
            return;
        }
        Out = static_cast<uint32_t>(n);
    }
    void Bool(const char* Key, bool& Out)
    {
        const json* v = Find(Key);
        if (!v) return;
        if (!v->is_boolean()) {
            Fail(Key, "expected true or false");
            return;
        }
        Out = v->get<bool>();
    }
};

// A command the provider may send as it stands: AT and printable text, so
// that nothing in the file can smuggle line ends or control bytes.
bool PlausibleCommand(const std::string& c)
{
    if (c.size() < 2 || c.size() > MaxCommandLength) return false;
    if (std::toupper(static_cast<unsigned char>(c[0])) != 'A' || std::toupper(static_cast<unsigned char>(c[1])) != 'T')
        return false;
    for (char ch : c)
        if (static_cast<unsigned char>(ch) < 0x20 || static_cast<unsigned char>(ch) >= 0x7F) return false;
    return true;
}

void ReadDevice(const json& j, const std::string& Path, TModemConfig& d, std::string& Error)
{
    if (!j.is_object()) {
        Error = Path + ": expected an object";
        return;
    }
    static const std::set<std::string> Known = {
        "line_name", "port", "speed", "init", "voice", "country", "command_timeout", "connect_timeout",
        "retry_interval", "ring_timeout", "keepalive", "escape_guard", "dtr_drop"};
    TReader r{j, Path, Error};
    for (auto it = j.begin(); it != j.end(); ++it)
        if (!Known.count(it.key())) r.Fail(it.key(), "unknown key");
    r.String("line_name", d.LineName, true);
    r.String("port", d.Port, true);
    r.Number("speed", d.Speed, 300, 4000000);
    r.Bool("voice", d.Voice);
    if (const json* c = r.Find("country")) {
        uint8_t Code = 0;
        if (!c->is_string() || !kxtapi::modem::CountryToT35(c->get<std::string>(), Code))
            r.Fail("country", "expected a two-letter country code this library knows (\"US\", \"DE\" ...)");
        else
            d.Country = c->get<std::string>();
    }
    if (const json* i = r.Find("init")) {
        if (!i->is_array() || i->size() > MaxInitCommands) {
            r.Fail("init", "expected an array of at most " + std::to_string(MaxInitCommands) + " commands");
        } else {
            for (size_t n = 0; n < i->size() && !r.Failed(); ++n) {
                const json& c = (*i)[n];
                if (!c.is_string() || !PlausibleCommand(c.get<std::string>()))
                    r.Fail("init[" + std::to_string(n) + "]",
                           "expected a command starting with AT, printable, at most 60 characters");
                else
                    d.Init.push_back(c.get<std::string>());
            }
        }
    }
    r.Number("command_timeout", d.CommandTimeout, 10, 600000);
    r.Number("connect_timeout", d.ConnectTimeout, 10, 600000);
    r.Number("retry_interval", d.RetryInterval, 10, 3600000);
    r.Number("ring_timeout", d.RingTimeout, 10, 600000);
    r.Number("keepalive", d.KeepAlive, 0, 3600000);
    r.Number("escape_guard", d.EscapeGuard, 20, 10000);
    r.Number("dtr_drop", d.DtrDrop, 10, 10000);
}

}  // namespace

bool ReadModemSection(const json& Section, const std::string& Path, std::vector<TModemConfig>& Devices,
                      std::string& Error)
{
    Error.clear();
    if (!Section.is_object()) {
        Error = Path + ": expected an object";
        return false;
    }
    for (auto it = Section.begin(); it != Section.end(); ++it)
        if (it.key() != "devices") {
            Error = Path + "." + it.key() + ": unknown key";
            return false;
        }
    auto d = Section.find("devices");
    if (d == Section.end()) {
        Error = Path + ".devices: missing";
        return false;
    }
    if (!d->is_array() || d->size() > MaxDevices) {
        Error = Path + ".devices: expected an array of at most " + std::to_string(MaxDevices) + " modems";
        return false;
    }
    std::vector<TModemConfig> Out;
    std::set<std::string> Names, Ports;
    for (size_t i = 0; i < d->size(); ++i) {
        std::string Where = Path + ".devices[" + std::to_string(i) + "]";
        TModemConfig c;
        ReadDevice((*d)[i], Where, c, Error);
        if (!Error.empty()) return false;
        if (!Names.insert(c.LineName).second) {
            Error = Where + ".line_name: \"" + c.LineName + "\" names another modem too";
            return false;
        }
        if (!Ports.insert(c.Port).second) {
            Error = Where + ".port: \"" + c.Port + "\" is another modem's port";
            return false;
        }
        Out.push_back(std::move(c));
    }
    Devices = std::move(Out);
    return true;
}

}  // namespace kxtapi::service::modem
