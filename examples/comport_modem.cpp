// A serial port talking to a simulated modem: the far end of a simulated
// cable raises its lines and answers "AT" with "OK"; the port reports the
// lines and the received text on the main thread.
//
//   example_comport_modem            prints what happens
//   example_comport_modem --selftest exits 0 when everything arrived
//
// The same program runs against a real modem with a COM name or a device
// path as its argument (example_comport_modem /dev/ttyUSB0).
#include "kxtapi/kxtapicomm.h"

#include <cstdio>
#include <cstring>
#include <string>

using namespace kxtapi;

int main(int argc, char** argv)
{
    const bool selftest = argc > 1 && std::strcmp(argv[1], "--selftest") == 0;
    const bool real = argc > 1 && !selftest;

    // The simulated modem: a cable mapped to COM9, whose far end answers.
    auto modem = TSimulatedPair::Create(PST_MODEM);
    MapSimulatedPort("COM9", modem);

    TComPort port(nullptr);
    port.Set_PortName(real ? argv[1] : "COM9");
    port.SetMode("BAUD=115200 PARITY=N DATA=8 STOP=1 dtr=on rts=on");

    std::string received;
    bool dsrSeen = false;
    port.OnDSR = [&](TObject*) {
        const bool on = port.Get_DSR();
        dsrSeen = dsrSeen || on;
        if (!selftest) std::printf("DSR is %s\n", on ? "on" : "off");
    };
    port.OnIncomingData = [&](TObject*, const std::string& Data) {
        received += Data;
        if (!selftest) std::printf("received %zu bytes\n", Data.size());
    };

    try {
        port.Open();
    } catch (const EComPort& e) {
        std::fprintf(stderr, "%s (error %u)\n", e.Message().c_str(), e.ErrorCode);
        return 1;
    }
    if (!real) modem->SetDSR(true);  // the modem is ready
    port.WriteLn("AT");
    if (!real) {
        modem->WaitReceived(4, 1000);
        if (modem->TakeReceived() == "AT\r\n") modem->Send("\r\nOK\r\n");
    }

    // The application's message loop; here until the answer is in.
    for (int i = 0; i < 200 && received.find("OK") == std::string::npos; ++i)
        Application()->HandleMessage(10);

    if (!selftest) std::printf("mode: %s\nanswer: %s\n", port.GetMode().c_str(), received.c_str());
    port.Close();
    MapSimulatedPort("COM9", nullptr);
    const bool ok = received.find("OK") != std::string::npos && (real || dsrSeen);
    return ok ? 0 : 1;
}
