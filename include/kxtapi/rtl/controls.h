// Custom-painted controls: a component with its own window handle, a size,
// a canvas it paints itself on, and repaint requests queued through its
// window.
//
// A control paints into an in-memory image (its canvas); views that put it
// on a screen (the Qt widget, a PNG snapshot) watch it through a
// TControlObserver and copy the canvas after each paint.
//
//   class TDot : public TCustomControl {
//   public:
//       using TCustomControl::TCustomControl;
//   protected:
//       void Paint() override { Canvas()->Set_Pixels(1, 1, clRed); }
//   };
//   TDot Dot(nullptr);
//   Dot.Invalidate();                  // queues one repaint
//   Application()->ProcessMessages();  // background, then Paint
#pragma once

#include "kxtapi/rtl/classes.h"
#include "kxtapi/rtl/graphics.h"
#include "kxtapi/rtl/messages.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kxtapi {

/// The repaint request a control queues on its own window.
inline constexpr uint32_t WM_PAINT = 0x000F;

/// Look of a bevelled rim: sunk into or raised from its background.
enum TBevelStyle { bsLowered, bsRaised };

class TCustomControl;

/// Told when a control has painted itself and when it goes away. An
/// observer may remove itself (or others) from inside a call.
class TControlObserver {
public:
    virtual ~TControlObserver() = default;
    /// The control's canvas holds a new picture.
    virtual void ControlPainted(TCustomControl* Control) {}
    /// The control is being destroyed; forget it (its descendant parts are
    /// gone already, so call nothing on it).
    virtual void ControlDestroying(TCustomControl* Control) {}
};

/// A control that paints itself pixel by pixel on its canvas.
///
/// Its window handle is allocated by the constructor and stays the same for
/// the control's whole life; messages for the control go to `WndProc`, on
/// the main thread. `Invalidate` queues at most one repaint (WM_PAINT on the
/// window); the repaint sizes the canvas to Width x Height, fills it with
/// the control's `Color` (the background) and calls `Paint`. A control
/// paints only while it is showing: visible, and its parent (if any)
/// showing; a control without parent stands alone on the screen.
///
/// A new control is 0 x 0 at (0, 0), visible, without parent, in clBtnFace.
class TCustomControl : public TComponent {
public:
    explicit TCustomControl(TComponent* AOwner);
    ~TCustomControl() override;

    std::string ClassName() const override { return "TCustomControl"; }

    /// The control's window: the target of messages posted to it. Never 0.
    HWND Get_Handle() const noexcept { return FHandle; }

    int32_t Get_Left() const noexcept { return FLeft; }
    void Set_Left(int32_t Value) { SetBounds(Value, FTop, FWidth, FHeight); }
    int32_t Get_Top() const noexcept { return FTop; }
    void Set_Top(int32_t Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
    int32_t Get_Width() const noexcept { return FWidth; }
    void Set_Width(int32_t Value) { SetBounds(FLeft, FTop, Value, FHeight); }
    int32_t Get_Height() const noexcept { return FHeight; }
    void Set_Height(int32_t Value) { SetBounds(FLeft, FTop, FWidth, Value); }
    /// Moves and sizes the control (negative sizes count as 0); a new size
    /// asks for a repaint.
    void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight);

    bool Get_Visible() const noexcept { return FVisible; }
    /// Showing the control asks for a repaint.
    void Set_Visible(bool Value);

    /// The control this one sits on, or null. Not ownership: a parent that
    /// is destroyed leaves its controls without parent.
    TCustomControl* Get_Parent() const noexcept { return FParent; }
    /// Moves the control onto Value (null takes it off); raises Exception
    /// when Value is the control itself or sits on it.
    void Set_Parent(TCustomControl* Value);
    int ControlCount() const noexcept { return static_cast<int>(FControls.size()); }
    /// The control at Index on this one, in the order they were put on;
    /// raises EListError for a bad index.
    TCustomControl* Controls(int Index) const;
    /// Visible, and the parent (if any) showing.
    bool Showing() const noexcept;

    /// Background colour; default clBtnFace.
    TColor Get_Color() const noexcept { return FColor; }
    void Set_Color(TColor Value);

    /// The surface the control paints on; it holds the last picture painted.
    TCanvas* Canvas() noexcept { return &FCanvas; }
    const TCanvas* Canvas() const noexcept { return &FCanvas; }

    /// Asks for a repaint: queues one WM_PAINT unless one is pending already
    /// or the control is not showing.
    void Invalidate();
    /// True while a queued repaint has not been carried out.
    bool PaintPending() const noexcept { return FPaintPending; }
    /// Carries out a pending repaint now.
    void Update();
    /// Repaints now (when showing), pending or not.
    void Repaint();

    void AddObserver(TControlObserver* Observer);
    void RemoveObserver(TControlObserver* Observer);

protected:
    /// Draws the control on Canvas(); the background is filled already.
    virtual void Paint() {}
    /// Handles a message of the control's window. The base carries out
    /// WM_PAINT and passes the rest to DefWindowProc; descendants handle
    /// their own messages and call the base for the others.
    virtual void WndProc(TMessage& Message);

private:
    void PaintNow();
    void ShowingChanged();

    HWND FHandle = 0;
    int32_t FLeft = 0;
    int32_t FTop = 0;
    int32_t FWidth = 0;
    int32_t FHeight = 0;
    bool FVisible = true;
    bool FPaintPending = false;
    TColor FColor = clBtnFace;
    TCustomControl* FParent = nullptr;
    std::vector<TCustomControl*> FControls;
    std::vector<TControlObserver*> FObservers;
    TCanvas FCanvas;
};

} // namespace kxtapi
