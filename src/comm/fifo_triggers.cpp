// Pattern search and the token triggers of TkxFifo.
#include "kxtapi/comm/fifo.h"

#include "comm/fifo_pattern.h"

#include <algorithm>

namespace kxtapi {

using fifo_detail::SearchPattern;
using fifo_detail::TRingView;

namespace {

TRingView ViewOf(const uint8_t* Buffer, uint16_t ReadIndex, uint16_t Count, uint16_t Size) noexcept
{
    TRingView v;
    v.First = Buffer + ReadIndex;
    v.FirstLen = std::min<uint32_t>(Count, static_cast<uint32_t>(Size) - ReadIndex);
    v.Second = Buffer;
    v.SecondLen = Count - v.FirstLen;
    return v;
}

} // namespace

int32_t TkxFifo::Search(const std::string& Token) const
{
    CheckBuffer();
    return Find(Token, 0);
}

int32_t TkxFifo::Find(const std::string& Token, uint16_t Start) const
{
    return SearchPattern(ViewOf(FBuffer.get(), FReadIndex, FCount, FSize), Token, Start).Position;
}

// ---- trigger list ---------------------------------------------------------

int32_t TkxFifo::AddTokenTrigger(const std::string& Token)
{
    // Such a pattern is found at its search start without consuming a byte,
    // so the search would never come to an end.
    const fifo_detail::TPatternShape shape = fifo_detail::ShapeOf(Token);
    if (shape.Literals == 0)
        throw EBufferError("Token trigger needs a character other than \"*\"");
    std::vector<int32_t> used;
    used.reserve(FTriggers.size());
    for (const auto& t : FTriggers) used.push_back(t->Handle);
    std::sort(used.begin(), used.end());
    int32_t handle = 1;
    for (int32_t h : used) {
        if (h == handle) ++handle;
        else if (h > handle) break;
    }
    auto t = std::make_unique<TTriggerToken>(handle, Token);
    t->FLiterals = shape.Literals;
    t->FHeadLen = shape.HeadLen;
    t->FHasStar = shape.HasStar;
    FTriggers.push_back(std::move(t));
    return handle;
}

void TkxFifo::Retire(size_t Index)
{
    std::unique_ptr<TTriggerToken> t = std::move(FTriggers[Index]);
    FTriggers.erase(FTriggers.begin() + static_cast<std::ptrdiff_t>(Index));
    t->FRegistered = false;
    if (FSearching) FRetired.push_back(std::move(t));
}

int32_t TkxFifo::RemoveTokenTrigger(int32_t Handle)
{
    for (size_t i = 0; i < FTriggers.size(); ++i) {
        if (FTriggers[i]->Handle == Handle) {
            Retire(i);
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

void TkxFifo::ClearTokenTrigger()
{
    while (!FTriggers.empty()) Retire(FTriggers.size() - 1);
}

TTriggerToken* TkxFifo::Get_Trigger(int32_t Index) const noexcept
{
    if (Index < 0 || Index >= Get_TriggerCount()) return nullptr;
    return FTriggers[static_cast<size_t>(Index)].get();
}

// ---- searching and reporting ----------------------------------------------

void TkxFifo::BytesTakenOut(uint32_t N)
{
    for (auto& t : FTriggers) {
        if (static_cast<int64_t>(N) < t->FSearchStart) t->FSearchStart -= static_cast<int32_t>(N);
        else t->FSearchStart = 0;
        if (t->FPosition >= 0 && t.get() != FReporting) {
            if (static_cast<int64_t>(N) <= t->FPosition) {
                t->FPosition -= static_cast<int32_t>(N);
            } else {
                // Its first byte is gone: nothing left to report, and nothing
                // reported before it is still held.
                t->FPosition = -1;
                t->FSearchStart = 0;
            }
        }
    }
}

TTriggerToken* TkxFifo::NextToReport() const noexcept
{
    TTriggerToken* best = nullptr;
    for (const auto& t : FTriggers) {
        if (t->FPosition >= 0 && (best == nullptr || t->FPosition < best->FPosition)) best = t.get();
    }
    return best;
}

void TkxFifo::SearchForTokens()
{
    if (FSearching) return;
    FSearching = true;
    try {
        for (;;) {
            const TRingView data = ViewOf(FBuffer.get(), FReadIndex, FCount, FSize);
            bool found = false;
            for (auto& t : FTriggers) {
                if (t->FMissedVersion == FVersion) continue;
                const fifo_detail::TPatternShape shape{t->FLiterals, t->FHeadLen, t->FHasStar};
                const auto r = SearchPattern(data, t->Token, shape, static_cast<uint32_t>(t->FSearchStart));
                t->FPosition = r.Position;
                if (r.Position >= 0) {
                    // The next occurrence begins after this one's bytes.
                    t->FSearchStart = static_cast<int32_t>(r.End);
                    found = true;
                } else {
                    // Never back: bytes before the search start were reported
                    // or cannot begin a match.
                    t->FSearchStart = static_cast<int32_t>(r.Resume);
                    t->FMissedVersion = FVersion;
                }
            }
            if (!found) break;
            while ((FReporting = NextToReport()) != nullptr) {
                TriggerTokenFound(FReporting);
                if (FReporting->FRegistered) FReporting->FPosition = -1;
            }
        }
    } catch (...) {
        // Finds not yet reported are searched for again by the next write.
        for (auto& t : FTriggers) {
            if (t->FPosition >= 0 && t.get() != FReporting) t->FSearchStart = t->FPosition;
            t->FPosition = -1;
        }
        FReporting = nullptr;
        FSearching = false;
        FRetired.clear();
        throw;
    }
    FSearching = false;
    FRetired.clear();
}

void TkxFifo::TriggerTokenFound(TTriggerToken* Trigger)
{
    auto handler = OnTokenFound;
    if (handler)
        handler(this, Trigger->Handle, Trigger->FPosition, static_cast<int32_t>(Trigger->Token.size()));
}

} // namespace kxtapi
