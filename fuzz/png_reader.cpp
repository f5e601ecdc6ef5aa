// PNG files read into a canvas: the input is taken as a whole file, and also
// as edits (offset, byte pairs, then a cut) of a valid PNG, so that corrupt
// headers, chunks and image data reach the reader rather than only a bad
// signature. Every read either raises EPngError and leaves the canvas
// alone, or yields an image within the size limits whose pixels survive
// being written and read again.
#include <kxtapi/rtl.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#ifdef KXTAPI_HAVE_PNG

using namespace kxtapi;

namespace {

void Check(bool Ok, const char* What)
{
    if (!Ok) {
        std::fprintf(stderr, "png fuzz: %s\n", What);
        std::abort();
    }
}

const std::string& TempPath()
{
    // Memory-backed where there is such a folder: the target writes a file
    // per input. Never freed, so the exit handler can still name it.
    static const std::string* Path = [] {
        const char* Dir = std::getenv("TMPDIR");
        std::string Folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : (Dir && *Dir ? Dir : "/tmp");
        auto* P = new std::string(Folder + "/kxtapi-png-fuzz-" + std::to_string(getpid()) + ".png");
        std::atexit([] { std::remove(TempPath().c_str()); });
        return P;
    }();
    return *Path;
}

std::vector<uint8_t> ReadBytes(const std::string& Path)
{
    std::ifstream In(Path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(In), {});
}

void WriteBytes(const std::string& Path, const std::vector<uint8_t>& Bytes)
{
    std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
    Out.write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
}

/// A small valid PNG made by the writer.
const std::vector<uint8_t>& BaseImage()
{
    static const std::vector<uint8_t> Bytes = [] {
        TCanvas C;
        C.SetSize(9, 5);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 9; ++x) C.Set_Pixels(x, y, RGB(uint8_t(x * 28), uint8_t(y * 60), uint8_t(x ^ y)));
        SaveCanvasToPng(C, TempPath());
        return ReadBytes(TempPath());
    }();
    return Bytes;
}

void ReadOne(const std::vector<uint8_t>& File)
{
    WriteBytes(TempPath(), File);
    TCanvas C;
    C.SetSize(2, 1);
    C.Set_Pixels(0, 0, clRed);
    try {
        LoadCanvasFromPng(C, TempPath());
    } catch (const EPngError&) {
        Check(C.Get_Width() == 2 && C.Get_Height() == 1 && C.Get_Pixels(0, 0) == clRed,
              "a failed read changed the canvas");
        return;
    }
    Check(C.Get_Width() > 0 && C.Get_Height() > 0, "an empty image was read");
    Check(C.Get_Width() <= 0x4000 && C.Get_Height() <= 0x4000, "an image beyond the limits was read");
    const std::vector<TColor> Pixels = C.PixelData();
    SaveCanvasToPng(C, TempPath());
    TCanvas Again;
    LoadCanvasFromPng(Again, TempPath());
    Check(Again.PixelData() == Pixels, "pixels changed when written and read again");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    ReadOne(std::vector<uint8_t>(Data, Data + Size));

    std::vector<uint8_t> Edited = BaseImage();
    size_t i = 0;
    for (; i + 1 < Size && i < 16; i += 2) Edited[Data[i] % Edited.size()] = Data[i + 1];
    if (i < Size) Edited.erase(Edited.end() - static_cast<ptrdiff_t>(Data[i] % (Edited.size() / 2)), Edited.end());
    ReadOne(Edited);
    return 0;
}

#else

extern "C" int LLVMFuzzerTestOneInput(const uint8_t*, size_t)
{
    return 0;
}

#endif
