// The port's life: construction, opening and closing, the handle.
#include "kxtapi/comm/comport.h"

#include "kxtapi/comm/comthread.h"
#include "kxtapi/rtl/lasterror.h"
#include "kxtapi/rtl/tick.h"
#include "kxtapi/serial/commapi.h"
#include "kxtapi/serial/ports.h"

#include <cctype>

namespace kxtapi {

namespace {

/// PortName read as a decimal integer; -1 when it is not one.
int64_t DecimalOrMinusOne(const std::string& S)
{
    if (S.empty() || S.size() > 11) return -1;
    size_t i = (S[0] == '-' || S[0] == '+') ? 1 : 0;
    if (i == S.size()) return -1;
    int64_t v = 0;
    for (; i < S.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(S[i]))) return -1;
        v = v * 10 + (S[i] - '0');
    }
    v = S[0] == '-' ? -v : v;
    return v < INT32_MIN || v > INT32_MAX ? -1 : v;
}

} // namespace

TCustomComPort::TCustomComPort(TComponent* AOwner)
    : TComponent(AOwner),
      FMonitorEvents{evBreak, evCts, evDsr, evError, evRing, evRlsd, evRxChar, evRxFlag, evTxEmpty},
      FEventChars(std::make_unique<TCommEventChars>(this))
{
    FPorts.Set_Sorted(true);
    FWindow = AllocateHWnd([this](TMessage& M) { WindowProc(M); });
}

TCustomComPort::~TCustomComPort()
{
    FDestroying = true;
    try {
        Close();
    } catch (...) {
        // Destruction completes whatever closing reports.
    }
    StopThread();
    if (FOwnHandle) DestroyHandle();
    if (FWindow) DeallocateHWnd(FWindow);
}

void TCustomComPort::Loaded()
{
    TComponent::Loaded();
    if (!IsDesigning()) ApplyActivate();
}

void TCustomComPort::Open()
{
    CheckNotOpen();
    Set_Active(true);
}

void TCustomComPort::Close() { Set_Active(false); }

void TCustomComPort::CheckNotOpen() const
{
    if (FOpen) RaiseComError(0, 2, 0);
}

void TCustomComPort::Set_Active(bool Value)
{
    if (Value == FActive) return;
    FActive = Value;
    if (IsDesigning() || IsLoading()) return;
    if (Value) CheckNotOpen();
    ApplyActivate();
}

void TCustomComPort::ApplyActivate()
{
    if (FActive == FOpen) return;
    if (FActive) OpenPort();
    else ClosePort();
}

uint32_t TCustomComPort::InputLinesWord()
{
    uint32_t w = 0;
    if (Get_ModemState(1)) w |= EV_CTS;
    if (Get_ModemState(2)) w |= EV_DSR;
    if (Get_ModemState(3)) w |= EV_RING;
    if (Get_ModemState(4)) w |= EV_RLSD;
    return w;
}

void TCustomComPort::OpenPort()
{
    try {
        InitDCB(INVALID_HANDLE_VALUE, FDCB);
        CreateHandle();
        if (FOwnHandle) {
            ApplyDCB();
            ApplyTimeouts();
            ApplyBuffer();
        }
        uint32_t mask = 0;
        static constexpr uint32_t kBits[] = {EV_BREAK, EV_CTS,    EV_DSR,    EV_ERR,    EV_RING,
                                             EV_RLSD,  EV_RXCHAR, EV_RXFLAG, EV_TXEMPTY};
        for (int i = evBreak; i <= evTxEmpty; ++i)
            if (FMonitorEvents.Contains(static_cast<TCommEventType>(i))) mask |= kBits[i];
        FThread = std::make_unique<TComThread>(FWindow, FHandle, mask);
        FOpen = true;

        uint32_t w = InputLinesWord();
        TriggerPortOpen(true);
        if (w & EV_CTS) TriggerCTS(true);
        if (w & EV_DSR) TriggerDSR(true);
        if (w & EV_RING) TriggerRing(true);
        if (w & EV_RLSD) TriggerDCD(true);
        if (w) TriggerComEvent(w);
        if (FRTS) w |= EV_RTS;
        if (FDTR) w |= EV_DTR;
        TriggerLinks(w);
    } catch (...) {
        // Undo everything: a port left half open would keep its thread
        // running against a closed handle. A handle taken over is not ours
        // to close.
        FActive = false;
        FOpen = false;
        StopThread();
        if (FOwnHandle) DestroyHandle();
        throw;
    }
}

void TCustomComPort::ClosePort()
{
    FOpen = false;
    // Waits for the thread's end: its final purge must not outlive the
    // handle, and Terminate has released any hand-over it was blocked in.
    StopThread();
    const uint32_t w = InputLinesWord();
    if (FOwnHandle) DestroyHandle();
    if (w & EV_CTS) TriggerCTS(false);
    if (w & EV_DSR) TriggerDSR(false);
    if (w & EV_RING) TriggerRing(false);
    if (w & EV_RLSD) TriggerDCD(false);
    if (w) TriggerComEvent(w);
    TriggerPortOpen(false);
    TriggerLinks(w | EV_DTR | EV_RTS);
}

void TCustomComPort::StopThread() noexcept
{
    if (!FThread) return;
    FThread->Terminate();
    FThread.reset();
}

THandle TCustomComPort::TryCreateHandle()
{
    FOwnHandle = true;
    const int64_t n = DecimalOrMinusOne(FPortName);
    std::string upper = FPortName;
    for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper.rfind("COM", 0) == 0) return OpenCommPort("\\\\.\\" + FPortName);
    if (n != 0 && n != -1) {
        FOwnHandle = false;  // a handle handed over as text
        return static_cast<THandle>(static_cast<uint32_t>(n));
    }
    if (!FPortName.empty() && n == -1) return OpenCommPort(FPortName);
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
}

void TCustomComPort::CreateHandle()
{
    if (FHandle != INVALID_HANDLE_VALUE) {
        // A handle assigned through Handle: used as it is, but it must name
        // an open port, or the port would "open" and then fail silently.
        if (!IsCommHandle(FHandle)) RaiseComError(0, 1, ERROR_INVALID_HANDLE);
        return;
    }
    FHandle = TryCreateHandle();
    if (FHandle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
        Sleep(500);
        FHandle = TryCreateHandle();
    }
    if (FHandle == INVALID_HANDLE_VALUE) RaiseComError(0, 1, GetLastError());
    if (!FOwnHandle && !IsCommHandle(FHandle)) {
        FHandle = INVALID_HANDLE_VALUE;
        RaiseComError(0, 1, ERROR_INVALID_HANDLE);
    }
}

void TCustomComPort::DestroyHandle()
{
    if (FHandle != INVALID_HANDLE_VALUE) CloseHandle(FHandle);
    FHandle = INVALID_HANDLE_VALUE;
}

void TCustomComPort::Set_Handle(THandle Value)
{
    CheckNotOpen();
    FHandle = Value;
}

void TCustomComPort::Set_PortName(const std::string& Value)
{
    UpdatePorts();
    FPortName = Value;
}

void TCustomComPort::UpdatePorts()
{
    FPorts.Clear();
    for (const auto& name : EnumComPorts()) FPorts.Add(name);
}

TStringList* TCustomComPort::Get_Ports()
{
    if (FPorts.Count() == 0) UpdatePorts();
    return &FPorts;
}

} // namespace kxtapi
