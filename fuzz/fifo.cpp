// Random writes, reads, removes, clears and trigger changes on a small FIFO,
// checked against a plain string model:
// - count <= Size, count + free = Size, and the bytes read or peeked are the
//   bytes written, in order;
// - every report names a registered trigger with its pattern's length, at a
//   place where the pattern matches, never inside or before the bytes of the
//   same trigger's previous report (no occurrence reported twice);
// - after a write returns, no trigger has an unreported match after its
//   last report (nothing missed).
// Handlers sometimes take the reported bytes out, write more bytes or remove
// their trigger, as applications do.
#include <kxtapi/kxtapicomm.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

using namespace kxtapi;

namespace {

void Check(bool Ok, const char* What)
{
    if (!Ok) {
        std::fprintf(stderr, "fifo fuzz: %s\n", What);
        std::abort();
    }
}

class TInput {
public:
    TInput(const uint8_t* Data, size_t Size) : FData(Data), FSize(Size) {}
    bool More() const { return FPos < FSize; }
    uint8_t Byte() { return FPos < FSize ? FData[FPos++] : 0; }

private:
    const uint8_t* FData;
    size_t FSize;
    size_t FPos = 0;
};

// Smallest end of a match of Pattern starting at offset From of D (a leading
// "*" lets it start anywhere later), or -1.
long MinimalEnd(const std::string& D, const std::string& Pattern, size_t From)
{
    const size_t n = D.size(), m = Pattern.size();
    // end[k][i]: smallest end matching Pattern[k..] from offset i; -1 none.
    std::vector<std::vector<long>> end(m + 1, std::vector<long>(n + 1, -1));
    for (size_t i = 0; i <= n; ++i) end[m][i] = static_cast<long>(i);
    for (size_t k = m; k-- > 0;) {
        for (size_t i = n + 1; i-- > 0;) {
            const char c = Pattern[k];
            if (c == '*') {
                long best = end[k + 1][i];
                if (i < n && end[k][i + 1] >= 0 && (best < 0 || end[k][i + 1] < best)) best = end[k][i + 1];
                end[k][i] = best;
            } else if (i < n && (c == '?' || static_cast<uint8_t>(c) == static_cast<uint8_t>(D[i]))) {
                end[k][i] = end[k + 1][i + 1];
            }
        }
    }
    return From <= n ? end[0][From] : -1;
}

struct TTracked {
    std::string Pattern;
    uint64_t LastEnd = 0; // absolute stream offset after its last report
};

struct THarness {
    TkxFifo Fifo{nullptr};
    std::string Model;       // bytes held, oldest first
    uint64_t Base = 0;       // absolute stream offset of Model[0]
    std::map<int32_t, TTracked> Triggers;
    int HandlerMode = 0;
    int WriteBudget = 64;

    void Taken(uint32_t N)
    {
        Check(N <= Model.size(), "took more than held");
        Model.erase(0, N);
        Base += N;
    }

    void CheckCounts()
    {
        Check(Fifo.Get_Count() <= Fifo.Get_Size(), "count > Size");
        Check(Fifo.Get_Count() + Fifo.Get_Free() == Fifo.Get_Size(), "count + free != Size");
        Check(Fifo.Get_Count() == Model.size(), "count differs from bytes written minus taken");
    }

    void OnToken(int32_t Handle, int32_t Pos, int32_t Len)
    {
        auto it = Triggers.find(Handle);
        Check(it != Triggers.end(), "report for an unregistered handle");
        TTracked& t = it->second;
        Check(Len == static_cast<int32_t>(t.Pattern.size()), "TokenLen is not the pattern length");
        Check(Pos >= 0 && static_cast<size_t>(Pos) < Model.size(), "TokenPos outside the bytes held");
        const long end = MinimalEnd(Model, t.Pattern, static_cast<size_t>(Pos));
        Check(end >= 0, "pattern does not match at TokenPos");
        if (Base + static_cast<uint64_t>(Pos) < t.LastEnd) std::fprintf(stderr, "model [%s] base %lu pattern [%s] pos %d lastEnd %lu mode %d\n", Model.c_str(), (unsigned long)Base, t.Pattern.c_str(), Pos, (unsigned long)t.LastEnd, HandlerMode);
        Check(Base + static_cast<uint64_t>(Pos) >= t.LastEnd, "occurrence reported twice");
        t.LastEnd = Base + static_cast<uint64_t>(end);

        switch (HandlerMode) {
        case 1: { // take the token and what precedes it
            const uint32_t n = static_cast<uint32_t>(Pos + Len);
            const uint32_t before = Fifo.Get_Count();
            Fifo.Remove(static_cast<uint16_t>(n));
            Taken(before - Fifo.Get_Count());
            break;
        }
        case 2:
            if (WriteBudget-- > 0 && Fifo.Get_Free() >= 2) {
                Model += "ab";
                Check(Fifo.Write("ab"), "write that fits refused");
            }
            break;
        case 3:
            Check(Fifo.RemoveTokenTrigger(Handle) >= 0, "own trigger not found");
            Triggers.erase(Handle);
            break;
        default:
            break;
        }
        CheckCounts();
    }

    void CheckNothingMissed()
    {
        for (const auto& [handle, t] : Triggers) {
            const size_t from = t.LastEnd > Base ? static_cast<size_t>(t.LastEnd - Base) : 0;
            if (MinimalEnd(Model, "*" + t.Pattern, from) >= 0) {
                std::fprintf(stderr, "model [%s] base %lu pattern [%s] lastEnd %lu mode %d\n", Model.c_str(), (unsigned long)Base, t.Pattern.c_str(), (unsigned long)t.LastEnd, HandlerMode);
                for (int i = 0; i < Fifo.Get_TriggerCount(); ++i) std::fprintf(stderr, " trig %d [%s] ss %d\n", Fifo.Get_Trigger(i)->Handle, Fifo.Get_Trigger(i)->Token.c_str(), Fifo.Get_Trigger(i)->Get_SearchStart());
            }
            Check(MinimalEnd(Model, "*" + t.Pattern, from) < 0, "an occurrence was not reported");
        }
    }
};

std::string Pattern(TInput& In)
{
    static const char chars[] = "ab?*";
    std::string p(1 + In.Byte() % 5, ' ');
    for (char& c : p) c = chars[In.Byte() % 4];
    if (p.find_first_not_of('*') == std::string::npos) p += 'a';
    return p;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    TInput in(Data, Size);
    THarness h;
    h.Fifo.SetSize(static_cast<uint16_t>(in.Byte() % 48));
    h.Fifo.OnTokenFound = [&h](TObject*, int32_t Handle, int32_t Pos, int32_t Len) {
        h.OnToken(Handle, Pos, Len);
    };
    static const char data_chars[] = "abc\r\n";
    int ops = 0;
    while (in.More() && ops++ < 400) {
        const uint8_t op = in.Byte();
        const uint32_t k = in.Byte() % 24;
        switch (op % 9) {
        case 0:
        case 1: {
            std::string w(k, ' ');
            for (char& c : w) c = data_chars[in.Byte() % 5];
            // The bytes are held before the handlers run.
            const bool fits = w.size() <= h.Fifo.Get_Free();
            if (fits) h.Model += w;
            const bool ok = h.Fifo.Write(w);
            Check(ok == fits, "write result differs from the free space");
            h.CheckCounts();
            // A refused write searches nothing, so triggers added since the
            // last write that went in may not have been searched yet.
            if (ok) h.CheckNothingMissed();
            break;
        }
        case 2: {
            const std::string r = h.Fifo.Read(k);
            Check(h.Model.compare(0, r.size(), r) == 0 && r.size() == std::min<size_t>(k, h.Model.size()),
                  "read bytes differ from the bytes written");
            h.Taken(static_cast<uint32_t>(r.size()));
            break;
        }
        case 3: {
            const uint32_t before = h.Fifo.Get_Count();
            h.Fifo.Remove(static_cast<uint16_t>(k));
            Check(before - h.Fifo.Get_Count() == std::min<uint32_t>(k, before), "remove took the wrong amount");
            h.Taken(before - h.Fifo.Get_Count());
            break;
        }
        case 4: {
            const size_t eol = h.Model.find_first_of("\r\n");
            const std::string line = h.Fifo.ReadLn();
            if (eol == std::string::npos) {
                Check(line == h.Model, "ReadLn without a line end");
            } else {
                Check(line == h.Model.substr(0, eol), "ReadLn line");
                size_t taken = eol + 1;
                if (h.Model[eol] == '\r' && taken < h.Model.size() && h.Model[taken] == '\n') ++taken;
                h.Taken(static_cast<uint32_t>(taken));
            }
            h.CheckCounts();
            break;
        }
        case 5: {
            if (h.Triggers.size() >= 5) break;
            const std::string p = Pattern(in);
            const int32_t handle = h.Fifo.AddTokenTrigger(p);
            Check(handle > 0 && h.Triggers.count(handle) == 0, "handle not positive and unique");
            h.Triggers[handle] = TTracked{p, 0};
            break;
        }
        case 6: {
            const int32_t handle = 1 + static_cast<int32_t>(k % 6);
            const bool known = h.Triggers.erase(handle) > 0;
            Check((h.Fifo.RemoveTokenTrigger(handle) >= 0) == known, "trigger removal");
            break;
        }
        case 7:
            h.HandlerMode = static_cast<int>(k % 4);
            break;
        case 8: {
            if (k % 5 == 0) {
                h.Fifo.Clear();
                h.Taken(static_cast<uint32_t>(h.Model.size()));
            } else {
                const uint32_t off = in.Byte() % 50;
                const std::string s = h.Fifo.GetStr(off, k);
                Check(s == (off < h.Model.size() ? h.Model.substr(off, k) : std::string()), "peek");
            }
            break;
        }
        }
        h.CheckCounts();
    }
    return 0;
}
