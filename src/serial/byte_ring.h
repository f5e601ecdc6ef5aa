// A bounded first-in first-out byte queue: a driver's input or output queue.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kxtapi {

class TByteRing {
public:
    explicit TByteRing(size_t Capacity) : FBuf(Capacity ? Capacity : 1) {}

    size_t Size() const noexcept { return FSize; }
    size_t Capacity() const noexcept { return FBuf.size(); }
    size_t Free() const noexcept { return FBuf.size() - FSize; }
    bool Full() const noexcept { return FSize == FBuf.size(); }

    /// Appends as many of the Count bytes as fit; returns how many did.
    size_t Push(const uint8_t* Data, size_t Count) noexcept;
    /// Removes up to Count bytes into Out; returns how many it removed.
    size_t Pop(uint8_t* Out, size_t Count) noexcept;
    void Clear() noexcept { FHead = FSize = 0; }
    /// Changes the capacity, keeping the queued bytes (a capacity below the
    /// number queued keeps them all).
    void SetCapacity(size_t Capacity);

private:
    std::vector<uint8_t> FBuf;
    size_t FHead = 0;  // index of the oldest byte
    size_t FSize = 0;
};

} // namespace kxtapi
