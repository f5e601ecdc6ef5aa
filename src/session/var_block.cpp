// The buffer of a variable-size TAPI block, its sizing rules and its bounded
// string readers.

#include "kxtapi/session/var_block.h"

#include <algorithm>
#include <new>

namespace kxtapi {
namespace {

constexpr uint32_t HeaderSize = 12;

} // namespace

std::string TBlockView::StringAt(uint32_t Offset, uint32_t Length) const
{
    if (Length == 0 || FData == nullptr || Offset >= FSize) return std::string();
    const uint32_t Avail = std::min(Length, FSize - Offset);
    const uint8_t* Start = FData + Offset;
    const void* Zero = std::memchr(Start, 0, Avail);
    const size_t n = Zero != nullptr ? static_cast<const uint8_t*>(Zero) - Start : Avail;
    return std::string(reinterpret_cast<const char*>(Start), n);
}

std::string TBlockView::CString(uint32_t Offset, uint32_t Limit) const
{
    return StringAt(Offset, Limit);
}

void TVarBlock::Allocate(uint32_t FixedSize)
{
    const uint32_t n = std::max(FixedSize, HeaderSize);
    std::vector<uint8_t> Fresh(n, 0);
    FBuffer.swap(Fresh);
    SetDword(0, n);
}

void TVarBlock::Free() noexcept
{
    std::vector<uint8_t>().swap(FBuffer);
}

bool TVarBlock::Resize(uint32_t NewSize) noexcept
{
    NewSize = std::max(NewSize, HeaderSize);
    if (NewSize > MaxVarBlockSize) return false;
    try {
        if (NewSize < FBuffer.size()) {
            std::vector<uint8_t> Smaller(FBuffer.begin(), FBuffer.begin() + NewSize);
            FBuffer.swap(Smaller);
        } else {
            FBuffer.resize(NewSize, 0);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    SetDword(0, NewSize);
    return true;
}

bool PrepareVarBlock(TVarBlock& Block) noexcept
{
    if (!Block.Exists()) {
        if (!Block.Resize(MinVarBlockSize)) return false;
    } else {
        const uint32_t Size = Block.Size();
        const uint32_t Needed = Block.Get_NeededSize();
        if (Needed > Size) {
            // Checked before rounding, so a size near 2^32 cannot wrap into a
            // small buffer.
            if (Needed > MaxVarBlockSize) return false;
            if (!Block.Resize((Needed + 3u) & ~3u)) return false;
        } else if (Size < MinVarBlockSize) {
            if (!Block.Resize(MinVarBlockSize)) return false;
        }
    }
    Block.SetDword(0, Block.Size());
    Block.Set_NeededSize(0);
    Block.Set_UsedSize(0);
    return true;
}

uint32_t CheckVarBlock(uint32_t Result, TVarBlock& Block) noexcept
{
    // The provider may have written anything into the header; the buffer's
    // real size is what counts.
    const uint32_t Size = Block.Size();
    Block.SetDword(0, Size);
    const uint32_t Needed = Block.Get_NeededSize();
    if (Result == LINEERR_STRUCTURETOOSMALL || (Result == 0 && Size < Needed)) {
        if (Needed < MinVarBlockSize) Block.Set_NeededSize(MinVarBlockSize);
        return LINEERR_STRUCTURETOOSMALL;
    }
    if (Result != 0) return Result;
    const uint32_t Used = Block.Get_UsedSize();
    if (Used < Size && Used > MinVarBlockSize) Block.Resize(std::max(Needed, Used));
    return 0;
}

} // namespace kxtapi
