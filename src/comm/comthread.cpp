#include "kxtapi/comm/comthread.h"

#include "kxtapi/comm/comtypes.h"
#include "kxtapi/serial/commapi.h"

namespace kxtapi {

TComThread::TComThread(HWND Window, THandle CommHandle, uint32_t EventMask)
    : FWindow(Window), FCommHandle(DuplicateHandle(CommHandle))
{
    Set_Priority(tpHigher);
    SetCommMask(FCommHandle, EventMask);
    Start();
}

TComThread::~TComThread()
{
    TerminateAndWait();
    if (FCommHandle) CloseHandle(FCommHandle);
}

void TComThread::Terminate()
{
    FStop.Cancel();
    TThread::Terminate();
}

void TComThread::Execute()
{
    while (!Terminated()) {
        uint32_t events = 0;
        if (!WaitCommEvent(FCommHandle, events, &FStop)) break;
        if (!Terminated() && events != 0) ProcessCommEvent(events);
    }
    PurgeComm(FCommHandle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    CloseHandle(FCommHandle);
    FCommHandle = 0;
}

void TComThread::ProcessCommEvent(uint32_t EventWord)
{
    if (FWindow != 0) SendMessage(FWindow, WM_COMMEVENT, 0, static_cast<LPARAM>(EventWord));
}

} // namespace kxtapi
