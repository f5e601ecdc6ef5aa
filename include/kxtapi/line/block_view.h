// Read-only views over the variable-size TAPI blocks that lines, calls and
// addresses keep (device capabilities, device status, call information,
// address capabilities and status).
//
// A view owns nothing. It is given the owner's block object and reads that
// block's current buffer on every access, so it always shows the result of
// the owner's last query, also after the buffer was grown, shrunk or
// replaced in place:
//
//   TVarBlock FDevCaps{sizeof(LINEDEVCAPS)};   // owned by the line
//   TTapiLineCaps FCaps{&FDevCaps};            // lives no longer than FDevCaps
//   FetchVarBlock(FDevCaps, [&] { return lineGetDevCapsA(..., FDevCaps.As<LINEDEVCAPS>()); });
//   uint32_t Modes = FCaps.GetDWORD(12);       // dwMediaModes
//
// Every field has an index: `GetDWORD(Index)` gives the 32-bit field of
// that index and `GetString(Index)` the string of the (size, offset) pair of
// that index. An index outside the view's list, a missing block or a block
// without a buffer read 0 and the empty string. Reads are bounded by the
// buffer's allocated size, never by what the provider wrote into it: a field
// beyond the buffer reads 0 and a string reaching past its end is cut there.
#pragma once

#include "kxtapi/rtl/classes.h"
#include "kxtapi/session/var_block.h"

#include <cstdint>
#include <span>
#include <string>

namespace kxtapi {

/// One indexed field of a view: its published name and the byte offset of
/// its 32-bit field (for a string, of the pair's size field; the offset field
/// follows it).
struct TBlockField {
    const char* Name;
    uint32_t Offset;
};

/// Base of the block views. Derives from TPersistent so that the views'
/// read-only properties can be listed through the property registry; a view
/// cannot be assigned.
class TTapiBlockView : public TPersistent {
public:
    /// Block may be null (everything reads 0 and empty).
    explicit TTapiBlockView(const TVarBlock* Block = nullptr) noexcept : FBlock(Block) {}

    std::string ClassName() const override { return "TTapiBlockView"; }

    /// The block read; null when none.
    const TVarBlock* Get_Block() const noexcept { return FBlock; }
    /// Points the view at another block object (or none).
    void Set_Block(const TVarBlock* Block) noexcept { FBlock = Block; }

    /// The 32-bit field of that index; 0 for any other index.
    virtual uint32_t GetDWORD(int Index) const;
    /// The string of the pair of that index, cut at its first zero byte; ""
    /// for any other index.
    virtual std::string GetString(int Index) const;

    /// The view's indexed fields, in index order.
    virtual std::span<const TBlockField> DWordFields() const noexcept { return {}; }
    virtual std::span<const TBlockField> StringFields() const noexcept { return {}; }

protected:
    /// Bounded access to the current buffer (empty without one).
    TBlockView View() const noexcept { return FBlock != nullptr ? FBlock->View() : TBlockView(); }

private:
    const TVarBlock* FBlock;
};

} // namespace kxtapi
