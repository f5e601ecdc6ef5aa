#include "port_terminal.h"

#include <kxtapi/kxtapicomm.h>

#include <unistd.h>

#include <map>

namespace kxphone {

using namespace kxtapi;

namespace {

class TPortTerminal {
public:
    TPortTerminal(TEventLoop& Loop, TEventOutput& Output, const TPortOptions& Options)
        : FLoop(Loop), FOut(Output), FOptions(Options)
    {
    }

    int Run()
    {
        FPort.Set_PortName(Utf8ToCp1252(FOptions.Port));
        if (!FOptions.Mode.empty()) FPort.SetMode(Utf8ToCp1252(FOptions.Mode));
        for (const std::string& t : FOptions.Tokens) FTokens[FFifo.AddTokenTrigger(Utf8ToCp1252(t))] = t;
        Attach();
        FPort.Open();
        Emit("OPENED", {TextField("port", FPort.Get_PortName()), TextField("mode", FPort.GetMode())});
        FOut.Note("typed lines are sent; Ctrl-C ends");
        FLoop.Watch(STDIN_FILENO, [this] { ReadInput(); });
        FLoop.RunUntil([this] { return FGone || FInputEnded; }, INFINITE);
        if (FInputEnded && !FGone) FLoop.RunUntil([this] { return FGone; }, FOptions.Linger);
        FLoop.Unwatch(STDIN_FILENO);
        if (FPort.Get_Active()) FPort.Close();
        return FGone ? 1 : 0;
    }

private:
    void Emit(const char* Event, std::vector<TField> Fields = {})
    {
        FOut.Write(TEventRecord{Utf8(FPort.Get_PortName()), 0, Event, std::move(Fields)});
    }

    void Line(const char* Name, bool On) { Emit(Name, {PlainField("state", On ? "on" : "off")}); }

    void Attach()
    {
        FPort.OnIncomingData = [this](TObject*, const std::string& Data) {
            Emit("RX", {TextField("data", Data)});
            FFifo.Write(Data);
        };
        FPort.OnCTS = [this](TObject*) { Line("CTS", FPort.Get_CTS()); };
        FPort.OnDSR = [this](TObject*) { Line("DSR", FPort.Get_DSR()); };
        FPort.OnRING = [this](TObject*) { Line("RING", FPort.Get_RING()); };
        FPort.OnDCD = [this](TObject*) { Line("DCD", FPort.Get_DCD()); };
        FPort.OnBREAK = [this](TObject*) { Emit("BREAK"); };
        FPort.OnCommError = [this](TObject*, uint32_t Errors) {
            std::vector<TField> f{PlainField("flags", "0x" + IntToHex(Errors, 4))};
            if (const std::string Names = ComErrorsToStr(Errors); !Names.empty()) f.push_back(TextField("errors", Names));
            // The device hung up or vanished: nothing more will come.
            if (Errors & CE_IOE) {
                f.push_back(PlainField("hangup", "yes"));
                FGone = true;
            }
            Emit("ERROR", std::move(f));
        };
        // The oldest half goes when the FIFO is full: the terminal runs for
        // ever, and a token is seldom that long.
        FFifo.OnOverflow = [this](TObject*) { FFifo.Remove(FFifo.Get_Count() / 2 + 1); };
        FFifo.OnTokenFound = [this](TObject*, int32_t Handle, int32_t, int32_t) {
            Emit("TOKEN", {TField{"token", FTokens[Handle], true}});
        };
    }

    void ReadInput()
    {
        char Bytes[4096];
        const ssize_t n = read(STDIN_FILENO, Bytes, sizeof Bytes);
        if (n <= 0) {
            FInputEnded = true;
            FLoop.Unwatch(STDIN_FILENO);
            return;
        }
        FTyped.append(Bytes, static_cast<size_t>(n));
        for (size_t End; (End = FTyped.find('\n')) != std::string::npos;) {
            const std::string Text = FTyped.substr(0, End);
            FTyped.erase(0, End + 1);
            try {
                FPort.Write(Utf8ToCp1252(Text) + FOptions.LineEnd);
                Emit("TX", {TField{"data", Text + FOptions.LineEnd, true}});
            } catch (const EComPort& E) {
                Emit("ERROR", {TextField("write", E.Message())});
            }
        }
    }

    TEventLoop& FLoop;
    TEventOutput& FOut;
    const TPortOptions& FOptions;
    TComPort FPort{nullptr};
    TkxFifo FFifo{nullptr};
    std::map<int32_t, std::string> FTokens;   // trigger handle -> token as given (UTF-8)
    std::string FTyped;
    bool FInputEnded = false;
    bool FGone = false;
};

} // namespace

int RunPortTerminal(TEventLoop& Loop, TEventOutput& Output, const TPortOptions& Options)
{
    TPortTerminal Terminal(Loop, Output, Options);
    return Terminal.Run();
}

} // namespace kxphone
