// The palette pictures of the package's components: 24 x 24 pixels in the
// 16 colours of `PaletteColors`, one per component class, named after the
// class in upper case ("TTAPILINE").
//
//   TCanvas Picture;
//   if (DrawComponentBitmap("TTapiLine", Picture)) ShowOnPalette(Picture);
#pragma once

#include "kxtapi/rtl/graphics.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace kxtapi {

/// Width and height of a palette picture.
inline constexpr int PaletteBitmapSize = 24;

/// The 16 colours the pictures use: black, maroon, green, olive, navy,
/// purple, teal, gray, silver, red, lime, yellow, blue, fuchsia, aqua, white.
const std::array<TColor, 16>& PaletteColors();

/// The names of the pictures the package carries: "TCOMPORT",
/// "TCOMPORTLED", "TTAPIAPPL", "TTAPILINE", "TTAPIPHONE".
std::vector<std::string> PaletteBitmapNames();

/// Draws the picture named Name (exact, upper case) into Canvas, which
/// becomes 24 x 24; false, with Canvas unchanged, when there is none.
bool DrawPaletteBitmap(std::string_view Name, TCanvas& Canvas);

/// Draws the picture of the component class named ClassName (any letter
/// case): the one named after it in upper case.
bool DrawComponentBitmap(std::string_view ClassName, TCanvas& Canvas);

} // namespace kxtapi
