#include "kxtapi/rtl/png.h"

#ifdef KXTAPI_HAVE_PNG

#include <png.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace kxtapi {

namespace {

// The simplified libpng interface: no setjmp handling of our own, and every
// failure leaves a message in the image record.
struct TPngImage {
    png_image Image;
    TPngImage()
    {
        std::memset(&Image, 0, sizeof Image);
        Image.version = PNG_IMAGE_VERSION;
    }
    ~TPngImage() { png_image_free(&Image); }
    TPngImage(const TPngImage&) = delete;
    TPngImage& operator=(const TPngImage&) = delete;
};

[[noreturn]] void Fail(const char* What, const std::string& Path, const png_image& Image)
{
    std::string Why = Image.message[0] ? Image.message : "unknown error";
    throw EPngError(std::string(What) + " " + Path + ": " + Why);
}

} // namespace

void SaveCanvasToPng(const TCanvas& Canvas, const std::string& Path)
{
    const int32_t W = Canvas.Get_Width();
    const int32_t H = Canvas.Get_Height();
    if (W <= 0 || H <= 0) throw EPngError("Cannot write " + Path + ": the canvas is empty");
    std::vector<png_byte> Rows(static_cast<size_t>(W) * static_cast<size_t>(H) * 3);
    size_t i = 0;
    for (TColor C : Canvas.PixelData()) {
        Rows[i++] = GetRValue(C);
        Rows[i++] = GetGValue(C);
        Rows[i++] = GetBValue(C);
    }
    TPngImage Png;
    Png.Image.width = static_cast<png_uint_32>(W);
    Png.Image.height = static_cast<png_uint_32>(H);
    Png.Image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&Png.Image, Path.c_str(), 0, Rows.data(), 0, nullptr))
        Fail("Cannot write", Path, Png.Image);
}

void LoadCanvasFromPng(TCanvas& Canvas, const std::string& Path)
{
    TPngImage Png;
    if (!png_image_begin_read_from_file(&Png.Image, Path.c_str()))
        Fail("Cannot read", Path, Png.Image);
    Png.Image.format = PNG_FORMAT_RGB;
    const png_uint_32 W = Png.Image.width;
    const png_uint_32 H = Png.Image.height;
    // Bounded so that a hostile header cannot ask for gigabytes.
    if (W > 0x4000 || H > 0x4000 || static_cast<uint64_t>(W) * H > (1u << 24)) {
        std::string Msg = "Cannot read " + Path + ": the image is too large";
        throw EPngError(Msg);
    }
    std::vector<png_byte> Rows(PNG_IMAGE_SIZE(Png.Image));
    const png_color White = {255, 255, 255};
    if (!png_image_finish_read(&Png.Image, &White, Rows.data(), 0, nullptr))
        Fail("Cannot read", Path, Png.Image);
    Canvas.SetSize(static_cast<int32_t>(W), static_cast<int32_t>(H));
    size_t i = 0;
    for (int32_t y = 0; y < static_cast<int32_t>(H); ++y)
        for (int32_t x = 0; x < static_cast<int32_t>(W); ++x, i += 3)
            Canvas.Set_Pixels(x, y, RGB(Rows[i], Rows[i + 1], Rows[i + 2]));
}

} // namespace kxtapi

#endif // KXTAPI_HAVE_PNG
