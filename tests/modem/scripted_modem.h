// A modem for tests: the far end of a pseudo-terminal, answering commands
// from a table, sending unsolicited lines (RING, caller ID, DLE codes) at
// set times, carrying data after CONNECT, and able to fall silent, vanish
// (its pty closed) and come back (a new pty behind the same path).
#pragma once

#include "pty_pair.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kxtapi::test {

class TScriptedModem {
public:
    /// Answers the probe of a data modem (and, with Voice, of a V.253 voice
    /// modem) at once; further rules are added with On.
    explicit TScriptedModem(bool Voice = false);
    ~TScriptedModem();
    TScriptedModem(const TScriptedModem&) = delete;
    TScriptedModem& operator=(const TScriptedModem&) = delete;

    /// The path the provider opens: a link to the current pty's slave.
    const std::string& Port() const { return FLink; }

    /// Answers Command (compared without case; a trailing '*' matches any
    /// rest) with Lines, each sent as CR LF line CR LF, DelayMs after it
    /// arrived. A later rule for the same command replaces the earlier.
    /// A reply line starting with CONNECT puts the modem in data mode.
    void On(const std::string& Command, std::vector<std::string> Lines, uint32_t DelayMs = 0);
    /// Sends lines (as replies are sent) DelayMs from now.
    void Send(std::vector<std::string> Lines, uint32_t DelayMs = 0);
    /// Sends bytes as they stand DelayMs from now.
    void SendRaw(const std::string& Bytes, uint32_t DelayMs = 0);
    /// Sends each character of Codes shielded by DLE.
    void SendDle(const std::string& Codes, uint32_t DelayMs = 0);

    /// While silent, commands are recorded and not answered.
    void SetSilent(bool Silent);
    /// The pty is closed: the port hangs up, the link dangles.
    void Vanish();
    /// A new pty behind the same link, the data mode and echo reset.
    void PlugBack();

    /// Waits until Command has arrived Count times in all (compared without
    /// case); false after TimeoutMs.
    bool WaitCommand(const std::string& Command, int Count = 1, int TimeoutMs = 5000);
    int CommandCount(const std::string& Command);
    std::vector<std::string> Commands();

    // Data mode.
    bool InData();
    bool WaitData(bool Data, int TimeoutMs = 5000);
    /// Waits until Text has come in data mode; takes what came up to it.
    bool WaitDataText(const std::string& Text, int TimeoutMs = 5000);
    /// The far modem hangs up: NO CARRIER, command mode.
    void DropCarrier();

private:
    struct TRule {
        std::vector<std::string> Lines;
        uint32_t Delay = 0;
    };
    using Clock = std::chrono::steady_clock;

    void Loop();
    void Received(const char* Data, size_t Size);   // FMutex held
    void CommandLine(const std::string& Line);      // FMutex held
    void Queue(const std::string& Bytes, uint32_t DelayMs, bool StartsData = false);   // FMutex held
    void Wake();
    void NewPty();   // FMutex held
    void ClosePty(); // FMutex held

    std::string FDir, FLink;
    std::mutex FMutex;
    std::condition_variable FChanged;
    std::unique_ptr<TPtyPair> FPty;
    // A descriptor of the slave held open, so that the master does not
    // report a hang-up (and poll does not spin) while the port is closed.
    int FSlave = -1;
    std::map<std::string, TRule> FRules;   // upper-case command
    struct TOutgoing {
        std::string Bytes;
        bool StartsData = false;   // a CONNECT: data mode once sent
    };
    std::multimap<Clock::time_point, TOutgoing> FOutgoing;
    std::vector<std::string> FCommands;
    Clock::time_point FBusyUntil;   // when the last reply queued goes out
    std::string FLine;
    std::string FData;
    bool FEcho = true;
    bool FSilent = false;
    bool FDataMode = false;
    bool FStop = false;
    int FWake[2] = {-1, -1};
    std::thread FThread;
};

}  // namespace kxtapi::test
