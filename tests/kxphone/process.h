// A child process with pipes to its standard input, output and error, read
// with bounded waits: how the tests drive the kxphone program.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace kxtapi::testing {

class TProcess {
public:
    /// Starts Program with Args (argv[0] is Program).
    TProcess(const std::string& Program, const std::vector<std::string>& Args);
    /// Kills a child still running and reaps it.
    ~TProcess();
    TProcess(const TProcess&) = delete;
    TProcess& operator=(const TProcess&) = delete;

    void Write(const std::string& Bytes);
    /// Closes the child's standard input (it reads its end).
    void CloseInput();
    void Signal(int Signal);

    /// Reads standard output until Wanted occurs in what was read since the
    /// start, or TimeoutMs passed; whether it occurred.
    bool WaitForOutput(const std::string& Wanted, int TimeoutMs = 10000);
    /// Reads standard output until Done holds for what was read since the
    /// start, or TimeoutMs passed; whether it held.
    bool WaitForOutput(const std::function<bool(const std::string& Out)>& Done, int TimeoutMs = 10000);
    /// Waits up to TimeoutMs for the child to end, reading its output
    /// meanwhile; its exit status (128 + signal when killed), or -1 when it
    /// is still running.
    int Wait(int TimeoutMs = 20000);

    const std::string& Out() const { return FOut; }
    const std::string& Err() const { return FErr; }
    /// Standard output split into lines.
    std::vector<std::string> OutLines() const;

private:
    /// Reads what is there within TimeoutMs; false when both pipes have ended.
    bool Pump(int TimeoutMs);

    int FPid = -1;
    int FIn = -1, FOutFd = -1, FErrFd = -1;
    int FStatus = -1;
    std::string FOut, FErr;
};

/// The position of each of Wanted in Lines, in order (each searched after
/// the one before); the index of the first one missing, or Wanted.size().
size_t FoundInOrder(const std::vector<std::string>& Lines, const std::vector<std::string>& Wanted);

} // namespace kxtapi::testing
