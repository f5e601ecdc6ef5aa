#include "service/providers/modem/at_channel.h"

#include "service/providers/modem/caller_id.h"

#include "kxtapi/rtl/lasterror.h"
#include "kxtapi/serial/cancel.h"
#include "kxtapi/serial/commapi.h"
#include "kxtapi/serial/simulated.h"

#include <algorithm>

namespace kxtapi::service::modem {

namespace {

constexpr size_t MaxInfoLines = 64;

// The port as a modem wants it: 8N1 at the configured speed, RTS/CTS
// handshake, DTR raised (dropping it hangs up), reads that return what has
// arrived.
bool Configure(THandle Port, uint32_t Speed)
{
    DCB d;
    if (!GetCommState(Port, d)) return false;
    d.BaudRate = Speed;
    d.ByteSize = 8;
    d.Parity = NOPARITY;
    d.StopBits = ONESTOPBIT;
    d.Flags = DCB_fBinary | DCB_fOutxCtsFlow | DTR_CONTROL_ENABLE | RTS_CONTROL_HANDSHAKE;
    if (!SetCommState(Port, d)) return false;
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = 0xFFFFFFFF;
    t.WriteTotalTimeoutConstant = 1000;
    if (!SetCommTimeouts(Port, t)) return false;
    return SetCommMask(Port, EV_RXCHAR | EV_ERR | EV_RLSD);
}

}  // namespace

std::string TAtReply::Describe() const
{
    switch (Status) {
    case rsTimeout: return "no answer in time";
    case rsLost: return "port lost";
    case rsFinal: break;
    }
    return Line.empty() ? ResultName(Result.Kind) : Line;
}

TAtChannel::TAtChannel(TAtChannelSettings Settings, TAtChannelListener& Listener)
    : FSettings(std::move(Settings)), FListener(Listener)
{
}

TAtChannel::~TAtChannel()
{
    Stop();
}

void TAtChannel::Start()
{
    std::lock_guard<std::mutex> L(FMutex);
    if (FWorker.joinable() || Stopping()) return;
    FOpenAt = Clock::now();
    FWorker = std::thread([this] { WorkerLoop(); });
}

void TAtChannel::Stop()
{
    {
        std::lock_guard<std::mutex> L(FMutex);
        FStopping.store(true, std::memory_order_release);
    }
    FWake.notify_all();
    if (FWorker.joinable() && FWorker.get_id() != std::this_thread::get_id()) FWorker.join();
}

void TAtChannel::Submit(TAtCommand Command)
{
    {
        std::lock_guard<std::mutex> L(FMutex);
        FQueue.push_back(std::move(Command));
    }
    FWake.notify_all();
}

void TAtChannel::Interrupt()
{
    {
        std::lock_guard<std::mutex> L(FMutex);
        FInterrupt = true;
    }
    FWake.notify_all();
}

void TAtChannel::Restart(uint32_t DelayMs)
{
    {
        std::lock_guard<std::mutex> L(FMutex);
        FRestart = true;
        FRestartDelay = DelayMs;
    }
    FWake.notify_all();
}

uint64_t TAtChannel::After(uint32_t DelayMs, std::function<void()> Action)
{
    uint64_t ID;
    {
        std::lock_guard<std::mutex> L(FMutex);
        ID = FNextTimer++;
        FTimers[ID] = TTimer{Clock::now() + std::chrono::milliseconds(DelayMs), std::move(Action)};
    }
    FWake.notify_all();
    return ID;
}

void TAtChannel::Cancel(uint64_t ID)
{
    std::lock_guard<std::mutex> L(FMutex);
    FTimers.erase(ID);
}

void TAtChannel::ArmData(std::shared_ptr<TSimulatedPair> Pair)
{
    std::lock_guard<std::mutex> L(FMutex);
    FArmed = std::move(Pair);
}

void TAtChannel::EndData()
{
    {
        std::lock_guard<std::mutex> L(FMutex);
        FArmed.reset();
        FDataArmed.store(false, std::memory_order_release);
        FDataMode.store(false, std::memory_order_release);
        FInbox.push_back(TInbound{TInbound::ikCarrierLost, {}, "ended", 0});
    }
    FWake.notify_all();
}

bool TAtChannel::PortOpen() const
{
    std::lock_guard<std::mutex> L(FMutex);
    return FPort != 0;
}

// ------------------------------------------------------------------ reader

void TAtChannel::PushInbound(TInbound Item)
{
    {
        std::lock_guard<std::mutex> L(FMutex);
        FInbox.push_back(std::move(Item));
    }
    FWake.notify_all();
}

void TAtChannel::ReaderLoop(THandle Port, std::shared_ptr<TCommCancel> Cancel, uint64_t Generation)
{
    std::vector<char> Buffer(4096);
    for (;;) {
        uint32_t Events = 0;
        if (!WaitCommEvent(Port, Events, Cancel.get())) {
            uint32_t e = GetLastError();
            if (e == ERROR_OPERATION_ABORTED || Cancel->Cancelled()) return;
            PushInbound({TInbound::ikLost, {}, "the port failed: " + SysErrorMessage(e), Generation});
            return;
        }
        for (;;) {
            uint32_t n = 0;
            if (!ReadComm(Port, Buffer.data(), static_cast<uint32_t>(Buffer.size()), n, 1000)) {
                if (Cancel->Cancelled()) return;
                uint32_t e = GetLastError();
                if (e == ERROR_IO_INCOMPLETE) break;
                PushInbound({TInbound::ikLost, {}, "the port hung up", Generation});
                return;
            }
            if (n == 0) break;
            ReaderBytes(Buffer.data(), n, Generation);
            if (n < Buffer.size()) break;
        }
        if (Events & EV_ERR) {
            uint32_t Errors = 0;
            ClearCommError(Port, Errors, nullptr);
            if (Errors & CE_IOE) {
                PushInbound({TInbound::ikLost, {}, "the port hung up", Generation});
                return;
            }
        }
        if (Events & EV_RLSD) {
            // Where the port has a DCD line, its drop ends a data connection.
            uint32_t Status = 0;
            bool Dcd = GetCommModemStatus(Port, Status) && (Status & MS_RLSD_ON);
            if (FDataMode.load(std::memory_order_acquire)) {
                if (Dcd) {
                    FDcdSeen = true;
                } else if (FDcdSeen) {
                    FDataMode.store(false, std::memory_order_release);
                    FReaderPair.reset();
                    FDcdSeen = false;
                    PushInbound({TInbound::ikCarrierLost, {}, "DCD dropped", Generation});
                }
            }
        }
    }
}

void TAtChannel::ReaderBytes(const char* p, size_t n, uint64_t Generation)
{
    std::vector<TInbound> Out;
    auto Tokens = [&]() -> std::vector<TAtToken>& {
        if (Out.empty() || Out.back().Kind != TInbound::ikTokens)
            Out.push_back({TInbound::ikTokens, {}, {}, Generation});
        return Out.back().Tokens;
    };
    while (n > 0) {
        if (FDataMode.load(std::memory_order_acquire) && FReaderPair) {
            if (FSkipLf && *p == '\n') {
                ++p;
                --n;
                FSkipLf = false;
                continue;
            }
            FSkipLf = false;
            size_t Tail = 0;
            bool Ended = FCarrier.Feed(p, n, Tail);
            size_t Upto = Ended ? Tail : n;
            FReaderPair->Send(p, Upto);
            if (!Ended) break;
            FDataMode.store(false, std::memory_order_release);
            FReaderPair.reset();
            FDcdSeen = false;
            FLexer.Reset();
            Out.push_back({TInbound::ikCarrierLost, {}, "NO CARRIER", Generation});
            p += Upto;
            n -= Upto;
            continue;
        }
        if (FReaderPair) FReaderPair.reset();   // the worker ended the connection
        if (!FDataArmed.load(std::memory_order_acquire)) {
            FLexer.Feed(p, n, Tokens());
            break;
        }
        // A CONNECT may switch to data mode in the middle of the chunk: feed
        // it up to each line end and look.
        size_t End = 0;
        while (End < n && p[End] != '\r' && p[End] != '\n') ++End;
        size_t Take = End < n ? End + 1 : n;
        std::vector<TAtToken>& T = Tokens();
        size_t Before = T.size();
        FLexer.Feed(p, Take, T);
        p += Take;
        n -= Take;
        for (size_t i = Before; i < T.size(); ++i) {
            if (T[i].Kind != TAtToken::tkLine || ParseResultLine(T[i].Text).Kind != arConnect) continue;
            std::shared_ptr<TSimulatedPair> Pair;
            {
                // Under the lock with EndData, which forgets an armed pair
                // and ends data mode: either it sees the connection or the
                // connection never starts.
                std::lock_guard<std::mutex> L(FMutex);
                Pair = std::move(FArmed);
                FArmed.reset();
                if (Pair) {
                    FRelayed = Pair;
                    FDataMode.store(true, std::memory_order_release);
                }
                FDataArmed.store(false, std::memory_order_release);
            }
            if (Pair) {
                FReaderPair = Pair;
                FCarrier.Reset();
                FSkipLf = true;
                Out.push_back({TInbound::ikDataStarted, {}, {}, Generation});
            }
            break;
        }
    }
    if (Out.empty()) return;
    {
        std::lock_guard<std::mutex> L(FMutex);
        for (auto& i : Out)
            if (i.Kind != TInbound::ikTokens || !i.Tokens.empty()) FInbox.push_back(std::move(i));
    }
    FWake.notify_all();
}

// ------------------------------------------------------------------- relay

void TAtChannel::RelayLoop(THandle Port, std::shared_ptr<TSimulatedPair> Pair, std::shared_ptr<std::atomic<bool>> Stop)
{
    for (;;) {
        if (Stop->load(std::memory_order_acquire) || Pair->HungUp()) return;
        if (!Pair->WaitReceived(1, 1000)) continue;
        std::string Bytes = Pair->TakeReceived();
        size_t Done = 0;
        while (Done < Bytes.size()) {
            if (Stop->load(std::memory_order_acquire)) return;
            uint32_t Written = 0;
            bool Ok = WriteComm(Port, Bytes.data() + Done, static_cast<uint32_t>(Bytes.size() - Done), Written, 500);
            Done += Written;
            if (!Ok && GetLastError() != ERROR_IO_INCOMPLETE) return;   // the reader reports the port
        }
    }
}

void TAtChannel::StopRelay(std::unique_lock<std::mutex>& L)
{
    std::shared_ptr<TSimulatedPair> Pair = std::move(FRelayed);
    FRelayed.reset();
    std::thread Relay = std::move(FRelay);
    if (FRelayStop) FRelayStop->store(true, std::memory_order_release);
    FRelayStop.reset();
    if (!Pair && !Relay.joinable()) return;
    L.unlock();
    if (Pair) Pair->HangUp();
    if (Relay.joinable()) Relay.join();
    L.lock();
}

// ------------------------------------------------------------------ worker

void TAtChannel::WorkerLoop()
{
    std::unique_lock<std::mutex> L(FMutex);
    while (!Stopping()) {
        TActions Actions;
        if (FRestart) {
            FRestart = false;
            ClosePort(L);
            FailAll(TAtReply::rsLost, Actions);
            FOpenAt = Clock::now() + std::chrono::milliseconds(FRestartDelay);
        }
        if (!FPort && Clock::now() >= FOpenAt) TryOpen(Actions, L);
        while (!FInbox.empty() && !Stopping()) {
            TInbound Item = std::move(FInbox.front());
            FInbox.pop_front();
            Process(Item, Actions, L);
        }
        if (FInterrupt) {
            FInterrupt = false;
            if (FRunning && FRunning->Written && FRunning->Command.Action == TAtCommand::caLine && FPort &&
                !WriteUnlocked(L, "\r"))
                Lose("the port failed", Actions, L);
        }
        CheckTime(Clock::now(), Actions, L);
        StartNext(L, Actions);
        if (!Actions.empty()) {
            RunActions(Actions, L);
            continue;
        }
        if (Stopping()) break;
        FWake.wait_until(L, NextWake(), [&] {
            return Stopping() || !FInbox.empty() || FRestart || FInterrupt || CanStart() ||
                   Clock::now() >= NextWake();
        });
    }
    ClosePort(L);
}

bool TAtChannel::CanStart() const
{
    if (!FPort || FRunning) return false;
    if (FResync) return !FProbeSent && !FDataMode.load(std::memory_order_acquire);
    for (const TAtCommand& c : FQueue)
        if (!FDataMode.load(std::memory_order_acquire) || c.Action != TAtCommand::caLine) return true;
    return false;
}

TAtChannel::Clock::time_point TAtChannel::NextWake() const
{
    Clock::time_point t = Clock::time_point::max();
    if (!FPort) t = std::min(t, FOpenAt);
    if (FRunning) t = std::min(t, FRunning->Written ? FRunning->Deadline : FRunning->WriteAt);
    if (FResync && FProbeSent) t = std::min(t, FProbeAnswered ? FQuietUntil : FProbeDeadline);
    for (const auto& [id, timer] : FTimers) t = std::min(t, timer.Due);
    return t;
}

void TAtChannel::RunActions(TActions& Actions, std::unique_lock<std::mutex>& L)
{
    L.unlock();
    for (auto& a : Actions) {
        if (Stopping()) break;
        try {
            a();
        } catch (...) {
            // A listener's failure must not end the channel.
        }
    }
    Actions.clear();
    L.lock();
}

void TAtChannel::TryOpen(TActions& Actions, std::unique_lock<std::mutex>& L)
{
    L.unlock();
    THandle h = OpenCommPort(FSettings.Port);
    uint32_t Error = h == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    if (!Error && !Configure(h, FSettings.Speed)) {
        Error = GetLastError();
        CloseHandle(h);
    }
    L.lock();
    if (Error) {
        FOpenAt = Clock::now() + std::chrono::milliseconds(FSettings.RetryInterval);
        Actions.push_back([this, Error] { FListener.ChannelOpenFailed(Error); });
        return;
    }
    FPort = h;
    ++FGeneration;
    FResync = false;
    FDataMode.store(false, std::memory_order_release);
    FDataArmed.store(false, std::memory_order_release);
    FLexer.Reset();
    FCarrier.Reset();
    FReaderPair.reset();
    FDcdSeen = false;
    FSkipLf = false;
    FReaderCancel = std::make_shared<TCommCancel>();
    FReader = std::thread([this, h, c = FReaderCancel, g = FGeneration] { ReaderLoop(h, c, g); });
    Actions.push_back([this] { FListener.ChannelOpened(); });
}

void TAtChannel::ClosePort(std::unique_lock<std::mutex>& L)
{
    StopRelay(L);
    FDataMode.store(false, std::memory_order_release);
    FDataArmed.store(false, std::memory_order_release);
    FArmed.reset();
    if (!FPort) return;
    THandle h = FPort;
    FPort = 0;
    ++FGeneration;   // what the old reader still reports is stale
    std::shared_ptr<TCommCancel> c = std::move(FReaderCancel);
    std::thread Reader = std::move(FReader);
    FResync = false;
    L.unlock();
    if (c) c->Cancel();
    if (Reader.joinable()) Reader.join();
    CloseHandle(h);
    L.lock();
    FInbox.erase(std::remove_if(FInbox.begin(), FInbox.end(),
                                [&](const TInbound& i) { return i.Generation != 0 && i.Generation != FGeneration; }),
                 FInbox.end());
}

void TAtChannel::Lose(const std::string& Why, TActions& Actions, std::unique_lock<std::mutex>& L)
{
    ClosePort(L);
    FailAll(TAtReply::rsLost, Actions);
    FOpenAt = Clock::now() + std::chrono::milliseconds(FSettings.RetryInterval);
    Actions.push_back([this, Why] { FListener.ChannelLost(Why); });
}

void TAtChannel::FailAll(TAtReply::TStatus Status, TActions& Actions)
{
    TAtReply r;
    r.Status = Status;
    if (FRunning) Finish(r, Actions);
    while (!FQueue.empty()) {
        if (auto Done = std::move(FQueue.front().Done)) Actions.push_back([Done, r] { Done(r); });
        FQueue.pop_front();
    }
}

void TAtChannel::Finish(TAtReply Reply, TActions& Actions)
{
    std::unique_ptr<TRunning> r = std::move(FRunning);
    if (!r) return;
    if (Reply.Status == TAtReply::rsFinal) Reply.Info = std::move(r->Reply.Info);
    if (auto Done = std::move(r->Command.Done)) Actions.push_back([Done, Reply] { Done(Reply); });
}

void TAtChannel::Flush(std::vector<TAtToken>& Batch, TActions& Actions)
{
    if (Batch.empty()) return;
    Actions.push_back([this, b = std::move(Batch)] { FListener.ChannelUnsolicited(b); });
    Batch.clear();
}

void TAtChannel::Process(TInbound& Item, TActions& Actions, std::unique_lock<std::mutex>& L)
{
    if (Item.Generation != 0 && Item.Generation != FGeneration) return;   // from a port closed since
    switch (Item.Kind) {
    case TInbound::ikTokens: {
        std::vector<TAtToken> Batch;
        for (TAtToken& t : Item.Tokens) Token(t, Batch, Actions);
        Flush(Batch, Actions);
        break;
    }
    case TInbound::ikDataStarted:
        // Not when the connection was ended (EndData) since the reader saw it start.
        if (FRelayed && FPort && !FRelay.joinable() && FDataMode.load(std::memory_order_acquire)) {
            FRelayStop = std::make_shared<std::atomic<bool>>(false);
            FRelay = std::thread([this, h = FPort, p = FRelayed, s = FRelayStop] { RelayLoop(h, p, s); });
        }
        break;
    case TInbound::ikCarrierLost: {
        bool Connected = FRelayed != nullptr;
        StopRelay(L);
        // EndData asks for this too; only a connection the modem ended is reported.
        if (Connected && Item.Generation != 0) Actions.push_back([this] { FListener.ChannelCarrierLost(); });
        break;
    }
    case TInbound::ikLost:
        Lose(Item.Why, Actions, L);
        break;
    }
}

void TAtChannel::Token(TAtToken& T, std::vector<TAtToken>& Batch, TActions& Actions)
{
    if (T.Kind == TAtToken::tkDle) {
        Batch.push_back(std::move(T));
        return;
    }
    bool Numeric = FRunning && FRunning->Written && FRunning->Command.Numeric;
    TAtResult r = ParseResultLine(T.Text, Numeric);
    if (r.Kind == arRing || (r.Kind == arText && IsCallerIDLine(T.Text))) {
        Batch.push_back(std::move(T));
        return;
    }
    if (FResync && FProbeSent) {
        // Everything up to the probe's answer and the silence after it is
        // dropped: it may be the late reply of the command that timed out.
        if (IsFinal(r.Kind)) FProbeAnswered = true;
        if (FProbeAnswered) FQuietUntil = Clock::now() + std::chrono::milliseconds(FSettings.QuietTime);
        return;
    }
    if (FRunning && !FRunning->Written && FRunning->Command.Action == TAtCommand::caDtrPulse && IsFinal(r.Kind) &&
        !FRunning->Early) {
        Flush(Batch, Actions);
        FRunning->Early = true;
        FRunning->Reply.Result = r;
        FRunning->Reply.Line = T.Text;
        return;
    }
    if (FRunning && FRunning->Written) {
        if (IsProgress(r.Kind)) {
            Flush(Batch, Actions);
            if (auto& p = FRunning->Command.Progress) Actions.push_back([p, r, Line = T.Text] { p(r, Line); });
            return;
        }
        if (IsFinal(r.Kind)) {
            Flush(Batch, Actions);
            TAtReply Reply;
            Reply.Result = r;
            Reply.Line = T.Text;
            Finish(std::move(Reply), Actions);
            return;
        }
        if (FRunning->Reply.Info.size() < MaxInfoLines) FRunning->Reply.Info.push_back(T.Text);
        return;
    }
    Batch.push_back(std::move(T));
}

void TAtChannel::CheckTime(Clock::time_point Now, TActions& Actions, std::unique_lock<std::mutex>& L)
{
    if (FRunning && FPort) {
        TRunning& r = *FRunning;
        if (!r.Written && Now >= r.WriteAt) {
            // The second half of a timed action: the escape sequence after
            // its guard time, or DTR raised again after the pulse.
            bool Ok = true;
            if (r.Command.Action == TAtCommand::caEscape) {
                Ok = WriteUnlocked(L, r.Command.Text);
            } else if (r.Command.Action == TAtCommand::caDtrPulse) {
                THandle h = FPort;
                L.unlock();
                EscapeCommFunction(h, SETDTR);
                L.lock();
            }
            if (!Ok) {
                Lose("the port failed", Actions, L);
                return;
            }
            if (FRunning) {
                FRunning->Written = true;
                FRunning->Deadline = Clock::now() + std::chrono::milliseconds(FRunning->Command.TimeoutMs);
                if (auto w = FRunning->Command.Written) Actions.push_back(w);
                if (FRunning->Early) {
                    TAtReply e;
                    e.Result = FRunning->Reply.Result;
                    e.Line = FRunning->Reply.Line;
                    Finish(std::move(e), Actions);
                }
            }
        } else if (r.Written && Now >= r.Deadline) {
            TAtReply t;
            t.Status = TAtReply::rsTimeout;
            bool Resync = !r.Command.NoResync;
            Finish(t, Actions);
            FResync = Resync;
            FProbeSent = false;
            FProbeAnswered = false;
            FProbes = 0;
        }
    }
    if (FResync && FProbeSent && FPort) {
        if (FProbeAnswered && Now >= FQuietUntil) {
            FResync = false;
        } else if (!FProbeAnswered && Now >= FProbeDeadline) {
            if (++FProbes >= FSettings.ProbeAttempts) {
                Lose("the modem does not answer", Actions, L);
                return;
            }
            FProbeSent = false;
        }
    }
    for (auto it = FTimers.begin(); it != FTimers.end();) {
        if (it->second.Due <= Now) {
            Actions.push_back(std::move(it->second.Action));
            it = FTimers.erase(it);
        } else {
            ++it;
        }
    }
}

bool TAtChannel::WriteUnlocked(std::unique_lock<std::mutex>& L, const std::string& Bytes)
{
    THandle h = FPort;
    L.unlock();
    size_t Done = 0;
    bool Ok = true;
    while (Done < Bytes.size() && !Stopping()) {
        uint32_t Written = 0;
        if (WriteComm(h, Bytes.data() + Done, static_cast<uint32_t>(Bytes.size() - Done), Written, 1000)) {
            Done += Written;
            continue;
        }
        Done += Written;
        if (GetLastError() != ERROR_IO_INCOMPLETE) {
            Ok = false;
            break;
        }
    }
    L.lock();
    return Ok;
}

void TAtChannel::StartNext(std::unique_lock<std::mutex>& L, TActions& Actions)
{
    if (!FPort || FRunning) return;
    bool Data = FDataMode.load(std::memory_order_acquire);
    if (FResync) {
        if (FProbeSent || Data) return;
        FProbeSent = true;
        FProbeAnswered = false;
        FProbeDeadline = Clock::now() + std::chrono::milliseconds(FSettings.ProbeTimeout);
        if (!WriteUnlocked(L, "AT\r")) Lose("the port failed", Actions, L);
        return;
    }
    auto it = FQueue.begin();
    if (Data)
        while (it != FQueue.end() && it->Action == TAtCommand::caLine) ++it;
    if (it == FQueue.end()) return;
    FRunning = std::make_unique<TRunning>();
    FRunning->Command = std::move(*it);
    FQueue.erase(it);
    TAtCommand& c = FRunning->Command;
    Clock::time_point Now = Clock::now();
    switch (c.Action) {
    case TAtCommand::caLine: {
        FDataArmed.store(c.StartsData && FArmed, std::memory_order_release);
        FRunning->Written = true;
        FRunning->Deadline = Now + std::chrono::milliseconds(c.TimeoutMs);
        if (!WriteUnlocked(L, c.Text + "\r")) {
            Lose("the port failed", Actions, L);
            return;
        }
        if (FRunning && c.Written) Actions.push_back(c.Written);
        return;
    }
    case TAtCommand::caEscape:
    case TAtCommand::caDtrPulse:
        // Both end a data connection: the program's port is cut first so
        // nothing it writes falls into the guard time.
        FDataMode.store(false, std::memory_order_release);
        StopRelay(L);
        if (!FRunning) return;
        FRunning->WriteAt = Clock::now() + std::chrono::milliseconds(c.PulseMs);
        if (c.Action == TAtCommand::caDtrPulse) {
            THandle h = FPort;
            L.unlock();
            EscapeCommFunction(h, CLRDTR);
            L.lock();
        }
        return;
    }
}

}  // namespace kxtapi::service::modem
