// Token patterns of the FIFO: "?" matches any one byte, "*" any run of bytes.
//
// A pattern is split at its stars into segments. A match of the pattern
// starting at P is the first segment matching at P followed by the other
// segments in order, each anywhere after the one before. Because "the rest
// can still be matched from offset S" holds for every S up to some limit and
// for none after it, taking each segment at its earliest place decides a
// match in one sweep, however many stars the pattern has.
#pragma once

#include <cstdint>
#include <string_view>

namespace kxtapi::fifo_detail {

/// The bytes held by the ring, oldest first, as at most two contiguous runs.
struct TRingView {
    const uint8_t* First = nullptr;
    uint32_t FirstLen = 0;
    const uint8_t* Second = nullptr;
    uint32_t SecondLen = 0;

    uint32_t Count() const noexcept { return FirstLen + SecondLen; }
    uint8_t At(uint32_t Offset) const noexcept
    {
        return Offset < FirstLen ? First[Offset] : Second[Offset - FirstLen];
    }
};

/// Number of characters of Token that are not "*".
uint32_t LiteralCount(std::string_view Token) noexcept;

struct TPatternSearch {
    /// Offset of the match (where the part before the first "*" matched, or
    /// the start for a pattern that begins with "*"); -1 when not found.
    int32_t Position = -1;
    /// When found: offset just after the shortest match at Position.
    uint32_t End = 0;
    /// When not found: the lowest offset at or after the start at which a
    /// match could still begin once more bytes arrive.
    uint32_t Resume = 0;
};

/// What a search needs to know of a pattern, worked out once per pattern.
struct TPatternShape {
    uint32_t Literals = 0; // characters other than "*"
    uint32_t HeadLen = 0;  // characters before the first "*" (all when none)
    bool HasStar = false;
};

TPatternShape ShapeOf(std::string_view Token) noexcept;

/// Searches Data for Token (of the given shape) from offset Start. A pattern
/// without a character other than "*" is found at Start.
TPatternSearch SearchPattern(const TRingView& Data, std::string_view Token, const TPatternShape& Shape,
                             uint32_t Start) noexcept;

inline TPatternSearch SearchPattern(const TRingView& Data, std::string_view Token, uint32_t Start) noexcept
{
    return SearchPattern(Data, Token, ShapeOf(Token), Start);
}

} // namespace kxtapi::fifo_detail
