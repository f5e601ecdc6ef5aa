// The ring of TkxFifo: writes, reads, peeks, removes and sizing. All index
// arithmetic is done in 32 bits: 16-bit sums would wrap at 65536, not at
// Size.
#include "kxtapi/comm/fifo.h"

#include "comm/fifo_pattern.h"

#include <algorithm>
#include <cstring>

namespace kxtapi {

namespace {

constexpr uint16_t DefaultSize = 2048;

// (Index + N) wrapped at Size, for Index < Size (or both 0) and N <= Size.
uint16_t Advance(uint32_t Index, uint32_t N, uint32_t Size) noexcept
{
    uint32_t r = Index + N;
    if (r >= Size) r -= Size;
    return static_cast<uint16_t>(r);
}

} // namespace

TkxFifo::TkxFifo(TComponent* AOwner)
    : TComponent(AOwner)
{
    FSize = DefaultSize;
    FFree = DefaultSize;
    // The designer only edits properties; it gets no buffer.
    if (!IsDesigning()) FBuffer = std::make_unique<uint8_t[]>(FSize);
}

TkxFifo::~TkxFifo() = default;

void TkxFifo::CheckBuffer() const
{
    if (!FBuffer) throw EBufferError("FBuffer not initialised.");
}

void TkxFifo::DoChange()
{
    auto handler = OnChange;
    if (handler) handler(this);
}

bool TkxFifo::WriteData(const void* Buffer, uint32_t Count)
{
    CheckBuffer();
    if (Count > FFree) {
        auto handler = OnOverflow;
        if (handler) handler(this);
        if (Count > FFree) return false;
    }
    const auto* src = static_cast<const uint8_t*>(Buffer);
    const uint32_t first = std::min<uint32_t>(Count, FSize - FWriteIndex);
    if (first > 0) std::memcpy(FBuffer.get() + FWriteIndex, src, first);
    if (Count > first) std::memcpy(FBuffer.get(), src + first, Count - first);
    FWriteIndex = Advance(FWriteIndex, Count, FSize);
    FCount = static_cast<uint16_t>(FCount + Count);
    FFree = static_cast<uint16_t>(FFree - Count);
    ++FVersion;
    SearchForTokens();
    DoChange();
    return true;
}

bool TkxFifo::Write(const std::string& Text)
{
    return WriteData(Text.data(), static_cast<uint32_t>(std::min<size_t>(Text.size(), UINT32_MAX)));
}

void TkxFifo::CopyOut(uint8_t* Dest, uint32_t RingIndex, uint32_t N) const
{
    const uint32_t first = std::min<uint32_t>(N, FSize - RingIndex);
    if (first > 0) std::memcpy(Dest, FBuffer.get() + RingIndex, first);
    if (N > first) std::memcpy(Dest + first, FBuffer.get(), N - first);
}

uint32_t TkxFifo::ReadData(void* Buffer, uint32_t Count)
{
    CheckBuffer();
    const uint32_t n = std::min<uint32_t>(Count, FCount);
    CopyOut(static_cast<uint8_t*>(Buffer), FReadIndex, n);
    FCount = static_cast<uint16_t>(FCount - n);
    FFree = static_cast<uint16_t>(FFree + n);
    FReadIndex = Advance(FReadIndex, n, FSize);
    ++FVersion;
    BytesTakenOut(n);
    DoChange();
    return n;
}

std::string TkxFifo::Read(uint32_t Count)
{
    CheckBuffer();
    std::string s(std::min<uint32_t>(Count, FCount), '\0');
    s.resize(ReadData(s.data(), static_cast<uint32_t>(s.size())));
    return s;
}

std::string TkxFifo::ReadLn()
{
    CheckBuffer();
    for (uint32_t i = 0; i < FCount; ++i) {
        const uint8_t b = FBuffer[Advance(FReadIndex, i, FSize)];
        if (b != '\n' && b != '\r') continue;
        uint32_t taken = i + 1;
        if (b == '\r' && taken < FCount && FBuffer[Advance(FReadIndex, taken, FSize)] == '\n') ++taken;
        std::string line = Read(taken);
        line.resize(i);
        return line;
    }
    return GetStr(0, FCount);
}

void TkxFifo::Remove(uint16_t Count)
{
    CheckBuffer();
    const uint32_t n = std::min(Count, FCount);
    FCount = static_cast<uint16_t>(FCount - n);
    FFree = static_cast<uint16_t>(FFree + n);
    FReadIndex = Advance(FReadIndex, n, FSize);
    ++FVersion;
    BytesTakenOut(n);
    DoChange();
}

void TkxFifo::Clear()
{
    CheckBuffer();
    FCount = 0;
    FFree = FSize;
    FReadIndex = 0;
    FWriteIndex = 0;
    ++FVersion;
    for (auto& t : FTriggers) {
        t->FSearchStart = 0;
        t->FPosition = -1;
    }
    DoChange();
}

uint16_t TkxFifo::GetData(void* Buffer, uint32_t Offset, uint32_t Count) const
{
    CheckBuffer();
    if (Offset >= FCount) return 0;
    const uint32_t n = std::min<uint32_t>(Count, FCount - Offset);
    CopyOut(static_cast<uint8_t*>(Buffer), (FReadIndex + Offset) % FSize, n);
    return static_cast<uint16_t>(n);
}

std::string TkxFifo::GetStr(uint32_t Offset, uint32_t Count) const
{
    CheckBuffer();
    std::string s(Offset < FCount ? std::min<uint32_t>(Count, FCount - Offset) : 0, '\0');
    s.resize(GetData(s.data(), Offset, static_cast<uint32_t>(s.size())));
    return s;
}

void TkxFifo::SetSize(uint16_t Value)
{
    if (!FBuffer) {
        // A designer instance keeps the value so that forms stream it.
        if (!IsDesigning()) throw EBufferError("FBuffer size can not be set at run-time");
        FSize = Value;
        FFree = Value;
        return;
    }
    if (FCount > 0) throw EBufferError("FBuffer size can not be set while data in FBuffer");
    FBuffer = std::make_unique<uint8_t[]>(Value);
    FSize = Value;
    FFree = Value;
    FReadIndex = 0;
    FWriteIndex = 0;
}

} // namespace kxtapi
