// The serial-port component.
//
// `TComPort` opens a port (by COM name, by device path, or by taking over a
// comm handle somebody else opened), configures it from its properties,
// writes and reads bytes with time-outs, drives and reads the modem lines,
// sends breaks, and raises its events on the main thread: a `TComThread`
// waits for the port's comm events and hands each event word to the port's
// hidden window, whose handler turns it into the events and forwards it to
// the windows in the trigger list.
//
// Every operation runs on the main thread (the thread of the message loop,
// rtl/messages.h); events fire only while the loop is pumped.
#pragma once

#include "kxtapi/comm/comtypes.h"
#include "kxtapi/rtl/classes.h"
#include "kxtapi/rtl/handles.h"
#include "kxtapi/rtl/messages.h"
#include "kxtapi/rtl/strings.h"
#include "kxtapi/serial/commtypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kxtapi {

class TCustomComPort;
class TComThread;

/// The five special characters of a port. Changing one re-applies the line
/// settings of the owning port (at once when it is open).
class TCommEventChars : public TPersistent {
public:
    explicit TCommEventChars(TCustomComPort* Owner) : FOwner(Owner) {}
    std::string ClassName() const override { return "TCommEventChars"; }

    char Get_XonChar() const noexcept { return FChars[0]; }
    char Get_XoffChar() const noexcept { return FChars[1]; }
    char Get_ErrorChar() const noexcept { return FChars[2]; }
    char Get_EofChar() const noexcept { return FChars[3]; }
    char Get_EvtChar() const noexcept { return FChars[4]; }
    void Set_XonChar(char Value) { SetEventChar(1, Value); }
    void Set_XoffChar(char Value) { SetEventChar(2, Value); }
    void Set_ErrorChar(char Value) { SetEventChar(3, Value); }
    void Set_EofChar(char Value) { SetEventChar(4, Value); }
    void Set_EvtChar(char Value) { SetEventChar(5, Value); }

    /// Index 1..5: XonChar, XoffChar, ErrorChar, EofChar, EvtChar. Stores the
    /// character, then calls the owner's UpdateDCB (which raises EComPort
    /// when an open port refuses the settings; the character stays stored).
    void SetEventChar(int Index, char Value);

    /// Copies the five characters of another TCommEventChars (without
    /// re-applying them); other sources go to the inherited Assign.
    void Assign(const TPersistent* Source) override;

private:
    TCustomComPort* FOwner;
    char FChars[5] = {17, 19, 0, 0, 0};
};

/// All behaviour of the serial-port component; `TComPort` publishes it.
class TCustomComPort : public TComponent {
public:
    explicit TCustomComPort(TComponent* AOwner);
    ~TCustomComPort() override;

    std::string ClassName() const override { return "TCustomComPort"; }
    void Loaded() override;

    // ---- opening and closing
    /// Raises EComPort (error text 2) when open, then opens.
    virtual void Open();
    virtual void Close();
    bool Get_Active() const noexcept { return FActive; }
    /// Stores the wish; while loading or designing that is all, `Loaded`
    /// applies it. Opening raises EComPort when the port cannot be opened or
    /// set up; the port is then closed again and `Active` false.
    void Set_Active(bool Value);
    /// True while the port is really open.
    bool IsPortOpen() const noexcept { return FOpen; }
    /// Raises EComPort (error text 2, code 0) when the port is open.
    void CheckNotOpen() const;

    // ---- data
    /// Writes Count bytes within WriteTimeout ms. Raises EComPort (text 3)
    /// on a closed port, EComPortTimeout (text 17, 996) when they could not
    /// be queued in time (those not queued are dropped; Buffer is not used
    /// after the call), EComPort (text 16) on a write error.
    void WriteData(const void* Buffer, uint32_t Count);
    void Write(const std::string& Text);
    /// Text followed by CR LF.
    void WriteLn(const std::string& Text);
    /// Reads up to Count bytes and returns how many it read; fires
    /// OnIncomingData with exactly those. On a port the component opened
    /// itself a read returns at once with the bytes already received; on a
    /// handle taken over it follows that handle's time-outs and waits at most
    /// ReadTimeout ms. Raises EComPort (text 3) on a closed port,
    /// EComPortTimeout (text 9, 996) when the read did not complete in time
    /// (nothing is taken from the port then), EComPort (text 8) on a read
    /// error.
    uint32_t ReadData(void* Buffer, uint32_t Count);
    /// The bytes ReadData read, at most Count.
    std::string Read(uint32_t Count);

    // ---- queues and status (never raise)
    void PurgeInQueue();
    void PurgeOutQueue();
    uint32_t GetInQueueSize();
    uint32_t GetOutQueueSize();
    /// The provider subtype (PST_RS232 ...), 0xFFFFFFFF when unknown.
    uint32_t Get_ProviderSubtype();
    uint32_t Get_InCount();
    uint32_t Get_OutCount();
    /// Index 2 fDsrHold, 3 fRlsdHold, 4 fXoffHold, 5 fXoffSent, other fCtsHold.
    bool Get_ComState(int Index);

    // ---- lines and breaks
    /// Index 1 CTS, 2 DSR, 3 RING, 4 DCD (read from the port; false when it
    /// cannot be read), 5 the DTR and 6 the RTS setting.
    bool Get_ModemState(int Index);
    /// Index 5 DTR, 6 RTS; others nothing.
    void Set_ModemState(int Index, bool On);
    void Set_DTRState(bool On);
    void Set_RTSState(bool On);
    void Set_XONState(bool On);
    /// EscapeCommFunction on the open port; EComPort text 1 when closed, text
    /// 7 when it fails.
    void EscapeComm(uint32_t Function);
    void Set_BREAKState(bool On);
    /// Holds the line in break for Milliseconds (timer 1 of the hidden
    /// window ends it); nothing while a break is being sent.
    void SendBreak(uint32_t Milliseconds);
    bool Get_Break() const noexcept { return FBreakSeen; }

    bool Get_CTS() { return Get_ModemState(1); }
    bool Get_DSR() { return Get_ModemState(2); }
    bool Get_RING() { return Get_ModemState(3); }
    bool Get_DCD() { return Get_ModemState(4); }
    bool Get_DTR() { return Get_ModemState(5); }
    void Set_DTR(bool Value) { Set_ModemState(5, Value); }
    bool Get_RTS() { return Get_ModemState(6); }
    void Set_RTS(bool Value) { Set_ModemState(6, Value); }

    // ---- line settings
    int32_t Get_Baud() const noexcept { return FBaud; }
    void Set_Baud(int32_t Value);
    char Get_Parity() const noexcept { return FParity; }
    /// "E", "M", "N", "O" or "S" (upper case); else Exception "Invalid Parity
    /// Char". Takes effect at the next open or line update.
    void Set_ParityValue(char Value);
    void Set_Parity(char Value) { Set_ParityValue(Value); }
    int32_t Get_Stopbits() const noexcept { return FStopbits; }
    /// 1, 2 or 15 (one and a half); else EComPort text 18.
    void Set_Stopbits(int32_t Value);
    uint8_t Get_Databits() const noexcept { return FDatabits; }
    /// 4 to 8; else EComPort text 19. Four data bits are stored but no line
    /// can run them: opening then fails with text 20.
    void Set_Databits(uint8_t Value);
    TCommOptions Get_Options() const noexcept { return FOptions; }
    void Set_Options(TCommOptions Value);
    TFlowControlSet Get_FlowControl() const noexcept { return FFlowControl; }
    void Set_FlowControl(TFlowControlSet Value);
    TCommEventChars* Get_EventChars() const noexcept { return FEventChars.get(); }
    TCommEventTypes Get_MonitorEvents() const noexcept { return FMonitorEvents; }
    void Set_MonitorEvents(TCommEventTypes Value);
    int32_t Get_InBufferSize() const noexcept { return FInBufferSize; }
    void Set_ReadBufSize(int32_t Value);
    void Set_InBufferSize(int32_t Value) { Set_ReadBufSize(Value); }
    int32_t Get_OutBufferSize() const noexcept { return FOutBufferSize; }
    void Set_WriteBufSize(int32_t Value);
    void Set_OutBufferSize(int32_t Value) { Set_WriteBufSize(Value); }
    int32_t Get_ReadTimeout() const noexcept { return FReadTimeout; }
    void Set_ReadTimeout(int32_t Value) noexcept { FReadTimeout = Value; }
    int32_t Get_WriteTimeout() const noexcept { return FWriteTimeout; }
    void Set_WriteTimeout(int32_t Value) noexcept { FWriteTimeout = Value; }

    /// The comm handle (INVALID_HANDLE_VALUE when none).
    THandle Get_Handle() const noexcept { return FHandle; }
    /// Takes over a handle (for example a data call's comm device): the
    /// port uses it unchanged and does not close it. Raises text 2 when open.
    virtual void Set_Handle(THandle Value);
    const std::string& Get_PortName() const noexcept { return FPortName; }
    /// "COMn" (through the port map), a device path, or a handle as decimal
    /// text. Refreshes the port list; takes effect at the next open.
    virtual void Set_PortName(const std::string& Value);
    /// The COM names that can be opened (refreshed when empty).
    virtual TStringList* Get_Ports();
    /// Lists every COM name that can be opened now, sorted, each in full.
    virtual void UpdatePorts();

    // ---- line-setting plumbing
    /// Builds Dcb from the properties, starting from H's state (a zeroed
    /// DCB when H is INVALID_HANDLE_VALUE or cannot be read).
    void InitDCB(THandle H, DCB& Dcb);
    /// Rebuilds the line settings and applies them to an open handle;
    /// EComPort text 20 when refused.
    void UpdateDCB();
    void ApplyDCB();
    void ApplyTimeouts();
    void ApplyBuffer();
    /// The line settings built last.
    const DCB& Get_DCB() const noexcept { return FDCB; }
    /// True when the component opened Handle itself (and configures and closes it).
    bool OwnsHandle() const noexcept { return FOwnHandle; }

    // ---- texts
    /// Error text Code, English or German (Windows-1252) by the user's
    /// locale, "%s" replaced by PortName.
    std::string ErrorText(int Code) const;

    // ---- mode strings
    /// The settings as 'BAUD=9600 PARITY=N DATA=8 STOP=1 to=off xon=off
    /// dtr=on odsr=off rts=on octs=off idsr=off'.
    std::string GetMode() const;
    /// Sets port name, speed, parity, data and stop bits (and in the keyword
    /// style flow control and the DTR and RTS settings) from a keyword-style
    /// or a short-style ('COM1:9600,N,8,1') mode string. Raises text 2 when
    /// open, and EComPort (code 0) at the first bad field, keeping the
    /// fields before it.
    void SetMode(const std::string& Mode);

    // ---- linked windows and comm events
    /// Links Window: it is posted every event word that is 0 or shares a bit
    /// with Mask. Linking a window again updates its mask. Returns Mask.
    uint32_t AddToTriggerList(HWND Window, uint32_t Mask);
    void RemoveFromTriggerList(HWND Window);
    /// The hidden window (the target of the event thread's messages).
    HWND Get_WindowHandle() const noexcept { return FWindow; }
    /// The hidden window's handler.
    void WindowProc(TMessage& Message);
    /// Turns one event word into the events, in a fixed order, and forwards
    /// it to the linked windows. An exception raised by a handler ends the
    /// handling of that word with a beep.
    void HandleComEvent(uint32_t EventWord);
    /// Reads and clears the port's error flags (gathering them for the next
    /// OnCommError) and refreshes the queue counts; returns the flags read.
    uint32_t UpdateComErrorStatus();
    /// Posts the event word to every linked window whose mask matches.
    void TriggerLinks(uint32_t EventWord);

    // ---- events (Sender is the port)
    TCommEvent OnCommEvent;
    TCommErrorEvent OnCommError;
    TNotifyEvent OnBREAK;
    TNotifyEvent OnCTS;
    TNotifyEvent OnDSR;
    TNotifyEvent OnRING;
    TNotifyEvent OnDCD;
    /// Bytes arrived; the handler reads them itself (OnIncomingData then
    /// fires only for its reads).
    TNotifyEvent OnReceive;
    TNotifyEvent OnRxFlag;
    TNotifyEvent OnTxEmpty;
    /// The bytes of each read. Without OnReceive, arriving bytes are read at
    /// once and handed over here as one string.
    TCommDataFlowEvent OnIncomingData;
    TCommDataFlowEvent OnOutgoingData;
    TNotifyEvent OnPortOpen;
    TNotifyEvent OnPortClose;

protected:
    /// Opens or closes so that the port is as `Active` asks.
    virtual void ApplyActivate();
    /// Obtains a handle when none is set (see Set_PortName); raises EComPort
    /// text 1 when none can be had, after one retry 500 ms later when the
    /// port was held elsewhere.
    virtual void CreateHandle();
    void DestroyHandle();

    virtual void TriggerPortOpen(bool Opened);
    virtual void TriggerBreak(bool State);
    virtual void TriggerCTS(bool State);
    virtual void TriggerDCD(bool State);
    virtual void TriggerDSR(bool State);
    virtual void TriggerRing(bool State);
    virtual void TriggerComEvent(uint32_t EventWord);
    virtual void TriggerReceive(uint32_t Count);
    virtual void TriggerErrors(uint32_t Errors);
    virtual void TriggerIncomingData(const void* Buffer, uint32_t Count);
    virtual void TriggerOutgoingData(const void* Buffer, uint32_t Count);

    /// Raises the EComPort family: Kind 0 EComPort, 1 EComPortWrite, 2
    /// EComPortTimeout, with error text TextCode.
    [[noreturn]] void RaiseComError(int Kind, int TextCode, uint32_t Code) const;

    bool Destroying() const noexcept { return FDestroying || IsDestroying(); }

private:
    void OpenPort();
    void ClosePort();
    void StopThread() noexcept;
    uint32_t InputLinesWord();
    THandle TryCreateHandle();

    struct TTriggerLink {
        HWND Window;
        uint32_t Mask;
    };

    THandle FHandle = INVALID_HANDLE_VALUE;
    HWND FWindow = 0;
    DCB FDCB;
    int32_t FInBufferSize = 4096;
    int32_t FOutBufferSize = 2048;
    TCommEventTypes FMonitorEvents;
    int32_t FBaud = 9600;
    char FParity = 'N';
    int32_t FStopbits = 1;
    uint8_t FDatabits = 8;
    std::unique_ptr<TComThread> FThread;
    std::unique_ptr<TCommEventChars> FEventChars;
    TCommOptions FOptions;
    TFlowControlSet FFlowControl;
    COMSTAT FComStat;
    uint32_t FPendingErrors = 0;
    bool FActive = false;
    bool FOpen = false;
    TStringList FPorts;
    std::string FPortName = "COM1";
    int32_t FReadTimeout = 3000;
    int32_t FWriteTimeout = 3000;
    bool FDTR = true;
    bool FRTS = true;
    bool FBreakSending = false;
    bool FBreakSeen = false;
    bool FOwnHandle = false;
    bool FDestroying = false;
    std::vector<TTriggerLink> FTriggerList;
};

/// The serial-port component with its properties published.
class TComPort : public TCustomComPort {
public:
    using TCustomComPort::TCustomComPort;
    std::string ClassName() const override { return "TComPort"; }
};

} // namespace kxtapi
