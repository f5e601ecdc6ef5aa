#include "serial/byte_ring.h"

#include <algorithm>
#include <cstring>

namespace kxtapi {

size_t TByteRing::Push(const uint8_t* Data, size_t Count) noexcept
{
    const size_t n = std::min(Count, Free());
    if (n == 0) return 0;
    size_t tail = (FHead + FSize) % FBuf.size();
    const size_t first = std::min(n, FBuf.size() - tail);
    std::memcpy(FBuf.data() + tail, Data, first);
    std::memcpy(FBuf.data(), Data + first, n - first);
    FSize += n;
    return n;
}

size_t TByteRing::Pop(uint8_t* Out, size_t Count) noexcept
{
    const size_t n = std::min(Count, FSize);
    if (n == 0) return 0;
    const size_t first = std::min(n, FBuf.size() - FHead);
    std::memcpy(Out, FBuf.data() + FHead, first);
    std::memcpy(Out + first, FBuf.data(), n - first);
    FHead = (FHead + n) % FBuf.size();
    FSize -= n;
    return n;
}

void TByteRing::SetCapacity(size_t Capacity)
{
    Capacity = std::max({Capacity, FSize, size_t{1}});
    std::vector<uint8_t> next(Capacity);
    const size_t n = FSize;
    Pop(next.data(), n);
    FBuf.swap(next);
    FHead = 0;
    FSize = n;
}

} // namespace kxtapi
