// Line settings: building the DCB from the properties, applying it, and the
// setters of the settings.
#include "kxtapi/comm/comport.h"

#include "kxtapi/rtl/lasterror.h"
#include "kxtapi/serial/commapi.h"

namespace kxtapi {

void TCommEventChars::SetEventChar(int Index, char Value)
{
    if (Index < 1 || Index > 5) return;
    FChars[Index - 1] = Value;
    if (FOwner) FOwner->UpdateDCB();
}

void TCommEventChars::Assign(const TPersistent* Source)
{
    if (const auto* other = dynamic_cast<const TCommEventChars*>(Source)) {
        for (int i = 0; i < 5; ++i) FChars[i] = other->FChars[i];
        return;
    }
    TPersistent::Assign(Source);
}

void TCustomComPort::InitDCB(THandle H, DCB& Dcb)
{
    if (H == INVALID_HANDLE_VALUE || !GetCommState(H, Dcb)) {
        Dcb = DCB{};
        Dcb.DCBlength = sizeof(DCB);
    }
    Dcb.BaudRate = static_cast<uint32_t>(FBaud);
    switch (FParity) {
    case 'E': Dcb.Parity = EVENPARITY; break;
    case 'M': Dcb.Parity = MARKPARITY; break;
    case 'O': Dcb.Parity = ODDPARITY; break;
    case 'S': Dcb.Parity = SPACEPARITY; break;
    default: Dcb.Parity = NOPARITY; break;
    }
    if (FStopbits == 15 || (FStopbits == 2 && FDatabits == 5)) Dcb.StopBits = ONE5STOPBITS;
    else if (FStopbits == 2) Dcb.StopBits = TWOSTOPBITS;
    else Dcb.StopBits = ONESTOPBIT;
    Dcb.ByteSize = FDatabits;
    Dcb.XonChar = FEventChars->Get_XonChar();
    Dcb.XoffChar = FEventChars->Get_XoffChar();
    Dcb.ErrorChar = FEventChars->Get_ErrorChar();
    Dcb.EofChar = FEventChars->Get_EofChar();
    Dcb.EvtChar = FEventChars->Get_EvtChar();
    Dcb.XonLim = Dcb.XoffLim = static_cast<uint16_t>(FInBufferSize / 4);

    uint32_t f = DCB_fBinary;
    if (FFlowControl.Contains(fcUseDTR)) f |= DTR_CONTROL_HANDSHAKE;
    else if (FDTR) f |= DTR_CONTROL_ENABLE;
    if (FFlowControl.Contains(fcRequireDSR)) f |= DCB_fOutxDsrFlow;
    if (FFlowControl.Contains(fcUseRTS)) f |= RTS_CONTROL_HANDSHAKE;
    else if (FRTS) f |= RTS_CONTROL_ENABLE;
    if (FFlowControl.Contains(fcRequireCTS)) f |= DCB_fOutxCtsFlow;
    if (FFlowControl.Contains(fcUseXonXoff)) f |= DCB_fOutX;
    if (FFlowControl.Contains(fcRequireXonXoff)) f |= DCB_fInX;
    if (FOptions.Contains(coParityCheck)) f |= DCB_fParity;
    if (FOptions.Contains(coDsrSensitivity)) f |= DCB_fDsrSensitivity;
    if (FOptions.Contains(coTXContinueOnXoff)) f |= DCB_fTXContinueOnXoff;
    if (FOptions.Contains(coErrorChar)) f |= DCB_fErrorChar;
    if (FOptions.Contains(coNullStrip)) f |= DCB_fNull;
    Dcb.Flags = f;
}

void TCustomComPort::UpdateDCB()
{
    InitDCB(FHandle, FDCB);
    // A closed port only rebuilds its settings, also when it holds a handle
    // taken over from somebody else.
    if (FOpen && !SetCommState(FHandle, FDCB)) RaiseComError(0, 20, GetLastError());
}

void TCustomComPort::ApplyDCB()
{
    if (FHandle != INVALID_HANDLE_VALUE && !SetCommState(FHandle, FDCB)) RaiseComError(0, 20, GetLastError());
}

void TCustomComPort::ApplyTimeouts()
{
    // Reads return at once with what has been received.
    COMMTIMEOUTS t;
    t.ReadIntervalTimeout = MAXDWORD;
    if (!SetCommTimeouts(FHandle, t)) RaiseComError(0, 6, GetLastError());
}

void TCustomComPort::ApplyBuffer()
{
    if (FHandle != INVALID_HANDLE_VALUE
        && !SetupComm(FHandle, static_cast<uint32_t>(FInBufferSize), static_cast<uint32_t>(FOutBufferSize)))
        RaiseComError(0, 4, GetLastError());
}

void TCustomComPort::Set_Baud(int32_t Value)
{
    if (Value == FBaud) return;
    FBaud = Value;
    UpdateDCB();
}

void TCustomComPort::Set_Options(TCommOptions Value)
{
    if (Value == FOptions) return;
    FOptions = Value;
    UpdateDCB();
}

void TCustomComPort::Set_FlowControl(TFlowControlSet Value)
{
    if (Value == FFlowControl) return;
    FFlowControl = Value;
    UpdateDCB();
}

void TCustomComPort::Set_Stopbits(int32_t Value)
{
    if (Value == FStopbits) return;
    if (Value != 1 && Value != 2 && Value != 15) RaiseComError(0, 18, 0);
    FStopbits = Value;
    UpdateDCB();
}

void TCustomComPort::Set_Databits(uint8_t Value)
{
    if (Value == FDatabits) return;
    if (Value < 4 || Value > 8) RaiseComError(0, 19, 0);
    FDatabits = Value;
    UpdateDCB();
}

void TCustomComPort::Set_ParityValue(char Value)
{
    switch (Value) {
    case 'E':
    case 'M':
    case 'N':
    case 'O':
    case 'S':
        FParity = Value;
        return;
    default:
        throw Exception("Invalid Parity Char");
    }
}

void TCustomComPort::Set_MonitorEvents(TCommEventTypes Value)
{
    CheckNotOpen();
    FMonitorEvents = Value;
}

void TCustomComPort::Set_ReadBufSize(int32_t Value)
{
    CheckNotOpen();
    FInBufferSize = Value;
}

void TCustomComPort::Set_WriteBufSize(int32_t Value)
{
    CheckNotOpen();
    FOutBufferSize = Value;
}

} // namespace kxtapi
