// The signal LED: a small round LED that shows one signal of a serial port.
//
//   TComPortLed Led(Form);            // 16 x 16, showing DSR
//   Led.SetSignal(csRXD);             // arriving bytes instead
//   Led.SetPort(&Port);               // links it: the port posts every
//                                     // comm-event word to the LED's window
//
// The LED is lit or dark as the shown signal is:
// - the line signals (csDTR, csDSR, csRTS, csCTS, csDCD) follow the line;
// - csRXD lights on arriving bytes and goes dark 200 ms after it lit;
// - csTXD lights when bytes are written and goes dark 200 ms after the port
//   reports its output queue empty.
// It is dark while no port is linked or the linked port is closed.
//
// Everything runs on the main thread; notifications arrive as posted
// messages, so the LED may change a moment after the port's own events.
#pragma once

#include "kxtapi/comm/comtypes.h"
#include "kxtapi/rtl/controls.h"
#include "kxtapi/rtl/graphics.h"
#include "kxtapi/rtl/messages.h"

#include <cstdint>
#include <string>

namespace kxtapi {

class TComPort;
class TTimer;

/// A custom-painted LED drawn pixel by pixel from a fixed 14 x 14 map in the
/// upper left corner of the control; the rest shows the background.
///
/// The link to the port is keyed by the LED's window handle, which stays the
/// same for the LED's whole life. The LED removes its link when it is
/// destroyed, and drops its port (going dark) when the port is destroyed.
class TComPortLed : public TCustomControl {
public:
    /// 16 x 16, dark, bsLowered, lime when lit and green when dark, showing
    /// csDSR, without port; its timer (a sub-component) is disabled with an
    /// interval of 200 ms.
    explicit TComPortLed(TComponent* AOwner);
    ~TComPortLed() override;

    std::string ClassName() const override { return "TComPortLed"; }

    /// True while the LED is lit.
    bool Get_Active() const noexcept { return FActive; }

    TBevelStyle Get_Style() const noexcept { return FStyle; }
    /// Stores the rim style and repaints.
    void SetStyle(TBevelStyle Value);

    /// Colour of the lit LED (default clLime).
    TColor Get_ColorOn() const noexcept { return FColorOn; }
    /// Colour of the dark LED (default clGreen).
    TColor Get_ColorOff() const noexcept { return FColorOff; }
    /// Index 0 sets ColorOn, any other ColorOff; repaints.
    void SetColor(int Index, TColor Value);

    /// The port shown (not owned), or null.
    TComPort* Get_ComPort() const noexcept { return FComPort; }
    /// Moves the link to Value (null unlinks). Linking to the current port
    /// again does nothing. Unless designing or loading, the LED then reads
    /// its signal afresh.
    void SetPort(TComPort* Value);

    TCommSignal Get_Signal() const noexcept { return FSignal; }
    /// Stores the signal only: the LED shows it from the next notification
    /// or InitStatus on.
    void SetSignal(TCommSignal Value);

    /// Reads the shown signal from the port afresh (dark without an open
    /// port): the line's state for a line signal, and for csTXD / csRXD
    /// whether bytes wait in the output / input queue.
    void InitStatus();
    /// Follows one comm-event word of the port: the first of these that
    /// applies (dark without an open port):
    ///   EV_DSR with csDSR, EV_DTR with csDTR, EV_RTS with csRTS, EV_CTS with
    ///   csCTS, EV_RLSD with csDCD: the line's state;
    ///   EV_RXCHAR with csRXD, or EV_WRITTEN with csTXD: lit;
    ///   EV_TXEMPTY with csTXD: dark 200 ms later.
    void UpdateStatus(uint32_t EventWord);

    /// The colour of map pixel (X, Y) in the current style and state, or
    /// clNone for a pixel the LED does not draw (also outside the map).
    TColor GetColorAt(int32_t X, int32_t Y) const noexcept;

    /// The timer that darkens the LED after activity.
    TTimer* Get_Timer() const noexcept { return FTimer; }

    /// Side of the square pixel map.
    static constexpr int32_t MapSize = 14;
    /// The map: one digit per pixel, row by row. 0 is not drawn, 1 is the
    /// LED, 2 / 3 the outer / inner rim upper left, 4 / 5 lower right.
    static const char* const Map[MapSize];

    /// After streaming: reads the signal (InitStatus).
    void Loaded() override;

protected:
    void Paint() override;
    void WndProc(TMessage& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

    /// Handles the comm-event message: UpdateStatus(LParam).
    void ComEvent(TMessage& Message);
    /// Lights or darkens the LED. The timer runs exactly while a receive LED
    /// is lit; a change repaints.
    void SetActive(bool Value);
    /// The timer's tick: dark.
    void OnTimer(TObject* Sender);

private:
    bool PortOpen() const noexcept;

    bool FActive = false;
    TBevelStyle FStyle = bsLowered;
    TColor FColorOn = clLime;
    TColor FColorOff = clGreen;
    TComPort* FComPort = nullptr;
    TCommSignal FSignal = csDSR;
    TTimer* FTimer = nullptr;   // owned as a sub-component
};

} // namespace kxtapi
