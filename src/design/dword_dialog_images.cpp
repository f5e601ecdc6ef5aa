// The six check-box pictures of the bit-flag dialog's rows.

#include "kxtapi/design/dword_dialog.h"

#include "kxtapi/rtl/format.h"

#include <cstdlib>

namespace kxtapi {
namespace {

constexpr int Size = TDWordDlgLayout::ImageSize;
// The box: a gray frame around the cells 3 .. 12.
constexpr int BoxFirst = 2;
constexpr int BoxLast = 13;

// A line two pixels thick (the pixel below each point too).
void ThickLine(TCanvas& C, int X0, int Y0, int X1, int Y1, TColor Color)
{
    const int dx = std::abs(X1 - X0), sx = X0 < X1 ? 1 : -1;
    const int dy = -std::abs(Y1 - Y0), sy = Y0 < Y1 ? 1 : -1;
    int err = dx + dy;
    while (true) {
        C.Set_Pixels(X0, Y0, Color);
        C.Set_Pixels(X0, Y0 + 1, Color);
        if (X0 == X1 && Y0 == Y1) break;
        const int e2 = 2 * err;
        if (e2 >= dy) { err += dy; X0 += sx; }
        if (e2 <= dx) { err += dx; Y0 += sy; }
    }
}

void Box(TCanvas& C, bool Dotted)
{
    C.Brush()->Set_Color(clWhite);
    C.FillRect(C.ClipRect());
    for (int i = BoxFirst; i <= BoxLast; ++i) {
        C.Set_Pixels(i, BoxFirst, clGray);
        C.Set_Pixels(i, BoxLast, clGray);
        C.Set_Pixels(BoxFirst, i, clGray);
        C.Set_Pixels(BoxLast, i, clGray);
    }
    if (!Dotted) return;
    for (int y = BoxFirst + 1; y < BoxLast; ++y)
        for (int x = BoxFirst + 1; x < BoxLast; ++x)
            if ((x + y) % 2 == 0) C.Set_Pixels(x, y, clYellow);
}

} // namespace

void DrawDWordDlgImage(int Index, TCanvas& Canvas)
{
    if (Index < 0 || Index >= TDWordDlgLayout::ImageCount)
        throw EListError(Format("List index out of bounds (%d)", Index));
    Canvas.SetSize(Size, Size);
    // The index is the row's flags: 1 supported, 2 checked, 4 not defined.
    Box(Canvas, (Index & dfSupported) != 0);
    if ((Index & dfChecked) != 0) {
        ThickLine(Canvas, 4, 7, 6, 9, clNavy);
        ThickLine(Canvas, 6, 9, 11, 4, clNavy);
    }
    if ((Index & dfUndefined) != 0) {
        ThickLine(Canvas, 4, 4, 11, 11, clMaroon);
        ThickLine(Canvas, 11, 4, 4, 11, clMaroon);
    }
}

} // namespace kxtapi
