#include "service/providers/modem/modem_config.h"

#include "service/providers/modem/modem_provider.h"

#include <cctype>
#include <set>

namespace kxtapi::service::modem {

namespace {

using kxtapi::modem::TModemConfig;

constexpr size_t MaxDevices = 64;
constexpr size_t MaxInitCommands = 32;
constexpr size_t MaxCommandLength = 60;   // what a modem's command buffer holds

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

uint32_t Time(const TConfigNode& n, const char* Key, int64_t Min, int64_t Max, uint32_t Default)
{
    return static_cast<uint32_t>(n.Integer(Key, Min, Max, Default));
}

TModemConfig ReadDevice(const TConfigNode& n)
{
    TModemConfig d;
    d.LineName = n.RequiredString("line_name");
    d.Port = n.RequiredString("port");
    d.Speed = static_cast<uint32_t>(n.Integer("speed", 300, 4000000, d.Speed));
    d.Voice = n.Bool("voice", d.Voice);
    if (std::optional<std::string> c = n.String("country")) {
        uint8_t Code = 0;
        if (!kxtapi::modem::CountryToT35(*c, Code))
            n.Fail("country", "must be a two-letter country code known here (US, GB, DE ...)");
        d.Country = *c;
    }
    d.Init = n.StringList("init", {});
    if (d.Init.size() > MaxInitCommands) n.Fail("init", "must hold at most 32 commands");
    for (size_t i = 0; i < d.Init.size(); ++i)
        if (!PlausibleCommand(d.Init[i]))
            throw TConfigError(n.KeyPath("init") + "[" + std::to_string(i) + "]",
                               "must be a command starting with AT, printable, at most 60 characters");
    d.CommandTimeout = Time(n, "command_timeout", 10, 600000, d.CommandTimeout);
    d.ConnectTimeout = Time(n, "connect_timeout", 10, 600000, d.ConnectTimeout);
    d.RetryInterval = Time(n, "retry_interval", 10, 3600000, d.RetryInterval);
    d.RingTimeout = Time(n, "ring_timeout", 10, 600000, d.RingTimeout);
    d.KeepAlive = Time(n, "keepalive", 0, 3600000, d.KeepAlive);
    d.EscapeGuard = Time(n, "escape_guard", 20, 10000, d.EscapeGuard);
    d.DtrDrop = Time(n, "dtr_drop", 10, 10000, d.DtrDrop);
    return d;
}

}  // namespace

std::vector<TModemConfig> ReadModemDevices(const TConfigNode& Section)
{
    std::vector<TConfigNode> Nodes = Section.Objects("devices");
    if (Nodes.size() > MaxDevices) Section.Fail("devices", "must list at most 64 modems");
    std::vector<TModemConfig> Out;
    std::set<std::string> Names, Ports;
    for (const TConfigNode& n : Nodes) {
        TModemConfig c = ReadDevice(n);
        if (!Names.insert(c.LineName).second) n.Fail("line_name", "names another modem too");
        if (!Ports.insert(c.Port).second) n.Fail("port", "is another modem's port");
        Out.push_back(std::move(c));
    }
    return Out;
}

std::shared_ptr<TProvider> ReadModemSection(const TConfigNode& Section)
{
    std::vector<TModemConfig> Devices = ReadModemDevices(Section);
    if (Devices.empty()) return nullptr;
    return MakeModemProvider(std::move(Devices));
}

}  // namespace kxtapi::service::modem
