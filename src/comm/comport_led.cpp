#include "kxtapi/comm/comport_led.h"

#include "kxtapi/comm/comport.h"
#include "kxtapi/rtl/timer.h"

namespace kxtapi {

const char* const TComPortLed::Map[MapSize] = {
    "00000000000000",
    "00000222200000",
    "00022333322000",
    "00233111135400",
    "00231111115400",
    "02311111111540",
    "02311111111540",
    "02311111111540",
    "02311111111540",
    "00231111115400",
    "00235111155400",
    "00044555544000",
    "00000444400000",
    "00000000000000",
};

TComPortLed::TComPortLed(TComponent* AOwner) : TCustomControl(AOwner)
{
    SetBounds(Get_Left(), Get_Top(), 16, 16);
    // Owned by the LED and created again by its constructor, so form files
    // leave it out.
    FTimer = new TTimer(this);
    FTimer->SetSubComponent(true);
    FTimer->Set_Enabled(false);
    FTimer->Set_Interval(200);
    FTimer->OnTimer = [this](TObject* Sender) { OnTimer(Sender); };
}

TComPortLed::~TComPortLed()
{
    // The port must not post to a window that is gone.
    if (FComPort) {
        FComPort->RemoveFromTriggerList(Get_Handle());
        RemoveFreeNotification(FComPort);
        FComPort = nullptr;
    }
}

bool TComPortLed::PortOpen() const noexcept
{
    return FComPort != nullptr && FComPort->Get_Active();
}

void TComPortLed::SetStyle(TBevelStyle Value)
{
    FStyle = Value;
    Invalidate();
}

void TComPortLed::SetColor(int Index, TColor Value)
{
    if (Index == 0)
        FColorOn = Value;
    else
        FColorOff = Value;
    Invalidate();
}

void TComPortLed::SetPort(TComPort* Value)
{
    if (Value == FComPort) return;
    if (FComPort) {
        FComPort->RemoveFromTriggerList(Get_Handle());
        RemoveFreeNotification(FComPort);
    }
    FComPort = Value;
    if (FComPort) {
        FComPort->AddToTriggerList(Get_Handle(), 0xFFFFFFFF);
        FreeNotification(FComPort);
    }
    if (!IsDesigning() && !IsLoading()) InitStatus();
}

void TComPortLed::SetSignal(TCommSignal Value)
{
    FSignal = Value;
}

void TComPortLed::Loaded()
{
    TCustomControl::Loaded();
    InitStatus();
}

void TComPortLed::InitStatus()
{
    if (!PortOpen()) {
        SetActive(false);
        return;
    }
    switch (FSignal) {
    case csDTR: SetActive(FComPort->Get_ModemState(5)); break;
    case csDSR: SetActive(FComPort->Get_ModemState(2)); break;
    case csRTS: SetActive(FComPort->Get_ModemState(6)); break;
    case csCTS: SetActive(FComPort->Get_ModemState(1)); break;
    case csDCD: SetActive(FComPort->Get_ModemState(4)); break;
    case csTXD: SetActive(FComPort->Get_OutCount() > 0); break;
    case csRXD: SetActive(FComPort->Get_InCount() > 0); break;
    }
}

void TComPortLed::UpdateStatus(uint32_t EventWord)
{
    if (!PortOpen()) {
        SetActive(false);
        return;
    }
    if ((EventWord & EV_DSR) && FSignal == csDSR)
        SetActive(FComPort->Get_ModemState(2));
    else if ((EventWord & EV_DTR) && FSignal == csDTR)
        SetActive(FComPort->Get_ModemState(5));
    else if ((EventWord & EV_RTS) && FSignal == csRTS)
        SetActive(FComPort->Get_ModemState(6));
    else if ((EventWord & EV_CTS) && FSignal == csCTS)
        SetActive(FComPort->Get_ModemState(1));
    else if ((EventWord & EV_RLSD) && FSignal == csDCD)
        SetActive(FComPort->Get_ModemState(4));
    else if (((EventWord & EV_RXCHAR) && FSignal == csRXD) ||
             ((EventWord & EV_WRITTEN) && FSignal == csTXD))
        SetActive(true);
    else if ((EventWord & EV_TXEMPTY) && FSignal == csTXD)
        FTimer->Set_Enabled(true);
}

void TComPortLed::SetActive(bool Value)
{
    if (Value == FActive) return;
    FActive = Value;
    FTimer->Set_Enabled(Value && FSignal == csRXD);
    Invalidate();
}

void TComPortLed::OnTimer(TObject*)
{
    SetActive(false);
}

TColor TComPortLed::GetColorAt(int32_t X, int32_t Y) const noexcept
{
    if (X < 0 || Y < 0 || X >= MapSize || Y >= MapSize) return clNone;
    const bool Raised = FStyle == bsRaised;
    switch (Map[Y][X]) {
    case '1': return FActive ? FColorOn : FColorOff;
    case '2': return Raised ? clBlack : clGray;
    case '3': return Raised ? clSilver : clBlack;
    case '4': return Raised ? clBlack : clWhite;
    case '5': return Raised ? clGray : clSilver;
    default: return clNone;
    }
}

void TComPortLed::Paint()
{
    TCanvas* C = Canvas();
    C->Brush()->Set_Style(bsSolid);
    for (int32_t y = 0; y < MapSize; ++y)
        for (int32_t x = 0; x < MapSize; ++x) {
            const TColor Color = GetColorAt(x, y);
            if (Color != clNone) C->Set_Pixels(x, y, Color);
        }
}

void TComPortLed::WndProc(TMessage& Message)
{
    if (Message.Msg == WM_COMMEVENT)
        ComEvent(Message);
    else
        TCustomControl::WndProc(Message);
}

void TComPortLed::ComEvent(TMessage& Message)
{
    UpdateStatus(static_cast<uint32_t>(Message.LParam));
}

void TComPortLed::Notification(TComponent* AComponent, TOperation Operation)
{
    TCustomControl::Notification(AComponent, Operation);
    // The port is being destroyed: its trigger list goes with it, and
    // nothing of it may be used any more.
    if (Operation == opRemove && AComponent != nullptr && AComponent == FComPort) {
        FComPort = nullptr;
        SetActive(false);
    }
}

} // namespace kxtapi
