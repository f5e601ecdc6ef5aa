// Indexed reads of the block views.

#include "kxtapi/line/block_view.h"

namespace kxtapi {

uint32_t TTapiBlockView::GetDWORD(int Index) const
{
    const std::span<const TBlockField> Fields = DWordFields();
    if (Index < 0 || static_cast<size_t>(Index) >= Fields.size()) return 0;
    return View().Dword(Fields[Index].Offset);
}

std::string TTapiBlockView::GetString(int Index) const
{
    const std::span<const TBlockField> Fields = StringFields();
    if (Index < 0 || static_cast<size_t>(Index) >= Fields.size()) return std::string();
    return View().String(Fields[Index].Offset, Fields[Index].Offset + 4);
}

} // namespace kxtapi
