#include "comm/fifo_pattern.h"

#include <algorithm>
#include <cstring>

namespace kxtapi::fifo_detail {

namespace {

constexpr uint32_t NotFound = UINT32_MAX;

// First offset in [From, To) holding byte C, or NotFound.
uint32_t ScanByte(const TRingView& Data, uint8_t C, uint32_t From, uint32_t To) noexcept
{
    if (From < Data.FirstLen) {
        const uint32_t end = std::min(To, Data.FirstLen);
        if (From < end) {
            const void* hit = std::memchr(Data.First + From, C, end - From);
            if (hit != nullptr) return From + static_cast<uint32_t>(static_cast<const uint8_t*>(hit) - (Data.First + From));
        }
        From = Data.FirstLen;
    }
    if (From < To) {
        const uint32_t off = From - Data.FirstLen;
        const void* hit = std::memchr(Data.Second + off, C, To - From);
        if (hit != nullptr) return From + static_cast<uint32_t>(static_cast<const uint8_t*>(hit) - (Data.Second + off));
    }
    return NotFound;
}

// Seg (no stars, at least one character) matches the bytes at P; the caller
// has made sure they are all held.
bool SegmentAt(const TRingView& Data, std::string_view Seg, uint32_t P) noexcept
{
    for (size_t i = 0; i < Seg.size(); ++i) {
        if (Seg[i] != '?' && Data.At(P + static_cast<uint32_t>(i)) != static_cast<uint8_t>(Seg[i])) return false;
    }
    return true;
}

// First P in [From, Last] at which Seg matches, or NotFound. Last + |Seg|
// must not exceed the bytes held.
uint32_t FindSegment(const TRingView& Data, std::string_view Seg, uint32_t From, uint32_t Last) noexcept
{
    const bool anyFirst = Seg[0] == '?';
    for (uint32_t p = From; p <= Last; ++p) {
        if (!anyFirst) {
            p = ScanByte(Data, static_cast<uint8_t>(Seg[0]), p, Last + 1);
            if (p == NotFound) return NotFound;
        }
        if (SegmentAt(Data, Seg, p)) return p;
    }
    return NotFound;
}

// Matches the segments of Pattern one after another from offset From, each
// at its earliest place; returns the offset after the last one matched
// (From when there is none) or NotFound.
uint32_t MatchSegments(const TRingView& Data, std::string_view Pattern, uint32_t Literals, uint32_t From) noexcept
{
    const uint32_t count = Data.Count();
    uint32_t remaining = Literals;
    uint32_t pos = From;
    size_t i = 0;
    while (i < Pattern.size()) {
        size_t j = Pattern.find('*', i);
        if (j == std::string_view::npos) j = Pattern.size();
        const std::string_view seg = Pattern.substr(i, j - i);
        i = j + 1;
        if (seg.empty()) continue;
        // The segments still to come must fit after this one.
        if (remaining > count) return NotFound;
        const uint32_t p = FindSegment(Data, seg, pos, count - remaining);
        if (p == NotFound) return NotFound;
        pos = p + static_cast<uint32_t>(seg.size());
        remaining -= static_cast<uint32_t>(seg.size());
    }
    return pos;
}

} // namespace

uint32_t LiteralCount(std::string_view Token) noexcept
{
    return static_cast<uint32_t>(Token.size() - static_cast<size_t>(std::count(Token.begin(), Token.end(), '*')));
}

TPatternShape ShapeOf(std::string_view Token) noexcept
{
    TPatternShape s;
    s.Literals = LiteralCount(Token);
    const size_t star = Token.find('*');
    s.HasStar = star != std::string_view::npos;
    s.HeadLen = static_cast<uint32_t>(s.HasStar ? star : Token.size());
    return s;
}

TPatternSearch SearchPattern(const TRingView& Data, std::string_view Token, const TPatternShape& Shape,
                             uint32_t Start) noexcept
{
    TPatternSearch r;
    const uint32_t literals = Shape.Literals;
    if (literals == 0) {
        r.Position = static_cast<int32_t>(Start);
        r.End = Start;
        return r;
    }
    if (Token[0] == '*') {
        // Reported at the start itself; the match may begin anywhere later,
        // so a failed search keeps its start.
        const uint32_t end = MatchSegments(Data, Token.substr(1), literals, Start);
        if (end != NotFound) {
            r.Position = static_cast<int32_t>(Start);
            r.End = end;
        } else {
            r.Resume = Start;
        }
        return r;
    }

    const uint32_t count = Data.Count();
    const uint32_t headLen = Shape.HeadLen;
    const std::string_view head = Token.substr(0, headLen);

    // Candidates stop where all literal characters still fit.
    uint32_t p = NotFound;
    if (Start < count && count - Start >= literals) p = FindSegment(Data, head, Start, count - literals);
    if (p != NotFound) {
        const uint32_t end = !Shape.HasStar ? p + headLen
                                            : MatchSegments(Data, Token.substr(headLen + 1), literals - headLen,
                                                            p + headLen);
        if (end != NotFound) {
            r.Position = static_cast<int32_t>(p);
            r.End = end;
        } else {
            // The head is in place; the rest may still arrive.
            r.Resume = p;
        }
        return r;
    }

    // No candidate matched. A later match can begin where the head still
    // fits wholly (between the last candidate and the end, for a pattern with
    // a star) or only partly at the end of the bytes held.
    r.Resume = std::max(Start, count >= headLen ? count - headLen + 1 : 0u);
    if (Shape.HasStar && count >= headLen) {
        const uint32_t from = std::max(Start, count >= literals ? count - literals + 1 : 0u);
        if (from <= count - headLen) {
            const uint32_t q = FindSegment(Data, head, from, count - headLen);
            if (q != NotFound) r.Resume = q;
        }
    }
    return r;
}

} // namespace kxtapi::fifo_detail
