#include "service/providers/sip/ua/sip_provider.h"

#include "service/providers/sip/ua/sip_context.h"
#include "service/providers/sip/ua/sip_line.h"
#include "service/providers/sip/ua/sip_ua.h"

namespace kxtapi::service::sip {

namespace {

// How long stopping waits for un-REGISTERs and BYEs to be answered: peers
// that are gone would otherwise hold the service for half a minute.
constexpr std::chrono::milliseconds ShutdownGuard{2000};

class TSipProvider final : public TProvider {
public:
    explicit TSipProvider(std::vector<TSipAccount> Accounts) : FAccounts(std::move(Accounts)) {}
    ~TSipProvider() override { Close(); }

    std::string Name() const override { return "sip"; }

    void Init(TProviderHost& Host) override
    {
        Close();
        std::vector<std::shared_ptr<TSipLine>> Lines;
        for (size_t i = 0; i < FAccounts.size(); ++i)
            Lines.push_back(std::make_shared<TSipLine>(FCtx, FAccounts[i], 0x53495000u + static_cast<uint32_t>(i)));
        // The user agents are made, started and released on the libre
        // thread; a listen address that cannot be had fails the start.
        FCtx.Engine.Start(
            [this, &Lines] {
                for (size_t i = 0; i < Lines.size(); ++i) {
                    auto Ua = std::make_unique<TSipUa>(FCtx, FAccounts[i], Lines[i]);
                    Ua->Start();
                    Lines[i]->Ua = Ua.get();
                    FUas.push_back(std::move(Ua));
                }
            },
            [this] { FUas.clear(); });
        FCtx.Host = &Host;
        FLines = std::move(Lines);
        for (const auto& l : FLines) Host.AddLine(l);
    }

    void Close() noexcept override
    {
        if (!FCtx.Engine.Running()) return;
        FCtx.Engine.Stop(
            [this](std::function<void()> Done) {
                auto Left = std::make_shared<size_t>(FUas.size());
                if (*Left == 0) Done();
                for (auto& Ua : FUas)
                    Ua->Shutdown([Left, Done] {
                        if (--*Left == 0) Done();
                    });
            },
            ShutdownGuard);
        if (FCtx.Host)
            for (const auto& l : FLines) FCtx.Host->RemoveLine(l.get());
        FCtx.Host = nullptr;
        FLines.clear();
    }

private:
    const std::vector<TSipAccount> FAccounts;
    TSipContext FCtx;
    std::vector<std::shared_ptr<TSipLine>> FLines;   // service lock
    std::vector<std::unique_ptr<TSipUa>> FUas;       // libre thread
};

}  // namespace

std::shared_ptr<TProvider> MakeSipProvider(std::vector<TSipAccount> Accounts)
{
    return std::make_shared<TSipProvider>(std::move(Accounts));
}

}  // namespace kxtapi::service::sip
