#include "shell.h"

#include "lines.h"
#include "shell_words.h"

#include <kxtapi/kxtapiutils.h>

#include <csignal>
#include <cstdlib>
#include <unistd.h>

#ifdef KXPHONE_HAVE_LIBEDIT
#include <editline/readline.h>
#endif

namespace kxphone {

using namespace kxtapi;

namespace {

constexpr const char* Prompt = "kxphone> ";

TShell* TerminalShell = nullptr;

} // namespace

const std::vector<TShell::TCommand>& TShell::Commands()
{
    static const size_t Any = SIZE_MAX;
    static const std::vector<TCommand> List = {
        {"help", "[COMMAND]", "list the commands, or describe one", 0, 1, &TShell::CmdHelp},
        {"devices", "", "list the line and phone devices and the serial ports", 0, 0, &TShell::CmdDevices},
        {"open", "LINE", "open a line by name or identifier; it becomes the current line", 1, 1, &TShell::CmdOpen},
        {"close", "[LINE]", "close a line (the current one)", 0, 1, &TShell::CmdClose},
        {"line", "[LINE]", "show the open lines, or make an open line the current one", 0, 1, &TShell::CmdLine},
        {"calls", "", "list the calls with their states and parties", 0, 0, &TShell::CmdCalls},
        {"dial", "[#CALL] NUMBER", "make a call from the current line, or dial NUMBER on a call", 1, 2,
         &TShell::CmdDial},
        {"answer", "[CALL]", "answer an offered call", 0, 1, &TShell::CmdAnswer},
        {"drop", "[CALL]", "hang up a call", 0, 1, &TShell::CmdDrop},
        {"hold", "[CALL]", "put a call on hold", 0, 1, &TShell::CmdHold},
        {"unhold", "[CALL]", "take a call back from hold", 0, 1, &TShell::CmdUnhold},
        {"transfer", "CALL NUMBER", "blind transfer of a call to NUMBER", 2, 2, &TShell::CmdTransfer},
        {"consult", "[CALL]", "start a consultation transfer: the call waits, a new call gets a dial tone", 0, 1,
         &TShell::CmdConsult},
        {"complete", "CALL [conference]", "complete the consultation transfer of CALL (or make it a conference)", 1,
         2, &TShell::CmdComplete},
        {"conference", "[CALL]", "set up a conference from a call: a conference call and a consultation call", 0,
         1, &TShell::CmdConference},
        {"join", "CALL CONFERENCE", "add a connected consultation call to a conference", 2, 2, &TShell::CmdJoin},
        {"add", "CONFERENCE", "a new consultation call for one more party of a conference", 1, 1,
         &TShell::CmdAdd},
        {"park", "CALL [ADDRESS]", "park a call at ADDRESS, or where the switch chooses", 1, 2, &TShell::CmdPark},
        {"unpark", "ADDRESS", "take a parked call back to the current line", 1, 1, &TShell::CmdUnpark},
        {"redirect", "CALL NUMBER", "send an offered call on to NUMBER", 2, 2, &TShell::CmdRedirect},
        {"send", "CALL DIGITS", "send DTMF digits on a call", 2, 2, &TShell::CmdSend},
        {"gather", "CALL COUNT [ENDDIGITS]", "collect COUNT digits from the far end (DIGITS reports them)", 2, 3,
         &TShell::CmdGather},
        {"far", "ACTION ...", "act as the far end on the simulated switch; \"help far\" lists the actions", 1, Any,
         &TShell::CmdFar},
        {"phone", "ACTION ...", "open a phone and work it; \"help phone\" lists the actions", 1, Any,
         &TShell::CmdPhone},
        {"user", "ACTION PHONE ...", "act as the person at a simulated phone; \"help user\" lists the actions", 2,
         Any, &TShell::CmdUser},
        {"assist", "on [dial] | off", "receive the calls other programs ask for (REQUEST events); with dial, "
                                      "each is dialled from the current line", 1, 2, &TShell::CmdAssist},
        {"request", "NUMBER [APP] [CALLED] [COMMENT]",
         "ask the program registered for call requests to call NUMBER, as another program would", 1, 4,
         &TShell::CmdRequest},
        {"wait", "EVENT [#CALL] [MS]", "wait for an event not yet waited for (5000 ms at most)", 1, 3,
         &TShell::CmdWait},
        {"sleep", "MS", "let events come for MS milliseconds", 1, 1, &TShell::CmdSleep},
        {"quit", "", "close everything and leave (also: exit, end of input)", 0, 0, &TShell::CmdQuit},
        {"exit", "", "the same as quit", 0, 0, &TShell::CmdQuit},
    };
    return List;
}

TShell::TShell(TEventLoop& Loop, TEventOutput& Output) : FLoop(Loop), FOutput(Output) {}

TShell::~TShell()
{
    FOutput.BeforeWrite = FOutput.AfterWrite = nullptr;
    FRecipient.reset();
    FPhoneWatch.reset();
    FPhone.reset();
    FLines.clear();
    EndSession();
}

void TShell::Say(const std::string& Utf8Text)
{
    FOutput.Text(Utf8Text);
}

void TShell::Report(const std::string& Utf8Message)
{
    FFailed = true;
    if (FOutput.BeforeWrite) FOutput.BeforeWrite();
    std::fprintf(stderr, "error: %s\n", Utf8Message.c_str());
    std::fflush(stderr);
    if (FOutput.AfterWrite) FOutput.AfterWrite();
}

bool TShell::Execute(const std::string& Utf8Line)
{
    try {
        std::vector<std::string> Words;
        if (!SplitWords(Utf8Line, Words)) throw EShellError{"a quote is not closed"};
        if (Words.empty() || Words[0][0] == '#') return true;   // a blank line or a comment
        const TCommand* Cmd = nullptr;
        for (const TCommand& c : Commands())
            if (Words[0] == c.Name) Cmd = &c;
        if (Cmd == nullptr) throw EShellError{"unknown command \"" + Words[0] + "\"; \"help\" lists the commands"};
        const std::vector<std::string> Args(Words.begin() + 1, Words.end());
        if (Args.size() < Cmd->MinArgs || Args.size() > Cmd->MaxArgs)
            throw EShellError{std::string("usage: ") + Cmd->Name + (*Cmd->Args ? " " : "") + Cmd->Args};
        (this->*Cmd->Run)(Args);
    } catch (const EShellError& E) {
        Report(E.Message);
    } catch (const ETapiError& E) {
        Report(Utf8(E.Message()) + " (" + LineErrToStr(E.ErrorCode) + ")");
    } catch (const Exception& E) {
        Report(Utf8(E.Message()));
    } catch (const std::exception& E) {
        Report(E.what());
    }
    return !FQuit;
}

// --- input -----------------------------------------------------------------------

int TShell::Run()
{
#ifdef KXPHONE_HAVE_LIBEDIT
    if (isatty(STDIN_FILENO) && isatty(STDOUT_FILENO)) return RunTerminal();
#endif
    return RunScript();
}

int TShell::RunScript()
{
    const bool Prompting = isatty(STDIN_FILENO) != 0;
    std::string Buffer;
    std::deque<std::string> Pending;
    bool Eof = false;
    // The watch only collects lines: commands run from the loop below, so a
    // command that waits (wait, sleep, a synchronous operation) never meets
    // the next one half-way.
    FLoop.Watch(STDIN_FILENO, [&] {
        char Bytes[4096];
        const ssize_t n = read(STDIN_FILENO, Bytes, sizeof Bytes);
        if (n <= 0) {
            Eof = true;
            if (!Buffer.empty()) Pending.push_back(Buffer);
            Buffer.clear();
            FLoop.Unwatch(STDIN_FILENO);
            return;
        }
        Buffer.append(Bytes, static_cast<size_t>(n));
        for (size_t End; (End = Buffer.find('\n')) != std::string::npos;) {
            Pending.push_back(Buffer.substr(0, End));
            Buffer.erase(0, End + 1);
        }
    });
    if (Prompting) std::fputs(Prompt, stdout), std::fflush(stdout);
    while (!FQuit) {
        if (!Pending.empty()) {
            const std::string Line = Pending.front();
            Pending.pop_front();
            Execute(Line);
            if (Prompting && !FQuit) std::fputs(Prompt, stdout), std::fflush(stdout);
            continue;
        }
        if (Eof || FLoop.Interrupted()) break;
        FLoop.RunUntil([&] { return !Pending.empty() || Eof; }, INFINITE);
    }
    FLoop.Unwatch(STDIN_FILENO);
    if (FLoop.Interrupted()) return 130;
    return FFailed ? 1 : 0;
}

#ifdef KXPHONE_HAVE_LIBEDIT

void TShell::TerminalLine(char* Line)
{
    TShell& S = *TerminalShell;
    if (Line == nullptr) {   // Ctrl-D
        std::fputc('\n', stdout);
        S.FQuit = true;
        S.FLoop.Stop();
        return;
    }
    const std::string Text = Line;
    std::free(Line);
    if (Text.find_first_not_of(" \t") != std::string::npos) add_history(Text.c_str());
    // Keys typed while the command runs wait in the terminal.
    S.FInCommand = true;
    S.FLoop.Unwatch(STDIN_FILENO);
    S.Execute(Text);
    S.FLoop.ClearSignal();   // a Ctrl-C ended the command, not the shell
    S.FInCommand = false;
    if (S.FQuit) {
        S.FLoop.Stop();
        return;
    }
    S.FLoop.Watch(STDIN_FILENO, [] { rl_callback_read_char(); });
}

int TShell::RunTerminal()
{
    TerminalShell = this;
    // Events arriving at the prompt are written above it.
    FOutput.BeforeWrite = [this] {
        if (!FInCommand) std::fputs("\r\033[K", stdout);
    };
    FOutput.AfterWrite = [this] {
        if (!FInCommand) rl_forced_update_display();
    };
    FLoop.OnSignal = [this](int Signal) {
        if (Signal != SIGINT || FInCommand) return false;
        // Ctrl-C at the prompt forgets the line being typed.
        std::fputs("^C\n", stdout);
        rl_replace_line("", 0);
        rl_forced_update_display();
        return true;
    };
    Say("kxphone shell; \"help\" lists the commands, Ctrl-D or \"quit\" leaves");
    rl_callback_handler_install(Prompt, &TShell::TerminalLine);
    FLoop.Watch(STDIN_FILENO, [] { rl_callback_read_char(); });
    FLoop.RunUntil([this] { return FQuit; }, INFINITE);
    FLoop.Unwatch(STDIN_FILENO);
    rl_callback_handler_remove();
    FLoop.OnSignal = nullptr;
    FOutput.BeforeWrite = FOutput.AfterWrite = nullptr;
    TerminalShell = nullptr;
    return 0;
}

#else

void TShell::TerminalLine(char*) {}
int TShell::RunTerminal()
{
    return RunScript();
}

#endif

} // namespace kxphone
