// The palette pictures: five of them, 24 x 24, in the 16 colours, found by
// class name.

#include "kxtapi/kxtapireg.h"
#include "kxtapi/rtl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace kxtapi;

namespace {

TEST(PalettePictures, FiveNamedPicturesInSixteenColours)
{
    EXPECT_EQ(PaletteBitmapNames(),
              (std::vector<std::string>{"TCOMPORT", "TCOMPORTLED", "TTAPIAPPL", "TTAPILINE", "TTAPIPHONE"}));
    const auto& Colors = PaletteColors();
    EXPECT_EQ(std::set<TColor>(Colors.begin(), Colors.end()).size(), 16u);
    std::set<std::vector<TColor>> Seen;
    for (const std::string& Name : PaletteBitmapNames()) {
        TCanvas C;
        ASSERT_TRUE(DrawPaletteBitmap(Name, C)) << Name;
        EXPECT_EQ(C.Get_Width(), 24);
        EXPECT_EQ(C.Get_Height(), 24);
        int Drawn = 0;
        for (TColor P : C.PixelData()) {
            EXPECT_NE(std::find(Colors.begin(), Colors.end(), P), Colors.end()) << Name << " " << std::hex << P;
            Drawn += P != clSilver;
        }
        // A picture, not a plain ground.
        EXPECT_GT(Drawn, 100) << Name;
        Seen.insert(C.PixelData());
    }
    EXPECT_EQ(Seen.size(), 5u);
}

TEST(PalettePictures, FoundByClassName)
{
    TCanvas ByName, ByClass;
    ASSERT_TRUE(DrawPaletteBitmap("TTAPILINE", ByName));
    ASSERT_TRUE(DrawComponentBitmap("TTapiLine", ByClass));
    EXPECT_EQ(ByName.PixelData(), ByClass.PixelData());
    EXPECT_TRUE(DrawComponentBitmap("tcomportled", ByClass));

    TCanvas Untouched;
    Untouched.SetSize(3, 3);
    EXPECT_FALSE(DrawComponentBitmap("TkxFifo", Untouched));
    EXPECT_FALSE(DrawPaletteBitmap("TTapiLine", Untouched));  // resource names are upper case
    EXPECT_EQ(Untouched.Get_Width(), 3);
}

} // namespace
