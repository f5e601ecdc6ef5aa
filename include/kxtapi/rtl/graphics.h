// Colours, brushes and a canvas that draws into an in-memory RGB image.
//
// A colour is a TColor, 0x00BBGGRR (red in the low byte). Values with the
// top bit set name system colours (clBtnFace ...), which ColorToRGB turns
// into RGB; clNone and clDefault are markers, never drawn.
//
//   TCanvas Canvas;
//   Canvas.SetSize(16, 16);
//   Canvas.Brush()->Set_Color(clBtnFace);
//   Canvas.FillRect(Canvas.ClipRect());
//   Canvas.Set_Pixels(3, 4, clLime);
//   TColor C = Canvas.Get_Pixels(3, 4);          // 0x0000FF00
#pragma once

#include "kxtapi/rtl/object.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kxtapi {

/// A colour, 0x00BBGGRR, or a system colour (0x80000000 | index).
using TColor = uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;

/// No colour: "draw nothing here".
inline constexpr TColor clNone = 0x1FFFFFFF;
/// The control's default colour, whatever that is.
inline constexpr TColor clDefault = 0x20000000;

// System colours (index in the low byte).
inline constexpr TColor clWindow = 0x80000005;
inline constexpr TColor clWindowText = 0x80000008;
inline constexpr TColor clBtnFace = 0x8000000F;
inline constexpr TColor clBtnShadow = 0x80000010;
inline constexpr TColor clBtnText = 0x80000012;
inline constexpr TColor clBtnHighlight = 0x80000014;

/// True for a system colour.
constexpr bool IsSystemColor(TColor Color) noexcept { return (Color & 0x80000000u) != 0; }

/// The RGB value (0x00BBGGRR) of Color: system colours from the fixed
/// palette below (clBtnFace 0xF0F0F0, clWindow white, clWindowText black,
/// clBtnShadow 0xA0A0A0, clBtnText black, clBtnHighlight white; an unknown
/// index gives black); clNone and clDefault stay as they are; any other value
/// keeps its low 24 bits.
TColor ColorToRGB(TColor Color) noexcept;

/// Red, green and blue parts of an RGB colour, and back.
constexpr uint8_t GetRValue(TColor Color) noexcept { return static_cast<uint8_t>(Color); }
constexpr uint8_t GetGValue(TColor Color) noexcept { return static_cast<uint8_t>(Color >> 8); }
constexpr uint8_t GetBValue(TColor Color) noexcept { return static_cast<uint8_t>(Color >> 16); }
constexpr TColor RGB(uint8_t R, uint8_t G, uint8_t B) noexcept
{
    return static_cast<TColor>(R) | (static_cast<TColor>(G) << 8) | (static_cast<TColor>(B) << 16);
}

/// A rectangle; Right and Bottom are exclusive.
struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    constexpr int32_t Width() const noexcept { return Right - Left; }
    constexpr int32_t Height() const noexcept { return Bottom - Top; }
    constexpr bool operator==(const TRect&) const noexcept = default;
};

constexpr TRect Rect(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom) noexcept
{
    return TRect{Left, Top, Right, Bottom};
}

/// How a brush fills: solid in its colour, or not at all.
enum TBrushStyle { bsSolid, bsClear };

/// The fill of a canvas.
class TBrush : public TObject {
public:
    std::string ClassName() const override { return "TBrush"; }
    /// Default clWhite.
    TColor Get_Color() const noexcept { return FColor; }
    void Set_Color(TColor Value) noexcept { FColor = Value; }
    /// Default bsSolid.
    TBrushStyle Get_Style() const noexcept { return FStyle; }
    void Set_Style(TBrushStyle Value) noexcept { FStyle = Value; }

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
};

/// A drawing surface over an RGB image of Width x Height pixels, each held
/// as an RGB TColor (system colours are resolved when drawn). A new canvas
/// is 0 x 0. Drawing outside the image is clipped away.
class TCanvas : public TObject {
public:
    std::string ClassName() const override { return "TCanvas"; }

    int32_t Get_Width() const noexcept { return FWidth; }
    int32_t Get_Height() const noexcept { return FHeight; }
    /// Resizes the image; pixels inside both the old and the new size keep
    /// their colour, new ones are white. Negative sizes count as 0.
    void SetSize(int32_t Width, int32_t Height);
    /// The whole image: Rect(0, 0, Width, Height).
    TRect ClipRect() const noexcept { return Rect(0, 0, FWidth, FHeight); }

    TBrush* Brush() noexcept { return &FBrush; }
    const TBrush* Brush() const noexcept { return &FBrush; }

    /// The pixel at (X, Y) as an RGB colour; clNone outside the image.
    TColor Get_Pixels(int32_t X, int32_t Y) const noexcept;
    /// Sets the pixel at (X, Y) to Color (a system colour is resolved first).
    /// Outside the image, or for clNone and clDefault, nothing is drawn.
    void Set_Pixels(int32_t X, int32_t Y, TColor Color) noexcept;

    /// Fills R (clipped to the image) with the brush colour; nothing when
    /// the brush is bsClear or its colour is clNone or clDefault.
    void FillRect(const TRect& R) noexcept;

    /// The pixels row by row, Width per row, each an RGB colour.
    const std::vector<TColor>& PixelData() const noexcept { return FPixels; }

private:
    int32_t FWidth = 0;
    int32_t FHeight = 0;
    std::vector<TColor> FPixels;
    TBrush FBrush;
};

} // namespace kxtapi
