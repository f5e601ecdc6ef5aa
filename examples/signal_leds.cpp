// A row of signal LEDs, one for each signal of a port, linked to a port on a
// simulated cable whose far end raises its lines and sends and takes bytes.
//
//   example_signal_leds               prints the LEDs as the far end acts
//   example_signal_leds leds.png      also writes the row as a picture
//                                     (in builds with PNG support)
//   example_signal_leds --selftest    checks what the LEDs show
#include <kxtapi/kxtapicomm.h>

#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace kxtapi;

namespace {

const char* const SignalNames[] = {"DTR", "DSR", "RTS", "CTS", "DCD", "TXD", "RXD"};

/// Runs the message loop until Done holds (at most two seconds).
bool RunUntil(const std::function<bool()>& Done)
{
    const auto End = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!Done()) {
        if (std::chrono::steady_clock::now() > End) return false;
        pollfd P{Application()->PollFd(), POLLIN, 0};
        poll(&P, 1, 10);
        Application()->ProcessMessages();
    }
    return true;
}

std::string Row(const std::vector<std::unique_ptr<TComPortLed>>& Leds)
{
    std::string S;
    for (size_t i = 0; i < Leds.size(); ++i) {
        S += SignalNames[i];
        S += Leds[i]->Get_Active() ? ":on  " : ":off ";
    }
    return S;
}

#ifdef KXTAPI_HAVE_PNG
/// The LEDs side by side, each as it last painted itself.
void SaveRow(const std::vector<std::unique_ptr<TComPortLed>>& Leds, const std::string& Path)
{
    TCanvas Strip;
    Strip.SetSize(static_cast<int32_t>(16 * Leds.size()), 16);
    for (size_t i = 0; i < Leds.size(); ++i)
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                Strip.Set_Pixels(static_cast<int32_t>(16 * i) + x, y, Leds[i]->Canvas()->Get_Pixels(x, y));
    SaveCanvasToPng(Strip, Path);
}
#endif

} // namespace

int main(int argc, char** argv)
{
    const bool SelfTest = argc > 1 && std::strcmp(argv[1], "--selftest") == 0;
    const std::string PngPath = (argc > 1 && !SelfTest) ? argv[1] : "";

    auto Cable = TSimulatedPair::Create();
    MapSimulatedPort("COM70", Cable);
    TComPort Port(nullptr);
    Port.Set_PortName("COM70");

    std::vector<std::unique_ptr<TComPortLed>> Leds;
    for (TCommSignal S : {csDTR, csDSR, csRTS, csCTS, csDCD, csTXD, csRXD}) {
        auto Led = std::make_unique<TComPortLed>(nullptr);
        Led->SetSignal(S);
        if (S == csTXD || S == csRXD) {
            Led->SetColor(0, clYellow);   // data LEDs in yellow and olive
            Led->SetColor(1, clOlive);
        }
        Led->SetPort(&Port);
        Leds.push_back(std::move(Led));
    }

    bool Ok = true;
    auto Expect = [&](const char* Step, const std::string& Want) {
        RunUntil([&] { return Row(Leds) == Want; });
        const std::string Got = Row(Leds);
        std::printf("%-28s %s\n", Step, Got.c_str());
        if (Got != Want) {
            std::printf("  expected                   %s\n", Want.c_str());
            Ok = false;
        }
    };

    Expect("closed", "DTR:off DSR:off RTS:off CTS:off DCD:off TXD:off RXD:off ");
    Port.Open();
    Expect("opened (DTR, RTS driven)", "DTR:on  DSR:off RTS:on  CTS:off DCD:off TXD:off RXD:off ");
    Cable->SetDSR(true);
    Cable->SetCTS(true);
    Expect("far end raises DSR, CTS", "DTR:on  DSR:on  RTS:on  CTS:on  DCD:off TXD:off RXD:off ");
    Cable->SetReceiving(false);   // so the written bytes wait in the queue
    Port.Write("ATZ\r");
    Cable->Send("OK\r\n");
    Expect("bytes both ways", "DTR:on  DSR:on  RTS:on  CTS:on  DCD:off TXD:on  RXD:on  ");
#ifdef KXTAPI_HAVE_PNG
    if (!PngPath.empty()) {
        RunUntil([&] { return !Leds.back()->PaintPending(); });
        SaveRow(Leds, PngPath);
        std::printf("written to %s\n", PngPath.c_str());
    }
#else
    if (!PngPath.empty()) std::printf("this build cannot write PNG files\n");
#endif
    Cable->SetReceiving(true);    // the queue drains; 200 ms later both go dark
    Expect("output sent, 200 ms later", "DTR:on  DSR:on  RTS:on  CTS:on  DCD:off TXD:off RXD:off ");
    Port.Set_DTR(false);
    Expect("DTR dropped", "DTR:off DSR:on  RTS:on  CTS:on  DCD:off TXD:off RXD:off ");
    Port.Close();
    Expect("closed again", "DTR:off DSR:off RTS:off CTS:off DCD:off TXD:off RXD:off ");

    Leds.clear();
    MapSimulatedPort("COM70", nullptr);
    if (SelfTest) std::printf(Ok ? "selftest: ok\n" : "selftest: FAILED\n");
    return Ok ? 0 : 1;
}
