// What the LED draws: the pixel map in both styles and both states, the
// background around it, and repaints when its look changes.
#include "led_test_util.h"

#include <gtest/gtest.h>

using namespace kxtapi;
using namespace kxtapi::test;

namespace {

class LedPaint : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application()->SetMainThread();
        Application()->ProcessMessages();
    }

    /// Compares every pixel of the 16 x 16 control with the map.
    static void ExpectPicture(const TComPortLed& Led, bool Raised, TColor Lit, TColor Background)
    {
        const TCanvas* C = Led.Canvas();
        ASSERT_EQ(C->Get_Width(), 16);
        ASSERT_EQ(C->Get_Height(), 16);
        int Wrong = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                if (C->Get_Pixels(x, y) != ExpectedPixel(x, y, Raised, Lit, Background)) {
                    if (++Wrong <= 5)
                        ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex
                                      << C->Get_Pixels(x, y) << ", expected "
                                      << ExpectedPixel(x, y, Raised, Lit, Background);
                }
        EXPECT_EQ(Wrong, 0);
    }
};

} // namespace

TEST_F(LedPaint, NewLedIsADarkLoweredDsrLedOfSixteenPixels)
{
    TComPortLed Led(nullptr);
    EXPECT_EQ(Led.Get_Width(), 16);
    EXPECT_EQ(Led.Get_Height(), 16);
    EXPECT_FALSE(Led.Get_Active());
    EXPECT_EQ(Led.Get_Style(), bsLowered);
    EXPECT_EQ(Led.Get_ColorOn(), 0x00FF00u);
    EXPECT_EQ(Led.Get_ColorOff(), 0x008000u);
    EXPECT_EQ(Led.Get_Signal(), csDSR);
    EXPECT_EQ(Led.Get_ComPort(), nullptr);
    ASSERT_NE(Led.Get_Timer(), nullptr);
    EXPECT_FALSE(Led.Get_Timer()->Get_Enabled());
    EXPECT_EQ(Led.Get_Timer()->Get_Interval(), 200u);
    EXPECT_TRUE(Led.Get_Timer()->IsSubComponent());
    EXPECT_EQ(Led.Get_Timer()->Get_Owner(), &Led);

    Application()->ProcessMessages();
    ExpectPicture(Led, false, clGreen, 0xF0F0F0);
}

TEST_F(LedPaint, BothStylesInBothStates)
{
    TProbeLed Led(nullptr);
    Led.SetActive(true);
    Application()->ProcessMessages();
    ExpectPicture(Led, false, clLime, 0xF0F0F0);

    Led.SetStyle(bsRaised);
    Application()->ProcessMessages();
    ExpectPicture(Led, true, clLime, 0xF0F0F0);

    Led.SetActive(false);
    Application()->ProcessMessages();
    ExpectPicture(Led, true, clGreen, 0xF0F0F0);

    // Spot checks against the rim colours by name.
    EXPECT_EQ(Led.Canvas()->Get_Pixels(5, 1), clBlack);   // 2, raised
    EXPECT_EQ(Led.Canvas()->Get_Pixels(5, 2), clSilver);  // 3
    EXPECT_EQ(Led.Canvas()->Get_Pixels(5, 12), clBlack);  // 4
    EXPECT_EQ(Led.Canvas()->Get_Pixels(6, 11), clGray);   // 5
}

TEST_F(LedPaint, ColoursAndBackgroundOfTheOwnChoice)
{
    TProbeLed Led(nullptr);
    Led.SetColor(0, clRed);
    Led.SetColor(7, clMaroon);   // any index but 0 is the dark colour
    Led.Set_Color(clWhite);      // background
    Application()->ProcessMessages();
    EXPECT_EQ(Led.Get_ColorOff(), clMaroon);
    ExpectPicture(Led, false, clMaroon, clWhite);
    Led.SetActive(true);
    Application()->ProcessMessages();
    ExpectPicture(Led, false, clRed, clWhite);

    // The map does not stretch with the control: the rest is background.
    Led.SetBounds(0, 0, 20, 15);
    Application()->ProcessMessages();
    EXPECT_EQ(Led.Canvas()->Get_Pixels(19, 5), clWhite);
    EXPECT_EQ(Led.Canvas()->Get_Pixels(7, 7), clRed);
    EXPECT_EQ(Led.Canvas()->Get_Pixels(5, 12), clWhite);  // 4, lowered: white anyway
    EXPECT_EQ(Led.Canvas()->Get_Pixels(5, 11), 0xC0C0C0u);
}

TEST_F(LedPaint, ColourAtEachDigitAndOffTheMap)
{
    TProbeLed Led(nullptr);
    EXPECT_EQ(Led.GetColorAt(0, 0), 0x1FFFFFFFu);
    EXPECT_EQ(Led.GetColorAt(14, 5), clNone);
    EXPECT_EQ(Led.GetColorAt(-1, 5), clNone);
    EXPECT_EQ(Led.GetColorAt(5, 5), clGreen);
    EXPECT_EQ(Led.GetColorAt(1, 5), clGray);
    EXPECT_EQ(Led.GetColorAt(2, 5), clBlack);
    EXPECT_EQ(Led.GetColorAt(12, 5), clWhite);
    EXPECT_EQ(Led.GetColorAt(11, 5), clSilver);
    for (int y = 0; y < 14; ++y)
        EXPECT_STREQ(TComPortLed::Map[y], ExpectedMap[y]) << "row " << y;
}

TEST_F(LedPaint, ChangesRepaintOnceAndSignalDoesNotRepaint)
{
    TProbeLed Led(nullptr);
    Application()->ProcessMessages();
    struct : TControlObserver {
        int N = 0;
        void ControlPainted(TCustomControl*) override { ++N; }
    } Paints;
    Led.AddObserver(&Paints);

    Led.SetActive(true);
    Led.SetActive(true);  // no change: nothing more
    Led.SetColor(1, clOlive);
    Application()->ProcessMessages();
    EXPECT_EQ(Paints.N, 1);
    Led.SetSignal(csCTS);
    EXPECT_FALSE(Led.PaintPending());
    EXPECT_TRUE(Led.Get_Active());  // shown from the next notification on
    Led.SetStyle(bsLowered);        // stored and repainted even when equal
    Application()->ProcessMessages();
    EXPECT_EQ(Paints.N, 2);
    Led.RemoveObserver(&Paints);
}
