// kxphone: a telephone on the command line, built on the kxtapi components.
//
//   kxphone                  the demo (the same as "kxphone demo")
//   kxphone devices          line and phone devices, serial ports
//   kxphone monitor LINE     a line's events, live (--json for scripts)
//   kxphone shell            an interactive telephone
//   kxphone port PORT        a serial terminal
//
// Every command takes --help. Errors end the program with one line on
// standard error and a non-zero exit status: 1 for a failure, 2 for a
// command line that cannot be used.

#include "demo.h"
#include "devices.h"
#include "event_loop.h"
#include "event_output.h"
#include "lines.h"
#include "monitor.h"
#include "port_terminal.h"
#include "shell.h"

#include <kxtapi/kxtapi.h>
#include <kxtapi/kxtapiutils.h>
#include <kxtapi/sim.h>

#include <CLI/CLI.hpp>

#include <cstdio>

#ifndef KXPHONE_VERSION
#define KXPHONE_VERSION "unknown"
#endif

using namespace kxphone;

namespace {

int Fail(const std::string& Utf8Message)
{
    std::fprintf(stderr, "kxphone: %s\n", Utf8Message.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    // First of all: the signal mask is inherited by every thread started later.
    TEventLoop Loop;
    kxtapi::Application()->SetMainThread();

    CLI::App App{"A telephone on the command line, built on the kxtapi components. Without a command it runs "
                 "the demo.",
                 "kxphone"};
    App.set_version_flag("--version", std::string("kxphone ") + KXPHONE_VERSION);
    App.fallthrough();
    App.require_subcommand(0, 1);
    std::string SimConfig;
    App.add_option("--sim-config", SimConfig,
                   "Configure the simulated switch from this JSON file first (its lines, phones, locations and a "
                   "far-end script)")
        ->check(CLI::ExistingFile);

    TDemoOptions DemoOptions;
    CLI::App* Demo = App.add_subcommand("demo", "Incoming and outgoing calls on the simulated switch, each event "
                                                "printed as it is raised");
    Demo->add_option("--pace", DemoOptions.Pace, "Milliseconds between the steps")
        ->capture_default_str()
        ->check(CLI::Range(0, 10000));

    bool Brief = false;
    CLI::App* Devices = App.add_subcommand("devices", "List the line and phone devices and the serial ports");
    Devices->add_flag("--brief", Brief, "Leave out each line's capabilities");

    std::string MonitorLine;
    bool Json = false;
    CLI::App* Monitor =
        App.add_subcommand("monitor", "Print a line's events as they happen, until interrupted (Ctrl-C)");
    Monitor->add_option("LINE", MonitorLine, "The line's name or identifier (kxphone devices lists them)")
        ->required();
    Monitor->add_flag("--json", Json, "One JSON object per line and event");

    CLI::App* Shell = App.add_subcommand(
        "shell", "An interactive telephone: open lines, make and control calls, act as the far end; commands come "
                 "from the terminal or from standard input");

    TPortOptions Port;
    std::string LineEnd = "crlf";
    CLI::App* PortCmd = App.add_subcommand(
        "port", "A serial terminal: typed lines are sent; received bytes, modem lines, errors and tokens are shown");
    PortCmd->add_option("PORT", Port.Port, "A COM name (COM1) or a device path (/dev/ttyUSB0)")->required();
    PortCmd->add_option("--mode", Port.Mode,
                        "Settings as a mode string: 'BAUD=9600 PARITY=N DATA=8 STOP=1' or '9600,N,8,1'");
    PortCmd->add_option("--on", Port.Tokens, "Report when the received data holds TOKEN (? any byte, * any run)")
        ->type_name("TOKEN");
    PortCmd->add_option("--eol", LineEnd, "What ends each line sent")
        ->capture_default_str()
        ->check(CLI::IsMember({"crlf", "cr", "lf"}));
    PortCmd->add_option("--linger", Port.Linger, "Milliseconds to go on receiving after the input has ended")
        ->capture_default_str();

    try {
        App.parse(argc, argv);
    } catch (const CLI::CallForHelp& E) {
        return App.exit(E);
    } catch (const CLI::CallForAllHelp& E) {
        return App.exit(E);
    } catch (const CLI::CallForVersion& E) {
        return App.exit(E);
    } catch (const CLI::ParseError& E) {
        std::fprintf(stderr, "kxphone: %s\nRun with --help for more information.\n", E.what());
        return 2;
    }

    int Status = 0;
    try {
        if (!SimConfig.empty()) {
            std::string Error;
            if (!kxtapi::sim::Switch().LoadConfigFile(SimConfig, &Error))
                return Fail(Error.rfind(SimConfig, 0) == 0 ? Error : SimConfig + ": " + Error);
        }
        if (*Devices) {
            Status = ListDevices(stdout, !Brief);
        } else if (*Monitor) {
            TEventOutput Output(Json);
            Status = RunMonitor(Loop, Output, kxtapi::Utf8ToCp1252(MonitorLine));
        } else if (*Shell) {
            TEventOutput Output(false);
            TShell S(Loop, Output);
            Status = S.Run();
        } else if (*PortCmd) {
            Port.LineEnd = LineEnd == "cr" ? "\r" : LineEnd == "lf" ? "\n" : "\r\n";
            TEventOutput Output(false);
            Status = RunPortTerminal(Loop, Output, Port);
        } else {
            TEventOutput Output(false);
            Status = RunDemo(Loop, Output, DemoOptions);
        }
    } catch (const kxtapi::ETapiError& E) {
        Status = Fail(Utf8(E.Message()) + " (" + kxtapi::LineErrToStr(E.ErrorCode) + ")");
    } catch (const kxtapi::Exception& E) {
        Status = Fail(Utf8(E.Message()));
    } catch (const std::exception& E) {
        Status = Fail(E.what());
    }
    EndSession();
    return Status;
}
