// Helpers of the assisted-telephony tests: a fixture with a fresh switch and
// an inactive session, a recorder of make-call events, and
// other programs run with pipes (the request tool, a recipient of their own).
//
// Every test program has a private XDG_RUNTIME_DIR (tests/support), which the
// programs it starts inherit.
#pragma once

#include "message_pump.h"

#include "kxtapi/kxtapi.h"
#include "kxtapi/sim.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace kxtapi::testing {

/// One raised OnRequestMakeCall.
struct TSeenRequest {
    TObject* Sender = nullptr;
    std::string DestAddress, AppName, CalledParty, Comment;
    std::thread::id Thread;
};

/// An event handler that appends what it is raised with to Seen.
TTapiRequestMakeCallEvent Recorder(std::vector<TSeenRequest>& Seen);

/// Another program, started with its standard input and output on pipes and
/// its standard error collected; killed and reaped if still running when
/// destroyed.
class TChild {
public:
    TChild(const std::string& Program, const std::vector<std::string>& Args);
    ~TChild();
    TChild(const TChild&) = delete;
    TChild& operator=(const TChild&) = delete;

    bool Started() const { return FPid > 0; }
    /// The next line of its output without the newline; empty when none
    /// came within Ms (or it ended).
    std::string ReadLine(int Ms = 5000);
    /// Closes its standard input (the recipient helper ends on that).
    void CloseInput();
    /// Waits up to Ms for it to end: its exit status, or -1 (then it is
    /// killed). Reads the rest of its output and error meanwhile.
    int Wait(int Ms = 5000);
    const std::string& Errors() const { return FErrors; }

private:
    void Drain(int Ms);
    int FPid = -1;
    int FIn = -1, FOut = -1, FErr = -1;
    std::string FOutBuffer, FErrors;
};

/// Runs the request tool with Args to its end: exit status and what it
/// wrote to standard error in Errors.
int RunRequestTool(const std::vector<std::string>& Args, std::string* Errors = nullptr, int* Millis = nullptr);

/// A fresh switch and an inactive session without make-call registration.
class AssistedTest : public ::testing::Test {
protected:
    AssistedTest();
    ~AssistedTest() override;
    static void ResetSession();

    sim::TSimSwitch& Sim = sim::Switch();
    std::vector<TSeenRequest> Seen;
};

} // namespace kxtapi::testing
