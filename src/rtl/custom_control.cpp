#include "kxtapi/rtl/controls.h"

#include "kxtapi/rtl/format.h"

#include <algorithm>

namespace kxtapi {

TCustomControl::TCustomControl(TComponent* AOwner) : TComponent(AOwner)
{
    FHandle = AllocateHWnd([this](TMessage& Message) { WndProc(Message); });
}

TCustomControl::~TCustomControl()
{
    // Observers first: they may still look at the canvas and the handle.
    auto Observers = FObservers;
    for (TControlObserver* O : Observers)
        if (std::find(FObservers.begin(), FObservers.end(), O) != FObservers.end())
            O->ControlDestroying(this);
    FObservers.clear();
    for (TCustomControl* Child : FControls) Child->FParent = nullptr;
    FControls.clear();
    if (FParent) {
        auto& Siblings = FParent->FControls;
        Siblings.erase(std::remove(Siblings.begin(), Siblings.end(), this), Siblings.end());
        FParent = nullptr;
    }
    DeallocateHWnd(FHandle);   // drops a repaint still queued
}

void TCustomControl::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight)
{
    AWidth = std::max(AWidth, 0);
    AHeight = std::max(AHeight, 0);
    FLeft = ALeft;
    FTop = ATop;
    if (AWidth == FWidth && AHeight == FHeight) return;
    FWidth = AWidth;
    FHeight = AHeight;
    Invalidate();
}

void TCustomControl::Set_Visible(bool Value)
{
    if (Value == FVisible) return;
    FVisible = Value;
    ShowingChanged();
}

void TCustomControl::Set_Parent(TCustomControl* Value)
{
    if (Value == FParent) return;
    for (TCustomControl* p = Value; p != nullptr; p = p->FParent)
        if (p == this) throw Exception("A control cannot have itself as its parent");
    if (FParent) {
        auto& Siblings = FParent->FControls;
        Siblings.erase(std::remove(Siblings.begin(), Siblings.end(), this), Siblings.end());
    }
    FParent = Value;
    if (FParent) FParent->FControls.push_back(this);
    ShowingChanged();
}

TCustomControl* TCustomControl::Controls(int Index) const
{
    if (Index < 0 || Index >= ControlCount())
        throw EListError(Format("List index out of bounds (%d)", Index));
    return FControls[Index];
}

bool TCustomControl::Showing() const noexcept
{
    for (const TCustomControl* p = this; p != nullptr; p = p->FParent)
        if (!p->FVisible) return false;
    return true;
}

void TCustomControl::ShowingChanged()
{
    if (!Showing()) return;
    Invalidate();
    for (TCustomControl* Child : FControls) Child->ShowingChanged();
}

void TCustomControl::Set_Color(TColor Value)
{
    if (Value == FColor) return;
    FColor = Value;
    Invalidate();
}

void TCustomControl::Invalidate()
{
    if (FPaintPending || !Showing()) return;
    // A failed post (only for a handle already gone) leaves nothing pending.
    FPaintPending = PostMessage(FHandle, WM_PAINT, 0, 0);
}

void TCustomControl::Update()
{
    if (FPaintPending) PaintNow();
}

void TCustomControl::Repaint()
{
    PaintNow();
}

void TCustomControl::PaintNow()
{
    // A WM_PAINT still queued then finds nothing pending and does nothing.
    FPaintPending = false;
    if (!Showing()) return;
    FCanvas.SetSize(FWidth, FHeight);
    FCanvas.Brush()->Set_Style(bsSolid);
    FCanvas.Brush()->Set_Color(FColor == clDefault ? clBtnFace : FColor);
    FCanvas.FillRect(FCanvas.ClipRect());
    Paint();
    auto Observers = FObservers;
    for (TControlObserver* O : Observers)
        if (std::find(FObservers.begin(), FObservers.end(), O) != FObservers.end())
            O->ControlPainted(this);
}

void TCustomControl::AddObserver(TControlObserver* Observer)
{
    if (Observer && std::find(FObservers.begin(), FObservers.end(), Observer) == FObservers.end())
        FObservers.push_back(Observer);
}

void TCustomControl::RemoveObserver(TControlObserver* Observer)
{
    FObservers.erase(std::remove(FObservers.begin(), FObservers.end(), Observer), FObservers.end());
}

void TCustomControl::WndProc(TMessage& Message)
{
    if (Message.Msg == WM_PAINT) {
        if (FPaintPending) PaintNow();
        return;
    }
    Message.Result = DefWindowProc(FHandle, Message.Msg, Message.WParam, Message.LParam);
}

} // namespace kxtapi
