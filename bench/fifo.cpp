// Token FIFO throughput on modem-like traffic arriving in serial-sized
// chunks, with 1, 8 and 32 triggers, against std::string::find scans of the
// same bytes for the same tokens: once over the whole stream (the offline
// best case), and incrementally as the chunks arrive (what an application
// without the FIFO would do).
#include <kxtapi/kxtapicomm.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using namespace kxtapi;

namespace {

const std::vector<std::string>& AllTokens()
{
    static const std::vector<std::string> tokens = {
        "OK\r\n", "RING\r\n", "CONNECT 9600\r\n", "+CLIP: \"", "NO CARRIER", "BUSY", "ERROR", "NO DIALTONE",
        "+CME ERROR:", "+CMS ERROR:", "RINGING", "DELAYED", "NO ANSWER", "+CRING:", "+CREG:", "+CSQ:",
        "VCON", "+FCON", "+FHNG:", "CONNECT 14400", "CONNECT 28800", "CONNECT 33600", "CONNECT 56000", "+MCR:",
        "+MRR:", "+ER:", "+DR:", "+ILRR:", "DATE =", "TIME =", "NMBR =", "NAME =",
    };
    return tokens;
}

std::vector<std::string> Tokens(size_t N)
{
    return {AllTokens().begin(), AllTokens().begin() + static_cast<std::ptrdiff_t>(N)};
}

struct TTraffic {
    std::string Bytes;
    std::vector<size_t> Chunks; // sizes, as a serial port delivers them
};

const TTraffic& Traffic()
{
    static const TTraffic t = [] {
        TTraffic r;
        std::mt19937 rng(2024);
        static const char* lines[] = {"RING\r\n", "+CLIP: \"0123456789\",129\r\n", "OK\r\n",
                                      "CONNECT 9600\r\n", "NO CARRIER\r\n", "BUSY\r\n", "ERROR\r\n"};
        while (r.Bytes.size() < (1u << 20)) {
            if (rng() % 3 == 0) {
                // Line noise and payload: printable bytes without line ends.
                const size_t n = 8 + rng() % 120;
                for (size_t i = 0; i < n; ++i) r.Bytes += static_cast<char>(' ' + rng() % 95);
                r.Bytes += "\r\n";
            } else {
                r.Bytes += lines[rng() % 7];
            }
        }
        for (size_t done = 0; done < r.Bytes.size();) {
            const size_t n = std::min<size_t>(1 + rng() % 64, r.Bytes.size() - done);
            r.Chunks.push_back(n);
            done += n;
        }
        return r;
    }();
    return t;
}

size_t FindCount(const std::string& Data, const std::vector<std::string>& Tokens)
{
    size_t hits = 0;
    for (const std::string& tok : Tokens) {
        for (size_t p = Data.find(tok); p != std::string::npos; p = Data.find(tok, p + tok.size())) ++hits;
    }
    return hits;
}

void SetRate(benchmark::State& State, size_t Hits)
{
    State.counters["bytes_per_second"] = benchmark::Counter(
        static_cast<double>(Traffic().Bytes.size()) * static_cast<double>(State.iterations()),
        benchmark::Counter::kIsRate);
    State.counters["tokens"] = static_cast<double>(Hits);
}

void BM_Fifo_Triggers(benchmark::State& State)
{
    const TTraffic& traffic = Traffic();
    const auto tokens = Tokens(static_cast<size_t>(State.range(0)));
    size_t maxLen = 0;
    for (const auto& t : tokens) maxLen = std::max(maxLen, t.size());
    const size_t expected = FindCount(traffic.Bytes, tokens);
    size_t hits = 0;
    for (auto _ : State) {
        TkxFifo fifo(nullptr);
        fifo.SetSize(4096);
        hits = 0;
        fifo.OnTokenFound = [&hits](TObject*, int32_t, int32_t, int32_t) { ++hits; };
        for (const auto& t : tokens) fifo.AddTokenTrigger(t);
        const char* p = traffic.Bytes.data();
        for (size_t n : traffic.Chunks) {
            fifo.WriteData(p, static_cast<uint32_t>(n));
            p += n;
            // Keep only what a token still arriving may need.
            if (fifo.Get_Count() > 1024) fifo.Remove(static_cast<uint16_t>(fifo.Get_Count() - (maxLen - 1)));
        }
    }
    if (hits != expected) State.SkipWithError("FIFO and find counts differ");
    SetRate(State, hits);
}

void BM_Fifo_BaselineWholeStream(benchmark::State& State)
{
    const auto tokens = Tokens(static_cast<size_t>(State.range(0)));
    size_t hits = 0;
    for (auto _ : State) {
        hits = FindCount(Traffic().Bytes, tokens);
        benchmark::DoNotOptimize(hits);
    }
    SetRate(State, hits);
}

void BM_Fifo_Baseline(benchmark::State& State)
{
    const TTraffic& traffic = Traffic();
    const auto tokens = Tokens(static_cast<size_t>(State.range(0)));
    size_t maxLen = 0;
    for (const auto& t : tokens) maxLen = std::max(maxLen, t.size());
    size_t hits = 0;
    for (auto _ : State) {
        std::string held;
        std::vector<size_t> from(tokens.size(), 0);
        hits = 0;
        const char* p = traffic.Bytes.data();
        for (size_t n : traffic.Chunks) {
            held.append(p, n);
            p += n;
            for (size_t i = 0; i < tokens.size(); ++i) {
                const std::string& tok = tokens[i];
                size_t q = held.find(tok, from[i]);
                for (; q != std::string::npos; q = held.find(tok, from[i])) {
                    ++hits;
                    from[i] = q + tok.size();
                }
                if (held.size() >= tok.size()) from[i] = std::max(from[i], held.size() - tok.size() + 1);
            }
            if (held.size() > 1024) {
                const size_t drop = held.size() - (maxLen - 1);
                held.erase(0, drop);
                for (size_t& f : from) f = f > drop ? f - drop : 0;
            }
        }
        benchmark::DoNotOptimize(hits);
    }
    SetRate(State, hits);
}

} // namespace

BENCHMARK(BM_Fifo_Triggers)->Arg(1)->Arg(8)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fifo_Baseline)->Arg(1)->Arg(8)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fifo_BaselineWholeStream)->Arg(1)->Arg(8)->Arg(32)->Unit(benchmark::kMillisecond);
