// The palette pictures: 24 x 24 pixels in 16 colours, drawn from a few
// primitives on a silver ground.

#include "kxtapi/design/palette.h"

#include "kxtapi/rtl/strings.h"

#include <cstdlib>

namespace kxtapi {
namespace {

// Drawing primitives; coordinates are inclusive.
void Fill(TCanvas& C, int X0, int Y0, int X1, int Y1, TColor Color)
{
    C.Brush()->Set_Color(Color);
    C.FillRect(Rect(X0, Y0, X1 + 1, Y1 + 1));
}

void Frame(TCanvas& C, int X0, int Y0, int X1, int Y1, TColor Color)
{
    for (int x = X0; x <= X1; ++x) {
        C.Set_Pixels(x, Y0, Color);
        C.Set_Pixels(x, Y1, Color);
    }
    for (int y = Y0; y <= Y1; ++y) {
        C.Set_Pixels(X0, y, Color);
        C.Set_Pixels(X1, y, Color);
    }
}

void Line(TCanvas& C, int X0, int Y0, int X1, int Y1, TColor Color)
{
    const int dx = std::abs(X1 - X0), sx = X0 < X1 ? 1 : -1;
    const int dy = -std::abs(Y1 - Y0), sy = Y0 < Y1 ? 1 : -1;
    int err = dx + dy;
    while (true) {
        C.Set_Pixels(X0, Y0, Color);
        if (X0 == X1 && Y0 == Y1) break;
        const int e2 = 2 * err;
        if (e2 >= dy) { err += dy; X0 += sx; }
        if (e2 <= dx) { err += dx; Y0 += sy; }
    }
}

// A filled disc around the centre of the pixel square (X0..X1, Y0..Y1).
void Disc(TCanvas& C, int X0, int Y0, int X1, int Y1, TColor Color)
{
    const int cx2 = X0 + X1, cy2 = Y0 + Y1;  // twice the centre
    const int rx2 = X1 - X0 + 1, ry2 = Y1 - Y0 + 1;  // twice the radii
    for (int y = Y0; y <= Y1; ++y)
        for (int x = X0; x <= X1; ++x) {
            const double u = double(2 * x - cx2) / rx2, v = double(2 * y - cy2) / ry2;
            if (u * u + v * v <= 1.0) C.Set_Pixels(x, y, Color);
        }
}

void Ground(TCanvas& C)
{
    C.SetSize(PaletteBitmapSize, PaletteBitmapSize);
    Fill(C, 0, 0, PaletteBitmapSize - 1, PaletteBitmapSize - 1, clSilver);
}

// A wall socket with a telephone cord leaving it.
void DrawLine(TCanvas& C)
{
    Ground(C);
    Fill(C, 4, 2, 20, 13, clWhite);
    Fill(C, 5, 14, 21, 14, clGray);
    Fill(C, 21, 3, 21, 14, clGray);
    Frame(C, 3, 1, 20, 13, clBlack);
    Fill(C, 8, 5, 15, 10, clBlack);
    for (int x = 9; x <= 14; x += 2) C.Set_Pixels(x, 6, clYellow);
    Fill(C, 10, 10, 13, 12, clGray);
    // The cord, coiled on its way out.
    Fill(C, 11, 13, 12, 15, clNavy);
    for (int i = 0; i < 3; ++i) {
        const int y = 16 + 2 * i, x = 11 + 2 * i;
        Line(C, x, y, x + 2, y, clNavy);
        Line(C, x + 2, y, x + 2, y + 1, clNavy);
        C.Set_Pixels(x + 1, y + 1, clBlue);
    }
    Fill(C, 17, 21, 22, 22, clNavy);
    // The line is live.
    Disc(C, 3, 17, 6, 20, clLime);
    Frame(C, 3, 17, 6, 20, clGreen);
}

// A desk telephone: handset over the body with its keypad.
void DrawPhone(TCanvas& C)
{
    Ground(C);
    // Handset.
    Fill(C, 3, 2, 20, 4, clRed);
    Fill(C, 1, 3, 5, 7, clRed);
    Fill(C, 18, 3, 22, 7, clRed);
    Line(C, 3, 1, 20, 1, clBlack);
    Fill(C, 6, 5, 17, 5, clMaroon);
    Fill(C, 1, 8, 5, 8, clMaroon);
    Fill(C, 18, 8, 22, 8, clMaroon);
    // Body.
    Fill(C, 5, 9, 18, 9, clRed);
    Fill(C, 3, 10, 20, 20, clRed);
    Frame(C, 3, 10, 20, 20, clBlack);
    Fill(C, 4, 21, 21, 21, clMaroon);
    // Keypad: three by three keys.
    Fill(C, 6, 12, 17, 19, clMaroon);
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) Fill(C, 7 + 4 * col, 13 + 2 * row + row / 2, 8 + 4 * col, 13 + 2 * row + row / 2, clWhite);
}

// A nine-pin D connector with its screws and cable.
void DrawComPort(TCanvas& C)
{
    Ground(C);
    Fill(C, 1, 6, 22, 16, clGray);
    Frame(C, 1, 6, 22, 16, clBlack);
    Fill(C, 2, 7, 21, 7, clWhite);
    Disc(C, 2, 9, 5, 12, clSilver);
    Disc(C, 18, 9, 21, 12, clSilver);
    C.Set_Pixels(3, 10, clBlack);
    C.Set_Pixels(20, 10, clBlack);
    // The D-shaped insert, narrower below.
    for (int y = 8; y <= 14; ++y) {
        const int inset = (y - 8) / 3;
        Line(C, 6 + inset, y, 17 - inset, y, clNavy);
    }
    for (int x = 7; x <= 15; x += 2) C.Set_Pixels(x + (x > 11 ? 1 : 0), 10, clYellow);
    for (int x = 8; x <= 14; x += 2) C.Set_Pixels(x + (x > 11 ? 1 : 0) - 0, 12, clYellow);
    // Cable.
    Fill(C, 9, 17, 14, 18, clBlack);
    Fill(C, 10, 19, 13, 23, clTeal);
    Line(C, 10, 19, 10, 23, clBlack);
    Line(C, 13, 19, 13, 23, clBlack);
}

// A red light-emitting diode, lit, on its two legs.
void DrawComPortLed(TCanvas& C)
{
    Ground(C);
    // Glow.
    Line(C, 2, 3, 4, 5, clYellow);
    Line(C, 21, 3, 19, 5, clYellow);
    Line(C, 1, 10, 3, 10, clYellow);
    Line(C, 20, 10, 22, 10, clYellow);
    // Dome and rim.
    Disc(C, 6, 2, 17, 13, clRed);
    Fill(C, 6, 8, 17, 14, clRed);
    Line(C, 8, 5, 9, 4, clWhite);
    C.Set_Pixels(8, 6, clWhite);
    Line(C, 15, 7, 15, 12, clMaroon);
    Fill(C, 5, 15, 18, 16, clMaroon);
    // Legs: the longer one is the anode.
    Line(C, 9, 17, 9, 23, clGray);
    Line(C, 14, 17, 14, 21, clGray);
    Line(C, 10, 17, 10, 23, clBlack);
    Line(C, 15, 17, 15, 21, clBlack);
}

// The application's session: a window holding a telephone.
void DrawAppl(TCanvas& C)
{
    Ground(C);
    Fill(C, 1, 2, 22, 21, clWhite);
    Frame(C, 1, 2, 22, 21, clBlack);
    Fill(C, 2, 3, 21, 5, clNavy);
    Fill(C, 18, 3, 20, 5, clSilver);
    Line(C, 18, 3, 20, 5, clBlack);
    Line(C, 20, 3, 18, 5, clBlack);
    // Telephone.
    Fill(C, 6, 9, 17, 10, clTeal);
    Fill(C, 5, 10, 7, 12, clTeal);
    Fill(C, 16, 10, 18, 12, clTeal);
    Fill(C, 7, 13, 16, 19, clTeal);
    Frame(C, 7, 13, 16, 19, clBlack);
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 3; ++col) C.Set_Pixels(9 + 3 * col, 15 + 2 * row, clAqua);
}

struct TPicture {
    const char* Name;
    void (*Draw)(TCanvas&);
};

constexpr TPicture Pictures[] = {
    {"TCOMPORT", DrawComPort},   {"TCOMPORTLED", DrawComPortLed}, {"TTAPIAPPL", DrawAppl},
    {"TTAPILINE", DrawLine},     {"TTAPIPHONE", DrawPhone},
};

} // namespace

const std::array<TColor, 16>& PaletteColors()
{
    static const std::array<TColor, 16> colors = {clBlack, clMaroon, clGreen, clOlive, clNavy,   clPurple,
                                                  clTeal,  clGray,   clSilver, clRed,  clLime,   clYellow,
                                                  clBlue,  clFuchsia, clAqua, clWhite};
    return colors;
}

std::vector<std::string> PaletteBitmapNames()
{
    std::vector<std::string> names;
    for (const TPicture& p : Pictures) names.emplace_back(p.Name);
    return names;
}

bool DrawPaletteBitmap(std::string_view Name, TCanvas& Canvas)
{
    for (const TPicture& p : Pictures)
        if (Name == p.Name) {
            p.Draw(Canvas);
            return true;
        }
    return false;
}

bool DrawComponentBitmap(std::string_view ClassName, TCanvas& Canvas)
{
    return DrawPaletteBitmap(AnsiUpperCase(ClassName), Canvas);
}

} // namespace kxtapi
