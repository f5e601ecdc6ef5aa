#include "kxtapi/rtl/graphics.h"

#include <algorithm>

namespace kxtapi {

TColor ColorToRGB(TColor Color) noexcept
{
    if (Color == clNone || Color == clDefault) return Color;
    if (!IsSystemColor(Color)) return Color & 0x00FFFFFF;
    switch (Color & 0xFF) {
    case 0x05: return clWhite;    // window
    case 0x08: return clBlack;    // window text
    case 0x0F: return 0xF0F0F0;   // button face
    case 0x10: return 0xA0A0A0;   // button shadow
    case 0x12: return clBlack;    // button text
    case 0x14: return clWhite;    // button highlight
    default: return clBlack;
    }
}

void TCanvas::SetSize(int32_t Width, int32_t Height)
{
    Width = std::max(Width, 0);
    Height = std::max(Height, 0);
    if (Width == FWidth && Height == FHeight) return;
    std::vector<TColor> Pixels(static_cast<size_t>(Width) * static_cast<size_t>(Height), clWhite);
    const int32_t KeepW = std::min(Width, FWidth);
    const int32_t KeepH = std::min(Height, FHeight);
    for (int32_t y = 0; y < KeepH; ++y)
        std::copy_n(FPixels.begin() + static_cast<ptrdiff_t>(y) * FWidth, KeepW,
                    Pixels.begin() + static_cast<ptrdiff_t>(y) * Width);
    FPixels = std::move(Pixels);
    FWidth = Width;
    FHeight = Height;
}

TColor TCanvas::Get_Pixels(int32_t X, int32_t Y) const noexcept
{
    if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return clNone;
    return FPixels[static_cast<size_t>(Y) * FWidth + X];
}

void TCanvas::Set_Pixels(int32_t X, int32_t Y, TColor Color) noexcept
{
    if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return;
    if (Color == clNone || Color == clDefault) return;
    FPixels[static_cast<size_t>(Y) * FWidth + X] = ColorToRGB(Color);
}

void TCanvas::FillRect(const TRect& R) noexcept
{
    if (FBrush.Get_Style() == bsClear) return;
    const TColor Color = FBrush.Get_Color();
    if (Color == clNone || Color == clDefault) return;
    const TColor Rgb = ColorToRGB(Color);
    const int32_t Left = std::max(R.Left, 0);
    const int32_t Top = std::max(R.Top, 0);
    const int32_t Right = std::min(R.Right, FWidth);
    const int32_t Bottom = std::min(R.Bottom, FHeight);
    if (Left >= Right || Top >= Bottom) return;
    for (int32_t y = Top; y < Bottom; ++y)
        std::fill_n(FPixels.begin() + static_cast<ptrdiff_t>(y) * FWidth + Left,
                    Right - Left, Rgb);
}

} // namespace kxtapi
