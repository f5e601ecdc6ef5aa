#include "service/config/config_source.h"

#include "kxtapi/tapi/config.h"
#include "service/config/config_error.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <sys/stat.h>

namespace kxtapi::service {

namespace {

// A configuration file larger than this is not a telephony configuration;
// refusing it keeps a wrong path (a device, a log) from being read whole.
constexpr std::streamoff MaxConfigSize = 4 * 1024 * 1024;

constexpr const char* TextSourceName = "configuration text";

struct TOverride {
    bool IsText = false;
    std::string Value;   // path or JSON text
};

std::mutex& OverrideMutex()
{
    static std::mutex* m = new std::mutex;
    return *m;
}

// Guarded by OverrideMutex().
std::optional<TOverride>& Override()
{
    static std::optional<TOverride>* o = new std::optional<TOverride>;
    return *o;
}

bool FileExists(const std::string& Path)
{
    struct stat st {};
    return ::stat(Path.c_str(), &st) == 0;
}

// The file the environment names, or "" for none.
std::string EnvironmentPath()
{
    if (const char* p = std::getenv("KXTAPI_CONFIG")) return p;
    std::string Dir;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) Dir = x;
    else if (const char* h = std::getenv("HOME"); h && *h) Dir = std::string(h) + "/.config";
    else return {};
    std::string Path = Dir + "/kxtapi/telephony.json";
    return FileExists(Path) ? Path : std::string();
}

std::string ReadFile(const std::string& Path)
{
    std::ifstream f(Path, std::ios::binary);
    if (!f) {
        int e = errno;
        throw TConfigError("", std::string("cannot be read: ") + std::strerror(e ? e : ENOENT));
    }
    struct stat st {};
    if (::stat(Path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) throw TConfigError("", "is a directory, not a file");
    std::ostringstream s;
    char Buffer[65536];
    std::streamoff Total = 0;
    while (f.read(Buffer, sizeof Buffer) || f.gcount() > 0) {
        Total += f.gcount();
        if (Total > MaxConfigSize) throw TConfigError("", "is larger than 4 MiB");
        s.write(Buffer, f.gcount());
    }
    if (f.bad()) throw TConfigError("", "cannot be read");
    return s.str();
}

}  // namespace

TConfigText ReadConfigText()
{
    std::optional<TOverride> o;
    {
        std::lock_guard<std::mutex> l(OverrideMutex());
        o = Override();
    }
    if (o && o->IsText) return {TextSourceName, o->Value};
    std::string Path = o ? o->Value : EnvironmentPath();
    if (Path.empty()) return {};
    return {Path, ReadFile(Path)};
}

std::string ConfigSourceName()
{
    std::lock_guard<std::mutex> l(OverrideMutex());
    if (Override()) return Override()->IsText ? TextSourceName : Override()->Value;
    return EnvironmentPath();
}

}  // namespace kxtapi::service

namespace kxtapi {

void SetTelephonyConfigFile(const std::string& Path)
{
    std::lock_guard<std::mutex> l(service::OverrideMutex());
    service::Override() = service::TOverride{false, Path};
}

void SetTelephonyConfigText(const std::string& Json)
{
    std::lock_guard<std::mutex> l(service::OverrideMutex());
    service::Override() = service::TOverride{true, Json};
}

void UseDefaultTelephonyConfig()
{
    std::lock_guard<std::mutex> l(service::OverrideMutex());
    service::Override().reset();
}

std::string TelephonyConfigSource()
{
    return service::ConfigSourceName();
}

}  // namespace kxtapi
