// A serial line reader: a GPS receiver, a modem, a meter, anything that
// sends lines of text. The port's received bytes go into a token FIFO, which
// reports each line end; every complete line is taken out and printed.
//
//   example_serial_line_reader PORT [MODE]   reads PORT (a COM name or a
//                                            device path) until Ctrl-C, with
//                                            MODE such as "9600,N,8,1"
//   example_serial_line_reader --selftest    a simulated cable sends lines
//                                            in pieces; exits 0 when they
//                                            come out whole
#include <kxtapi/kxtapicomm.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace kxtapi;

namespace {

class TLineReader {
public:
    TLineReader(const std::string& Port, const std::string& Mode)
    {
        FPort.Set_PortName(Port);
        if (!Mode.empty()) FPort.SetMode(Mode);
        // Each line feed reported ends one complete line to take out; ReadLn
        // takes "\r\n" and "\n" ends with it.
        FFifo.AddTokenTrigger("\n");
        FFifo.OnTokenFound = [this](TObject*, int32_t, int32_t, int32_t) { Take(FFifo.ReadLn()); };
        FPort.OnIncomingData = [this](TObject*, const std::string& Data) {
            if (!FFifo.Write(Data)) FFifo.Clear();   // a line longer than the FIFO: start afresh
        };
        FPort.Open();
    }

    std::vector<std::string> Lines;

private:
    void Take(const std::string& Line)
    {
        std::printf("%s\n", Cp1252ToUtf8(Line).c_str());
        std::fflush(stdout);
        Lines.push_back(Line);
    }

    TComPort FPort{nullptr};
    TkxFifo FFifo{nullptr};
};

int SelfTest()
{
    // A cable whose far end the test drives, reachable as COM9.
    auto Cable = TSimulatedPair::Create();
    MapSimulatedPort("COM9", Cable);
    bool Ok = false;
    {
        TLineReader Reader("COM9", "COM9:4800,N,8,1");
        for (const char* Piece : {"$GPGGA,1234", "56,N*3A\r\n$GPR", "MC,ok\r\n", "last\n", "partial"}) {
            Cable->Send(Piece);
            for (int i = 0; i < 20; ++i) Application()->HandleMessage(5);
        }
        for (int i = 0; i < 200 && Reader.Lines.size() < 3; ++i) Application()->HandleMessage(10);
        Ok = Reader.Lines == std::vector<std::string>{"$GPGGA,123456,N*3A", "$GPRMC,ok", "last"};
    }
    MapSimulatedPort("COM9", nullptr);
    std::printf("%s\n", Ok ? "selftest passed" : "selftest FAILED");
    return Ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--selftest") == 0) return SelfTest();
    if (argc < 2) {
        std::fprintf(stderr, "usage: example_serial_line_reader PORT [MODE]\n");
        return 2;
    }
    try {
        TLineReader Reader(argv[1], argc > 2 ? argv[2] : "");
        Application()->Run();
    } catch (const Exception& E) {
        std::fprintf(stderr, "%s\n", Cp1252ToUtf8(E.Message()).c_str());
        return 1;
    }
}
