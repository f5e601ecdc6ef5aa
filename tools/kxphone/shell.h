// `kxphone shell`: an interactive telephone. Commands open and close lines,
// make and control calls, and (on the simulated switch) act as the far end;
// the lines' events are printed as they are raised. Standard input may be a
// terminal (line editing and history where libedit is built in) or a script.
#pragma once

#include "call_numbers.h"
#include "event_loop.h"
#include "event_output.h"
#include "line_watch.h"
#include "phone_watch.h"

#include <kxtapi/kxtapi.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace kxphone {

/// A command that cannot run as typed; its message is shown and nothing
/// has changed.
struct EShellError {
    std::string Message;   // UTF-8
};

class TShell {
public:
    TShell(TEventLoop& Loop, TEventOutput& Output);
    ~TShell();
    TShell(const TShell&) = delete;
    TShell& operator=(const TShell&) = delete;

    /// Reads commands from standard input until "quit" or its end; returns
    /// the exit status: 0, or 1 when a command of a script failed.
    int Run();

    /// Runs one command line; false once the shell should end.
    bool Execute(const std::string& Utf8Line);

    /// One shell command: its name, its arguments as help shows them, what
    /// it does, the bounds of its argument count and its handler.
    struct TCommand {
        const char* Name;
        const char* Args;
        const char* Help;
        size_t MinArgs;
        size_t MaxArgs;
        void (TShell::*Run)(const std::vector<std::string>& Args);
    };
    static const std::vector<TCommand>& Commands();

private:
    struct TOpenLine {
        std::unique_ptr<kxtapi::TTapiLine> Line;
        std::unique_ptr<TLineWatch> Watch;
    };

    // Input.
    int RunScript();
    int RunTerminal();
    static void TerminalLine(char* Line);
    void Report(const std::string& Utf8Message);

    // Lines (shell_lines.cpp).
    void CmdHelp(const std::vector<std::string>& A);
    void CmdDevices(const std::vector<std::string>& A);
    void CmdOpen(const std::vector<std::string>& A);
    void CmdClose(const std::vector<std::string>& A);
    void CmdLine(const std::vector<std::string>& A);
    void CmdCalls(const std::vector<std::string>& A);
    void CmdWait(const std::vector<std::string>& A);
    void CmdSleep(const std::vector<std::string>& A);
    void CmdQuit(const std::vector<std::string>& A);
    // Calls (shell_calls.cpp).
    void CmdDial(const std::vector<std::string>& A);
    void CmdAnswer(const std::vector<std::string>& A);
    void CmdDrop(const std::vector<std::string>& A);
    void CmdHold(const std::vector<std::string>& A);
    void CmdUnhold(const std::vector<std::string>& A);
    void CmdTransfer(const std::vector<std::string>& A);
    void CmdConsult(const std::vector<std::string>& A);
    void CmdComplete(const std::vector<std::string>& A);
    void CmdConference(const std::vector<std::string>& A);
    void CmdJoin(const std::vector<std::string>& A);
    void CmdAdd(const std::vector<std::string>& A);
    void CmdPark(const std::vector<std::string>& A);
    void CmdUnpark(const std::vector<std::string>& A);
    void CmdRedirect(const std::vector<std::string>& A);
    void CmdSend(const std::vector<std::string>& A);
    void CmdGather(const std::vector<std::string>& A);
    // The far end on the simulated switch (shell_far_end.cpp).
    void CmdFar(const std::vector<std::string>& A);
    // A phone, and its user on the simulated switch (shell_phone.cpp).
    void CmdPhone(const std::vector<std::string>& A);
    void CmdUser(const std::vector<std::string>& A);
    // Calls other programs ask for (shell_requests.cpp).
    void CmdAssist(const std::vector<std::string>& A);
    void CmdRequest(const std::vector<std::string>& A);
    void Requested(const std::string& Dest, const std::string& App, const std::string& Called,
                   const std::string& Comment);
    kxtapi::TTapiPhone& OpenPhone() const;
    void Remember(const TEventRecord& R);

    // Helpers.
    std::vector<kxtapi::TTapiLine*> Lines() const;
    /// The current line; EShellError when none is open.
    kxtapi::TTapiLine& Current() const;
    /// The open line Spec names (a name or an identifier), or null.
    TOpenLine* FindOpen(const std::string& Spec);
    /// The call "#n" (or "n") names; EShellError when there is none.
    kxtapi::TTapiCall* CallArg(const std::string& Text) const;
    /// The call of an optional argument: the named one, or the only call
    /// of the current line that is not idle.
    kxtapi::TTapiCall* CallOrOnly(const std::vector<std::string>& A, size_t Index) const;
    int Number(kxtapi::TTapiCall* Call) { return FNumbers.NumberOf(Call); }
    void Say(const std::string& Utf8Text);

    TEventLoop& FLoop;
    TEventOutput& FOutput;
    TCallNumbers FNumbers;
    std::vector<TOpenLine> FLines;
    std::unique_ptr<kxtapi::TTapiPhone> FPhone;
    std::unique_ptr<TPhoneWatch> FPhoneWatch;
    std::unique_ptr<kxtapi::TTapiRequestRecipient> FRecipient;
    bool FDialRequests = false;
    size_t FCurrent = 0;
    bool FQuit = false;
    bool FInCommand = false;
    bool FFailed = false;
    // Every record printed, for "wait"; FWaited is the position after the
    // last record a wait took.
    std::deque<TEventRecord> FRecords;
    size_t FWaited = 0;
    size_t FDropped = 0;   // records dropped from the front of FRecords
};

} // namespace kxphone
