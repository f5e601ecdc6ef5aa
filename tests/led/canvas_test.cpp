// The canvas: pixels, clipping, fills, system colours, and PNG files.
#include "kxtapi/rtl.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

using namespace kxtapi;

TEST(Canvas, PixelsReadBackWhatWasDrawnAndNothingOutside)
{
    TCanvas C;
    EXPECT_EQ(C.Get_Pixels(0, 0), clNone);  // a new canvas is empty
    C.SetSize(3, 2);
    EXPECT_EQ(C.Get_Pixels(2, 1), clWhite);
    C.Set_Pixels(2, 1, clRed);
    C.Set_Pixels(0, 0, clBtnFace);          // system colours are resolved
    C.Set_Pixels(1, 0, clNone);             // not drawn
    C.Set_Pixels(3, 0, clBlack);            // outside: clipped
    C.Set_Pixels(-1, 0, clBlack);
    C.Set_Pixels(0, 2, clBlack);
    EXPECT_EQ(C.Get_Pixels(2, 1), 0x0000FFu);
    EXPECT_EQ(C.Get_Pixels(0, 0), 0xF0F0F0u);
    EXPECT_EQ(C.Get_Pixels(1, 0), clWhite);
    EXPECT_EQ(C.Get_Pixels(3, 0), clNone);
    EXPECT_EQ(C.Get_Pixels(0, -1), clNone);
    EXPECT_EQ(C.PixelData(), (std::vector<TColor>{0xF0F0F0, clWhite, clWhite, clWhite, clWhite, clRed}));

    // Growing keeps what was drawn where it was; shrinking cuts.
    C.SetSize(4, 3);
    EXPECT_EQ(C.Get_Pixels(2, 1), clRed);
    EXPECT_EQ(C.Get_Pixels(3, 2), clWhite);
    C.SetSize(1, 1);
    EXPECT_EQ(C.Get_Pixels(0, 0), 0xF0F0F0u);
    EXPECT_EQ(C.Get_Pixels(2, 1), clNone);
    C.SetSize(-5, 4);
    EXPECT_EQ(C.Get_Width(), 0);
    EXPECT_TRUE(C.PixelData().empty());
}

TEST(Canvas, FillRectIsClippedAndFollowsTheBrush)
{
    TCanvas C;
    C.SetSize(4, 4);
    C.Brush()->Set_Color(clNavy);
    C.FillRect(Rect(-2, 1, 2, 99));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(C.Get_Pixels(x, y), (x < 2 && y >= 1) ? clNavy : clWhite) << x << "," << y;

    C.FillRect(Rect(10, 10, 20, 20));  // wholly outside
    C.FillRect(Rect(3, 3, 1, 1));      // empty
    C.Brush()->Set_Style(bsClear);
    C.FillRect(C.ClipRect());
    EXPECT_EQ(C.Get_Pixels(3, 0), clWhite);
    C.Brush()->Set_Style(bsSolid);
    C.Brush()->Set_Color(clNone);
    C.FillRect(C.ClipRect());
    EXPECT_EQ(C.Get_Pixels(3, 0), clWhite);
}

TEST(Canvas, ColourValues)
{
    EXPECT_EQ(RGB(0x12, 0x34, 0x56), 0x563412u);
    EXPECT_EQ(GetRValue(clRed), 0xFF);
    EXPECT_EQ(GetBValue(clRed), 0);
    EXPECT_EQ(ColorToRGB(0x12345678), 0x345678u);
    EXPECT_EQ(ColorToRGB(clNone), clNone);
    EXPECT_EQ(ColorToRGB(clWindowText), clBlack);
    EXPECT_EQ(ColorToRGB(clBtnShadow), 0xA0A0A0u);
}

#ifdef KXTAPI_HAVE_PNG

namespace {

std::string TempPath(const char* Name)
{
    return std::string(::testing::TempDir()) + Name + std::to_string(getpid()) + ".png";
}

} // namespace

TEST(CanvasPng, WrittenFileReadsBackPixelForPixel)
{
    TCanvas C;
    C.SetSize(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            C.Set_Pixels(x, y, RGB(static_cast<uint8_t>(x * 50), static_cast<uint8_t>(y * 100), 7));
    const std::string Path = TempPath("canvas");
    SaveCanvasToPng(C, Path);

    std::ifstream In(Path, std::ios::binary);
    char Magic[8] = {};
    In.read(Magic, 8);
    EXPECT_EQ(std::string(Magic + 1, 3), "PNG");

    TCanvas Back;
    LoadCanvasFromPng(Back, Path);
    EXPECT_EQ(Back.Get_Width(), 5);
    EXPECT_EQ(Back.Get_Height(), 3);
    EXPECT_EQ(Back.PixelData(), C.PixelData());
    std::remove(Path.c_str());
}

TEST(CanvasPng, FailuresRaiseAndLeaveTheCanvasAlone)
{
    TCanvas Empty;
    EXPECT_THROW(SaveCanvasToPng(Empty, TempPath("empty")), EPngError);

    TCanvas C;
    C.SetSize(2, 2);
    EXPECT_THROW(SaveCanvasToPng(C, "/nonexistent-dir/x.png"), EPngError);

    const std::string Path = TempPath("notpng");
    {
        std::ofstream Out(Path, std::ios::binary);
        Out << "this is not an image";
    }
    C.Set_Pixels(0, 0, clRed);
    try {
        LoadCanvasFromPng(C, Path);
        FAIL() << "a text file was read as PNG";
    } catch (const EPngError& E) {
        EXPECT_NE(E.Message().find(Path), std::string::npos) << E.Message();
    }
    EXPECT_EQ(C.Get_Width(), 2);
    EXPECT_EQ(C.Get_Pixels(0, 0), clRed);
    EXPECT_THROW(LoadCanvasFromPng(C, TempPath("missing")), EPngError);

    // A file cut short in its image data.
    TCanvas Big;
    Big.SetSize(64, 64);
    for (int i = 0; i < 64; ++i) Big.Set_Pixels(i, (i * 7) % 64, RGB(static_cast<uint8_t>(i * 3), 1, 2));
    SaveCanvasToPng(Big, Path);
    std::string Bytes;
    {
        std::ifstream In(Path, std::ios::binary);
        Bytes.assign(std::istreambuf_iterator<char>(In), {});
    }
    ASSERT_GT(Bytes.size(), 80u);
    {
        std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
        Out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size() - 30));
    }
    EXPECT_THROW(LoadCanvasFromPng(C, Path), EPngError);
    EXPECT_EQ(C.Get_Width(), 2);
    std::remove(Path.c_str());
}

#endif
