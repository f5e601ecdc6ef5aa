// Data, queues, status, modem lines and breaks of an open port.
#include "kxtapi/comm/comport.h"

#include "kxtapi/rtl/lasterror.h"
#include "kxtapi/serial/commapi.h"

#include <vector>

namespace kxtapi {

void TCustomComPort::WriteData(const void* Buffer, uint32_t Count)
{
    if (!FOpen) RaiseComError(0, 3, 0);
    uint32_t written = 0;
    if (!WriteComm(FHandle, Buffer, Count, written, static_cast<uint32_t>(FWriteTimeout))) {
        const uint32_t e = GetLastError();
        if (e == ERROR_IO_INCOMPLETE) RaiseComError(2, 17, ERROR_IO_INCOMPLETE);
        RaiseComError(0, 16, e);
    }
    TriggerOutgoingData(Buffer, written);
    if (Count != 0) TriggerLinks(EV_WRITTEN);
}

void TCustomComPort::Write(const std::string& Text)
{
    WriteData(Text.data(), static_cast<uint32_t>(Text.size()));
}

void TCustomComPort::WriteLn(const std::string& Text) { Write(Text + "\r\n"); }

uint32_t TCustomComPort::ReadData(void* Buffer, uint32_t Count)
{
    if (!FOpen) RaiseComError(0, 3, 0);
    uint32_t got = 0;
    if (!ReadComm(FHandle, Buffer, Count, got, static_cast<uint32_t>(FReadTimeout))) {
        const uint32_t e = GetLastError();
        if (e == ERROR_IO_INCOMPLETE) RaiseComError(2, 9, ERROR_IO_INCOMPLETE);
        RaiseComError(0, 8, e);
    }
    TriggerIncomingData(Buffer, got);
    return got;
}

std::string TCustomComPort::Read(uint32_t Count)
{
    std::string s(Count, '\0');
    s.resize(ReadData(s.data(), Count));
    return s;
}

void TCustomComPort::PurgeInQueue()
{
    if (FOpen) PurgeComm(FHandle, PURGE_RXABORT | PURGE_RXCLEAR);
}

void TCustomComPort::PurgeOutQueue()
{
    if (FOpen) PurgeComm(FHandle, PURGE_TXABORT | PURGE_TXCLEAR);
}

uint32_t TCustomComPort::GetInQueueSize()
{
    COMMPROP p;
    return GetCommProperties(FHandle, p) ? p.dwCurrentRxQueue : 0;
}

uint32_t TCustomComPort::GetOutQueueSize()
{
    COMMPROP p;
    return GetCommProperties(FHandle, p) ? p.dwCurrentTxQueue : 0;
}

uint32_t TCustomComPort::Get_ProviderSubtype()
{
    COMMCONFIG c;
    return GetCommConfig(FHandle, c) ? c.dwProviderSubType : 0xFFFFFFFF;
}

uint32_t TCustomComPort::Get_InCount()
{
    if (!FOpen) return 0;
    UpdateComErrorStatus();
    return FComStat.cbInQue;
}

uint32_t TCustomComPort::Get_OutCount()
{
    if (!FOpen) return 0;
    UpdateComErrorStatus();
    return FComStat.cbOutQue;
}

bool TCustomComPort::Get_ComState(int Index)
{
    if (!FOpen) return false;
    UpdateComErrorStatus();
    switch (Index) {
    case 2: return FComStat.Flags & COMSTAT_fDsrHold;
    case 3: return FComStat.Flags & COMSTAT_fRlsdHold;
    case 4: return FComStat.Flags & COMSTAT_fXoffHold;
    case 5: return FComStat.Flags & COMSTAT_fXoffSent;
    default: return FComStat.Flags & COMSTAT_fCtsHold;
    }
}

uint32_t TCustomComPort::UpdateComErrorStatus()
{
    uint32_t errors = 0;
    COMSTAT st;
    FComStat = ClearCommError(FHandle, errors, &st) ? st : COMSTAT{};
    FPendingErrors |= errors;
    return errors;
}

bool TCustomComPort::Get_ModemState(int Index)
{
    if (Index == 5) return FDTR;
    if (Index == 6) return FRTS;
    if (Index < 1 || Index > 4) return false;
    uint32_t status = 0;
    if (FHandle == INVALID_HANDLE_VALUE || !GetCommModemStatus(FHandle, status)) return false;
    static constexpr uint32_t kBits[] = {MS_CTS_ON, MS_DSR_ON, MS_RING_ON, MS_RLSD_ON};
    return (status & kBits[Index - 1]) != 0;
}

void TCustomComPort::Set_ModemState(int Index, bool On)
{
    if (Index == 5) Set_DTRState(On);
    else if (Index == 6) Set_RTSState(On);
}

void TCustomComPort::Set_DTRState(bool On)
{
    FDTR = On;
    if (FOpen) EscapeComm(On ? SETDTR : CLRDTR);
    TriggerLinks(EV_DTR);
}

void TCustomComPort::Set_RTSState(bool On)
{
    FRTS = On;
    if (FOpen) EscapeComm(On ? SETRTS : CLRRTS);
    TriggerLinks(EV_RTS);
}

void TCustomComPort::Set_XONState(bool On) { EscapeComm(On ? SETXON : SETXOFF); }

void TCustomComPort::EscapeComm(uint32_t Function)
{
    if (!FOpen) RaiseComError(0, 1, 0);
    if (!EscapeCommFunction(FHandle, Function)) RaiseComError(0, 7, GetLastError());
}

void TCustomComPort::Set_BREAKState(bool On)
{
    // No open check: on a closed port the calls fail and change nothing.
    if (On) SetCommBreak(FHandle);
    else ClearCommBreak(FHandle);
    FBreakSending = On;
    PurgeComm(FHandle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
}

void TCustomComPort::SendBreak(uint32_t Milliseconds)
{
    if (FBreakSending) return;
    Set_BREAKState(true);
    SetTimer(FWindow, 1, Milliseconds);
}

} // namespace kxtapi
