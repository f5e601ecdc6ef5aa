// The command channel to one modem: its serial port, the queue of AT
// commands with a time-out each, the reading of responses and unsolicited
// lines, and the relay of a data connection.
//
// Threads. A worker thread owns the queue and the port: it opens the port
// (and opens it again, RetryInterval after a failure or a loss), writes
// commands, matches responses, keeps time and runs every callback. A reader
// thread per open port waits for comm events and cuts the bytes into
// tokens (at_stream.h). While a data connection lasts, a relay thread
// carries what the program writes to the port. Callbacks run on the worker
// thread with no lock of the channel held; they may submit commands. Stop
// joins all threads; no callback runs after it returns, and it must not be
// called from a callback.
//
// Resynchronisation. A command that times out leaves the modem's reply
// unaccounted for. Before anything else is written the channel sends "AT"
// probes and discards what comes until a final result has arrived after a
// probe and the line has then been quiet for QuietTime; a modem handles one
// command line at a time, so a late reply arrives before the probe's and is
// never taken as the answer to the next command. A modem that answers no
// probe is treated as lost.
#pragma once

#include "service/providers/modem/at_result.h"
#include "service/providers/modem/at_stream.h"

#include "kxtapi/rtl/handles.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kxtapi {
class TSimulatedPair;
class TCommCancel;
}  // namespace kxtapi

namespace kxtapi::service::modem {

/// How a command ended.
struct TAtReply {
    enum TStatus {
        rsFinal,      // a final result code arrived (Result)
        rsTimeout,    // none within the command's time-out
        rsLost,       // the port closed or the modem was given up first
    } Status = rsFinal;
    TAtResult Result;
    std::string Line;                 // the final result's line
    std::vector<std::string> Info;    // information text before it

    bool OK() const noexcept { return Status == rsFinal && Result.Kind == arOK; }
    /// "OK", "ERROR", "time-out", "port lost".
    std::string Describe() const;
};

/// One command for the queue.
struct TAtCommand {
    enum TAction {
        caLine,        // writes Text and CR, awaits a final result
        caEscape,      // guard time, Text ("+++") without CR, guard time, awaits a final result
        caDtrPulse,    // drops DTR for PulseMs, raises it again, awaits a final result
    } Action = caLine;
    std::string Text;
    uint32_t TimeoutMs = 3000;
    uint32_t PulseMs = 0;      // caDtrPulse: how long DTR stays off; caEscape: the guard time
    bool Numeric = false;      // ATV0 numeric codes are understood (ATZ may restore them)
    /// A time-out needs no resynchronisation: the modem may rightly stay
    /// silent (a DTR drop it ignores) and probes would be taken as data.
    bool NoResync = false;
    /// CONNECT starts data mode with the pair given to ArmData.
    bool StartsData = false;
    /// The final result, a time-out or the loss of the port; exactly once
    /// unless the channel is stopped first.
    std::function<void(const TAtReply&)> Done;
    /// Intermediate results (RINGING, CARRIER, PROTOCOL) while it runs.
    std::function<void(const TAtResult&, const std::string&)> Progress;
    /// The command has been written.
    std::function<void()> Written;
};

/// What the channel reports. Every method runs on the worker thread.
class TAtChannelListener {
public:
    virtual ~TAtChannelListener() = default;
    /// The port is open and configured; commands can be sent.
    virtual void ChannelOpened() = 0;
    /// The port could not be opened (Error: a last-error code); the channel
    /// tries again RetryInterval later.
    virtual void ChannelOpenFailed(uint32_t Error) = 0;
    /// The port hung up or vanished, or the modem answered no probe. The
    /// port is closed (data mode ended) and pending commands have been
    /// given rsLost; the channel opens it again RetryInterval later.
    virtual void ChannelLost(const std::string& Why) = 0;
    /// Lines no command asked for (RING, caller ID, NO CARRIER of a voice
    /// call ...) and DLE codes, in the order received.
    virtual void ChannelUnsolicited(const std::vector<TAtToken>& Tokens) = 0;
    /// A data connection ended: the modem reported NO CARRIER (or dropped
    /// DCD). The relay has stopped and the pair is hung up.
    virtual void ChannelCarrierLost() = 0;
};

struct TAtChannelSettings {
    std::string Port;                 // device path or COM name
    uint32_t Speed = 115200;
    uint32_t RetryInterval = 5000;    // ms between attempts to open the port
    uint32_t ProbeTimeout = 2000;     // ms a resynchronisation probe waits
    uint32_t ProbeAttempts = 2;
    uint32_t QuietTime = 100;         // ms of silence that ends a resynchronisation
};

class TAtChannel {
public:
    TAtChannel(TAtChannelSettings Settings, TAtChannelListener& Listener);
    ~TAtChannel();
    TAtChannel(const TAtChannel&) = delete;
    TAtChannel& operator=(const TAtChannel&) = delete;

    /// Starts the worker, which opens the port at once.
    void Start();
    /// Stops and joins every thread and closes the port.
    void Stop();
    bool Stopping() const noexcept { return FStopping.load(std::memory_order_acquire); }

    /// Queues a command. Commands other than caEscape and caDtrPulse wait
    /// while a data connection lasts.
    void Submit(TAtCommand Command);
    /// Writes a CR at once if a command is running: a modem that is dialling
    /// or answering gives up and ends the command (NO CARRIER).
    void Interrupt();
    /// Closes the port (pending commands get rsLost) and opens it again
    /// DelayMs later. No ChannelLost is reported.
    void Restart(uint32_t DelayMs);

    /// Runs Action on the worker thread DelayMs from now; returns an id
    /// (never 0) for Cancel.
    uint64_t After(uint32_t DelayMs, std::function<void()> Action);
    void Cancel(uint64_t ID);

    /// The pair the next data connection is relayed to: a CONNECT answering
    /// a command with StartsData starts relaying. The channel holds the
    /// pair's far end; the program gets handles of its near end.
    void ArmData(std::shared_ptr<TSimulatedPair> Pair);
    /// Ends relaying (the pair is hung up, so the program's handles fail
    /// from now on) and forgets an armed pair. Bytes from the modem are
    /// command-mode text again.
    void EndData();
    bool InData() const noexcept { return FDataMode.load(std::memory_order_acquire); }

    /// True while the port is open.
    bool PortOpen() const;

private:
    using Clock = std::chrono::steady_clock;

    struct TInbound {
        enum TKind { ikTokens, ikDataStarted, ikCarrierLost, ikLost } Kind = ikTokens;
        std::vector<TAtToken> Tokens;
        std::string Why;
        uint64_t Generation = 0;   // of the port it came from
    };
    struct TRunning {
        TAtCommand Command;
        Clock::time_point Deadline;
        Clock::time_point WriteAt;   // caEscape, caDtrPulse: when the second half is due
        TAtReply Reply;
        bool Written = false;
        // A modem that hangs up at once answers while DTR is still down:
        // the answer waits until DTR is raised again.
        bool Early = false;
    };
    struct TTimer {
        Clock::time_point Due;
        std::function<void()> Action;
    };
    using TActions = std::vector<std::function<void()>>;

    void WorkerLoop();
    void ReaderLoop(THandle Port, std::shared_ptr<TCommCancel> Cancel, uint64_t Generation);
    void RelayLoop(THandle Port, std::shared_ptr<TSimulatedPair> Pair, std::shared_ptr<std::atomic<bool>> Stop);
    // Reader side.
    void PushInbound(TInbound Item);
    void ReaderBytes(const char* Data, size_t Size, uint64_t Generation);
    // Worker side, FMutex held unless said otherwise.
    void TryOpen(TActions& Actions, std::unique_lock<std::mutex>& L);
    /// Closes the port, fails every command and reports the loss.
    void Lose(const std::string& Why, TActions& Actions, std::unique_lock<std::mutex>& L);
    bool CanStart() const;
    void ClosePort(std::unique_lock<std::mutex>& L);   // drops and retakes FMutex
    void FailAll(TAtReply::TStatus Status, TActions& Actions);
    void Process(TInbound& Item, TActions& Actions, std::unique_lock<std::mutex>& L);
    void Token(TAtToken& T, std::vector<TAtToken>& Batch, TActions& Actions);
    void Flush(std::vector<TAtToken>& Batch, TActions& Actions);
    void Finish(TAtReply Reply, TActions& Actions);
    void CheckTime(Clock::time_point Now, TActions& Actions, std::unique_lock<std::mutex>& L);
    void StartNext(std::unique_lock<std::mutex>& L, TActions& Actions);
    /// Writes with FMutex released; false when the port failed.
    bool WriteUnlocked(std::unique_lock<std::mutex>& L, const std::string& Bytes);
    void StopRelay(std::unique_lock<std::mutex>& L);
    Clock::time_point NextWake() const;
    void RunActions(TActions& Actions, std::unique_lock<std::mutex>& L);

    const TAtChannelSettings FSettings;
    TAtChannelListener& FListener;

    mutable std::mutex FMutex;
    std::condition_variable FWake;
    std::atomic<bool> FStopping{false};
    std::thread FWorker;

    // Guarded by FMutex.
    std::deque<TInbound> FInbox;
    std::deque<TAtCommand> FQueue;
    std::unique_ptr<TRunning> FRunning;
    std::map<uint64_t, TTimer> FTimers;
    uint64_t FNextTimer = 1;
    bool FInterrupt = false;
    bool FRestart = false;
    uint32_t FRestartDelay = 0;
    THandle FPort = 0;
    uint64_t FGeneration = 0;          // counts opens, so stale reader reports are ignored
    Clock::time_point FOpenAt;         // next attempt to open while closed
    std::shared_ptr<TCommCancel> FReaderCancel;
    std::thread FReader;
    // Resynchronisation.
    bool FResync = false;
    bool FProbeSent = false;
    bool FProbeAnswered = false;
    uint32_t FProbes = 0;
    Clock::time_point FProbeDeadline;
    Clock::time_point FQuietUntil;
    // Data connections.
    std::shared_ptr<TSimulatedPair> FArmed;    // for the next CONNECT
    std::shared_ptr<TSimulatedPair> FRelayed;  // of the connection in progress
    std::thread FRelay;
    std::shared_ptr<std::atomic<bool>> FRelayStop;

    // Shared by the reader and the worker.
    std::atomic<bool> FDataMode{false};
    std::atomic<bool> FDataArmed{false};
    std::atomic<bool> FNumeric{false};
    // Reader-only.
    TAtLexer FLexer;
    TCarrierWatch FCarrier;
    std::shared_ptr<TSimulatedPair> FReaderPair;
    bool FDcdSeen = false;
    bool FSkipLf = false;   // the LF after the CONNECT that started data mode
};

}  // namespace kxtapi::service::modem
