// The simulated null-modem cable: the far end's state and the near end's
// device.
//
// Locks: a near device's FLock is taken before the cable's Mutex, never the
// other way round. The far end finds the near device under NearMutex alone
// and lets go of it before taking the device's lock.
#include "serial/sim_device.h"

#include "kxtapi/rtl/lasterror.h"
#include "kxtapi/serial/simulated.h"
#include "serial/comm_device.h"
#include "serial/comm_registry.h"

#include <condition_variable>
#include <mutex>

namespace kxtapi {

class TSimNearDevice;

struct TSimPairState {
    explicit TSimPairState(uint32_t SubType) : ProviderSubType(SubType) {}

    const uint32_t ProviderSubType;

    mutable std::mutex NearMutex;
    std::weak_ptr<TSimNearDevice> Near;
    bool Gone = false;

    mutable std::mutex Mutex;
    mutable std::condition_variable Changed;
    uint32_t FarLines = 0;   // MS_ bits the near end reads
    bool Dtr = false;
    bool Rts = false;
    bool Breaking = false;
    bool Receiving = true;
    bool HungUp = false;   // HangUp was called: far-end waits end
    std::string Received;
    DCB NearDcb;

    std::shared_ptr<TSimNearDevice> CurrentNear() const
    {
        std::lock_guard<std::mutex> L(NearMutex);
        return Near.lock();
    }
};

class TSimNearDevice final : public TCommDevice {
public:
    explicit TSimNearDevice(std::shared_ptr<TSimPairState> Pair)
        : TCommDevice(Pair->ProviderSubType), FPair(std::move(Pair)), FOut(2048)
    {
    }

    /// Takes up the far end's lines and raises DTR and RTS as the default
    /// settings ask.
    void Attach()
    {
        std::lock_guard<std::mutex> L(FLock);
        {
            std::lock_guard<std::mutex> P(FPair->Mutex);
            FLastModem = FPair->FarLines;
        }
        DoApplyState(State());
    }

    // Far-end actions, each under the device lock.
    void FarLines(uint32_t Bit, bool On)
    {
        std::lock_guard<std::mutex> L(FLock);
        uint32_t before, after;
        {
            std::lock_guard<std::mutex> P(FPair->Mutex);
            before = FPair->FarLines;
            FPair->FarLines = On ? (before | Bit) : (before & ~Bit);
            after = FPair->FarLines;
        }
        if (Closed() || HungUp()) return;
        FLastModem = after;
        if (before != after) {
            DeliverLineChanges(LineEventsOf(before ^ after));
            Flow();
        }
    }

    void FarSend(const uint8_t* Data, size_t Count)
    {
        std::lock_guard<std::mutex> L(FLock);
        if (Closed() || HungUp()) return;
        if (!(State().Flags & DCB_fOutX)) {
            DeliverBytes(Data, Count);
            return;
        }
        // XON/XOFF output flow control: those two bytes steer our output.
        const uint8_t xon = static_cast<uint8_t>(State().XonChar);
        const uint8_t xoff = static_cast<uint8_t>(State().XoffChar);
        size_t start = 0;
        for (size_t i = 0; i < Count; ++i) {
            if (Data[i] != xon && Data[i] != xoff) continue;
            DeliverBytes(Data + start, i - start);
            FXoffHold = Data[i] == xoff;
            start = i + 1;
        }
        DeliverBytes(Data + start, Count - start);
        Flow();
    }

    void FarBreak()
    {
        std::lock_guard<std::mutex> L(FLock);
        if (!Closed() && !HungUp()) DeliverBreak();
    }

    void FarErrors(uint32_t Errors)
    {
        std::lock_guard<std::mutex> L(FLock);
        if (!Closed() && !HungUp()) DeliverErrors(Errors);
    }

    void FarErrorByte(uint8_t Byte, uint32_t Errors)
    {
        std::lock_guard<std::mutex> L(FLock);
        if (!Closed() && !HungUp()) DeliverErrorByte(Byte, Errors);
    }

    void FarHangUp()
    {
        std::lock_guard<std::mutex> L(FLock);
        if (!Closed()) DeliverHangup();
    }

    void FarReceiving(bool On)
    {
        std::lock_guard<std::mutex> L(FLock);
        {
            std::lock_guard<std::mutex> P(FPair->Mutex);
            FPair->Receiving = On;
        }
        if (!Closed() && !HungUp()) Flow();
    }

protected:
    uint32_t DoApplyState(const DCB& Dcb) override
    {
        {
            std::lock_guard<std::mutex> P(FPair->Mutex);
            FPair->NearDcb = Dcb;
            const uint32_t dtr = Dcb.Flags & DCB_fDtrControlMask;
            const uint32_t rts = Dcb.Flags & DCB_fRtsControlMask;
            FPair->Dtr = dtr != DTR_CONTROL_DISABLE;
            if (rts == RTS_CONTROL_HANDSHAKE) FPair->Rts = !InputFull();
            else FPair->Rts = rts != RTS_CONTROL_DISABLE;
        }
        FRtsHandshake = (Dcb.Flags & DCB_fRtsControlMask) == RTS_CONTROL_HANDSHAKE;
        FCtsFlow = (Dcb.Flags & DCB_fOutxCtsFlow) != 0;
        FDsrFlow = (Dcb.Flags & DCB_fOutxDsrFlow) != 0;
        if (!(Dcb.Flags & DCB_fOutX)) FXoffHold = false;
        FOut.SetCapacity(OutQueueSize());
        Flow();
        return 0;
    }

    void DoService() override
    {
        if (FOut.Capacity() != OutQueueSize() && OutQueueSize() >= FOut.Size())
            FOut.SetCapacity(OutQueueSize());
        Flow();
        if (TxPending() && FOut.Size() == 0) DeliverTxEmpty();
    }

    uint32_t DoWrite(const uint8_t* Data, uint32_t Count, uint32_t& Accepted) override
    {
        if (FOut.Capacity() != OutQueueSize() && OutQueueSize() >= FOut.Size())
            FOut.SetCapacity(OutQueueSize());
        Accepted = static_cast<uint32_t>(FOut.Push(Data, Count));
        Flow();
        return 0;
    }

    uint32_t DoOutQueue() override { return static_cast<uint32_t>(FOut.Size()); }

    uint32_t DoModemStatus(uint32_t& Status) override
    {
        std::lock_guard<std::mutex> P(FPair->Mutex);
        Status = FPair->FarLines;
        return 0;
    }

    uint32_t DoEscape(uint32_t Function) override
    {
        {
            std::lock_guard<std::mutex> P(FPair->Mutex);
            switch (Function) {
            case SETRTS: FPair->Rts = true; break;
            case CLRRTS: FPair->Rts = false; break;
            case SETDTR: FPair->Dtr = true; break;
            case CLRDTR: FPair->Dtr = false; break;
            case SETBREAK: FPair->Breaking = true; break;
            case CLRBREAK: FPair->Breaking = false; break;
            case SETXOFF: FXoffHold = true; break;
            case SETXON: FXoffHold = false; break;
            default: return ERROR_INVALID_PARAMETER;
            }
            FPair->Changed.notify_all();
        }
        Flow();
        return 0;
    }

    void DoPurge(uint32_t Flags) override
    {
        if (Flags & PURGE_TXCLEAR) {
            FOut.Clear();
            WakeWriters();
        }
    }

    uint32_t DoHoldFlags() override
    {
        uint32_t f = 0;
        if (FCtsFlow && !(FLastModem & MS_CTS_ON)) f |= COMSTAT_fCtsHold;
        if (FDsrFlow && !(FLastModem & MS_DSR_ON)) f |= COMSTAT_fDsrHold;
        if (FXoffHold) f |= COMSTAT_fXoffHold;
        return f;
    }

    void DoShutdown() override
    {
        // Closing a port drops its lines, as a real driver does on hang-up.
        std::lock_guard<std::mutex> P(FPair->Mutex);
        FPair->Dtr = FPair->Rts = FPair->Breaking = false;
        FPair->Changed.notify_all();
    }

    uint32_t DoCapabilities() override
    {
        return PCF_DTRDSR | PCF_RTSCTS | PCF_RLSD | PCF_PARITY_CHECK | PCF_XONXOFF | PCF_SETXCHAR
               | PCF_TOTALTIMEOUTS | PCF_INTTIMEOUTS | PCF_SPECIALCHARS;
    }

private:
    static uint32_t LineEventsOf(uint32_t Changed)
    {
        uint32_t e = 0;
        if (Changed & MS_CTS_ON) e |= EV_CTS;
        if (Changed & MS_DSR_ON) e |= EV_DSR;
        if (Changed & MS_RLSD_ON) e |= EV_RLSD;
        if (Changed & MS_RING_ON) e |= EV_RING;
        return e;
    }

    /// Moves queued output to the far end while nothing holds it back.
    void Flow()
    {
        bool moved = false;
        {
            std::lock_guard<std::mutex> P(FPair->Mutex);
            const bool held = !FPair->Receiving || FPair->Breaking || FXoffHold
                              || (FCtsFlow && !(FLastModem & MS_CTS_ON))
                              || (FDsrFlow && !(FLastModem & MS_DSR_ON));
            if (!held && FOut.Size()) {
                uint8_t buf[4096];
                while (size_t n = FOut.Pop(buf, sizeof buf)) FPair->Received.append(reinterpret_cast<char*>(buf), n);
                moved = true;
                FPair->Changed.notify_all();
            }
            if (FRtsHandshake) FPair->Rts = !InputFull();
        }
        if (moved) {
            WakeWriters();
            if (TxPending()) DeliverTxEmpty();
        }
    }

    std::shared_ptr<TSimPairState> FPair;
    TByteRing FOut;
    bool FRtsHandshake = false;
    bool FCtsFlow = false;
    bool FDsrFlow = false;
    bool FXoffHold = false;
};

uint32_t OpenSimulatedNear(const std::shared_ptr<TSimPairState>& Pair, std::shared_ptr<TCommDevice>& Out)
{
    Out.reset();
    std::shared_ptr<TSimNearDevice> near;
    {
        std::lock_guard<std::mutex> L(Pair->NearMutex);
        if (Pair->Gone) return ERROR_FILE_NOT_FOUND;
        if (auto current = Pair->Near.lock())
            if (current->IsOpen()) return ERROR_ACCESS_DENIED;
        near = std::make_shared<TSimNearDevice>(Pair);
        Pair->Near = near;
    }
    near->Attach();
    Out = near;
    return 0;
}

// ---------------------------------------------------------------- far end

std::shared_ptr<TSimulatedPair> TSimulatedPair::Create(uint32_t ProviderSubType)
{
    return std::shared_ptr<TSimulatedPair>(new TSimulatedPair(ProviderSubType));
}

TSimulatedPair::TSimulatedPair(uint32_t ProviderSubType)
    : FState(std::make_shared<TSimPairState>(ProviderSubType))
{
}

TSimulatedPair::~TSimulatedPair() = default;

uint32_t TSimulatedPair::OpenHandle()
{
    std::shared_ptr<TCommDevice> dev;
    if (const uint32_t e = OpenSimulatedNear(FState, dev)) return FailWithLastError(e);
    return RegisterCommDevice(std::move(dev));
}

bool TSimulatedPair::NearOpen() const
{
    auto near = FState->CurrentNear();
    return near && near->IsOpen();
}

namespace {

void SetFarLine(TSimPairState& S, uint32_t Bit, bool On)
{
    if (auto near = S.CurrentNear()) {
        near->FarLines(Bit, On);
        return;
    }
    std::lock_guard<std::mutex> P(S.Mutex);
    S.FarLines = On ? (S.FarLines | Bit) : (S.FarLines & ~Bit);
}

} // namespace

void TSimulatedPair::SetCTS(bool On) { SetFarLine(*FState, MS_CTS_ON, On); }
void TSimulatedPair::SetDSR(bool On) { SetFarLine(*FState, MS_DSR_ON, On); }
void TSimulatedPair::SetRING(bool On) { SetFarLine(*FState, MS_RING_ON, On); }
void TSimulatedPair::SetDCD(bool On) { SetFarLine(*FState, MS_RLSD_ON, On); }

void TSimulatedPair::Send(std::string_view Bytes) { Send(Bytes.data(), Bytes.size()); }

void TSimulatedPair::Send(const void* Data, size_t Count)
{
    if (auto near = FState->CurrentNear()) near->FarSend(static_cast<const uint8_t*>(Data), Count);
}

void TSimulatedPair::SendBreak()
{
    if (auto near = FState->CurrentNear()) near->FarBreak();
}

void TSimulatedPair::SendError(uint32_t Errors)
{
    if (auto near = FState->CurrentNear()) near->FarErrors(Errors);
}

void TSimulatedPair::SendErrorByte(uint8_t Byte, uint32_t Errors)
{
    if (auto near = FState->CurrentNear()) near->FarErrorByte(Byte, Errors);
}

void TSimulatedPair::HangUp()
{
    {
        std::lock_guard<std::mutex> L(FState->NearMutex);
        FState->Gone = true;
    }
    {
        std::lock_guard<std::mutex> P(FState->Mutex);
        FState->HungUp = true;
    }
    FState->Changed.notify_all();
    if (auto near = FState->CurrentNear()) near->FarHangUp();
}

bool TSimulatedPair::HungUp() const
{
    std::lock_guard<std::mutex> P(FState->Mutex);
    return FState->HungUp;
}

bool TSimulatedPair::DTR() const
{
    std::lock_guard<std::mutex> P(FState->Mutex);
    return FState->Dtr;
}

bool TSimulatedPair::RTS() const
{
    std::lock_guard<std::mutex> P(FState->Mutex);
    return FState->Rts;
}

bool TSimulatedPair::Breaking() const
{
    std::lock_guard<std::mutex> P(FState->Mutex);
    return FState->Breaking;
}

std::string TSimulatedPair::TakeReceived()
{
    std::lock_guard<std::mutex> P(FState->Mutex);
    std::string out;
    out.swap(FState->Received);
    return out;
}

size_t TSimulatedPair::ReceivedCount() const
{
    std::lock_guard<std::mutex> P(FState->Mutex);
    return FState->Received.size();
}

bool TSimulatedPair::WaitReceived(size_t Count, uint32_t TimeoutMs) const
{
    std::unique_lock<std::mutex> P(FState->Mutex);
    return FState->Changed.wait_for(P, std::chrono::milliseconds(TimeoutMs),
                                    [&] { return FState->Received.size() >= Count || FState->HungUp; }) &&
           FState->Received.size() >= Count;
}

void TSimulatedPair::SetReceiving(bool On)
{
    if (auto near = FState->CurrentNear()) {
        near->FarReceiving(On);
        return;
    }
    std::lock_guard<std::mutex> P(FState->Mutex);
    FState->Receiving = On;
}

DCB TSimulatedPair::NearState() const
{
    std::lock_guard<std::mutex> P(FState->Mutex);
    return FState->NearDcb;
}

} // namespace kxtapi
