// Laying out TAPI's variable-size blocks for the application, and reading
// the ones it hands in.
//
// Rules of the blocks the service fills (one place for all functions):
// - dwTotalSize below the fixed size fails with LINEERR_STRUCTURETOOSMALL
//   (PHONEERR_STRUCTURETOOSMALL for phone functions); the caller checks that
//   with FitsFixed before asking a provider anything.
// - Otherwise the call succeeds. dwNeededSize is the size of the whole
//   answer. When it fits, everything is written and dwUsedSize equals
//   dwNeededSize. When it does not, only the fixed part is written, with
//   every size/offset pair and list count of the variable part cleared, and
//   dwUsedSize is the fixed size: a reader that ignores dwNeededSize still
//   finds nothing outside the block.
// - dwTotalSize is never changed, and nothing beyond it is written.
#pragma once

#include "service/provider_data.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace kxtapi::service {

/// The image of one answer block: its fixed part, then its variable part.
class TBlockImage {
public:
    explicit TBlockImage(uint32_t FixedSize);

    /// Copies a fixed structure into the image (its first three fields are
    /// set by WriteTo). Size must not exceed the fixed size.
    void SetFixed(const void* Fixed, uint32_t Size);
    template <typename T>
    void SetFixed(const T& Fixed) { SetFixed(&Fixed, sizeof(T)); }

    void PutDword(uint32_t Offset, uint32_t Value);
    uint32_t GetDword(uint32_t Offset) const;

    /// Appends Count bytes to the variable part and points the size/offset
    /// pair at PairOffset (the size field; the offset follows it) at them.
    /// Count 0 leaves the pair 0. Align pads the variable part to 4 first.
    void PutData(uint32_t PairOffset, const void* Bytes, uint32_t Count, bool Align = false);
    /// A string with its terminating zero; an empty string leaves the pair 0.
    void PutString(uint32_t PairOffset, const std::string& Text);
    /// Strings each with its zero, then one more zero (a device class list).
    void PutMultiString(uint32_t PairOffset, const std::vector<std::string>& Texts);
    /// A list of 32-bit values.
    void PutDwords(uint32_t PairOffset, const std::vector<uint32_t>& Values);
    /// Reserves Count zero bytes (aligned to 4) for entries whose fields are
    /// set afterwards with PutDword/PutString, points the pair at PairOffset
    /// at them and returns their offset (0 for Count 0).
    uint32_t PutList(uint32_t PairOffset, uint32_t Count);
    /// A count field of the fixed part that describes the variable part; it
    /// is cleared with the pairs when the variable part is left out.
    void MarkCount(uint32_t Offset);

    uint32_t NeededSize() const { return static_cast<uint32_t>(FBytes.size()); }
    uint32_t FixedSize() const { return FFixedSize; }

    /// Writes the answer into Block, whose dwTotalSize is TotalSize (at least
    /// the fixed size), then spoils it as Hostile asks.
    void WriteTo(void* Block, uint32_t TotalSize, THostileBlock Hostile = hbNone) const;

private:
    uint32_t Append(const void* Bytes, uint32_t Count, bool Align);

    uint32_t FFixedSize;
    std::vector<uint8_t> FBytes;
    std::vector<uint32_t> FPairs;    // pair offsets inside the fixed part
    std::vector<uint32_t> FCounts;   // count offsets inside the fixed part
};

/// dwTotalSize of a caller's block (0 for a null block).
uint32_t BlockTotalSize(const void* Block);

/// Whether the caller's block can hold the fixed part of FixedSize bytes.
inline bool FitsFixed(const void* Block, uint32_t FixedSize)
{
    return Block && BlockTotalSize(Block) >= FixedSize;
}

/// Reads a LINECALLPARAMS block the application handed in. Null gives the
/// defaults. Returns false (LINEERR_INVALCALLPARAMS for the caller) when
/// dwTotalSize is below the fixed size or a string lies outside the block.
bool ReadCallParams(const LINECALLPARAMS* Block, TCallParamsData& Params);

/// The bytes of a block pair, or empty when the pair lies outside TotalSize.
std::string BlockString(const void* Block, uint32_t TotalSize, uint32_t PairOffset, bool CutAtZero = true);

/// Builds a VARSTRING answer (phoneGetDisplay, lineGetIDA, non-directed park).
TBlockImage VarStringImage(uint32_t Format, const void* Bytes, uint32_t Count);

}  // namespace kxtapi::service
