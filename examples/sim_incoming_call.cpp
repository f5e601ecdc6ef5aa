// An incoming call on the simulated switch, answered through the TAPI
// functions: initialise in event mode, open a line, wait for the call,
// answer it, let the caller send digits and hang up, drop the call.
//
// Run without arguments to watch the messages; --selftest checks them.

#include <kxtapi/rtl.h>
#include <kxtapi/sim.h>
#include <kxtapi/tapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* Name(DWORD Message)
{
    switch (Message) {
    case LINE_APPNEWCALL: return "LINE_APPNEWCALL";
    case LINE_CALLSTATE: return "LINE_CALLSTATE";
    case LINE_CALLINFO: return "LINE_CALLINFO";
    case LINE_LINEDEVSTATE: return "LINE_LINEDEVSTATE";
    case LINE_REPLY: return "LINE_REPLY";
    case LINE_MONITORDIGITS: return "LINE_MONITORDIGITS";
    default: return "other";
    }
}

}  // namespace

int main(int argc, char** argv)
{
    bool SelfTest = argc > 1 && std::strcmp(argv[1], "--selftest") == 0;
    auto& Sim = kxtapi::sim::Switch();

    HLINEAPP App = 0;
    DWORD Devices = 0, Version = 0x00020001;
    LINEINITIALIZEEXPARAMS Params{};
    Params.dwTotalSize = sizeof Params;
    Params.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
    if (lineInitializeExA(&App, 0, nullptr, "example", &Devices, &Version, &Params) != 0) return 1;
    HANDLE Event = Params.Handles.hEvent;

    HLINE Line = 0;
    lineOpenA(App, 0, &Line, 0x00020001, 0, /*callback instance*/ 42,
              LINECALLPRIVILEGE_OWNER | LINECALLPRIVILEGE_MONITOR, LINEMEDIAMODE_INTERACTIVEVOICE, nullptr);
    lineSetStatusMessages(Line, LINEDEVSTATE_RINGING, 0);

    // The far end calls.
    kxtapi::sim::TSimCallID Caller = Sim.OfferCall(0, "+1 206 555 0100", "Caller name");

    std::vector<DWORD> Seen;
    HCALL Call = 0;
    bool Connected = false, Disconnected = false;
    // Messages wait while the event is signalled; fetch them with time-out 0.
    while (kxtapi::WaitForSingleObject(Event, 1000) == kxtapi::WAIT_OBJECT_0) {
        LINEMESSAGE m;
        if (lineGetMessage(App, &m, 0) != 0) continue;
        Seen.push_back(m.dwMessageID);
        if (!SelfTest)
            std::printf("%-20s device %u  %08X %08X %08X\n", Name(m.dwMessageID), m.hDevice, m.dwParam1,
                        m.dwParam2, m.dwParam3);
        if (m.dwMessageID == LINE_APPNEWCALL) Call = m.dwParam2;
        if (m.dwMessageID != LINE_CALLSTATE) continue;
        if (m.dwParam1 == LINECALLSTATE_OFFERING) {
            lineAnswer(Call, nullptr, 0);
        } else if (m.dwParam1 == LINECALLSTATE_CONNECTED && !Connected) {
            Connected = true;
            lineMonitorDigits(Call, LINEDIGITMODE_DTMF);
            Sim.SendDigits(Caller, "42");
            Sim.FarEndHangUp(Caller);
        } else if (m.dwParam1 == LINECALLSTATE_DISCONNECTED) {
            Disconnected = true;
            lineDrop(Call, nullptr, 0);
        } else if (m.dwParam1 == LINECALLSTATE_IDLE) {
            lineDeallocateCall(Call);
            break;
        }
    }
    lineShutdown(App);

    if (!SelfTest) return 0;
    const std::vector<DWORD> Expected = {
        LINE_APPNEWCALL, LINE_CALLSTATE, LINE_LINEDEVSTATE, LINE_CALLINFO,   // offered, ringing, caller ID
        LINE_REPLY, LINE_CALLSTATE, LINE_CALLINFO,                           // answered, connected
        LINE_MONITORDIGITS, LINE_MONITORDIGITS, LINE_CALLSTATE,              // "42", disconnected
        LINE_REPLY, LINE_CALLSTATE,                                          // dropped, idle
    };
    bool Ok = Seen == Expected && Connected && Disconnected;
    std::printf("%s\n", Ok ? "selftest passed" : "selftest FAILED");
    return Ok ? 0 : 1;
}
