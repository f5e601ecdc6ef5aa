#include "service/providers/sim/sim_provider.h"

#include "service/providers/sim/sim_world.h"

namespace kxtapi::service {

namespace {

class TSimProvider final : public TProvider {
public:
    std::string Name() const override { return "sim"; }

    void Init(TProviderHost& Host) override
    {
        simulated::TSimWorld& w = simulated::World();
        w.Host = &Host;
        for (const auto& l : w.Lines)
            if (l) Host.AddLine(l);
        for (const auto& p : w.Phones)
            if (p) Host.AddPhone(p);
    }

    void Close() noexcept override
    {
        simulated::TSimWorld& w = simulated::World();
        if (!w.Host) return;
        for (const auto& l : w.Lines) {
            if (!l) continue;
            w.Host->RemoveLine(l.get());
            l->Opened = false;
        }
        for (const auto& p : w.Phones) {
            if (!p) continue;
            w.Host->RemovePhone(p.get());
            p->Opened = false;
        }
        w.Host = nullptr;
    }
};

}  // namespace

std::shared_ptr<TProvider> EmbeddedSimProvider()
{
    static std::shared_ptr<TProvider> p = std::make_shared<TSimProvider>();
    return p;
}

}  // namespace kxtapi::service
