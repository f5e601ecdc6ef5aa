// The custom-control base: queued repaints, showing and hiding, parents and
// the observers that views use.
#include "led_test_util.h"

#include <gtest/gtest.h>

#include <memory>

using namespace kxtapi;

namespace {

/// Paints a red diagonal and counts its paints.
class TDiagonal : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    int Paints = 0;

protected:
    void Paint() override
    {
        ++Paints;
        for (int i = 0; i < Get_Width(); ++i) Canvas()->Set_Pixels(i, i, clRed);
    }
};

struct TRecorder : TControlObserver {
    int Painted = 0;
    int Destroyed = 0;
    TCustomControl* Target = nullptr;
    bool RemoveOnPaint = false;
    void ControlPainted(TCustomControl* C) override
    {
        ++Painted;
        if (RemoveOnPaint) C->RemoveObserver(this);
    }
    void ControlDestroying(TCustomControl* C) override
    {
        ++Destroyed;
        Target = C;
    }
};

class Control : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application()->SetMainThread();
        Application()->ProcessMessages();
    }
};

} // namespace

TEST_F(Control, InvalidateQueuesOneRepaintOfBackgroundThenPaint)
{
    TDiagonal D(nullptr);
    EXPECT_NE(D.Get_Handle(), 0u);
    EXPECT_TRUE(IsWindow(D.Get_Handle()));
    D.SetBounds(5, 6, 3, 3);
    EXPECT_TRUE(D.PaintPending());
    D.Invalidate();
    D.Invalidate();
    EXPECT_EQ(D.Paints, 0);  // nothing before the loop runs
    Application()->ProcessMessages();
    EXPECT_EQ(D.Paints, 1);
    EXPECT_FALSE(D.PaintPending());
    EXPECT_EQ(D.Get_Left(), 5);
    EXPECT_EQ(D.Canvas()->Get_Width(), 3);
    EXPECT_EQ(D.Canvas()->Get_Pixels(1, 1), clRed);
    EXPECT_EQ(D.Canvas()->Get_Pixels(1, 0), 0xF0F0F0u);  // clBtnFace background

    // The background is painted afresh each time, in the control's colour.
    D.Set_Color(clYellow);
    D.Set_Width(4);
    Application()->ProcessMessages();
    EXPECT_EQ(D.Paints, 2);
    EXPECT_EQ(D.Canvas()->Get_Width(), 4);
    EXPECT_EQ(D.Canvas()->Get_Pixels(0, 1), clYellow);
    EXPECT_EQ(D.Canvas()->Get_Pixels(3, 2), clYellow);  // the diagonal stops at the height
    Application()->ProcessMessages();
    EXPECT_EQ(D.Paints, 2);  // no repaint without a request
}

TEST_F(Control, UpdatePaintsAtOnceAndTheQueuedRequestIsThenSpent)
{
    TDiagonal D(nullptr);
    D.Set_Width(2);
    D.Update();
    EXPECT_EQ(D.Paints, 1);
    Application()->ProcessMessages();
    EXPECT_EQ(D.Paints, 1);
    D.Update();  // nothing pending
    EXPECT_EQ(D.Paints, 1);
    D.Repaint();
    EXPECT_EQ(D.Paints, 2);
}

TEST_F(Control, OnlyAShowingControlPaints)
{
    TDiagonal Panel(nullptr);
    TDiagonal D(nullptr);
    D.Set_Parent(&Panel);
    EXPECT_EQ(Panel.ControlCount(), 1);
    EXPECT_EQ(Panel.Controls(0), &D);
    Application()->ProcessMessages();
    const int Before = D.Paints;

    Panel.Set_Visible(false);
    EXPECT_FALSE(D.Showing());
    D.Set_Width(7);
    D.Repaint();
    Application()->ProcessMessages();
    EXPECT_EQ(D.Paints, Before);

    // Showing the parent again brings the child's picture up to date.
    Panel.Set_Visible(true);
    Application()->ProcessMessages();
    EXPECT_EQ(D.Paints, Before + 1);
    EXPECT_EQ(D.Canvas()->Get_Width(), 7);

    D.Set_Visible(false);
    D.Set_Visible(true);
    Application()->ProcessMessages();
    EXPECT_EQ(D.Paints, Before + 2);
}

TEST_F(Control, ParentsAreNotOwnersAndCannotFormACycle)
{
    auto Panel = std::make_unique<TDiagonal>(nullptr);
    TDiagonal A(nullptr);
    TDiagonal B(nullptr);
    A.Set_Parent(Panel.get());
    B.Set_Parent(&A);
    EXPECT_THROW(A.Set_Parent(&B), Exception);
    EXPECT_THROW(A.Set_Parent(&A), Exception);
    EXPECT_EQ(A.Get_Parent(), Panel.get());
    EXPECT_THROW(Panel->Controls(1), EListError);

    Panel.reset();
    EXPECT_EQ(A.Get_Parent(), nullptr);
    EXPECT_TRUE(A.Showing());
    {
        TDiagonal C(nullptr);
        C.Set_Parent(&A);
        EXPECT_EQ(A.ControlCount(), 2);
        EXPECT_EQ(A.Controls(1), &C);
    }
    EXPECT_EQ(A.ControlCount(), 1);
    B.Set_Parent(nullptr);
    EXPECT_EQ(A.ControlCount(), 0);
}

TEST_F(Control, ObserversSeeEachPaintAndTheEnd)
{
    TRecorder R;
    TRecorder Once;
    Once.RemoveOnPaint = true;
    HWND Handle = 0;
    {
        TDiagonal D(nullptr);
        Handle = D.Get_Handle();
        D.AddObserver(&R);
        D.AddObserver(&R);  // once only
        D.AddObserver(&Once);
        D.Set_Width(1);
        Application()->ProcessMessages();
        D.Repaint();
        EXPECT_EQ(R.Painted, 2);
        EXPECT_EQ(Once.Painted, 1);
        D.Invalidate();  // pending while the control is destroyed
    }
    EXPECT_EQ(R.Destroyed, 1);
    EXPECT_EQ(Once.Destroyed, 0);
    EXPECT_FALSE(IsWindow(Handle));
    Application()->ProcessMessages();  // the dropped repaint reaches nothing
    EXPECT_EQ(R.Painted, 2);
}

TEST_F(Control, PublishedProperties)
{
    const TClassInfo* Class = FindClass("TCustomControl");
    TDiagonal D(nullptr);
    Class->FindProperty("Width")->SetAsText(&D, "12");
    Class->FindProperty("Left")->SetOrd(&D, -3);
    EXPECT_EQ(D.Get_Width(), 12);
    EXPECT_EQ(D.Get_Left(), -3);
    const TPropertyInfo* Visible = Class->FindProperty("Visible");
    EXPECT_TRUE(Visible->IsDefaultValue(&D));
    D.Set_Visible(false);
    EXPECT_FALSE(Visible->IsDefaultValue(&D));
}
