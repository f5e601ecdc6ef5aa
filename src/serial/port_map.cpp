#include "kxtapi/serial/ports.h"

#include "kxtapi/serial/simulated.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

namespace kxtapi {

namespace {

std::string_view TrimView(std::string_view S)
{
    while (!S.empty() && std::isspace(static_cast<unsigned char>(S.front()))) S.remove_prefix(1);
    while (!S.empty() && std::isspace(static_cast<unsigned char>(S.back()))) S.remove_suffix(1);
    return S;
}

std::string ReadFile(const std::filesystem::path& P)
{
    std::ifstream in(P);
    if (!in) return {};
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

/// Splits "ttyUSB12" into ("ttyUSB", 12) for natural ordering.
std::pair<std::string, long> SplitTrailingNumber(const std::string& Name)
{
    size_t i = Name.size();
    while (i > 0 && std::isdigit(static_cast<unsigned char>(Name[i - 1]))) --i;
    if (i == Name.size() || Name.size() - i > 9) return {Name, -1};
    return {Name.substr(0, i), std::stol(Name.substr(i))};
}

bool IsVirtualConsole(const std::string& Name)
{
    if (Name == "tty" || Name == "console" || Name == "ptmx") return true;
    if (Name.rfind("tty", 0) != 0 || Name.size() == 3) return false;
    return std::all_of(Name.begin() + 3, Name.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

std::mutex& SimMutex()
{
    static std::mutex m;
    return m;
}

std::map<uint32_t, std::shared_ptr<TSimulatedPair>>& SimPorts()
{
    static std::map<uint32_t, std::shared_ptr<TSimulatedPair>> ports;
    return ports;
}

} // namespace

uint32_t ComPortNumber(std::string_view Name) noexcept
{
    Name = TrimView(Name);
    if (Name.size() < 4 || Name.size() > 7) return 0;
    for (size_t i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(Name[i])) != "COM"[i]) return 0;
    uint32_t n = 0;
    for (char c : Name.substr(3)) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return 0;
        n = n * 10 + static_cast<uint32_t>(c - '0');
    }
    return n >= 1 && n <= 9999 ? n : 0;
}

void TComPortMap::Set(std::string_view Name, std::string_view Path)
{
    const uint32_t n = ComPortNumber(Name);
    if (n == 0) return;
    Path = TrimView(Path);
    if (Path.empty()) FPaths.erase(n);
    else FPaths[n] = std::string(Path);
}

std::string TComPortMap::Path(std::string_view Name) const
{
    const auto it = FPaths.find(ComPortNumber(Name));
    return it == FPaths.end() ? std::string() : it->second;
}

std::vector<std::string> TComPortMap::Names() const
{
    std::vector<std::string> out;
    out.reserve(FPaths.size());
    for (const auto& [n, path] : FPaths) out.push_back("COM" + std::to_string(n));
    return out;
}

void TComPortMap::AddConf(std::string_view Text)
{
    while (!Text.empty()) {
        const size_t eol = Text.find('\n');
        std::string_view line = Text.substr(0, eol);
        Text = eol == std::string_view::npos ? std::string_view() : Text.substr(eol + 1);
        if (const size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        Set(line.substr(0, eq), line.substr(eq + 1));
    }
}

void TComPortMap::AddEnv(std::string_view Text)
{
    while (!Text.empty()) {
        const size_t comma = Text.find(',');
        const std::string_view item = Text.substr(0, comma);
        Text = comma == std::string_view::npos ? std::string_view() : Text.substr(comma + 1);
        const size_t eq = item.find('=');
        if (eq != std::string_view::npos) Set(item.substr(0, eq), item.substr(eq + 1));
    }
}

void TComPortMap::AddDefaults(const std::string& SysClassTty, const std::string& DevDir)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    std::vector<std::string> uarts, others;
    for (const auto& entry : fs::directory_iterator(SysClassTty, ec)) {
        const std::string name = entry.path().filename().string();
        if (IsVirtualConsole(name)) continue;
        // Only devices with hardware behind them; pseudo-terminals and
        // virtual consoles have none.
        if (!fs::exists(entry.path() / "device", ec)) continue;
        if (name.rfind("ttyS", 0) == 0 && SplitTrailingNumber(name).second >= 0) {
            // An 8250 port slot without a UART reports type 0.
            const std::string type(TrimView(ReadFile(entry.path() / "type")));
            if (type.empty() || type == "0") continue;
            uarts.push_back(name);
        } else {
            others.push_back(name);
        }
    }
    uint32_t next = 1;
    for (const auto& name : uarts) {
        const uint32_t n = static_cast<uint32_t>(SplitTrailingNumber(name).second) + 1;
        if (n > 9999) continue;
        FPaths[n] = DevDir + "/" + name;
        next = std::max(next, n + 1);
    }
    std::sort(others.begin(), others.end(), [](const std::string& A, const std::string& B) {
        return SplitTrailingNumber(A) < SplitTrailingNumber(B);
    });
    for (const auto& name : others) {
        while (FPaths.count(next)) ++next;
        if (next > 9999) break;
        FPaths[next++] = DevDir + "/" + name;
    }
}

TComPortMap TComPortMap::Current()
{
    TComPortMap map;
    map.AddDefaults("/sys/class/tty");
    std::filesystem::path conf;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (xdg && xdg[0] == '/') conf = std::filesystem::path(xdg) / "kxtapi" / "ports.conf";
    else if (home && home[0]) conf = std::filesystem::path(home) / ".config" / "kxtapi" / "ports.conf";
    if (!conf.empty()) map.AddConf(ReadFile(conf));
    if (const char* env = std::getenv("KXTAPI_PORTS")) map.AddEnv(env);
    return map;
}

void MapSimulatedPort(std::string_view Name, std::shared_ptr<TSimulatedPair> Pair)
{
    const uint32_t n = ComPortNumber(Name);
    if (n == 0) return;
    std::lock_guard<std::mutex> L(SimMutex());
    if (Pair) SimPorts()[n] = std::move(Pair);
    else SimPorts().erase(n);
}

std::shared_ptr<TSimulatedPair> SimulatedPort(std::string_view Name)
{
    std::lock_guard<std::mutex> L(SimMutex());
    const auto it = SimPorts().find(ComPortNumber(Name));
    return it == SimPorts().end() ? nullptr : it->second;
}

std::vector<std::string> EnumComPorts()
{
    std::vector<uint32_t> numbers;
    for (const auto& name : TComPortMap::Current().Names()) numbers.push_back(ComPortNumber(name));
    {
        std::lock_guard<std::mutex> L(SimMutex());
        for (const auto& [n, pair] : SimPorts()) numbers.push_back(n);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    std::vector<std::string> out;
    for (uint32_t n : numbers) out.push_back("COM" + std::to_string(n));
    return out;
}

} // namespace kxtapi
