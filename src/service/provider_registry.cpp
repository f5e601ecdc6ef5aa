#include "service/provider_registry.h"

#include "service/providers/sim/sim_provider.h"
#include "service/service.h"
#include "service/service_lock.h"

namespace kxtapi::service {

namespace {

// Guarded by the service lock.
std::vector<std::shared_ptr<TProvider>>& List()
{
    static std::vector<std::shared_ptr<TProvider>>* l = [] {
        auto* v = new std::vector<std::shared_ptr<TProvider>>;
        v->push_back(EmbeddedSimProvider());
        return v;
    }();
    return *l;
}

}  // namespace

bool RegisterProvider(std::shared_ptr<TProvider> Provider)
{
    if (!Provider) return false;
    TServiceLock Lock;
    for (const auto& p : List())
        if (p->Name() == Provider->Name()) return false;
    List().push_back(Provider);
    TService& s = Service();
    if (s.Running) Provider->Init(s);
    return true;
}

bool UnregisterProvider(const std::string& Name)
{
    TServiceLock Lock;
    auto& l = List();
    for (auto it = l.begin(); it != l.end(); ++it) {
        if ((*it)->Name() != Name) continue;
        std::shared_ptr<TProvider> p = *it;
        l.erase(it);
        if (Service().Running) p->Close();
        return true;
    }
    return false;
}

std::vector<std::shared_ptr<TProvider>> RegisteredProviders()
{
    TServiceLock Lock;
    return List();
}

std::shared_ptr<TProvider> FindProvider(const std::string& Name)
{
    TServiceLock Lock;
    for (const auto& p : List())
        if (p->Name() == Name) return p;
    return nullptr;
}

}  // namespace kxtapi::service
