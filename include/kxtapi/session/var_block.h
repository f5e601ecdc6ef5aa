// Variable-size TAPI blocks: the buffer that owns one, the loop that fetches
// it, and the bounded readers every Part of the library reads blocks with.
//
// A TAPI block begins with dwTotalSize (the buffer's size, set by the
// caller), dwNeededSize and dwUsedSize (filled by the provider), then its
// fixed fields, then a variable part addressed by (size, offset) pairs
// counted from the block's start. Providers are not trusted: whatever sizes,
// offsets and counts they write, a read through this header stays inside the
// buffer, and a size they ask for is capped instead of wrapping.
//
// Fetching (always through FetchVarBlock, never a hand-written loop, so a
// provider that keeps asking for more cannot hang the caller):
//
//   TVarBlock Caps(sizeof(LINEDEVCAPS));          // zero-filled, dwTotalSize 252
//   uint32_t r = FetchVarBlock(Caps, [&] {
//       return lineGetDevCapsA(App, DeviceID, Version, 0, Caps.As<LINEDEVCAPS>());
//   });
//   if (r == 0) {
//       std::string Name = Caps.String(offsetof(LINEDEVCAPS, dwLineNameSize),
//                                      offsetof(LINEDEVCAPS, dwLineNameOffset));
//       uint32_t Modes = Caps.Dword(offsetof(LINEDEVCAPS, dwMediaModes));
//   }
//
// Lists of entries (call handles, location entries, buttons ...):
//
//   uint32_t Count = List.Dword(offsetof(LINECALLLIST, dwCallsNumEntries));
//   uint32_t Offset = List.Dword(offsetof(LINECALLLIST, dwCallsOffset));
//   for (HCALL h : List.Entries<HCALL>(Count, Offset)) ...   // only whole entries inside
//
// Fixed fields can also be read through `As<T>()` (the structures are
// byte-packed; copy a field into a variable, never bind a reference to it).
// Fields beyond the buffer read as 0; strings that reach past its end are
// cut at the end; an entry list is cut to the entries wholly inside.
#pragma once

#include "kxtapi/tapi/errors.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace kxtapi {

/// Smallest buffer handed to a provider (PrepareVarBlock grows smaller ones).
inline constexpr uint32_t MinVarBlockSize = 1024;
/// Largest buffer the library allocates for one answer. A provider asking
/// for more gets LINEERR_NOMEM from FetchVarBlock.
inline constexpr uint32_t MaxVarBlockSize = 16u * 1024u * 1024u;
/// Rounds FetchVarBlock tries before it gives up on a provider that still
/// reports the buffer too small.
inline constexpr int MaxVarBlockRounds = 8;

/// Bounded read access to a block of Size bytes that the view does not own.
/// Every reader stays inside [Data, Data + Size).
class TBlockView {
public:
    TBlockView() noexcept = default;
    TBlockView(const void* Data, uint32_t Size) noexcept
        : FData(static_cast<const uint8_t*>(Data)), FSize(Data != nullptr ? Size : 0) {}

    const uint8_t* Data() const noexcept { return FData; }
    uint32_t Size() const noexcept { return FSize; }

    /// True when [Offset, Offset + Length) lies inside the block (no wrap).
    bool Contains(uint32_t Offset, uint32_t Length) const noexcept
    {
        return Offset <= FSize && Length <= FSize - Offset;
    }
    /// Pointer to Length bytes at Offset, or null when they are not all inside.
    const uint8_t* Bytes(uint32_t Offset, uint32_t Length) const noexcept
    {
        return Contains(Offset, Length) && FData != nullptr ? FData + Offset : nullptr;
    }
    /// The 32-bit value at Offset; 0 when it is not wholly inside.
    uint32_t Dword(uint32_t Offset) const noexcept
    {
        uint32_t v = 0;
        if (const uint8_t* p = Bytes(Offset, 4)) std::memcpy(&v, p, 4);
        return v;
    }
    /// A copy of the T at Offset; a zero T when it is not wholly inside.
    template <class T>
    T Field(uint32_t Offset) const noexcept
    {
        static_assert(std::is_trivially_copyable_v<T>);
        T v{};
        if (const uint8_t* p = Bytes(Offset, sizeof(T))) std::memcpy(&v, p, sizeof(T));
        return v;
    }

    /// The string of a (size, offset) pair given by value: empty for size 0;
    /// otherwise the bytes at Offset up to the first zero byte or Length
    /// bytes, whichever comes first, cut at the block's end.
    std::string StringAt(uint32_t Offset, uint32_t Length) const;
    /// The string whose size and offset are the 32-bit fields at
    /// SizeField and OffsetField (offsetof of the structure's pair).
    std::string String(uint32_t SizeField, uint32_t OffsetField) const
    {
        return StringAt(Dword(OffsetField), Dword(SizeField));
    }
    /// A zero-terminated string starting at Offset, cut at Limit bytes and at
    /// the block's end.
    std::string CString(uint32_t Offset, uint32_t Limit = 0xFFFFFFFF) const;

    /// How many whole entries of EntrySize bytes, out of Count starting at
    /// Offset, lie inside the block.
    uint32_t EntryCount(uint32_t Count, uint32_t Offset, uint32_t EntrySize) const noexcept
    {
        if (EntrySize == 0 || Offset > FSize) return 0;
        const uint32_t Fit = (FSize - Offset) / EntrySize;
        return Count < Fit ? Count : Fit;
    }
    /// Copies of the entries that lie wholly inside (see EntryCount).
    template <class T>
    std::vector<T> Entries(uint32_t Count, uint32_t Offset) const
    {
        static_assert(std::is_trivially_copyable_v<T>);
        std::vector<T> Out(EntryCount(Count, Offset, sizeof(T)));
        if (!Out.empty()) std::memcpy(Out.data(), FData + Offset, Out.size() * sizeof(T));
        return Out;
    }
    /// Entry Index of a list of Count T at Offset; false (Out unchanged) when
    /// Index >= Count or the entry is not wholly inside.
    template <class T>
    bool Entry(uint32_t Count, uint32_t Offset, uint32_t Index, T& Out) const noexcept
    {
        if (Index >= EntryCount(Count, Offset, sizeof(T))) return false;
        std::memcpy(&Out, FData + Offset + Index * sizeof(T), sizeof(T));
        return true;
    }

private:
    const uint8_t* FData = nullptr;
    uint32_t FSize = 0;
};

/// A heap buffer holding one TAPI block. Between calls its dwTotalSize field
/// equals the allocated size; the readers are bounded by the allocated size,
/// never by what a provider wrote into the header. Movable, not copyable.
class TVarBlock {
public:
    /// No buffer (Exists() false); PrepareVarBlock allocates one.
    TVarBlock() noexcept = default;
    /// A zero-filled buffer of FixedSize bytes (at least the 12 header bytes)
    /// with dwTotalSize set to it: the structure's fixed size.
    explicit TVarBlock(uint32_t FixedSize) { Allocate(FixedSize); }
    TVarBlock(TVarBlock&&) noexcept = default;
    TVarBlock& operator=(TVarBlock&&) noexcept = default;
    TVarBlock(const TVarBlock&) = delete;
    TVarBlock& operator=(const TVarBlock&) = delete;

    /// Replaces the buffer by a fresh zero-filled one of FixedSize bytes.
    void Allocate(uint32_t FixedSize);
    /// Frees the buffer.
    void Free() noexcept;
    bool Exists() const noexcept { return !FBuffer.empty(); }

    /// Grows or shrinks the buffer to NewSize bytes (at least 12), keeping
    /// its contents and zero-filling what is added; sets dwTotalSize. False,
    /// with nothing changed, above MaxVarBlockSize or when memory runs out.
    bool Resize(uint32_t NewSize) noexcept;

    uint8_t* Data() noexcept { return FBuffer.data(); }
    const uint8_t* Data() const noexcept { return FBuffer.data(); }
    /// The allocated size (0 without a buffer).
    uint32_t Size() const noexcept { return static_cast<uint32_t>(FBuffer.size()); }

    /// The buffer as a T to hand to a TAPI function; null without a buffer or
    /// when the buffer is smaller than T.
    template <class T>
    T* As() noexcept
    {
        static_assert(alignof(T) == 1, "TAPI structures are byte-packed");
        return FBuffer.size() >= sizeof(T) ? reinterpret_cast<T*>(FBuffer.data()) : nullptr;
    }
    template <class T>
    const T* As() const noexcept
    {
        static_assert(alignof(T) == 1, "TAPI structures are byte-packed");
        return FBuffer.size() >= sizeof(T) ? reinterpret_cast<const T*>(FBuffer.data()) : nullptr;
    }

    uint32_t Get_TotalSize() const noexcept { return View().Dword(0); }
    uint32_t Get_NeededSize() const noexcept { return View().Dword(4); }
    uint32_t Get_UsedSize() const noexcept { return View().Dword(8); }
    void Set_NeededSize(uint32_t Value) noexcept { SetDword(4, Value); }
    void Set_UsedSize(uint32_t Value) noexcept { SetDword(8, Value); }

    /// Writes the 32-bit value at Offset when it lies wholly inside.
    void SetDword(uint32_t Offset, uint32_t Value) noexcept
    {
        if (Offset <= Size() && Size() - Offset >= 4) std::memcpy(FBuffer.data() + Offset, &Value, 4);
    }

    /// Bounded readers over the whole buffer (see TBlockView).
    TBlockView View() const noexcept { return TBlockView(FBuffer.data(), Size()); }
    uint32_t Dword(uint32_t Offset) const noexcept { return View().Dword(Offset); }
    template <class T> T Field(uint32_t Offset) const noexcept { return View().template Field<T>(Offset); }
    std::string String(uint32_t SizeField, uint32_t OffsetField) const { return View().String(SizeField, OffsetField); }
    std::string StringAt(uint32_t Offset, uint32_t Length) const { return View().StringAt(Offset, Length); }
    std::string CString(uint32_t Offset, uint32_t Limit = 0xFFFFFFFF) const { return View().CString(Offset, Limit); }
    uint32_t EntryCount(uint32_t Count, uint32_t Offset, uint32_t EntrySize) const noexcept
    {
        return View().EntryCount(Count, Offset, EntrySize);
    }
    template <class T> std::vector<T> Entries(uint32_t Count, uint32_t Offset) const { return View().template Entries<T>(Count, Offset); }
    template <class T> bool Entry(uint32_t Count, uint32_t Offset, uint32_t Index, T& Out) const noexcept
    {
        return View().Entry(Count, Offset, Index, Out);
    }

private:
    std::vector<uint8_t> FBuffer;
};

/// Sizes a block before a call: a block whose dwNeededSize exceeds its size
/// grows to dwNeededSize rounded up to a multiple of 4; otherwise a block
/// below MinVarBlockSize grows to it. Then dwNeededSize and dwUsedSize
/// become 0. A block without a buffer gets one of MinVarBlockSize. False,
/// with the block unchanged, when the size asked for is above
/// MaxVarBlockSize or cannot be allocated.
bool PrepareVarBlock(TVarBlock& Block) noexcept;

/// Judges the result of the call that filled Block:
/// - LINEERR_STRUCTURETOOSMALL, or success with dwNeededSize above the
///   buffer's size: dwNeededSize is raised to at least MinVarBlockSize, and
///   the result is LINEERR_STRUCTURETOOSMALL (call again);
/// - any other error: returned as it is;
/// - success: a buffer that was used for more than MinVarBlockSize bytes but
///   not wholly shrinks to max(dwNeededSize, dwUsedSize); the result is 0.
/// dwTotalSize is set back to the buffer's size in every case.
uint32_t CheckVarBlock(uint32_t Result, TVarBlock& Block) noexcept;

/// The string of the (size, offset) pair whose size field is at
/// SizeField; the offset field follows it, as in every TAPI structure.
inline std::string VarBlockString(const TVarBlock& Block, uint32_t SizeField)
{
    return Block.String(SizeField, SizeField + 4);
}

/// Which results FetchVarBlock repeats the call for.
enum TFetchRepeat {
    frLineTooSmall,        ///< only LINEERR_STRUCTURETOOSMALL (the usual loop)
    frLineOrPhoneTooSmall  ///< also PHONEERR_STRUCTURETOOSMALL
};

/// The fetch loop: PrepareVarBlock, Call() (which passes Block to the TAPI
/// function and returns its result), CheckVarBlock, repeated while the
/// judged result says the block was too small. Returns the judged result of
/// the last call; LINEERR_NOMEM when the provider asks for more than
/// MaxVarBlockSize; LINEERR_OPERATIONFAILED when it still reports the block
/// too small after MaxVarBlockRounds calls.
template <class F>
uint32_t FetchVarBlock(TVarBlock& Block, F&& Call, TFetchRepeat Repeat = frLineTooSmall)
{
    for (int Round = 0; Round < MaxVarBlockRounds; ++Round) {
        if (!PrepareVarBlock(Block)) return LINEERR_NOMEM;
        const uint32_t r = CheckVarBlock(static_cast<uint32_t>(Call()), Block);
        const bool TooSmall = r == LINEERR_STRUCTURETOOSMALL ||
                              (Repeat == frLineOrPhoneTooSmall && r == PHONEERR_STRUCTURETOOSMALL);
        if (!TooSmall) return r;
    }
    return LINEERR_OPERATIONFAILED;
}

} // namespace kxtapi
