// Splits a byte stream read with PARMRK into data, breaks and bytes
// received in error: FF FF is a data FF, FF 00 00 a break, FF 00 b the byte
// b in error. State carries over between reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kxtapi {

class TMarkParser {
public:
    /// Sink needs Data(const uint8_t*, size_t), Break() and ErrorByte(uint8_t).
    template <class Sink>
    void Feed(const uint8_t* P, size_t N, Sink& S)
    {
        size_t i = 0;
        while (i < N) {
            if (FState == 0) {
                const void* ff = std::memchr(P + i, 0xFF, N - i);
                const size_t end = ff ? static_cast<size_t>(static_cast<const uint8_t*>(ff) - P) : N;
                if (end > i) S.Data(P + i, end - i);
                if (!ff) return;
                i = end + 1;
                FState = 1;
            } else if (FState == 1) {
                const uint8_t b = P[i++];
                if (b == 0xFF) {
                    S.Data(&b, 1);
                    FState = 0;
                } else if (b == 0x00) {
                    FState = 2;
                } else {
                    // Not a mark the line discipline writes; keep both bytes.
                    const uint8_t pair[2] = {0xFF, b};
                    S.Data(pair, 2);
                    FState = 0;
                }
            } else {
                const uint8_t b = P[i++];
                if (b == 0x00) S.Break();
                else S.ErrorByte(b);
                FState = 0;
            }
        }
    }

    void Reset() noexcept { FState = 0; }

private:
    int FState = 0;  // 0 plain, 1 after FF, 2 after FF 00
};

} // namespace kxtapi
