#include "service/providers/modem/modem_provider.h"

#include "service/provider_registry.h"
#include "service/providers/modem/modem_config.h"
#include "service/service_lock.h"

#include <algorithm>
#include <cctype>
#include <mutex>

namespace kxtapi::service::modem {

namespace {

using kxtapi::modem::TModemConfig;

class TModemProvider final : public TProvider {
public:
    explicit TModemProvider(std::vector<TModemConfig> Devices) : FDevices(std::move(Devices)) {}

    std::string Name() const override { return "modem"; }

    void Init(TProviderHost& Host) override
    {
        FHost = &Host;
        Running().push_back(this);
        for (size_t i = 0; i < FDevices.size(); ++i) {
            // Stable across runs for the same list: the position in it.
            auto l = std::make_shared<TModemLine>(FDevices[i], 0x4D440000u + static_cast<uint32_t>(i));
            FLines.push_back(l);
            Host.AddLine(l);
            l->Attach(Host);
        }
    }

    void Close() noexcept override
    {
        if (!FHost) return;
        for (const auto& l : FLines) {
            FHost->RemoveLine(l.get());
            l->Detach();
        }
        FLines.clear();
        FHost = nullptr;
        auto& r = Running();
        r.erase(std::remove(r.begin(), r.end(), this), r.end());
    }

    const std::vector<std::shared_ptr<TModemLine>>& Lines() const { return FLines; }

    /// The providers started and not closed; guarded by the service lock.
    static std::vector<TModemProvider*>& Running()
    {
        static auto* v = new std::vector<TModemProvider*>;
        return *v;
    }

private:
    std::vector<TModemConfig> FDevices;
    std::vector<std::shared_ptr<TModemLine>> FLines;   // guarded by the service lock
    TProviderHost* FHost = nullptr;
};

std::mutex& ConfigMutex()
{
    static std::mutex* m = new std::mutex;
    return *m;
}

std::vector<TModemConfig>& Configured()
{
    static auto* v = new std::vector<TModemConfig>;
    return *v;
}

}  // namespace

std::shared_ptr<TProvider> MakeModemProvider(std::vector<TModemConfig> Devices)
{
    return std::make_shared<TModemProvider>(std::move(Devices));
}

std::shared_ptr<TModemLine> RunningModemLine(size_t Index)
{
    for (TModemProvider* p : TModemProvider::Running()) {
        if (Index < p->Lines().size()) return p->Lines()[Index];
        Index -= p->Lines().size();
    }
    return nullptr;
}

}  // namespace kxtapi::service::modem

namespace kxtapi::modem {

void SetModemDevices(const std::vector<TModemConfig>& Devices)
{
    {
        std::lock_guard<std::mutex> L(service::modem::ConfigMutex());
        service::modem::Configured() = Devices;
    }
    service::UnregisterProvider("modem");
    if (!Devices.empty()) service::RegisterProvider(std::make_shared<service::modem::TModemProvider>(Devices));
}

std::vector<TModemConfig> ModemDevices()
{
    std::lock_guard<std::mutex> L(service::modem::ConfigMutex());
    return service::modem::Configured();
}

bool ParseModemConfig(std::string_view Json, std::vector<TModemConfig>& Devices, std::string* Error)
{
    std::string e;
    nlohmann::json j = nlohmann::json::parse(Json.begin(), Json.end(), nullptr, false);
    if (j.is_discarded()) {
        e = "modem: malformed JSON";
    } else {
        try {
            Devices = service::modem::ReadModemDevices(service::TConfigNode(j, "modem"));
            return true;
        } catch (const service::TConfigError& x) {
            e = x.what();
        }
    }
    if (Error) *Error = e;
    return false;
}

bool CountryToT35(std::string_view Iso, uint8_t& Code)
{
    static constexpr struct {
        char Iso[3];
        uint8_t T35;
    } Table[] = {
        {"AT", 0x0A}, {"AU", 0x09}, {"BE", 0x0F}, {"BR", 0x16}, {"CA", 0x20}, {"CH", 0xA6}, {"CN", 0x26},
        {"DE", 0x04}, {"DK", 0x31}, {"ES", 0xA0}, {"FI", 0x3C}, {"FR", 0x3D}, {"GB", 0xB4}, {"GR", 0x46},
        {"HK", 0x50}, {"HU", 0x51}, {"IE", 0x57}, {"IL", 0x58}, {"IN", 0x53}, {"IT", 0x59}, {"JP", 0x00},
        {"KR", 0x61}, {"MX", 0x73}, {"MY", 0x6C}, {"NL", 0x7B}, {"NO", 0x82}, {"NZ", 0x7E}, {"PL", 0x8A},
        {"PT", 0x8B}, {"RU", 0xB8}, {"SE", 0xA5}, {"SG", 0x9C}, {"TW", 0xFE}, {"US", 0xB5}, {"ZA", 0x9F},
    };
    if (Iso.size() != 2) return false;
    char a = static_cast<char>(std::toupper(static_cast<unsigned char>(Iso[0])));
    char b = static_cast<char>(std::toupper(static_cast<unsigned char>(Iso[1])));
    for (const auto& e : Table)
        if (e.Iso[0] == a && e.Iso[1] == b) {
            Code = e.T35;
            return true;
        }
    return false;
}

}  // namespace kxtapi::modem
