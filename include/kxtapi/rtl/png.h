// PNG files of a canvas. Present only in builds made with libpng, which
// define KXTAPI_HAVE_PNG (the CMake target and kxtapi.pc pass it on to
// applications).
#pragma once

#include "kxtapi/rtl/graphics.h"
#include "kxtapi/rtl/object.h"

#include <string>

#ifdef KXTAPI_HAVE_PNG

namespace kxtapi {

/// A PNG file that cannot be written or read; the message names the file and
/// says why.
class EPngError : public Exception {
public:
    using Exception::Exception;
    std::string ClassName() const override { return "EPngError"; }
};

/// Writes the canvas as an 8-bit RGB PNG (no alpha) to Path, replacing the
/// file. Raises EPngError when the file cannot be written (an empty canvas
/// cannot be written either: PNG has no 0-pixel images).
void SaveCanvasToPng(const TCanvas& Canvas, const std::string& Path);

/// Reads a PNG file of any colour type into Canvas, which takes its size
/// (at most 16384 pixels a side and 16 Mi pixels); transparent pixels are
/// composited on white. Raises EPngError for a file that cannot be read, is
/// not a PNG or is too large; Canvas is unchanged then.
void LoadCanvasFromPng(TCanvas& Canvas, const std::string& Path);

} // namespace kxtapi

#endif // KXTAPI_HAVE_PNG
