// Form reading and writing against a plain JSON parse of the same text (the
// baseline): what positions, checks against the registry, component creation
// and property assignment cost on top of parsing.
#include <kxtapi/rtl.h>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <memory>
#include <mutex>
#include <string>

namespace {

using namespace kxtapi;

enum TBenchMode { bmOff, bmOn, bmAuto };

class TBenchOptions : public TPersistent {
public:
    uint32_t Get_Timeout() const { return FTimeout; }
    void Set_Timeout(uint32_t V) { FTimeout = V; }

private:
    uint32_t FTimeout = 60000;
};

class TBenchPort : public TComponent {
public:
    explicit TBenchPort(TComponent* AOwner) : TComponent(AOwner) {}
    int32_t Get_Baud() const { return FBaud; }
    void Set_Baud(int32_t V) { FBaud = V; }
    TBenchMode Get_Mode() const { return FMode; }
    void Set_Mode(TBenchMode V) { FMode = V; }
    TSet<TBenchMode> Get_Modes() const { return FModes; }
    void Set_Modes(TSet<TBenchMode> V) { FModes = V; }
    const std::string& Get_Text() const { return FText; }
    void Set_Text(const std::string& V) { FText = V; }
    TBenchOptions* Get_Options() { return &FOptions; }
    TBenchPort* Get_Peer() const { return FPeer; }
    void Set_Peer(TBenchPort* V) { FPeer = V; }

private:
    int32_t FBaud = 9600;
    TBenchMode FMode = bmOff;
    TSet<TBenchMode> FModes;
    std::string FText;
    TBenchOptions FOptions;
    TBenchPort* FPeer = nullptr;   // the bench never frees a peer before its user
};

void Register()
{
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterEnum<TBenchMode>("TBenchMode", {"bmOff", "bmOn", "bmAuto"});
        RegisterClass<TBenchOptions, TPersistent>("TBenchOptions")
            .Cardinal("Timeout", &TBenchOptions::Get_Timeout, &TBenchOptions::Set_Timeout, 60000);
        RegisterClass<TBenchPort, TComponent>("TBenchPort")
            .Integer("Baud", &TBenchPort::Get_Baud, &TBenchPort::Set_Baud, 9600)
            .Enum("Mode", &TBenchPort::Get_Mode, &TBenchPort::Set_Mode, bmOff)
            .Set("Modes", &TBenchPort::Get_Modes, &TBenchPort::Set_Modes)
            .Object("Options", &TBenchPort::Get_Options)
            .Reference("Peer", &TBenchPort::Get_Peer, &TBenchPort::Set_Peer)
            .String("Text", &TBenchPort::Get_Text, &TBenchPort::Set_Text);
    });
}

// A root owning Count ports with every kind of value set, each referring to
// the one before.
std::unique_ptr<TComponent> Sample(int Count)
{
    Register();
    auto root = std::make_unique<TComponent>(nullptr);
    root->Set_Name("Root");
    TBenchPort* previous = nullptr;
    for (int i = 0; i < Count; ++i) {
        auto* p = new TBenchPort(root.get());
        p->Set_Name("Port" + std::to_string(i));
        p->Set_Baud(9600 + i);
        p->Set_Mode(bmAuto);
        p->Set_Modes({bmOn, bmAuto});
        p->Set_Text("K\xFChlschrank " + std::to_string(i));
        p->Get_Options()->Set_Timeout(static_cast<uint32_t>(i));
        p->Set_Peer(previous);
        previous = p;
    }
    return root;
}

void BM_Forms_Baseline(benchmark::State& State)
{
    const std::string text = WriteComponentToString(Sample(static_cast<int>(State.range(0))).get());
    for (auto _ : State) benchmark::DoNotOptimize(nlohmann::ordered_json::parse(text));
    State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * text.size()));
}

void BM_Forms_Read(benchmark::State& State)
{
    const std::string text = WriteComponentToString(Sample(static_cast<int>(State.range(0))).get());
    for (auto _ : State) benchmark::DoNotOptimize(ReadNewComponent(text));
    State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * text.size()));
}

void BM_Forms_Write(benchmark::State& State)
{
    auto root = Sample(static_cast<int>(State.range(0)));
    size_t bytes = 0;
    for (auto _ : State) {
        std::string text = WriteComponentToString(root.get());
        bytes += text.size();
        benchmark::DoNotOptimize(text);
    }
    State.SetBytesProcessed(static_cast<int64_t>(bytes));
}

BENCHMARK(BM_Forms_Baseline)->Arg(10)->Arg(200);
BENCHMARK(BM_Forms_Read)->Arg(10)->Arg(200);
BENCHMARK(BM_Forms_Write)->Arg(10)->Arg(200);

} // namespace
